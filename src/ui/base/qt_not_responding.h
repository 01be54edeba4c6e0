#pragma once
// The shared box after a failed exchange with the machine: the text of
// COMMON/IDS_NOT_RESPOND, the caption MAIN/CAPTION, an error icon and OK,
// over `owner`. Returns the box's result (always OK).

#include "desktop/qt_desktop.h"

desktop::Result ShowNotResponding(QWidget* owner);
