#include "model/lang_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/profile.h"
#include "platform/program.h"
#include "platform/saved_file.h"

// The English file's texts, inside the program (made at build time).
extern const char kBuiltInLanguageText[];

namespace {

constexpr KnownLanguage kLanguages[] = {
    {"en", "english.lng", "English"},      {"fr", "french.lng", "Français"},
    {"de", "german.lng", "Deutsch"},       {"es", "spanish.lng", "Español"},
    {"it", "italian.lng", "Italiano"},     {"nl", "dutch.lng", "Nederlands"},
    {"pt", "portuguese.lng", "Português"}, {"pl", "polish.lng", "Polski"},
};

// Up to and including the last '/'.
std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string LowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

// faxrcp.ini's FILE value (at most 15 characters), with '/' as the separator.
std::string SystemLanguageFile(const std::string& programDir) {
    char fileName[16] = {};
    platform::GetPrivateProfileString("LANGUAGE", "FILE", "", fileName, sizeof fileName,
                                      programDir + "faxrcp.ini");
    std::string name(fileName);
    // A name written with the host's folder separator still finds its file.
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

} // namespace

std::span<const KnownLanguage> KnownLanguages() {
    return kLanguages;
}

const KnownLanguage* FindKnownLanguage(const std::string& codeOrFile) {
    const std::string wanted = LowerAscii(codeOrFile);
    for (const KnownLanguage& language : kLanguages) {
        if (wanted == language.code || wanted == language.file) {
            return &language;
        }
    }
    return nullptr;
}

std::string LanguageOfLocale(const std::string& locale) {
    // language[_territory][.codeset][@modifier]
    const size_t end = locale.find_first_of("_.@");
    std::string language = LowerAscii(locale.substr(0, end));
    if (language == "c" || language == "posix") {
        return {};
    }
    for (char c : language) {
        if (c < 'a' || c > 'z') {
            return {};
        }
    }
    return language;
}

std::string DesktopLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return LanguageOfLocale(value);
        }
    }
    return {};
}

namespace {

// The language is the run's, as a locale is: every window, box and message of
// one process speaks it, whoever asks, so it is kept once for the process.
struct Language {
    std::string filePath; // set once at start-up by FindLanguageFile
    char text[256] = {};  // what GetLangString returns
};
Language current;

} // namespace

const std::string& LanguageFileInUse() {
    return current.filePath;
}

void UseLanguageFile(std::string path) {
    current.filePath = std::move(path);
    current.text[0] = '\0';
}

std::string ChooseLanguageFile(const LanguageSources& sources,
                               const std::function<bool(const std::string&)>& exists) {
    for (const std::string* code : {&sources.userChoice, &sources.desktop}) {
        const KnownLanguage* language = code->empty() ? nullptr : FindKnownLanguage(*code);
        if (language != nullptr && exists(language->file)) {
            return language->file;
        }
    }
    if (!sources.systemFile.empty() && exists(sources.systemFile)) {
        return sources.systemFile;
    }
    if (exists(kLanguages[0].file)) {
        return kLanguages[0].file;
    }
    return sources.systemFile;
}

void FindLanguageFile() {
    const std::string dir = DirectoryOf(platform::GetModuleFileName());
    const LanguageSources sources{ReadLanguageChoice(), DesktopLanguage(), SystemLanguageFile(dir)};
    current.filePath =
        dir + ChooseLanguageFile(sources, [&dir](const std::string& f) { return IsFile(dir + f); });
}

std::string CurrentLanguage() {
    const KnownLanguage* known = FindKnownLanguage(FileOf(current.filePath));
    return known != nullptr ? known->code : std::string();
}

std::string LanguageChoicePath() {
    return platform::ProfileDirectory() + "/faxrcp/language.ini";
}

std::string ReadLanguageChoice() {
    char code[16] = {};
    platform::GetPrivateProfileString("LANGUAGE", "CODE", "", code, sizeof code,
                                      LanguageChoicePath());
    const KnownLanguage* language = FindKnownLanguage(code);
    return language != nullptr ? language->code : std::string();
}

bool SaveLanguageChoice(const std::string& code) {
    const std::string path = LanguageChoicePath();
    if (code.empty()) {
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    }
    const KnownLanguage* language = FindKnownLanguage(code);
    if (language == nullptr) {
        return false;
    }
    // A reader sees the old file or the new one, never half of one.
    return platform::SaveSettingFile(path,
                                     "[LANGUAGE]\nCODE=" + std::string(language->code) + "\n");
}

bool LanguageFileUsable() {
    // No file, or none named: no error, the texts are simply empty.
    if (current.filePath.empty() || current.filePath.back() == '/') {
        return true;
    }
    struct stat st {};
    if (::stat(current.filePath.c_str(), &st) != 0 && errno == ENOENT) {
        return true;
    }
    return IsFile(current.filePath) && ::access(current.filePath.c_str(), R_OK) == 0;
}

const char* GetLangString(const std::string& section, const std::string& key) {
    current.text[0] = '\0';
    if (LanguageFileUsable()) {
        platform::GetPrivateProfileString(section, key, "", current.text, 255, current.filePath);
    } else {
        platform::GetProfileStringFromText(section, key, "", current.text, 255,
                                           kBuiltInLanguageText);
    }
    current.text[255] = '\0';
    return current.text;
}
