// Parallel ports opened by name and the ECP driver device.
#include <string>
#include <vector>

#include "link/link_fixture.h"
#include "support/fake_device.h"

namespace {

using Kind = FakeDeviceCall::Kind;

const std::string kEcp1 = "\\\\.\\VornEcp1";

class ParallelLinkTest : public LinkTest {};

TEST_F(ParallelLinkTest, PortTableNamesEveryPort) {
    EXPECT_STREQ(PortTable[0], "USB");
    EXPECT_STREQ(PortTable[1], "LPT1");
    EXPECT_STREQ(PortTable[3], "LPT3");
    EXPECT_EQ(std::string(PortTable[4]), "\\\\.\\VornEcp1");
    EXPECT_EQ(std::string(PortTable[6]), "\\\\.\\VornEcp3");
}

TEST_F(ParallelLinkTest, WriteByNameSetsTheThreeTimeoutsAndKeepsTheOthers) {
    FakeDevice lpt("LPT1");
    platform::CommTimeouts initial;
    initial.readIntervalTimeout = 1;
    initial.readTotalTimeoutMultiplier = 7;
    initial.readTotalTimeoutConstant = 2;
    initial.writeTotalTimeoutMultiplier = 9;
    initial.writeTotalTimeoutConstant = 3;
    lpt.setInitialTimeouts(initial);
    currentPort = 1;
    ByteVector request = HexBytes("1B A4 00 04 50 E0 82 C0");

    EXPECT_EQ(PortWrite(request.data(), 8), 8);

    EXPECT_EQ(lpt.kinds(), (std::vector<Kind>{Kind::Open, Kind::GetCommTimeouts,
                                              Kind::SetCommTimeouts, Kind::Write, Kind::Close}));
    platform::OpenMode mode = lpt.openModes().at(0);
    EXPECT_TRUE(mode.write);
    EXPECT_FALSE(mode.read);
    EXPECT_FALSE(mode.shared);
    platform::CommTimeouts set = lpt.timeouts();
    EXPECT_EQ(set.readIntervalTimeout, 200u);
    EXPECT_EQ(set.readTotalTimeoutConstant, 3000u);
    EXPECT_EQ(set.writeTotalTimeoutConstant, 5000u);
    EXPECT_EQ(set.readTotalTimeoutMultiplier, 7u);
    EXPECT_EQ(set.writeTotalTimeoutMultiplier, 9u);
    EXPECT_EQ(lpt.written(), request);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(ParallelLinkTest, OtherPortsOfTheTableAreOpenedByNameLikeLpt1) {
    for (int port : {2, 3, 5, 6}) {
        FakeDevice device(PortTable[port]);
        currentPort = port;
        ByteVector request = HexBytes("1B A4 00 04 50 E0 82 C0");
        EXPECT_EQ(PortWrite(request.data(), 8), 8) << PortTable[port];
        EXPECT_EQ(device.timeouts().readTotalTimeoutConstant, 3000u) << PortTable[port];
        ByteVector answer(10);
        PortRead(answer.data(), 10);
        EXPECT_TRUE(device.controlCodes().empty()) << PortTable[port];
        EXPECT_EQ(device.calls(Kind::SetCommTimeouts).size(), 2u) << PortTable[port];
    }
}

TEST_F(ParallelLinkTest, WriteToAPortThatWillNotOpenIsTracedWithItsName) {
    FakeDevice lpt("LPT2");
    lpt.setOpenable(false);
    currentPort = 2;
    uint8_t byte = 0;
    EXPECT_EQ(PortWrite(&byte, 1), 0);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"Can not open the port: LPT2 \n"}));
}

TEST_F(ParallelLinkTest, WriteGivesUpWhenThePortReportsNoTimeouts) {
    FakeDevice lpt("LPT1");
    lpt.onGetCommTimeouts(false);
    currentPort = 1;
    uint8_t byte = 0;
    EXPECT_EQ(PortWrite(&byte, 1), 0);
    EXPECT_TRUE(lpt.writes().empty());
    EXPECT_EQ(lpt.openHandles(), 0);
    EXPECT_TRUE(traceLines().empty());
}

TEST_F(ParallelLinkTest, WriteGoesOnWhenTheTimeoutsCannotBeApplied) {
    FakeDevice lpt("LPT1");
    lpt.onSetCommTimeouts(false);
    currentPort = 1;
    uint8_t bytes[3] = {1, 2, 3};
    EXPECT_EQ(PortWrite(bytes, 3), 3);
}

TEST_F(ParallelLinkTest, ShortAndFailedWritesReportWhatWentOut) {
    FakeDevice lpt("LPT1");
    lpt.onWrite(5).onWrite(-1);
    currentPort = 1;
    ByteVector request(8, 0x11);
    EXPECT_EQ(PortWrite(request.data(), 8), 5);
    EXPECT_EQ(PortWrite(request.data(), 8), 0);
}

TEST_F(ParallelLinkTest, EcpWriteOpensTheDriverDeviceWithoutTimeouts) {
    FakeDevice ecp(kEcp1);
    currentPort = 4;
    ByteVector request = HexBytes("1B A4 00 04 50 E0 82 C0");
    EXPECT_EQ(PortWrite(request.data(), 8), 8);
    EXPECT_EQ(ecp.kinds(), (std::vector<Kind>{Kind::Open, Kind::Write, Kind::Close}));
    EXPECT_EQ(ecp.openNames(), (std::vector<std::string>{kEcp1}));
    EXPECT_FALSE(ecp.openModes()[0].shared);
}

TEST_F(ParallelLinkTest, EcpWriteToADeviceThatWillNotOpenIsTracedWithItsName) {
    FakeDevice ecp(kEcp1);
    ecp.setOpenable(false);
    currentPort = 4;
    uint8_t byte = 0;
    EXPECT_EQ(PortWrite(&byte, 1), 0);
    EXPECT_EQ(traceLines(),
              (std::vector<std::string>{"Can not open the port: \\\\.\\VornEcp1 \n"}));
}

TEST_F(ParallelLinkTest, ReadByNameOpensForBothDirectionsAndSetsTheTimeouts) {
    FakeDevice lpt("LPT1");
    lpt.onRead(HexBytes("1B A4 00 06 50 E0 00 64 01 02 FF FF"));
    currentPort = 1;
    ByteVector answer(10);
    EXPECT_EQ(PortRead(answer.data(), 10), 10);
    EXPECT_EQ(answer, HexBytes("1B A4 00 06 50 E0 00 64 01 02"));
    EXPECT_EQ(lpt.kinds(), (std::vector<Kind>{Kind::Open, Kind::GetCommTimeouts,
                                              Kind::SetCommTimeouts, Kind::Read, Kind::Close}));
    platform::OpenMode mode = lpt.openModes().at(0);
    EXPECT_TRUE(mode.read);
    EXPECT_TRUE(mode.write);
    EXPECT_FALSE(mode.shared);
    EXPECT_EQ(lpt.timeouts().readIntervalTimeout, 200u);
}

TEST_F(ParallelLinkTest, ReadFromAPortThatWillNotOpenNamesLpt1WhateverThePort) {
    for (int port : {1, 2, 4, 6}) {
        FakeDevice device(PortTable[port]);
        device.setOpenable(false);
        currentPort = port;
        clearTrace();
        uint8_t answer[10];
        EXPECT_EQ(PortRead(answer, 10), 0);
        EXPECT_EQ(traceLines(), (std::vector<std::string>{"\n Can not open the port: LPT1 \n\r"}))
            << PortTable[port];
    }
}

TEST_F(ParallelLinkTest, ReadGivesUpWhenThePortReportsNoTimeouts) {
    FakeDevice lpt("LPT1");
    lpt.onGetCommTimeouts(false);
    lpt.onRead(Bytes({1, 2, 3}));
    currentPort = 1;
    uint8_t answer[10];
    EXPECT_EQ(PortRead(answer, 10), 0);
    EXPECT_TRUE(lpt.readSizes().empty());
    EXPECT_EQ(lpt.openHandles(), 0);
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"\n ERROR: Failed to set Comm State\n\r"}));
}

TEST_F(ParallelLinkTest, EcpReadSendsBothModeControlsThenReads) {
    FakeDevice ecp(kEcp1);
    ecp.onRead(Bytes({0x1B, 0xA4}));
    currentPort = 4;
    uint8_t answer[10];
    EXPECT_EQ(PortRead(answer, 10), 2);
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
    ecp.setDeviceControlDefault(false);
    ecp.onRead(Bytes({7}));
    currentPort = 4;
    uint8_t answer[10];
    EXPECT_EQ(PortRead(answer, 10), 1);
    EXPECT_EQ(traceLines(),
              (std::vector<std::string>{
                  "[Error: Device can't be set to the H/W mode(Method) you want.]",
                  "[Error: Mode has not been changed.]"}));
}

TEST_F(ParallelLinkTest, FailedReadCountsAsNothing) {
    FakeDevice lpt("LPT1");
    lpt.onReadError();
    currentPort = 1;
    uint8_t answer[10];
    EXPECT_EQ(PortRead(answer, 10), 0);
}

TEST_F(ParallelLinkTest, PortOutsideTheTableOrABadBufferMovesNothing) {
    FakeDevice lpt("LPT1");
    uint8_t bytes[4] = {};
    for (int port : {-1, 7, 1000}) {
        currentPort = port;
        EXPECT_EQ(PortWrite(bytes, 4), 0);
        EXPECT_EQ(PortRead(bytes, 4), 0);
    }
    currentPort = 1;
    EXPECT_EQ(PortWrite(nullptr, 4), 0);
    EXPECT_EQ(PortRead(nullptr, 4), 0);
    EXPECT_EQ(PortWrite(bytes, -3), 0);
    EXPECT_EQ(lpt.opens(), 1); // only the negative count got as far as the port
}

TEST_F(ParallelLinkTest, DbgPrintAppendsACarriageReturnToTheFormattedLine) {
    DbgPrint(" Port = %s, Win98 = %d", "USB", 0);
    DbgPrint("%s", "");
    DbgPrint("\n Can not open the port: LPT1 \n");
    EXPECT_EQ(traceLines(), (std::vector<std::string>{" Port = USB, Win98 = 0\r", "\r",
                                                      "\n Can not open the port: LPT1 \n\r"}));
}

TEST_F(ParallelLinkTest, DbgPrintCutsALongLineToItsBufferKeepingTheCarriageReturn) {
    std::string longText(400, 'x');
    DbgPrint("%s", longText.c_str());
    ASSERT_EQ(traceLines().size(), 1u);
    EXPECT_EQ(traceLines()[0], std::string(254, 'x') + "\r");
}

} // namespace
