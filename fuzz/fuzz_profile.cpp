// The profile reader and the language lookup. Input: faxrcp.ini up to the
// first NUL byte, then the language file, which is saved as english.lng
// beside it (the name the shipped faxrcp.ini gives). The program's folder is
// a temporary one.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

#include "fuzz_machine.h"
#include "model/lang_text.h"
#include "platform/profile.h"
#include "platform/program.h"

namespace {

std::string directory;

void RemoveDirectory() {
    std::remove((directory + "/faxrcp.ini").c_str());
    std::remove((directory + "/english.lng").c_str());
    ::rmdir(directory.c_str());
}

const std::string& Directory() {
    if (directory.empty()) {
        std::string pattern = fuzz::TempBase() + "/faxrcp-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            fuzz::Fail("no temporary folder");
        }
        directory = pattern.c_str();
        std::atexit(RemoveDirectory);
        platform::SetModuleFileNameForTests(directory + "/faxrcp");
    }
    return directory;
}

void Save(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        fuzz::Fail("cannot write an input file");
    }
}

// The first section and the first key under it, as the file spells them, so
// that lookups also hit what the file holds.
std::pair<std::string, std::string> FirstSectionAndKey(std::string_view text) {
    const size_t open = text.find('[');
    if (open == std::string_view::npos) {
        return {};
    }
    const size_t close = text.find(']', open);
    if (close == std::string_view::npos) {
        return {};
    }
    std::string section(text.substr(open + 1, close - open - 1));
    const size_t line = text.find('\n', close);
    if (line == std::string_view::npos) {
        return {section, {}};
    }
    const size_t eq = text.find('=', line);
    const size_t end = text.find('\n', line + 1);
    if (eq == std::string_view::npos || eq > end) {
        return {section, {}};
    }
    return {section, std::string(text.substr(line + 1, eq - line - 1))};
}

void CheckLookup(const std::string& section, const std::string& key, const std::string& file) {
    // A small buffer cuts the value; the result stays terminated and counted.
    for (const uint32_t size : {1u, 2u, 3u, 4u, 7u, 16u, 255u}) {
        std::vector<char> buffer(size + 1, '\x7F');
        const uint32_t n =
            platform::GetPrivateProfileString(section, key, "dflt", buffer.data(), size, file);
        if (n >= size || buffer[n] != 0 || std::strlen(buffer.data()) != n ||
            buffer[size] != '\x7F') {
            fuzz::Fail("a profile value overran its buffer or miscounted");
        }
    }
    platform::GetPrivateProfileInt(section, key, -7, file);
    const char* text = GetLangString(section, key);
    if (std::strlen(text) > 254) {
        fuzz::Fail("a language text is longer than 254 bytes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = Directory();
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t iniSize = nul ? size_t(nul - data) : size;
    const size_t langOffset = nul ? iniSize + 1 : size;
    Save(dir + "/faxrcp.ini", data, iniSize);
    Save(dir + "/english.lng", data + langOffset, size - langOffset);

    FindLanguageFile();
    if (LanguageFileInUse().compare(0, dir.size() + 1, dir + "/") != 0 ||
        LanguageFileInUse().size() > dir.size() + 1 + 15) {
        fuzz::Fail("the language file path is not a short name beside the program");
    }
    const std::string_view lang(reinterpret_cast<const char*>(data + langOffset),
                                size - langOffset);
    const auto [section, key] = FirstSectionAndKey(lang);
    CheckLookup(section, key, LanguageFileInUse());
    CheckLookup("MAIN", "CAPTION", LanguageFileInUse());
    CheckLookup("main", "idc_exit", LanguageFileInUse());
    CheckLookup("LANGUAGE", "FILE", dir + "/faxrcp.ini");
    return 0;
}
