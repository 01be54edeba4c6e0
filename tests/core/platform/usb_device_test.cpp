#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/usb_backend.h"
#include "platform/usb_device.h"
#include "support/platform/platform_fixture.h"

using namespace platform;

namespace {

// A bus of printers. Each answer queued on the device goes out in packets of
// maxPacketIn bytes; a bulk IN transfer ends at its length or a short packet.
class FakeUsbBus : public UsbBackend {
  public:
    std::vector<UsbPrinterInterface> printers;
    std::deque<std::vector<uint8_t>> answers;
    std::vector<std::vector<uint8_t>> written;
    std::vector<int> inRequestLengths;
    std::vector<unsigned> inTimeouts;
    int openResult = 0;
    std::deque<int> claimResults;
    int inResult = 0; // forced result of bulk IN transfers
    bool kernelDriverBound = true;
    int detaches = 0, attaches = 0, claims = 0, releases = 0, opens = 0, closes = 0;
    bool claimed = false;

    int listPrinters(std::vector<UsbPrinterInterface>& out) override {
        out = printers;
        return 0;
    }
    int readStrings(const UsbPrinterInterface&, UsbDeviceStrings&) override {
        return kUsbErrorAccess;
    }
    int open(const UsbPrinterInterface& iface, Handle& handle) override {
        bool present = std::any_of(printers.begin(), printers.end(), [&](const auto& p) {
            return p.busNumber == iface.busNumber && p.deviceAddress == iface.deviceAddress;
        });
        if (!present) {
            return kUsbErrorNoDevice;
        }
        if (openResult) {
            return openResult;
        }
        ++opens;
        handle = 7;
        return 0;
    }
    void close(Handle) override { ++closes; }
    int kernelDriverActive(Handle, int) override { return kernelDriverBound ? 1 : 0; }
    int detachKernelDriver(Handle, int) override {
        ++detaches;
        kernelDriverBound = false;
        return 0;
    }
    int attachKernelDriver(Handle, int) override {
        ++attaches;
        kernelDriverBound = true;
        return 0;
    }
    int claimInterface(Handle, int) override {
        int r = 0;
        if (!claimResults.empty()) {
            r = claimResults.front();
            claimResults.pop_front();
        }
        if (r == 0) {
            ++claims;
            claimed = true;
        }
        return r;
    }
    int releaseInterface(Handle, int) override {
        ++releases;
        claimed = false;
        return 0;
    }
    int setAltSetting(Handle, int, int) override { return 0; }
    int bulkTransfer(Handle, uint8_t endpoint, uint8_t* data, int length, int& transferred,
                     unsigned timeoutMs) override {
        transferred = 0;
        if (printers.empty()) {
            return kUsbErrorNoDevice;
        }
        if (!(endpoint & kUsbEndpointIn)) {
            written.emplace_back(data, data + length);
            transferred = length;
            return 0;
        }
        inRequestLengths.push_back(length);
        inTimeouts.push_back(timeoutMs);
        if (inResult) {
            return inResult;
        }
        if (answers.empty()) {
            return kUsbErrorTimeout;
        }
        std::vector<uint8_t>& answer = answers.front();
        int n = std::min<int>(length, int(answer.size()));
        std::copy_n(answer.begin(), n, data);
        answer.erase(answer.begin(), answer.begin() + n);
        if (answer.empty()) {
            answers.pop_front();
        }
        transferred = n;
        return 0;
    }
};

UsbPrinterInterface Printer(uint16_t product, std::string serial = "", uint8_t address = 5) {
    UsbPrinterInterface p;
    p.vendorId = 0x1A2B;
    p.productId = product;
    p.serial = std::move(serial);
    p.busNumber = 1;
    p.deviceAddress = address;
    p.endpointOut = 0x01;
    p.endpointIn = 0x82;
    p.maxPacketIn = 64;
    return p;
}

class UsbDeviceTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        SetUsbIdleWatcher(false);
        InstallUsbBackend(&bus);
    }
    void TearDown() override {
        ReleaseAllUsbInterfaces();
        InstallUsbBackend(nullptr);
        PlatformTest::TearDown();
    }
    FakeUsbBus bus;
    OpenMode rw{true, true, false};
};

TEST_F(UsbDeviceTest, OpenMatchesVendorProductAndSerial) {
    bus.printers = {Printer(0x0201, "ONE", 5), Printer(0x0201, "TWO", 6)};
    EXPECT_EQ(OpenUsbDevice("usb:1A2B:0202", rw), nullptr);
    EXPECT_EQ(OpenUsbDevice("usb:1A2B:0201:THREE", rw), nullptr);
    for (const char* bad :
         {"usb:", "usb:1A2B", "usb:1A2B:02", "usb:XYZW:0201", "usb:1A2B:0201:", "usb:1A2B-0201"}) {
        EXPECT_EQ(OpenUsbDevice(bad, rw), nullptr) << bad;
    }
    EXPECT_NE(OpenUsbDevice("usb:1a2b:0201:TWO", rw), nullptr);
}

TEST_F(UsbDeviceTest, ClaimIsHeldAcrossOpensAndGivenBackWhenIdle) {
    bus.printers = {Printer(0x0301)};
    auto start = std::chrono::steady_clock::now();
    {
        auto dev = OpenUsbDevice("usb:1A2B:0301", rw);
        ASSERT_NE(dev, nullptr);
        uint8_t request[3] = {1, 2, 3};
        EXPECT_EQ(dev->write(request, 3), 3);
        // In use: never given back, however long.
        ReleaseIdleUsbInterfaces(start + std::chrono::hours(1));
        EXPECT_TRUE(bus.claimed);
    }
    { auto again = OpenUsbDevice("usb:1A2B:0301", rw); }
    EXPECT_EQ(bus.claims, 1);
    EXPECT_EQ(bus.detaches, 1);
    EXPECT_FALSE(bus.kernelDriverBound);

    auto closedAt = std::chrono::steady_clock::now();
    ReleaseIdleUsbInterfaces(closedAt + kUsbIdleRelease / 2);
    EXPECT_TRUE(bus.claimed);
    ReleaseIdleUsbInterfaces(closedAt + kUsbIdleRelease + std::chrono::milliseconds(1));
    EXPECT_FALSE(bus.claimed);
    EXPECT_EQ(bus.attaches, 1);
    EXPECT_TRUE(bus.kernelDriverBound);
    EXPECT_EQ(bus.closes, 1);

    // The next open claims it anew.
    EXPECT_NE(OpenUsbDevice("usb:1A2B:0301", rw), nullptr);
    EXPECT_EQ(bus.claims, 2);
}

TEST_F(UsbDeviceTest, ReadsWholePacketsAndKeepsTheRestAcrossOpens) {
    bus.printers = {Printer(0x0401)};
    std::vector<uint8_t> answer(100);
    for (size_t i = 0; i < answer.size(); ++i) {
        answer[i] = uint8_t(i);
    }
    bus.answers.push_back(answer);

    uint8_t buf[128] = {};
    {
        auto dev = OpenUsbDevice("usb:1A2B:0401", rw);
        ASSERT_NE(dev, nullptr);
        EXPECT_EQ(dev->read(buf, 10), 10);
        EXPECT_EQ(bus.inRequestLengths, std::vector<int>{64});
        EXPECT_EQ(buf[9], 9);
    }
    ReleaseAllUsbInterfaces(); // even a given-back claim keeps the bytes
    auto dev = OpenUsbDevice("usb:1A2B:0401", rw);
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(dev->read(buf, 54), 54); // from the buffer alone
    EXPECT_EQ(bus.inRequestLengths.size(), 1u);
    EXPECT_EQ(buf[0], 10);
    EXPECT_EQ(buf[53], 63);
    EXPECT_EQ(dev->read(buf, 128), 36); // the short packet ends the answer
    EXPECT_EQ(buf[0], 64);
    EXPECT_EQ(buf[35], 99);
    EXPECT_EQ(bus.inRequestLengths.back(), 128);
}

TEST_F(UsbDeviceTest, TimeOutReadsNothing) {
    bus.printers = {Printer(0x0501)};
    auto dev = OpenUsbDevice("usb:1A2B:0501", rw);
    ASSERT_NE(dev, nullptr);
    uint8_t buf[10];
    EXPECT_EQ(dev->read(buf, 10), 0);
    EXPECT_EQ(bus.inTimeouts, std::vector<unsigned>{5000});

    // Reads that return at once wait 1 ms: libusb would take 0 as "for ever".
    CommTimeouts t;
    ASSERT_TRUE(dev->getCommTimeouts(t));
    ASSERT_TRUE(dev->setCommTimeouts(WithReadsAtOnce(t)));
    bus.answers.push_back({1, 2, 3});
    EXPECT_EQ(dev->read(buf, 10), 3);
    EXPECT_EQ(dev->read(buf, 10), 0);
    EXPECT_EQ(bus.inTimeouts, (std::vector<unsigned>{5000, 1, 1}));
}

TEST_F(UsbDeviceTest, UnpluggedBetweenTransfers) {
    bus.printers = {Printer(0x0601)};
    bus.answers.push_back(std::vector<uint8_t>(100, 0x55));
    uint8_t buf[10];
    {
        auto dev = OpenUsbDevice("usb:1A2B:0601", rw);
        ASSERT_NE(dev, nullptr);
        EXPECT_EQ(dev->read(buf, 10), 10);
        bus.printers.clear();
        bus.answers.clear();
        uint8_t request[2] = {1, 2};
        EXPECT_EQ(dev->write(request, 2), -1);
        EXPECT_EQ(dev->read(buf, 10), -1);
    }
    EXPECT_EQ(OpenUsbDevice("usb:1A2B:0601", rw), nullptr);
    // Plugged in again: a fresh claim and no stale bytes of the old answer.
    bus.printers = {Printer(0x0601)};
    auto dev = OpenUsbDevice("usb:1A2B:0601", rw);
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(dev->read(buf, 10), 0);
}

TEST_F(UsbDeviceTest, BusyInterfaceIsRetriedOneSecondApart) {
    bus.printers = {Printer(0x0701)};
    bus.claimResults = {kUsbErrorBusy, kUsbErrorBusy, 0};
    uint32_t before = clock.tick();
    EXPECT_NE(OpenUsbDevice("usb:1A2B:0701", rw), nullptr);
    EXPECT_EQ(clock.tick() - before, 2000u);
    ReleaseAllUsbInterfaces();

    bus.claimResults = {kUsbErrorBusy, kUsbErrorBusy, kUsbErrorBusy, kUsbErrorBusy, 0};
    before = clock.tick();
    EXPECT_EQ(OpenUsbDevice("usb:1A2B:0701", rw), nullptr);
    EXPECT_EQ(clock.tick() - before, 3000u);
    // The kernel driver it displaced is given back when the claim fails.
    EXPECT_TRUE(bus.kernelDriverBound);
}

TEST_F(UsbDeviceTest, MissingPermissionNamesTheDeviceNode) {
    bus.printers = {Printer(0x0801, "", 9)};
    bus.openResult = kUsbErrorAccess;
    EXPECT_EQ(OpenUsbDevice("usb:1A2B:0801", rw), nullptr);
    EXPECT_EQ(UsbPermissionProblem(), "/dev/bus/usb/001/009");
    ASSERT_FALSE(traceLines().empty());
    EXPECT_NE(traceLines().back().find("/dev/bus/usb/001/009"), std::string::npos);
    bus.openResult = 0;
    EXPECT_NE(OpenUsbDevice("usb:1A2B:0801", rw), nullptr);
    EXPECT_EQ(UsbPermissionProblem(), "");
}

} // namespace
