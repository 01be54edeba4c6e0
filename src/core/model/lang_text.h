#pragma once
#include <functional>
#include <span>
#include <string>

// Every visible text comes from a language file in the program's directory.
// Which one: the user's own choice, else the desktop's language, else the
// file that faxrcp.ini beside the program names, else English.

// The program's directory followed by the language file name; set once at
// start-up by FindLanguageFile. The language is the process's: every text of
// one run comes from the same file.
const std::string& LanguageFileInUse();
// Makes path the language file in force ("" for none: the texts are empty).
void UseLanguageFile(std::string path);

// A language the panel has a file for.
struct KnownLanguage {
    const char* code;       // "de"
    const char* file;       // "german.lng", in the program's directory
    const char* nativeName; // "Deutsch", as its speakers write it
};
std::span<const KnownLanguage> KnownLanguages();
// The known language of that code or file name, or nullptr.
const KnownLanguage* FindKnownLanguage(const std::string& codeOrFile);

// The language of a locale value: "de_DE.UTF-8" and "de@euro" give "de";
// "C", "POSIX" and "" give "".
std::string LanguageOfLocale(const std::string& locale);
// The desktop's language from the first of LC_ALL, LC_MESSAGES and LANG
// that is set and not empty.
std::string DesktopLanguage();

// What the choice of the language file is made from. userChoice and desktop
// are language codes (maybe empty), systemFile faxrcp.ini's FILE value.
struct LanguageSources {
    std::string userChoice;
    std::string desktop;
    std::string systemFile;
};
// The file name, relative to the program's directory, of the first of these
// whose file exists: the user's choice, the desktop's language, the system
// file, English; when none does, the system file as it is.
std::string ChooseLanguageFile(const LanguageSources& sources,
                               const std::function<bool(const std::string&)>& exists);

// Reads faxrcp.ini, the desktop's language and the user's choice, and sets
// the language file in force.
void FindLanguageFile();

// The code of the language in force ("" for a file the panel does not know).
std::string CurrentLanguage();

// The user's choice, kept in $XDG_CONFIG_HOME/faxrcp/language.ini.
std::string LanguageChoicePath();
// The chosen code, or "" when there is no valid choice.
std::string ReadLanguageChoice();
// Replaces the file at once (a crash leaves the old one or the new one);
// "" forgets the choice. False when it could not be written.
bool SaveLanguageChoice(const std::string& code);

// Whether the language file is a regular file this user may read, or none
// at all (its texts are then empty). When it is there but cannot be read (a
// pipe, a device, a folder, no permission), the texts come from the English
// file built into the program.
bool LanguageFileUsable();

// The text of key in section of the language file (at most 254 characters),
// empty when the section or key is missing. The result lives in one
// shared buffer that the next call overwrites: copy it before looking up
// another text.
const char* GetLangString(const std::string& section, const std::string& key);
