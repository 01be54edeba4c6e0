#pragma once
// The program's pictures, drawn for it (SVG sources in src/resources/art),
// by resource id:
//   icons (32 x 32): 101 the program, 121 exit door with an arrow,
//     122 book with a question mark, 130 green check mark, 131 red cross;
//   bitmaps: 150 the About picture (440 x 330);
//   tab images (20 x 20) by the name of their page: "tab-<name>.svg".

#include <QIcon>
#include <QPixmap>

constexpr int IDR_MAINFRAME = 101;
constexpr int IDI_EXIT = 121;
constexpr int IDI_HELP = 122;
constexpr int IDI_OK = 130;
constexpr int IDI_CANCEL = 131;
constexpr int IDB_ABOUT = 150;

// The icon of that id (null when there is none).
QIcon LoadAppIcon(int id);
// The icon drawn at a size (default 32 x 32).
QPixmap LoadIconPixmap(int id, QSize size = QSize(32, 32));
// A bitmap at its own size (null when there is none).
QPixmap LoadBitmap(int id);
// The 20 x 20 tab image of the page of that name, 24-bit with blue as the
// mask colour (null when there is none).
QPixmap LoadTabImage(const QString& pageName);
