#include "model/lang_text.h"

#include <algorithm>

#include "model/panel_context.h"
#include "platform/profile.h"
#include "platform/program.h"

namespace {

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
    panelContext.langText[0] = '\0';
    platform::GetPrivateProfileString(section, key, "", panelContext.langText, 255,
                                      languageFilePath);
    panelContext.langText[255] = '\0';
    return panelContext.langText;
}
