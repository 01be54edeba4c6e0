#include "model/lang_text.h"

#include <algorithm>

#include "platform/profile.h"
#include "platform/program.h"

std::string languageFilePath;

namespace {

char langResult[256];

// Up to and including the last '/'.
std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

void FindLanguageFile() {
    std::string path = DirectoryOf(platform::GetModuleFileName()) + "faxrcp.ini";
    char fileName[16] = {};
    platform::GetPrivateProfileString("LANGUAGE", "FILE", "", fileName, sizeof fileName, path);
    std::string name(fileName);
    // A name written with the host's folder separator still finds its file.
    std::replace(name.begin(), name.end(), '\\', '/');
    languageFilePath = DirectoryOf(path) + name;
}

const char* GetLangString(const std::string& section, const std::string& key) {
    langResult[0] = '\0';
    platform::GetPrivateProfileString(section, key, "", langResult, 255, languageFilePath);
    langResult[255] = '\0';
    return langResult;
}
