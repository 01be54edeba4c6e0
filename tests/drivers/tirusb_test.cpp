#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

#include "link/driver_abi.h"
#include "platform/clock.h"
#include "platform/remembered_usb_port.h"
#include "platform/usb_backend.h"
#include "platform/usb_candidates.h"
#include "platform/usb_device.h"
#include "sim/simulated_machine.h"
#include "support/platform/fake_device.h"
#include "support/platform/fake_sysfs.h"
#include "support/platform/fake_usb_bus.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

namespace {

const ByteVector kInquiry = {0x1B, 0xA4, 0x00, 0x04, 0x50, 0xE0, 0x82, 0xC0};

// The read time-out in force at each read the device saw.
std::vector<uint32_t> ReadTimeouts(const FakeDevice& device) {
    std::vector<uint32_t> timeouts;
    uint32_t current = 0;
    for (const FakeDeviceCall& call : device.calls()) {
        if (call.kind == FakeDeviceCall::Kind::SetCommTimeouts) {
            current = call.timeouts.readTotalTimeoutConstant;
        } else if (call.kind == FakeDeviceCall::Kind::Read) {
            timeouts.push_back(current);
        }
    }
    return timeouts;
}

class TirusbTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        lib = dlopen((std::string(FAXRCP_BIN_DIR) + "/libtirusb.so").c_str(), RTLD_NOW);
        ASSERT_TRUE(lib) << dlerror();
        getName = reinterpret_cast<GetControlPortNameFn>(dlsym(lib, "GetControlPortName"));
        usbWrite = reinterpret_cast<Win2kUsbWriteFn>(dlsym(lib, "Win2kUsbWrite"));
        usbRead = reinterpret_cast<Win2kUsbReadFn>(dlsym(lib, "Win2kUsbRead"));
        ASSERT_TRUE(getName && usbWrite && usbRead);
        listPorts = reinterpret_cast<ListControlPortsFn>(dlsym(lib, "ListControlPorts"));
        selectPort = reinterpret_cast<SelectControlPortFn>(dlsym(lib, "SelectControlPort"));
        ASSERT_TRUE(listPorts && selectPort);
        platform::InstallUsbBackend(&bus);
        platform::SetSysfsRootForTests(sysfs.root());
        sim::RegisterSimDevice();
        machine().reset();
        ::setenv("FAXRCP_USB_PORT", "sim:", 1);
    }
    void TearDown() override {
        ::unsetenv("FAXRCP_USB_PORT");
        ::unsetenv("FAXRCP_USB_TIMEOUT_MS");
        machine().reset();
        sim::UnregisterSimDevice();
        platform::InstallUsbBackend(nullptr);
        platform::SetSysfsRootForTests("");
        if (lib) {
            dlclose(lib);
        }
        PlatformTest::TearDown();
    }
    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }
    int writeInquiry() { return usbWrite(kInquiry.data(), int(kInquiry.size())); }
    // The name the library reports and its length, from a buffer full of 'x'.
    std::pair<int, std::string> name(int size = 256) {
        char buf[256];
        std::memset(buf, 'x', sizeof buf);
        const int n = getName(buf, size);
        return {n, buf};
    }

    void* lib = nullptr;
    GetControlPortNameFn getName = nullptr;
    Win2kUsbWriteFn usbWrite = nullptr;
    Win2kUsbReadFn usbRead = nullptr;
    ListControlPortsFn listPorts = nullptr;
    SelectControlPortFn selectPort = nullptr;
    ListingUsbBus bus;
    FakeSysfs sysfs;
    TempDir home;
    ScopedEnv xdg{"XDG_CONFIG_HOME", home.path()};
};

TEST_F(TirusbTest, ControlPortNameComesFromTheEnvironmentCutToTheBuffer) {
    ::setenv("FAXRCP_USB_PORT", "unix:/tmp/faxrcp.sock", 1);
    EXPECT_EQ(name(), std::make_pair(21, std::string("unix:/tmp/faxrcp.sock")));
    EXPECT_EQ(name(5), std::make_pair(4, std::string("unix")));
    EXPECT_EQ(getName(nullptr, 10), 0);
    EXPECT_EQ(bus.lists, 0); // the variable wins without a look at the bus
}

TEST_F(TirusbTest, WithoutTheVariableTheOnlyPrinterOrTheRememberedOneIsNamed) {
    ::unsetenv("FAXRCP_USB_PORT");
    EXPECT_EQ(name(), std::make_pair(0, std::string()));
    // One machine: named, whatever was remembered, even with two printer
    // interfaces.
    ASSERT_TRUE(platform::RememberUsbPort("usb:1A2B:0303"));
    bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0101, "AB12", 5, 1, 1)};
    EXPECT_EQ(name(), std::make_pair(18, std::string("usb:1A2B:0101:AB12")));
    bus.printers = {ListedPrinter(0x0202, "", 6)};
    EXPECT_EQ(name(), std::make_pair(13, std::string("usb:1A2B:0202")));

    // Several: the remembered one while it is there, else none.
    bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0202, "", 6),
                    ListedPrinter(0x0303, "", 7)};
    EXPECT_EQ(name(), std::make_pair(13, std::string("usb:1A2B:0303")));
    bus.printers.pop_back();
    EXPECT_EQ(name(), std::make_pair(0, std::string()));
    // A machine on another computer chosen before: only while none is here.
    ASSERT_TRUE(platform::RememberUsbPort("ssh:far/usb:1A2B:0404"));
    EXPECT_EQ(name(), std::make_pair(0, std::string()));
    bus.printers.clear();
    EXPECT_EQ(name(), std::make_pair(21, std::string("ssh:far/usb:1A2B:0404")));
    ::unlink(platform::RememberedUsbPortPath().c_str());
    EXPECT_EQ(name(), std::make_pair(0, std::string()));
    // The variable wins over all of it.
    ::setenv("FAXRCP_USB_PORT", "usb:1A2B:0202", 1);
    EXPECT_EQ(name(), std::make_pair(13, std::string("usb:1A2B:0202")));
    ::unsetenv("FAXRCP_USB_PORT");

    bus.listResult = platform::kUsbErrorIo;
    EXPECT_EQ(name(), std::make_pair(0, std::string()));
    // Nothing was ever opened to find out.
    EXPECT_EQ(bus.opens, 0);
}

TEST_F(TirusbTest, SeveralPrintersNamedNoneTransferNothing) {
    ::unsetenv("FAXRCP_USB_PORT");
    bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0202, "", 6)};
    ASSERT_EQ(name().first, 0);
    EXPECT_EQ(writeInquiry(), 0);
    EXPECT_EQ(bus.opens, 0);
}

TEST_F(TirusbTest, ListedPortsAreWholeLinesOfNameMakerModelSerial) {
    bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0202, "", 6)};
    sysfs.addDevice("1-1", 1, 5, "", "", "AB12");
    sysfs.addDeviceId("1-1", 0, "MFG:Acme;MDL:FX 100;");
    bus.strings[{1, 6}] = {"Beta", "Office	7", ""};
    const std::string all = "usb:1A2B:0101:AB12\tAcme\tFX 100\tAB12\n"
                            "usb:1A2B:0202\tBeta\tOffice 7\t\n";
    char buf[256];
    EXPECT_EQ(listPorts(buf, sizeof buf), 2); // FAXRCP_USB_PORT does not hide the bus
    EXPECT_EQ(std::string(buf), all);
    // A buffer too small for the second line holds the first alone.
    const int firstLine = int(all.find('\n')) + 1;
    for (int size : {firstLine + 1, int(all.size())}) {
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(listPorts(buf, size), 2);
        EXPECT_EQ(std::string(buf), all.substr(0, size_t(firstLine)));
    }
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(listPorts(buf, firstLine), 2);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], 'x'); // nothing written past the zero
    EXPECT_EQ(listPorts(nullptr, 100), 2);
    EXPECT_EQ(listPorts(buf, 0), 2);
    bus.printers.clear();
    EXPECT_EQ(listPorts(buf, sizeof buf), 0);
    EXPECT_EQ(std::string(buf), "");
}

TEST_F(TirusbTest, SelectedPortIsNamedAndUsedUntilTheSelectionIsCleared) {
    ::unsetenv("FAXRCP_USB_PORT");
    bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0202, "", 6)};
    EXPECT_EQ(selectPort("sim:"), 1);
    EXPECT_EQ(name(), std::make_pair(4, std::string("sim:")));
    EXPECT_EQ(writeInquiry(), 8);
    EXPECT_EQ(machine().requestLog().size(), 1u);
    EXPECT_EQ(selectPort(""), 1);
    EXPECT_EQ(name(), std::make_pair(0, std::string()));
    EXPECT_EQ(writeInquiry(), 0);
    EXPECT_EQ(selectPort(nullptr), 1);
    EXPECT_EQ(name().first, 0);
}

TEST_F(TirusbTest, TransfersGoToTheInterfaceTheSearchNamed) {
    ::unsetenv("FAXRCP_USB_PORT");
    bus.printers = {ListedPrinter(0x0101, "AB12", 9)};
    bus.openResult = platform::kUsbErrorAccess;
    ASSERT_EQ(name().first, 18);
    EXPECT_EQ(writeInquiry(), 0);
    unsigned char answer[10];
    EXPECT_EQ(usbRead(answer, 10), 0);
    EXPECT_EQ(bus.opens, 2);
    // The device was found but would not open: the program can say why.
    EXPECT_EQ(platform::UsbPermissionProblem(), "/dev/bus/usb/001/009");
}

TEST_F(TirusbTest, WriteAndReadReachTheSimulatedMachineInThisProcess) {
    EXPECT_EQ(writeInquiry(), 8);
    unsigned char answer[10] = {};
    EXPECT_EQ(usbRead(answer, 10), 10);
    EXPECT_EQ(answer[9], 2);
    EXPECT_EQ(machine().requestLog(), std::vector<ByteVector>{kInquiry});
    EXPECT_EQ(machine().openCount(), 2); // each transfer opens and closes
    const platform::CommTimeouts t = machine().commTimeouts();
    EXPECT_EQ(t.readTotalTimeoutConstant, 5000u);
    EXPECT_EQ(t.writeTotalTimeoutConstant, 5000u);

    machine().setFault(sim::Command::Inquiry, sim::Fault{.acceptWriteBytes = 3});
    EXPECT_EQ(writeInquiry(), 3); // a short write is reported
}

TEST_F(TirusbTest, ReadWaitsUpToFiveSecondsForTheAnswer) {
    unsigned char answer[10];
    auto lateAnswer = [&](uint32_t ms) {
        machine().reset();
        machine().setFault(sim::Command::Inquiry, sim::Fault{.lateMs = ms});
        writeInquiry();
        const uint64_t before = clock.slept();
        const int n = usbRead(answer, 10);
        return std::make_pair(n, clock.slept() - before);
    };
    EXPECT_EQ(lateAnswer(4000), std::make_pair(10, uint64_t{4000}));
    EXPECT_EQ(lateAnswer(7000), std::make_pair(0, uint64_t{5000}));
    // A machine known to answer fast gets a shorter time-out; nonsense is ignored.
    ::setenv("FAXRCP_USB_TIMEOUT_MS", "300", 1);
    EXPECT_EQ(lateAnswer(7000), std::make_pair(0, uint64_t{300}));
    for (const char* bad : {"0", "-5", "12x", "999999999"}) {
        SCOPED_TRACE(bad);
        ::setenv("FAXRCP_USB_TIMEOUT_MS", bad, 1);
        EXPECT_EQ(lateAnswer(7000), std::make_pair(0, uint64_t{5000}));
    }
}

TEST_F(TirusbTest, AnswerInPiecesIsGatheredWithAShortGapWait) {
    FakeDevice device("fake:pieces");
    device.onRead({1, 2, 3, 4}).onRead({5, 6}).onRead({7, 8, 9, 10});
    ::setenv("FAXRCP_USB_PORT", "fake:pieces", 1);
    unsigned char buf[16] = {};
    EXPECT_EQ(usbRead(buf, 10), 10);
    EXPECT_EQ(buf[9], 10);
    EXPECT_EQ(ReadTimeouts(device), (std::vector<uint32_t>{5000, 200, 200}));

    device.clearCalls();
    device.onRead({1, 2});
    EXPECT_EQ(usbRead(buf, 10), 2); // the gap ends it
    EXPECT_EQ(ReadTimeouts(device), (std::vector<uint32_t>{5000, 200}));
}

TEST_F(TirusbTest, ReadWithinTakesWhatIsHeldAtOnceOrGivesUpAtItsLimit) {
    const auto within = reinterpret_cast<Win2kUsbReadWithinFn>(dlsym(lib, "Win2kUsbReadWithin"));
    ASSERT_TRUE(within);
    FakeDevice device("fake:trickle");
    ::setenv("FAXRCP_USB_PORT", "fake:trickle", 1);
    unsigned char buf[64] = {};

    // 0: what the machine holds now, never the answer still to come.
    device.onHeld({1, 2, 3}).onRead({4, 5});
    EXPECT_EQ(within(buf, 64, 0), 3);
    EXPECT_EQ(within(buf, 64, 0), 0);
    EXPECT_EQ(device.atOnceReads(), 2);
    EXPECT_EQ(device.queuedReads(), 1u);
    EXPECT_FALSE(platform::ReadsReturnAtOnce(device.timeouts())); // put back
    EXPECT_EQ(usbRead(buf, 64), 2);                               // a read that waits takes it
    device.clearCalls();

    // A machine trickling a byte every 150 ms: the limit ends the read, and
    // no wait reaches past it.
    for (int i = 0; i < 40; ++i) {
        device.onRead({uint8_t(i)});
    }
    device.setReadHook([this] { clock.advance(150); });
    const uint32_t start = clock.tick();
    EXPECT_EQ(within(buf, 64, 1000), 7);
    EXPECT_EQ(clock.tick() - start, 7u * 150);
    EXPECT_EQ(ReadTimeouts(device), (std::vector<uint32_t>{1000, 200, 200, 200, 200, 200, 100}));
    // Without a limit the same machine is read to the end of the buffer.
    EXPECT_EQ(usbRead(buf, 33), 33);
}

TEST_F(TirusbTest, NoPortOrRefusedOpenTransfersNothing) {
    unsigned char buf[10];
    machine().setOpenRefused(true);
    EXPECT_EQ(writeInquiry(), 0);
    EXPECT_EQ(usbRead(buf, 10), 0);
    machine().setOpenRefused(false);
    ::unsetenv("FAXRCP_USB_PORT");
    EXPECT_EQ(writeInquiry(), 0);
    EXPECT_EQ(usbRead(buf, 10), 0);
    EXPECT_EQ(usbWrite(nullptr, 8), 0);
    EXPECT_EQ(usbRead(buf, 0), 0);
    EXPECT_TRUE(machine().requestLog().empty());
}

} // namespace
