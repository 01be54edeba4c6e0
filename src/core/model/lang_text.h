#pragma once
#include <string>

// Every visible text comes from the language file that faxrcp.ini, beside the
// program, names.

// The program's directory followed by the language file name; set once at
// start-up by FindLanguageFile.
extern std::string& languageFilePath;

// Reads LANGUAGE/FILE (at most 15 characters) from faxrcp.ini in the program's
// directory and sets languageFilePath.
void FindLanguageFile();

// The text of key in section of the language file (at most 254 characters),
// empty when the file, section or key is missing. The result lives in one
// shared buffer that the next call overwrites: copy it before looking up
// another text.
const char* GetLangString(const std::string& section, const std::string& key);
