// The scripted fake device that the link and protocol tests stand on.
#include "platform/device.h"
#include "support/fake_device.h"
#include "support/platform_fixture.h"

#include <gtest/gtest.h>

namespace {

using Kind = FakeDeviceCall::Kind;
const platform::OpenMode kReadWrite{true, true, false};

TEST(FakeDevice, ScriptedOpensThenTheDefault) {
    FakeDevice fake("LPT1");
    fake.refuseOpens(2);
    EXPECT_EQ(platform::OpenDevice("LPT1", kReadWrite), nullptr);
    EXPECT_EQ(platform::OpenDevice("LPT1", kReadWrite), nullptr);
    EXPECT_NE(platform::OpenDevice("LPT1", kReadWrite), nullptr);
    fake.setOpenable(false);
    EXPECT_EQ(platform::OpenDevice("LPT1", kReadWrite), nullptr);
    EXPECT_EQ(fake.opens(), 1);
    EXPECT_EQ(fake.refusedOpens(), 3);
    EXPECT_EQ(fake.closes(), 1);
    EXPECT_EQ(fake.openHandles(), 0);
}

TEST(FakeDevice, WritesAcceptWhatTheScriptSaysAndRecordWhatWasOffered) {
    FakeDevice fake("fake:w");
    fake.onWrite(3).onWrite(-1).onWrite(FakeDevice::kAcceptAll).onWrite(100);
    auto d = platform::OpenDevice("fake:w", kReadWrite);
    const auto bytes = ToBytes("hello");
    EXPECT_EQ(d->write(bytes.data(), 5), 3);
    EXPECT_EQ(d->write(bytes.data(), 5), -1);
    EXPECT_EQ(d->write(bytes.data(), 5), 5);
    EXPECT_EQ(d->write(bytes.data(), 2), 2); // never more than offered
    fake.setWriteDefault(0);
    EXPECT_EQ(d->write(bytes.data(), 5), 0);
    EXPECT_EQ(fake.writes().size(), 5u);
    EXPECT_EQ(fake.writes()[0], bytes);
    EXPECT_EQ(fake.written(), ToBytes("helhellohe"));
}

TEST(FakeDevice, ReadsKeepTheRestOfAnAnswerForTheNextRead) {
    FakeDevice fake("fake:r");
    fake.onRead(ToBytes("abcdef")).onRead({}).onReadError().onRead(ToBytes("z"));
    uint8_t buffer[8] = {};
    {
        auto d = platform::OpenDevice("fake:r", kReadWrite);
        EXPECT_EQ(d->read(buffer, 4), 4);
    }
    auto d = platform::OpenDevice("fake:r", kReadWrite);
    EXPECT_EQ(d->read(buffer, 8), 2);
    EXPECT_EQ(ByteVector(buffer, buffer + 2), ToBytes("ef"));
    EXPECT_EQ(d->read(buffer, 8), 0);
    EXPECT_EQ(d->read(buffer, 8), -1);
    EXPECT_EQ(d->read(buffer, 8), 1);
    EXPECT_EQ(d->read(buffer, 8), 0); // nothing queued
    EXPECT_EQ(fake.readSizes(), (std::vector<size_t>{4, 8, 8, 8, 8, 8}));
    EXPECT_EQ(fake.calls(Kind::Read)[1].bytes, ToBytes("ef"));
    EXPECT_EQ(fake.queuedReads(), 0u);
}

TEST(FakeDevice, ResponderQueuesAnAnswerToEachAcceptedWrite) {
    FakeDevice fake("fake:m");
    fake.setResponder([](const ByteVector& w) { return w.empty() ? w : ByteVector{w[0], 0xAA}; });
    fake.onWrite(1);
    auto d = platform::OpenDevice("fake:m", kReadWrite);
    const auto request = Bytes({0x1B, 0xA4});
    EXPECT_EQ(d->write(request.data(), 2), 1); // the responder sees only 1B
    uint8_t buffer[4];
    ASSERT_EQ(d->read(buffer, 4), 2);
    EXPECT_EQ(ByteVector(buffer, buffer + 2), Bytes({0x1B, 0xAA}));
}

TEST(FakeDevice, CommTimeoutsAndDeviceControlsFollowTheScript) {
    FakeDevice fake("fake:c");
    const platform::CommTimeouts initial{1, 2, 3, 4, 5};
    fake.setInitialTimeouts(initial).onGetCommTimeouts(false).onSetCommTimeouts(false);
    fake.onDeviceControl(false).onDeviceControl(true, Bytes({9, 8, 7}));
    auto d = platform::OpenDevice("fake:c", kReadWrite);
    platform::CommTimeouts t;
    EXPECT_FALSE(d->getCommTimeouts(t));
    EXPECT_EQ(t, platform::CommTimeouts{});
    EXPECT_TRUE(d->getCommTimeouts(t));
    EXPECT_EQ(t, initial);
    const platform::CommTimeouts wanted{200, 2, 3000, 4, 5000};
    EXPECT_FALSE(d->setCommTimeouts(wanted));
    EXPECT_EQ(fake.timeouts(), initial);
    EXPECT_TRUE(d->setCommTimeouts(wanted));
    EXPECT_EQ(fake.timeouts(), wanted);

    const uint8_t in = 0x10;
    uint8_t out[2] = {};
    EXPECT_FALSE(d->deviceControl(0x182014, &in, 1, nullptr, 0));
    EXPECT_TRUE(d->deviceControl(0x182004, &in, 1, out, 2));
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(out[1], 8);
    fake.setDeviceControlDefault(false);
    EXPECT_FALSE(d->deviceControl(0x182008, &in, 1, nullptr, 0));
    EXPECT_EQ(fake.controlCodes(), (std::vector<uint32_t>{0x182014, 0x182004, 0x182008}));
    EXPECT_EQ(fake.calls(Kind::DeviceControl)[1].bytes, ByteVector{0x10});
    EXPECT_EQ(fake.calls(Kind::SetCommTimeouts)[0].timeouts, wanted);
}

TEST(FakeDevice, RecordsTheOrderOfCalls) {
    FakeDevice fake("fake:o");
    {
        auto d = platform::OpenDevice("fake:o", kReadWrite);
        platform::CommTimeouts t;
        d->getCommTimeouts(t);
        d->setCommTimeouts(t);
        uint8_t b = 0;
        d->write(&b, 1);
        d->read(&b, 1);
    }
    EXPECT_EQ(fake.kinds(),
              (std::vector<Kind>{Kind::Open, Kind::GetCommTimeouts, Kind::SetCommTimeouts,
                                 Kind::Write, Kind::Read, Kind::Close}));
    fake.clearCalls();
    EXPECT_TRUE(fake.calls().empty());
}

TEST(FakeDevice, HandleOutlivingTheFakeStillWorks) {
    std::unique_ptr<platform::Device> d;
    {
        FakeDevice fake("fake:short");
        d = platform::OpenDevice("fake:short", kReadWrite);
    }
    ASSERT_NE(d, nullptr);
    uint8_t b = 1;
    EXPECT_EQ(d->write(&b, 1), 1);
    EXPECT_EQ(platform::OpenDevice("fake:short", kReadWrite), nullptr);
}

TEST(Bytes, HexAndBack) {
    EXPECT_EQ(HexBytes("1B A4 00 05"), Bytes({0x1B, 0xA4, 0x00, 0x05}));
    EXPECT_EQ(HexBytes("0x1b,0xa4"), Bytes({0x1B, 0xA4}));
    EXPECT_EQ(Hex(Bytes({0x1B, 0xA4, 0x00})), "1B A4 00");
    EXPECT_THROW(HexBytes("1"), std::invalid_argument);
    EXPECT_THROW(HexBytes("GG"), std::invalid_argument);
    EXPECT_THROW(Bytes({256}), std::invalid_argument);
}

} // namespace
