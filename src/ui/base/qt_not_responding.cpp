#include "base/qt_not_responding.h"

#include "model/lang_text.h"

desktop::Result ShowNotResponding(QWidget* owner) {
    // Each lookup overwrites the shared buffer: copy the text before the caption.
    const QString text = QString::fromUtf8(GetLangString("COMMON", "IDS_NOT_RESPOND"));
    const QString caption = QString::fromUtf8(GetLangString("MAIN", "CAPTION"));
    return desktop::MessageBox(owner, text, caption, desktop::Icon::Error, desktop::Buttons::Ok);
}
