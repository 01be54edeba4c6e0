#include "shell/CMainDlg.h"

#include <QAction>
#include <QBitmap>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

#include "base/qt_desktop.h"
#include "base/qt_resources.h"
#include "model/lang_text.h"
#include "platform/program.h"
#include "protocol/inquiry.h"
#include "shell/CAbout.h"
#include "shell/page_registry.h"
#include "templates/main_template.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

CMainDlg* mainDlg = nullptr;

namespace {

const char* const kCommandProperty = "faxrcpCommand";
constexpr int kTabImageSide = 20;

QString Lang(const char* section, const char* key) {
    // Copied at once: the next lookup overwrites the shared buffer.
    return QString::fromUtf8(GetLangString(section, key));
}

QAction* AddCommand(QMenu* menu, const QString& text, int command) {
    QAction* action = menu->addAction(text);
    action->setProperty(kCommandProperty, command);
    return action;
}

} // namespace

CMainDlg::CMainDlg(QWidget* parent) : QDialog(parent) {
    mainDlg = this;
    setWindowTitle(QString::fromStdString(mainTemplate.caption));

    // Menu 129.
    menuBar_ = new QMenuBar(this);
    fileMenu_ = menuBar_->addMenu(QStringLiteral("&File"));
    AddCommand(fileMenu_, QStringLiteral("Load Phonebook"), ID_FILE_LOAD_PBOOK)->setEnabled(false);
    AddCommand(fileMenu_, QStringLiteral("Save Phonebook"), ID_FILE_SAVE_PBOOK)->setEnabled(false);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, QStringLiteral("E&xit"), ID_APP_EXIT_CMD);
    helpMenu_ = menuBar_->addMenu(QStringLiteral("&Help"));
    AddCommand(helpMenu_, QStringLiteral("&Contents"), ID_HELP_CONTENTS);
    helpMenu_->addSeparator();
    AddCommand(helpMenu_, QStringLiteral("About"), ID_HELP_ABOUT);
    connect(menuBar_, &QMenuBar::triggered, this, [this](QAction* action) {
        const int command = action->property(kCommandProperty).toInt();
        switch (command) {
        case ID_APP_EXIT_CMD:
            accept();
            break;
        case ID_HELP_CONTENTS:
            OnHelp();
            break;
        case ID_HELP_ABOUT:
            OnAbout();
            break;
        default:
            OnPageCommand(command);
            break;
        }
    });

    dlg::BuildDialog(this, mainTemplate);
    exitButton_ = dlg::FindControl<CIconButton>(this, IDC_EXIT);
    helpButton_ = dlg::FindControl<CIconButton>(this, IDC_HELP_BUTTON);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(helpButton_, &QPushButton::clicked, this, &CMainDlg::OnHelp);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &CMainDlg::OnHelp);

    OnInitDialog();
}

CMainDlg::~CMainDlg() {
    desktop::CurrentDesktop().help(this, HelpFilePath(), desktop::HelpCommand::Quit, 0);
    // A page going moves the sheet on to a neighbour, and a page shown for the
    // first time reads the machine: closing must send nothing.
    disconnect(sheet_, &QTabWidget::currentChanged, this, &CMainDlg::OnSheetPageChanged);
    for (OwnedPage& owned : pages_) {
        owned.page->SetHost(nullptr);
        owned.page.reset();
    }
    if (mainDlg == this) {
        mainDlg = nullptr;
    }
}

void CMainDlg::OnInitDialog() {
    setWindowIcon(LoadAppIcon(IDR_MAINFRAME));

    exitButton_->SetIcon(IDI_EXIT);
    exitButton_->SetFlat(false, true);
    helpButton_->SetIcon(IDI_HELP);
    helpButton_->SetFlat(false, true);

    sheet_ = new QTabWidget(this);
    sheet_->setObjectName(QStringLiteral("sheet"));
    sheet_->tabBar()->setExpanding(false);
    sheet_->setUsesScrollButtons(false);
    for (const RegisteredPage& entry : PageRegistry()) {
        if (!entry.existsFor(inquiryRecord.machineClass)) {
            continue;
        }
        std::unique_ptr<CPropertyPage> page = entry.make();
        page->SetHost(this);
        sheet_->addTab(page.get(), page->Caption());
        pages_.push_back({std::move(page)});
    }
    sheet_->setFocusPolicy(Qt::TabFocus);
    sheet_->show();
    // Creating the sheet creates and activates its first page.
    sheet_->setCurrentIndex(0);
    if (auto* first = qobject_cast<CPropertyPage*>(sheet_->widget(0))) {
        first->EnsureInitialised();
        first->OnSetActive();
        activePage_ = 0;
    }

    // Tab images: 20-pixel images of bitmap 124, blue as the mask colour.
    QPixmap strip = LoadBitmap(IDB_TABS);
    if (!strip.isNull()) {
        strip.setMask(strip.createMaskFromColor(QColor(0, 0, 255), Qt::MaskInColor));
        sheet_->setIconSize(QSize(kTabImageSide, kTabImageSide));
        const QList<CPropertyPage*> pages = SheetPages();
        for (int i = 0; i < pages.size(); ++i) {
            const int image = pages[i]->Tab().image;
            sheet_->setTabIcon(
                i, QIcon(strip.copy(image * kTabImageSide, 0, kTabImageSide, kTabImageSide)));
        }
    }

    ApplySize();
    sheet_->setCurrentIndex(0);
    ApplyTexts();
    connect(sheet_, &QTabWidget::currentChanged, this, &CMainDlg::OnSheetPageChanged);

    // Centre on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void CMainDlg::ApplySize() {
    // The sheet's client area fits its largest page and the tabs.
    const QSize sheetSize = sheet_->sizeHint();
    const int w = sheetSize.width();
    const int h = sheetSize.height();
    const int charHeight = QFontMetrics(font()).height();
    const int menuHeight = menuBar_->sizeHint().height();

    // The menu bar is part of the window here; the caption is the window
    // manager's, above this area.
    const int width = w + 30;
    const int height = h + 6 * charHeight + menuHeight;
    setFixedSize(width, height);
    menuBar_->setGeometry(0, 0, width, menuHeight);
    sheet_->setGeometry(10, menuHeight + 10, w + 20, h);

    // Exit and Help below the sheet, right-aligned, centred in the space left.
    const int gap = 10;
    const int buttonHeight = std::max(exitButton_->sizeHint().height(), 2 * charHeight + 4);
    const int buttonWidth = std::max(
        {exitButton_->sizeHint().width(), helpButton_->sizeHint().width(), 7 * charHeight});
    const int top = menuHeight + 10 + h;
    const int y = top + (height - top - buttonHeight) / 2;
    helpButton_->setGeometry(width - gap - buttonWidth, y, buttonWidth, buttonHeight);
    exitButton_->setGeometry(width - 2 * gap - 2 * buttonWidth, y, buttonWidth, buttonHeight);
}

void CMainDlg::ApplyTexts() {
    setWindowTitle(Lang("MAIN", "CAPTION"));
    exitButton_->setText(Lang("MAIN", "IDC_EXIT"));
    helpButton_->setText(Lang("MAIN", "IDC_HELP"));

    fileMenu_->setTitle(Lang("MENU", "FILE_MENU"));
    helpMenu_->setTitle(Lang("MENU", "HELP_MENU"));

    static const struct {
        int command;
        const char* key;
    } fileItems[] = {
        {ID_FILE_LOAD_SETTINGS, "IDM_LOAD_SETTINGS"},
        {ID_FILE_SAVE_SETTINGS, "IDM_SAVE_SETTINGS"},
        {ID_FILE_LOAD_PBOOK, "IDM_LOAD_PBOOK"},
        {ID_FILE_SAVE_PBOOK, "IDM_SAVE_PBOOK"},
    };
    if (inquiryRecord.machineClass == kFullMachineClass) {
        for (const auto& item : fileItems) {
            if (QAction* action = MenuItem(item.command)) {
                action->setText(Lang("MENU", item.key));
            }
        }
    } else {
        for (const auto& item : fileItems) {
            if (QAction* action = MenuItem(item.command)) {
                fileMenu_->removeAction(action);
                delete action;
            }
        }
        // Then the separator now at the top, so File holds Exit alone.
        if (!fileMenu_->actions().isEmpty()) {
            QAction* first = fileMenu_->actions().first();
            fileMenu_->removeAction(first);
            delete first;
        }
    }

    if (QAction* exit = MenuItem(ID_APP_EXIT_CMD)) {
        exit->setText(Lang("MENU", "IDM_EXIT"));
    }
    if (QAction* contents = MenuItem(ID_HELP_CONTENTS)) {
        contents->setText(Lang("MENU", "IDM_HELP_CONTENTS"));
    }
    if (QAction* about = MenuItem(ID_HELP_ABOUT)) {
        about->setText(Lang("MENU", "IDM_ABOUT"));
    }

    const QList<CPropertyPage*> pages = SheetPages();
    for (int i = 0; i < pages.size(); ++i) {
        const PageTab tab = pages[i]->Tab();
        sheet_->setTabText(i, Lang(tab.section, tab.key));
    }
}

void CMainDlg::OnSheetPageChanged(int index) {
    const QList<CPropertyPage*> pages = SheetPages();
    if (activePage_ >= 0 && activePage_ < pages.size() && activePage_ != index) {
        pages[activePage_]->OnKillActive();
    }
    activePage_ = index;
    if (index >= 0 && index < pages.size()) {
        pages[index]->EnsureInitialised();
        pages[index]->OnSetActive();
    }
}

QList<CPropertyPage*> CMainDlg::SheetPages() const {
    QList<CPropertyPage*> pages;
    for (int i = 0; sheet_ != nullptr && i < sheet_->count(); ++i) {
        pages << qobject_cast<CPropertyPage*>(sheet_->widget(i));
    }
    return pages;
}

void CMainDlg::EnableCommand(int command, bool enable) {
    if (QAction* item = MenuItem(command)) {
        item->setEnabled(enable);
    }
}

QAction* CMainDlg::MenuItem(int command) const {
    for (QMenu* menu : {fileMenu_, helpMenu_}) {
        if (menu == nullptr) {
            continue;
        }
        for (QAction* action : menu->actions()) {
            if (action->property(kCommandProperty).toInt() == command) {
                return action;
            }
        }
    }
    return nullptr;
}

QString CMainDlg::HelpFilePath() {
    const QFileInfo program(QString::fromStdString(platform::GetModuleFileName()));
    return program.absolutePath() + QLatin1Char('/') + program.completeBaseName() +
           QStringLiteral(".html");
}

void CMainDlg::OnHelp() {
    helpOpened_ = true;
    desktop::CurrentDesktop().help(this, HelpFilePath(), desktop::HelpCommand::Context, 1);
}

void CMainDlg::OnAbout() {
    CAbout about(this);
    about.exec();
}

void CMainDlg::OnPageCommand(int command) {
    if (auto* page = qobject_cast<CPropertyPage*>(sheet_->currentWidget())) {
        page->OnCommand(command);
    }
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused push button takes Enter itself; otherwise Enter is Exit.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) {
                button->click();
            }
        } else {
            accept();
        }
        event->accept();
        return;
    case Qt::Key_Escape:
        reject();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CMainDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        QDialog::paintEvent(event);
        return;
    }
    // Minimised: the window icon, centred.
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int side = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const QPixmap icon = windowIcon().pixmap(side, side);
    p.drawPixmap((width() - icon.width() + 1) / 2, (height() - icon.height() + 1) / 2, icon);
}

void CMainDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        update();
    }
    QDialog::changeEvent(event);
}
