#include <cstdlib>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

#include "drivers/driver_abi.h"
#include "platform/clock.h"
#include "platform/device.h"
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
        sim::RegisterSimDevice();
        machine().reset();
        ::setenv("FAXRCP_USB_PORT", "sim:", 1);
    }
    void TearDown() override {
        ::unsetenv("FAXRCP_USB_PORT");
        machine().reset();
        sim::UnregisterSimDevice();
        platform::UnregisterDevice("fake:pieces");
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
    ::unsetenv("FAXRCP_USB_PORT");
    // Without the variable nothing is found here (no machine on the test host).
    EXPECT_EQ(getName(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
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
