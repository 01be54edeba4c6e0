// Qt's own texts follow the panel's language.
#include "shell/qt_translation.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>

namespace {

QString StandardCancel() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

TEST(QtTranslationTest, QtsTextsFollowThePanelsLanguageAndGoBack) {
    const QLocale saved;
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                           QStringLiteral("/qtbase_de.qm"))) {
        GTEST_SKIP() << "Qt's translations are not installed (qt6-translations-l10n)";
    }
    ASSERT_TRUE(InstallQtTranslation("de"));
    EXPECT_EQ(StandardCancel(), "Abbrechen");
    EXPECT_EQ(QLocale().language(), QLocale::German);
    ASSERT_TRUE(InstallQtTranslation("fr"));
    EXPECT_EQ(StandardCancel(), "Annuler");
    // Portuguese finds Qt's Brazilian file.
    EXPECT_TRUE(InstallQtTranslation("pt"));

    EXPECT_FALSE(InstallQtTranslation("en"));
    EXPECT_EQ(StandardCancel(), "Cancel");
    EXPECT_EQ(QLocale().language(), QLocale::English);
    EXPECT_FALSE(InstallQtTranslation("xx"));
    EXPECT_EQ(StandardCancel(), "Cancel");
    EXPECT_FALSE(InstallQtTranslation(""));
    QLocale::setDefault(saved);
}

} // namespace
