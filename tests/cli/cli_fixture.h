#pragma once
// faxrcp-cli in this process against "sim:" behind the stand-in libraries
// beside the programs, on the virtual clock: every wait is instant.
#include <sstream>
#include <string>

#include "cli/cli_command.h"
#include "platform/program.h"
#include "sim/simulated_machine.h"
#include "support/core/context_fixture.h"
#include "support/platform/fake_device.h"
#include "support/platform/temp_dir.h"

class CliTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        platform::SetModuleFileNameForTests(std::string(FAXRCP_BIN_DIR) + "/faxrcp-cli");
        sim::RegisterSimDevice();
        machine().reset();
    }
    void TearDown() override {
        machine().reset();
        sim::UnregisterSimDevice();
        ContextTest::TearDown();
    }

    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    // The tool with these arguments; standard input reads `input`.
    int Run(const cli::Args& args, const std::string& input = "") {
        out.str("");
        err.str("");
        in.str(input);
        in.clear();
        cli::Io io{out, err, &in, inTerminal, outTerminal};
        return cli::Main(args, io, panelContext);
    }

    TempDir dir;
    ScopedEnv lockDir{"FAXRCP_LOCK_DIR", dir.path()};
    ScopedEnv profiles{"XDG_CONFIG_HOME", dir.path()};
    ScopedEnv usbPort{"FAXRCP_USB_PORT", "sim:"};
    FakeDevice ecp{"\\\\.\\VornEcp1"}; // silent unless a test scripts it
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    bool inTerminal = false;
    bool outTerminal = false;
};
