#pragma once
// The fixture of every test that runs the panel's code against the simulated
// machine: a fresh panel context and the platform doubles (ContextTest), the
// records at their start-up values, the simulated machine behind the USB port
// ("sim:"), and the language file that the build writes.
#include <map>
#include <string>
#include <vector>

#include "sim/simulated_machine.h"
#include "support/core/context_fixture.h"
#include "support/platform/temp_dir.h"

// The build's language file of lang ("en", "fr", "de"...).
std::string LanguageFilePath(const std::string& lang = "en");

// The text of that file without the sections in dropSections and the keys in
// dropKeys ("SECTION/KEY", or "KEY" for the key in every section).
std::string LanguageFileText(const std::string& lang = "en",
                             const std::vector<std::string>& dropSections = {},
                             const std::vector<std::string>& dropKeys = {});

// Every entry of a language file text, "SECTION/KEY" -> value, and the keys
// alone.
std::map<std::string, std::string> LanguageEntries(const std::string& text);
std::vector<std::string> LanguageKeys(const std::string& text);

// Points the USB port (without the USB library) at a device name: "sim:" is
// the simulated machine in this process.
void PointUsbPortAt(LinkState& link, const char* name);

class PanelTest : public ContextTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the build's language file of lang the one in force.
    void UseLanguageOf(const std::string& lang);
    // Makes a language file with this text the one in force.
    void UseLanguage(const std::string& text);

    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    TempDir dir;
};
