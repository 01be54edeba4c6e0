// faxrcp-cli in this process: the start-up routine over the stand-in
// libraries beside the programs, the simulated machine as "sim:", and the
// exit statuses and messages of each way start-up can end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli_fixture.h"
#include "link/port.h"
#include "model/panel_context.h"
#include "platform/debug_output.h"
#include "platform/program.h"
#include "platform/usb_backend.h"
#include "platform/usb_candidates.h"
#include "protocol/phonebook.h"
#include "sim/simulated_machine.h"
#include "support/platform/fake_device.h"
#include "support/platform/fake_sysfs.h"
#include "support/platform/fake_usb_bus.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

namespace {

// A bus with one printer that this user may not open.
class LockedUsbBus : public platform::UsbBackend {
  public:
    int listPrinters(std::vector<platform::UsbPrinterInterface>& out) override {
        platform::UsbPrinterInterface p;
        p.vendorId = 0x1A2B;
        p.productId = 0x0101;
        p.busNumber = 3;
        p.deviceAddress = 14;
        p.endpointOut = 0x01;
        p.endpointIn = 0x82;
        out = {p};
        return 0;
    }
    int readStrings(const platform::UsbPrinterInterface&, platform::UsbDeviceStrings&) override {
        return platform::kUsbErrorAccess;
    }
    int open(const platform::UsbPrinterInterface&, Handle&) override {
        return platform::kUsbErrorAccess;
    }
    void close(Handle) override {}
    int kernelDriverActive(Handle, int) override { return 0; }
    int detachKernelDriver(Handle, int) override { return 0; }
    int attachKernelDriver(Handle, int) override { return 0; }
    int claimInterface(Handle, int) override { return platform::kUsbErrorAccess; }
    int releaseInterface(Handle, int) override { return 0; }
    int setAltSetting(Handle, int, int) override { return 0; }
    int bulkTransfer(Handle, uint8_t, uint8_t*, int, int& transferred, unsigned) override {
        transferred = 0;
        return platform::kUsbErrorIo;
    }
};

class CliInquiryTest : public CliTest {
  protected:
    void TearDown() override {
        platform::InstallUsbBackend(nullptr);
        platform::SetSysfsRootForTests("");
        CliTest::TearDown();
    }

    // Two printers, and no port named: the tool must not guess.
    void TwoPrintersNoneNamed() {
        bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0202, "", 6)};
        sysfs.addDevice("1-1", 1, 5, "", "", "AB12");
        sysfs.addDeviceId("1-1", 0, "MFG:Acme;MDL:FX 100;");
        bus.strings[{1, 6}] = {"Beta", "Office 7", ""};
        platform::InstallUsbBackend(&bus);
        platform::SetSysfsRootForTests(sysfs.root());
        ::unsetenv("FAXRCP_USB_PORT"); // the fixture's ScopedEnv puts it back
    }
    static constexpr const char* kList = "name\tmaker\tmodel\tserial\tid\n"
                                         "usb:1A2B:0101:AB12\tAcme\tFX 100\tAB12\t1A2B:0101\n"
                                         "usb:1A2B:0202\tBeta\tOffice 7\t\t1A2B:0202\n";

    int Inquiries() {
        int n = 0;
        for (sim::Command c : machine().commandLog()) {
            n += c == sim::Command::Inquiry;
        }
        return n;
    }

    TempDir dir;
    ScopedEnv lockDir{"FAXRCP_LOCK_DIR", dir.path()};
    ScopedEnv profiles{"XDG_CONFIG_HOME", dir.path()};
    ScopedEnv usbPort{"FAXRCP_USB_PORT", "sim:"};
    FakeDevice ecp{"\\\\.\\VornEcp1"}; // silent unless a test scripts it
    ListingUsbBus bus;
    FakeSysfs sysfs;
};

TEST_F(CliInquiryTest, InquiryPrintsThePortAndTheInquiryRecord) {
    machine().setMachineClass(5);
    machine().setCapacities(10, 40); // the program keeps its own capacities

    EXPECT_EQ(Run({"inquiry"}), cli::kExitOk);

    EXPECT_EQ(out.str(), "port=sim\ndevice=sim:\nmachineClass=5\ncapacityA=0\ncapacityB=100\n");
    // Quiet: no trace anywhere without -v or --trace.
    EXPECT_EQ(err.str(), "");
    EXPECT_TRUE(traceLines().empty());
    EXPECT_EQ(Inquiries(), 1);
    EXPECT_EQ(clock.slept(), 1500u);
    // The port went back to the scanner driver and the phonebook was freed.
    EXPECT_EQ(panelContext.link.arbitrationLibrary, nullptr);
    EXPECT_EQ(panelContext.records.phonebookTable, nullptr);

    // -v: the whole trace on standard error, and the fixture's sink is back.
    EXPECT_EQ(Run({"-v", "inquiry"}), cli::kExitOk);
    EXPECT_NE(err.str().find("===> INQUIRY <===\n"), std::string::npos) << err.str();
    EXPECT_TRUE(err.str().ends_with("RCP: Port Release - TRUE\n")) << err.str();
    EXPECT_EQ(out.str(), "port=sim\ndevice=sim:\nmachineClass=5\ncapacityA=0\ncapacityB=100\n");
    EXPECT_TRUE(traceLines().empty());
    platform::OutputDebugString("after\n");
    EXPECT_EQ(traceLines(), std::vector<std::string>{"after\n"});
}

TEST_F(CliInquiryTest, UsbMachineWithoutPermissionIsADeviceErrorNamingTheNode) {
    LockedUsbBus bus;
    platform::InstallUsbBackend(&bus);
    ScopedEnv noUsbPort = ScopedEnv::unset("FAXRCP_USB_PORT");

    EXPECT_EQ(Run({"inquiry"}), cli::kExitDevice);

    EXPECT_EQ(err.str(), "faxrcp-cli: cannot open the USB printer usb:1A2B:0101 at "
                         "/dev/bus/usb/003/014: permission denied; install the udev rule "
                         "70-faxrcp.rules (see faxrcp-cli(1), PERMISSIONS)\n");
    // The USB library named the printer it found; the probe could not open it.
    EXPECT_STREQ(panelContext.link.usbWritePath, "usb:1A2B:0101");
    EXPECT_EQ(panelContext.link.currentPort, 4);
}

TEST_F(CliInquiryTest, SilentMachineIsNotRespondingInOneLine) {
    machine().setFault(sim::Command::Inquiry, sim::Fault{.silent = true});
    EXPECT_EQ(Run({"inquiry"}), cli::kExitNotResponding);
    EXPECT_EQ(err.str(), "faxrcp-cli: no answer from the machine at sim:\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(Inquiries(), 2);
    EXPECT_EQ(ecp.opens(), 0); // the named machine is the only one tried
    EXPECT_EQ(panelContext.link.arbitrationLibrary, nullptr); // released on this path too
}

TEST_F(CliInquiryTest, HelpAndWrongUsageNeverTouchThePort) {
    EXPECT_EQ(Run({"--help"}), cli::kExitOk);
    EXPECT_NE(out.str().find("  inquiry "), std::string::npos);
    EXPECT_NE(out.str().find("3  the port is busy"), std::string::npos);

    EXPECT_EQ(Run({}), cli::kExitUsage);
    EXPECT_NE(err.str().find("usage: faxrcp-cli [OPTIONS] COMMAND"), std::string::npos);
    EXPECT_EQ(Run({"inquire"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "faxrcp-cli: unknown command 'inquire' (see faxrcp-cli --help)\n");
    EXPECT_EQ(Run({"inquiry", "extra"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "usage: faxrcp-cli inquiry\n");

    EXPECT_EQ(machine().openCount(), 0);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(CliInquiryTest, FilesThatAreNotWhatTheySeemAreRefusedBeforeTheMachineIsOpened) {
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.file("KELPIX.INI").c_str(), 0600), 0); // a profile that is no file
    const std::string huge = dir.file("huge.bin");
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::ftruncate(fd, off_t{5} << 30), 0); // sparse: no disk used
    ::close(fd);
    const struct {
        cli::Args args;
        int status;
        std::string message;
    } cases[] = {
        {{"phonebook", "write", fifo}, cli::kExitUsage, "not a regular file"},
        {{"phonebook", "save", fifo}, cli::kExitUsage, "not a regular file"},
        {{"firmware", "--yes", fifo},
         cli::kExitUsage,
         "firmware file '" + fifo + "': not a regular file"},
        {{"firmware", "--yes", huge},
         cli::kExitUsage,
         "than the 4294967295 bytes an update can carry; nothing was sent"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        EXPECT_EQ(Run(c.args), c.status);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(machine().openCount(), 0);
        EXPECT_EQ(panelContext.link.arbitrationLibrary, nullptr);
    }
    const auto log = machine().commandLog();
    for (sim::Command c : {sim::Command::SetPhonebook, sim::Command::FirmwareRequest}) {
        EXPECT_EQ(std::count(log.begin(), log.end(), c), 0);
    }
    EXPECT_EQ(Run({"inquiry"}), cli::kExitOk) << err.str(); // the port lock was given back
}

TEST_F(CliInquiryTest, DevicesListsEveryPrinterWithoutTouchingAnyPort) {
    TwoPrintersNoneNamed();
    EXPECT_EQ(Run({"devices"}), cli::kExitOk);
    EXPECT_EQ(out.str(), kList);
    EXPECT_EQ(err.str(), "");
    bus.printers.clear();
    EXPECT_EQ(Run({"devices"}), cli::kExitOk);
    EXPECT_EQ(out.str(), "name\tmaker\tmodel\tserial\tid\n");
    EXPECT_EQ(err.str(), "faxrcp-cli: no USB printer found\n");
    EXPECT_EQ(bus.opens, 0);
    EXPECT_TRUE(traceLines().empty()); // no start-up, no port lock
}

TEST_F(CliInquiryTest, SeveralPrintersAndNoneNamedEndsWithTheListAndHowToNameOne) {
    TwoPrintersNoneNamed();
    EXPECT_EQ(Run({"inquiry"}), cli::kExitDevice);
    const std::string text = err.str();
    EXPECT_EQ(text.rfind("faxrcp-cli: 2 USB printers are connected and none is named:\n", 0), 0u)
        << text;
    EXPECT_NE(text.find(kList), std::string::npos) << text;
    EXPECT_NE(text.find("FAXRCP_USB_PORT=usb:1A2B:0101:AB12 faxrcp-cli"), std::string::npos)
        << text;
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(bus.opens + ecp.opens() + machine().openCount(), 0); // nothing sent anywhere
    // The port went back: a second run gets as far again, not "busy".
    EXPECT_EQ(Run({"inquiry"}), cli::kExitDevice);
}

} // namespace
