#include <cstdlib>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

#include "drivers/driver_abi.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/usb_backend.h"
#include "platform/usb_device.h"
#include "platform/virtual_clock.h"
#include "sim/simulated_machine.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kInquiry = {0x1B, 0xA4, 0x00, 0x04, 0x50, 0xE0, 0x82, 0xC0};

// A device that hands out its answer in pieces and remembers its time-outs.
struct PieceLog {
    std::deque<Bytes> pieces;
    std::vector<uint32_t> readTimeouts;
};

class PieceDevice : public platform::Device {
  public:
    explicit PieceDevice(PieceLog& log) : log_(log) {}
    long write(const uint8_t*, size_t count) override { return long(count); }
    long read(uint8_t* data, size_t count) override {
        log_.readTimeouts.push_back(t_.readTotalTimeoutConstant);
        if (log_.pieces.empty()) {
            return 0;
        }
        Bytes p = log_.pieces.front();
        log_.pieces.pop_front();
        const size_t n = std::min(count, p.size());
        std::copy(p.begin(), p.begin() + long(n), data);
        return long(n);
    }
    bool getCommTimeouts(platform::CommTimeouts& out) override {
        out = t_;
        return true;
    }
    bool setCommTimeouts(const platform::CommTimeouts& in) override {
        t_ = in;
        return true;
    }
    bool deviceControl(uint32_t, const uint8_t*, size_t, uint8_t*, size_t) override { return true; }

  private:
    PieceLog& log_;
    platform::CommTimeouts t_;
};

// A bus of printers that lists them and refuses or fails every open.
class FakeUsbBus : public platform::UsbBackend {
  public:
    std::vector<platform::UsbPrinterInterface> printers;
    int listResult = 0;
    int openResult = platform::kUsbErrorNoDevice;
    int lists = 0;
    int opens = 0;

    int listPrinters(std::vector<platform::UsbPrinterInterface>& out) override {
        ++lists;
        out = printers;
        return listResult;
    }
    int open(const platform::UsbPrinterInterface&, Handle&) override {
        ++opens;
        return openResult;
    }
    void close(Handle) override {}
    int kernelDriverActive(Handle, int) override { return 0; }
    int detachKernelDriver(Handle, int) override { return 0; }
    int attachKernelDriver(Handle, int) override { return 0; }
    int claimInterface(Handle, int) override { return platform::kUsbErrorIo; }
    int releaseInterface(Handle, int) override { return 0; }
    int setAltSetting(Handle, int, int) override { return 0; }
    int bulkTransfer(Handle, uint8_t, uint8_t*, int, int& transferred, unsigned) override {
        transferred = 0;
        return platform::kUsbErrorIo;
    }
};

platform::UsbPrinterInterface Printer(uint16_t product, const std::string& serial,
                                      uint8_t address) {
    platform::UsbPrinterInterface p;
    p.vendorId = 0x1A2B;
    p.productId = product;
    p.serial = serial;
    p.busNumber = 1;
    p.deviceAddress = address;
    p.endpointOut = 0x01;
    p.endpointIn = 0x82;
    return p;
}

class TirusbTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lib = dlopen((std::string(FAXRCP_BIN_DIR) + "/libtirusb.so").c_str(), RTLD_NOW);
        ASSERT_TRUE(lib) << dlerror();
        getName = reinterpret_cast<GetControlPortNameFn>(dlsym(lib, "GetControlPortName"));
        usbWrite = reinterpret_cast<Win2kUsbWriteFn>(dlsym(lib, "Win2kUsbWrite"));
        usbRead = reinterpret_cast<Win2kUsbReadFn>(dlsym(lib, "Win2kUsbRead"));
        ASSERT_TRUE(getName && usbWrite && usbRead);
        platform::InstallClock(&clock);
        platform::InstallUsbBackend(&bus);
        sim::RegisterSimDevice();
        machine().reset();
        ::setenv("FAXRCP_USB_PORT", "sim:", 1);
    }
    void TearDown() override {
        ::unsetenv("FAXRCP_USB_PORT");
        ::unsetenv("FAXRCP_USB_TIMEOUT_MS");
        machine().reset();
        sim::UnregisterSimDevice();
        platform::UnregisterDevice("fake:pieces");
        platform::InstallUsbBackend(nullptr);
        platform::InstallClock(nullptr);
        if (lib) {
            dlclose(lib);
        }
    }
    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    void* lib = nullptr;
    GetControlPortNameFn getName = nullptr;
    Win2kUsbWriteFn usbWrite = nullptr;
    Win2kUsbReadFn usbRead = nullptr;
    platform::VirtualClock clock;
    FakeUsbBus bus;
};

TEST_F(TirusbTest, ControlPortNameComesFromTheEnvironment) {
    char buf[256];
    std::memset(buf, 'x', sizeof buf);
    ::setenv("FAXRCP_USB_PORT", "unix:/tmp/faxrcp.sock", 1);
    EXPECT_EQ(getName(buf, sizeof buf), 21);
    EXPECT_STREQ(buf, "unix:/tmp/faxrcp.sock");
    // Cut to the buffer, always terminated.
    EXPECT_EQ(getName(buf, 5), 4);
    EXPECT_STREQ(buf, "unix");
    EXPECT_EQ(getName(nullptr, 10), 0);
    EXPECT_EQ(bus.lists, 0); // the variable wins without a look at the bus
}

TEST_F(TirusbTest, WithoutTheVariableTheFirstPrinterOnTheBusIsNamed) {
    ::unsetenv("FAXRCP_USB_PORT");
    char buf[256];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(getName(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");

    bus.printers = {Printer(0x0101, "AB12", 5), Printer(0x0202, "", 6)};
    EXPECT_EQ(getName(buf, sizeof buf), 18);
    EXPECT_STREQ(buf, "usb:1A2B:0101:AB12");
    bus.printers = {Printer(0x0202, "", 6)};
    EXPECT_EQ(getName(buf, sizeof buf), 13);
    EXPECT_STREQ(buf, "usb:1A2B:0202");
    bus.listResult = platform::kUsbErrorIo;
    EXPECT_EQ(getName(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
}

TEST_F(TirusbTest, TransfersGoToTheInterfaceTheSearchNamed) {
    ::unsetenv("FAXRCP_USB_PORT");
    bus.printers = {Printer(0x0101, "AB12", 9)};
    bus.openResult = platform::kUsbErrorAccess;
    char buf[256];
    ASSERT_EQ(getName(buf, sizeof buf), 18);
    EXPECT_EQ(usbWrite(kInquiry.data(), int(kInquiry.size())), 0);
    unsigned char answer[10];
    EXPECT_EQ(usbRead(answer, 10), 0);
    EXPECT_EQ(bus.opens, 2);
    // The device was found but would not open: the program can say why.
    EXPECT_EQ(platform::UsbPermissionProblem(), "/dev/bus/usb/001/009");
}

TEST_F(TirusbTest, WriteAndReadReachTheSimulatedMachineInThisProcess) {
    EXPECT_EQ(usbWrite(kInquiry.data(), int(kInquiry.size())), 8);
    unsigned char answer[10] = {};
    EXPECT_EQ(usbRead(answer, 10), 10);
    EXPECT_EQ(answer[9], 2);
    ASSERT_EQ(machine().requestLog().size(), 1u);
    EXPECT_EQ(machine().requestLog()[0], kInquiry);
    EXPECT_EQ(machine().openCount(), 2); // each transfer opens and closes
    const platform::CommTimeouts t = machine().commTimeouts();
    EXPECT_EQ(t.readTotalTimeoutConstant, 5000u);
    EXPECT_EQ(t.writeTotalTimeoutConstant, 5000u);
}

TEST_F(TirusbTest, ShortWriteIsReported) {
    machine().setFault(sim::Command::Inquiry, sim::Fault{.acceptWriteBytes = 3});
    EXPECT_EQ(usbWrite(kInquiry.data(), int(kInquiry.size())), 3);
}

TEST_F(TirusbTest, ReadWaitsUpToFiveSecondsForTheAnswer) {
    machine().setFault(sim::Command::Inquiry, sim::Fault{.lateMs = 4000});
    usbWrite(kInquiry.data(), int(kInquiry.size()));
    unsigned char answer[10];
    EXPECT_EQ(usbRead(answer, 10), 10);
    EXPECT_EQ(clock.slept(), 4000u);

    machine().setFault(sim::Command::Inquiry, sim::Fault{.lateMs = 7000});
    usbWrite(kInquiry.data(), int(kInquiry.size()));
    EXPECT_EQ(usbRead(answer, 10), 0);
    EXPECT_EQ(clock.slept(), 9000u);

    // A machine known to answer fast gets a shorter time-out; nonsense is ignored.
    ::setenv("FAXRCP_USB_TIMEOUT_MS", "300", 1);
    usbWrite(kInquiry.data(), int(kInquiry.size()));
    EXPECT_EQ(usbRead(answer, 10), 0);
    EXPECT_EQ(clock.slept(), 9300u);
    for (const char* bad : {"0", "-5", "12x", "999999999"}) {
        ::setenv("FAXRCP_USB_TIMEOUT_MS", bad, 1);
        machine().reset();
        machine().setFault(sim::Command::Inquiry, sim::Fault{.lateMs = 7000});
        usbWrite(kInquiry.data(), int(kInquiry.size()));
        const uint64_t before = clock.slept();
        EXPECT_EQ(usbRead(answer, 10), 0) << bad;
        EXPECT_EQ(clock.slept() - before, 5000u) << bad;
    }
}

TEST_F(TirusbTest, AnswerInPiecesIsGatheredWithAShortGapWait) {
    PieceLog log;
    log.pieces = {{1, 2, 3, 4}, {5, 6}, {7, 8, 9, 10}};
    platform::RegisterDevice("fake:pieces", [&log](const std::string&, const platform::OpenMode&) {
        return std::make_unique<PieceDevice>(log);
    });
    ::setenv("FAXRCP_USB_PORT", "fake:pieces", 1);
    unsigned char buf[16] = {};
    EXPECT_EQ(usbRead(buf, 10), 10);
    EXPECT_EQ(buf[9], 10);
    EXPECT_EQ(log.readTimeouts, (std::vector<uint32_t>{5000, 200, 200}));

    log.pieces = {{1, 2}};
    log.readTimeouts.clear();
    EXPECT_EQ(usbRead(buf, 10), 2); // the gap ends it
    EXPECT_EQ(log.readTimeouts, (std::vector<uint32_t>{5000, 200}));
}

TEST_F(TirusbTest, NoPortOrRefusedOpenTransfersNothing) {
    unsigned char buf[10];
    machine().setOpenRefused(true);
    EXPECT_EQ(usbWrite(kInquiry.data(), 8), 0);
    EXPECT_EQ(usbRead(buf, 10), 0);
    machine().setOpenRefused(false);
    ::unsetenv("FAXRCP_USB_PORT");
    EXPECT_EQ(usbWrite(kInquiry.data(), 8), 0);
    EXPECT_EQ(usbRead(buf, 10), 0);
    EXPECT_EQ(usbWrite(nullptr, 8), 0);
    EXPECT_EQ(usbRead(buf, 0), 0);
    EXPECT_TRUE(machine().requestLog().empty());
}

} // namespace
