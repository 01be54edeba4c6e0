// faxrcp-cli with several USB printers: the devices list, and a start-up that
// ends with the list instead of guessing.
#include <sstream>
#include <string>

#include "cli/cli_command.h"
#include "link/port.h"
#include "platform/program.h"
#include "platform/usb_candidates.h"
#include "sim/simulated_machine.h"
#include "support/fake_device.h"
#include "support/fake_sysfs.h"
#include "support/fake_usb_bus.h"
#include "support/platform_fixture.h"
#include "support/temp_dir.h"

namespace {

class CliDevicesTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        // The stand-in libraries beside the programs are the ones loaded.
        platform::SetModuleFileNameForTests(std::string(FAXRCP_BIN_DIR) + "/faxrcp-cli");
        sim::RegisterSimDevice();
        sim::InProcessMachine().reset();
        bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0202, "", 6)};
        sysfs.addDevice("1-1", 1, 5, "Acme", "FX 100", "AB12");
        sysfs.addDeviceId("1-1", 0, "MFG:Acme;MDL:FX 100;SN:AB12;");
        bus.strings[{1, 6}] = {"Beta", "Office 7", ""};
        platform::InstallUsbBackend(&bus);
        platform::SetSysfsRootForTests(sysfs.root());
    }
    void TearDown() override {
        platform::SetSysfsRootForTests("");
        platform::InstallUsbBackend(nullptr);
        sim::InProcessMachine().reset();
        sim::UnregisterSimDevice();
        PlatformTest::TearDown();
    }

    int Run(const cli::Args& args) {
        out.str("");
        err.str("");
        cli::Io io{out, err};
        return cli::Main(args, io);
    }

    static constexpr const char* kList = "name\tmaker\tmodel\tserial\n"
                                         "usb:1A2B:0101:AB12\tAcme\tFX 100\tAB12\n"
                                         "usb:1A2B:0202\tBeta\tOffice 7\t\n";
    TempDir dir;
    ScopedEnv lockDir{"FAXRCP_LOCK_DIR", dir.path()};
    ScopedEnv profiles{"XDG_CONFIG_HOME", dir.path()};
    ScopedEnv usbPort = ScopedEnv::unset("FAXRCP_USB_PORT");
    FakeDevice ecp{"\\\\.\\VornEcp1"};
    ListingUsbBus bus;
    FakeSysfs sysfs;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliDevicesTest, DevicesListsEveryPrinterWithoutTouchingAnyPort) {
    EXPECT_EQ(Run({"devices"}), cli::kExitOk);
    EXPECT_EQ(out.str(), kList);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(bus.opens, 0);
    EXPECT_EQ(arbitrationLibrary, nullptr); // no start-up, no port lock
    EXPECT_EQ(Run({"devices", "extra"}), cli::kExitUsage);

    bus.printers.clear();
    EXPECT_EQ(Run({"devices"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "name\tmaker\tmodel\tserial\n");
    EXPECT_EQ(err.str(), "faxrcp-cli: no USB printer found\n");
}

TEST_F(CliDevicesTest, SeveralPrintersAndNoneNamedEndsWithTheListAndHowToNameOne) {
    EXPECT_EQ(Run({"inquiry"}), cli::kExitDevice);
    const std::string text = err.str();
    EXPECT_EQ(text.rfind("faxrcp-cli: 2 USB printers are connected and none is named:\n", 0), 0u)
        << text;
    EXPECT_NE(text.find(kList), std::string::npos) << text;
    EXPECT_NE(text.find("FAXRCP_USB_PORT=usb:1A2B:0101:AB12 faxrcp-cli"), std::string::npos)
        << text;
    EXPECT_EQ(out.str(), "");
    // Nothing went to any machine, and the port lock was given back.
    EXPECT_EQ(bus.opens, 0);
    EXPECT_EQ(ecp.opens(), 0);
    EXPECT_EQ(arbitrationLibrary, nullptr);

    // Named: the tool goes on to that machine.
    ScopedEnv named{"FAXRCP_USB_PORT", "sim:"};
    EXPECT_EQ(Run({"inquiry"}), cli::kExitOk) << err.str();
    EXPECT_EQ(out.str().rfind("port=USB\n", 0), 0u);
}

} // namespace
