#pragma once
// Fixture of the window tests: the panel fixture (fresh context, virtual
// clock, captured traces, records at their defaults, the simulated machine
// behind the USB port, the build's English language file) and a scripted
// desktop.
#include <gtest/gtest.h>

#include <functional>

#include "support/core/panel_fixture.h"
#include "support/ui/qt_scripted_desktop.h"

class QWidget;

class WindowTest : public PanelTest {
  protected:
    ScriptedDesktop desk;
};

// Runs `answer` on the next modal window as soon as it is open (a zero-delay
// timer, checking again for a few seconds until one appears).
void WhenModalOpens(std::function<void(QWidget*)> answer);
