#pragma once
// Qt's own texts (standard buttons, file dialogs, edit menus) in the language
// of the panel's texts, from Qt's translation files.

#include <QString>

// Puts Qt's texts in that language ("de", "pt"...), or back to its built-in
// English for "en", "" or a language without a translation file. The
// default locale follows, for the dates and numbers of those dialogs. True
// when a translation file was loaded.
bool InstallQtTranslation(const QString& language);
