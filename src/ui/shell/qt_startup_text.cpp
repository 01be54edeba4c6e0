#include "shell/qt_startup_text.h"

#include "model/lang_text.h"
#include "templates/string_table.h"

QString StartupText(const char* key) {
    const QString text = QString::fromUtf8(GetLangString("MAIN", key));
    return text.isEmpty() ? QString::fromUtf8(BuiltInStartupText(key)) : text;
}

QString ProductName() {
    return QString::fromUtf8(LoadStringResource(IDS_APP_TITLE));
}
