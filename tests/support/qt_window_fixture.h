#pragma once
// Fixture of the window tests: a virtual clock, captured traces, the machine
// records at their defaults, the simulated machine behind the USB port
// ("sim:"), a scripted desktop, and a language file put together from the
// language fragments of src/resources/lang.
#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/debug_output.h"
#include "platform/virtual_clock.h"
#include "sim/simulated_machine.h"
#include "support/qt_scripted_desktop.h"
#include "support/temp_dir.h"

// The language file of `lang` ("en", "fr", "de") as the build merges it: each
// section once, with all its fragments. Sections named in dropSections and
// keys named in dropKeys ("SECTION/KEY") are left out.
std::string LanguageFileText(const std::string& lang = "en",
                             const std::vector<std::string>& dropSections = {},
                             const std::vector<std::string>& dropKeys = {});

// Every key of a language file text, as "SECTION/KEY".
std::vector<std::string> LanguageKeys(const std::string& text);

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Makes text the language file in force.
    void UseLanguage(const std::string& text);

    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    platform::VirtualClock clock{10000};
    platform::CapturingDebugSink traces;
    ScriptedDesktop desk;
    TempDir dir;
};

// Runs `answer` on the next modal window as soon as it is open (a zero-delay
// timer, checking again for a few seconds until one appears).
void WhenModalOpens(std::function<void(QWidget*)> answer);
