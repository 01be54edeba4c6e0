// Parallel ports opened by name and the ECP driver device.
#include <functional>
#include <string>
#include <vector>

#include "link_fixture.h"
#include "support/platform/device_names.h"
#include "support/platform/fake_device.h"

namespace {

using Kind = FakeDeviceCall::Kind;
using Lines = std::vector<std::string>;

const ByteVector kRequest = HexBytes("1B A4 00 04 50 E0 82 C0");

class ParallelLinkTest : public LinkTest {
  protected:
    int write(int port) {
        panelContext.link.currentPort = port;
        ByteVector request = kRequest;
        return PortWrite(panelContext.link, request.data(), static_cast<int>(request.size()));
    }
    int read(int port, ByteVector& answer) {
        panelContext.link.currentPort = port;
        return PortRead(panelContext.link, answer.data(), static_cast<int>(answer.size()));
    }
};

TEST_F(ParallelLinkTest, TransfersByNameSetTheThreeTimeoutsAndKeepTheOthers) {
    for (bool reading : {false, true}) {
        SCOPED_TRACE(reading ? "read" : "write");
        FakeDevice lpt("LPT1");
        lpt.setInitialTimeouts({1, 7, 2, 9, 3});
        lpt.onRead(HexBytes("1B A4 00 06 50 E0 00 64 01 02 FF FF"));
        ByteVector answer(10);
        EXPECT_EQ(reading ? read(1, answer) : write(1), reading ? 10 : 8);
        EXPECT_EQ(lpt.kinds(),
                  (std::vector<Kind>{Kind::Open, Kind::GetCommTimeouts, Kind::SetCommTimeouts,
                                     reading ? Kind::Read : Kind::Write, Kind::Close}));
        const platform::OpenMode mode = lpt.openModes().at(0);
        EXPECT_EQ(mode.read, reading); // a write opens for writing only
        EXPECT_TRUE(mode.write);
        EXPECT_FALSE(mode.shared);
        EXPECT_EQ(lpt.timeouts(), (platform::CommTimeouts{200, 7, 3000, 9, 5000}));
        EXPECT_EQ(reading ? answer : lpt.written(),
                  reading ? HexBytes("1B A4 00 06 50 E0 00 64 01 02") : kRequest);
        EXPECT_TRUE(traceLines().empty());
    }
}

TEST_F(ParallelLinkTest, OtherPortsOfTheTableAreOpenedByNameLikeLpt1) {
    for (int port : {2, 3, 5, 6}) {
        SCOPED_TRACE(PortTable[port]);
        FakeDevice device(PortTable[port]);
        EXPECT_EQ(write(port), 8);
        EXPECT_EQ(device.timeouts().readTotalTimeoutConstant, 3000u);
        ByteVector answer(10);
        read(port, answer);
        EXPECT_TRUE(device.controlCodes().empty());
        EXPECT_EQ(device.calls(Kind::SetCommTimeouts).size(), 2u);
    }
}

TEST_F(ParallelLinkTest, FailedOrShortWritesReportWhatWentOutAndCloseThePort) {
    struct Case {
        const char* what;
        int port;
        std::function<void(FakeDevice&)> script;
        int result;
        Lines trace;
    } cases[] = {
        {"not openable",
         2,
         [](FakeDevice& d) { d.setOpenable(false); },
         0,
         {"Can not open the port: LPT2 \n"}},
        {"ECP not openable",
         4,
         [](FakeDevice& d) { d.setOpenable(false); },
         0,
         {"Can not open the port: \\\\.\\VornEcp1 \n"}},
        {"no timeouts reported", 1, [](FakeDevice& d) { d.onGetCommTimeouts(false); }, 0, {}},
        {"timeouts refused", 1, [](FakeDevice& d) { d.onSetCommTimeouts(false); }, 8, {}},
        {"short write", 1, [](FakeDevice& d) { d.onWrite(5); }, 5, {}},
        {"failed write", 1, [](FakeDevice& d) { d.onWrite(-1); }, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearTrace();
        FakeDevice device(PortTable[c.port]);
        c.script(device);
        EXPECT_EQ(write(c.port), c.result);
        EXPECT_EQ(device.openHandles(), 0);
        EXPECT_EQ(traceLines(), c.trace);
    }
}

TEST_F(ParallelLinkTest, EcpWriteOpensTheDriverDeviceWithoutTimeouts) {
    FakeDevice ecp(kEcp1);
    EXPECT_EQ(write(4), 8);
    EXPECT_EQ(ecp.kinds(), (std::vector<Kind>{Kind::Open, Kind::Write, Kind::Close}));
    EXPECT_EQ(ecp.openNames(), (std::vector<std::string>{kEcp1}));
    EXPECT_FALSE(ecp.openModes()[0].shared);
}

TEST_F(ParallelLinkTest, ReadFromAPortThatWillNotOpenNamesLpt1WhateverThePort) {
    for (int port : {1, 2, 4, 6}) {
        SCOPED_TRACE(PortTable[port]);
        FakeDevice device(PortTable[port]);
        device.setOpenable(false);
        clearTrace();
        ByteVector answer(10);
        EXPECT_EQ(read(port, answer), 0);
        EXPECT_EQ(traceLines(), (Lines{"\n Can not open the port: LPT1 \n\r"}));
    }
}

TEST_F(ParallelLinkTest, ReadWithoutTimeoutsOrWithAFailedReadCountsAsNothing) {
    {
        FakeDevice lpt("LPT1");
        lpt.onGetCommTimeouts(false).onRead(Bytes({1, 2, 3}));
        ByteVector answer(10);
        EXPECT_EQ(read(1, answer), 0);
        EXPECT_TRUE(lpt.readSizes().empty());
        EXPECT_EQ(lpt.openHandles(), 0);
        EXPECT_EQ(traceLines(), (Lines{"\n ERROR: Failed to set Comm State\n\r"}));
    }
    FakeDevice lpt("LPT1");
    lpt.onReadError();
    ByteVector answer(10);
    EXPECT_EQ(read(1, answer), 0);
}

TEST_F(ParallelLinkTest, EcpReadSendsBothModeControlsThenReads) {
    FakeDevice ecp(kEcp1);
    ecp.onRead(Bytes({0x1B, 0xA4}));
    ByteVector answer(10);
    EXPECT_EQ(read(4, answer), 2);
    EXPECT_EQ(ecp.controlCodes(), (std::vector<uint32_t>{0x182014, 0x182004}));
    for (const FakeDeviceCall& call : ecp.calls(Kind::DeviceControl)) {
        EXPECT_EQ(call.bytes, Bytes({0}));
        EXPECT_EQ(call.count, 0u);
    }
    EXPECT_TRUE(ecp.calls(Kind::GetCommTimeouts).empty());
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(ParallelLinkTest, EcpReadTracesRefusedControlsAndReadsAnyway) {
    FakeDevice ecp(kEcp1);
    ecp.setDeviceControlDefault(false).onRead(Bytes({7}));
    ByteVector answer(10);
    EXPECT_EQ(read(4, answer), 1);
    EXPECT_EQ(traceLines(), (Lines{"[Error: Device can't be set to the H/W mode(Method) you want.]",
                                   "[Error: Mode has not been changed.]"}));
}

TEST_F(ParallelLinkTest, PortOutsideTheTableOrABadBufferMovesNothing) {
    FakeDevice lpt("LPT1");
    uint8_t bytes[4] = {};
    for (int port : {-1, 7, 1000}) {
        panelContext.link.currentPort = port;
        EXPECT_EQ(PortWrite(panelContext.link, bytes, 4), 0);
        EXPECT_EQ(PortRead(panelContext.link, bytes, 4), 0);
    }
    panelContext.link.currentPort = 1;
    EXPECT_EQ(PortWrite(panelContext.link, nullptr, 4), 0);
    EXPECT_EQ(PortRead(panelContext.link, nullptr, 4), 0);
    EXPECT_EQ(PortWrite(panelContext.link, bytes, -3), 0);
    EXPECT_EQ(lpt.opens(), 1); // only the negative count got as far as the port
}

TEST_F(ParallelLinkTest, DbgPrintAppendsACarriageReturnAndCutsLongLines) {
    DbgPrint(" Port = %s, Win98 = %d", "USB", 0);
    DbgPrint("%s", "");
    DbgPrint("\n Can not open the port: LPT1 \n");
    DbgPrint("%s", std::string(400, 'x').c_str());
    EXPECT_EQ(traceLines(),
              (Lines{" Port = USB, Win98 = 0\r", "\r", "\n Can not open the port: LPT1 \n\r",
                     std::string(254, 'x') + "\r"}));
}

} // namespace
