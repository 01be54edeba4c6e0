#include "support/core/panel_fixture.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "protocol/machine_record.h"

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& s) {
    for (const auto& e : list) {
        if (e == s) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string LanguageFilePath(const std::string& lang) {
    const KnownLanguage* known = FindKnownLanguage(lang);
    return std::string(FAXRCP_BIN_DIR) + "/" + (known != nullptr ? known->file : lang + ".lng");
}

std::string LanguageFileText(const std::string& lang, const std::vector<std::string>& dropSections,
                             const std::vector<std::string>& dropKeys) {
    std::ifstream in(LanguageFilePath(lang), std::ios::binary);
    std::string out;
    std::string section;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        }
        if (Contains(dropSections, section)) {
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos && (Contains(dropKeys, section + "/" + line.substr(0, eq)) ||
                                        Contains(dropKeys, line.substr(0, eq)))) {
            continue;
        }
        out += line + "\n";
    }
    return out;
}

std::map<std::string, std::string> LanguageEntries(const std::string& text) {
    std::map<std::string, std::string> entries;
    std::istringstream in(text);
    std::string section;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (const auto eq = line.find('='); eq != std::string::npos && eq > 0) {
            entries[section + "/" + line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return entries;
}

std::vector<std::string> LanguageKeys(const std::string& text) {
    std::vector<std::string> keys;
    for (const auto& entry : LanguageEntries(text)) {
        keys.push_back(entry.first);
    }
    return keys;
}

void PointUsbPortAt(LinkState& link, const char* name) {
    link.Reset();
    link.currentPort = 0;
    std::snprintf(link.usbWritePath, sizeof link.usbWritePath, "%s", name);
    std::snprintf(link.usbReadPath, sizeof link.usbReadPath, "%s", name);
}

void PanelTest::SetUp() {
    ContextTest::SetUp();
    clock.setTick(10000);
    SetMachineRecordDefaults(panelContext.records);
    sim::RegisterSimDevice();
    machine().reset();
    PointUsbPortAt(panelContext.link, "sim:");
    UseLanguageOf("en");
}

void PanelTest::TearDown() {
    sim::UnregisterSimDevice();
    machine().reset();
    ContextTest::TearDown();
}

void PanelTest::UseLanguageOf(const std::string& lang) {
    UseLanguageFile(LanguageFilePath(lang));
}

void PanelTest::UseLanguage(const std::string& text) {
    UseLanguageFile(dir.write("language.lng", text));
}
