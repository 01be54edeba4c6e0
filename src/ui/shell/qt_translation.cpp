#include "shell/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace {

std::unique_ptr<QTranslator> installed;

} // namespace

bool InstallQtTranslation(const QString& language) {
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language.isEmpty()) {
        return false;
    }
    // The desktop's own locale stays while it is of that language (British
    // dates for British English).
    const QLocale locale(language);
    QLocale::setDefault(QLocale::system().language() == locale.language() ? QLocale::system()
                                                                          : locale);
    if (language == QLatin1String("en")) {
        return false;
    }
    // "qtbase_pt_BR" for Portuguese; "qtbase_de_DE" finds "qtbase_de".
    const QString name = QStringLiteral("qtbase_") + locale.name();
    auto translator = std::make_unique<QTranslator>();
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                  QStringLiteral("/usr/share/qt6/translations")}) {
        if (translator->load(name, folder)) {
            QCoreApplication::installTranslator(translator.get());
            installed = std::move(translator);
            return true;
        }
    }
    return false;
}
