#pragma once
// The clock of the windowed program: the steady tick counter, and a sleep
// that runs a local event loop excluding user input, so the windows keep
// painting and answering the desktop during an exchange or a firmware
// transfer, while no click or key reaches them. The program installs it at
// start (platform::InstallClock); tests keep the virtual clock.

#include "platform/clock.h"

class WindowedClock : public platform::SteadyClock {
  public:
    void sleep(uint32_t ms) override;
    // True while the user-interface thread waits in here: no user input
    // reaches the windows then.
    static bool Waiting() { return waitDepth_ > 0; }
    // While start-up looks for the machine its small window is the only one,
    // and its Cancel must work during the waits.
    static void AllowUserInput(bool allow) { userInput_ = allow; }

  private:
    static int waitDepth_;
    static bool userInput_;
};
