// The device namespace: registered fakes, port names, environment overrides.
#include "platform/device.h"
#include "support/platform/fake_device.h"
#include "support/platform/open_modes.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const platform::OpenMode kWrite{false, true, false};

// Every override this test touches starts out unset.
class DeviceNamespaceTest : public PlatformTest {
  protected:
    ScopedEnv lpt1 = ScopedEnv::unset("FAXRCP_LPT1");
    ScopedEnv lpt2 = ScopedEnv::unset("FAXRCP_LPT2");
    ScopedEnv lpt3 = ScopedEnv::unset("FAXRCP_LPT3");
    ScopedEnv ecp1 = ScopedEnv::unset("FAXRCP_ECP1");
    ScopedEnv ecp2 = ScopedEnv::unset("FAXRCP_ECP2");
    ScopedEnv ecp3 = ScopedEnv::unset("FAXRCP_ECP3");
};

TEST_F(DeviceNamespaceTest, RegisteredNameGetsTheOpenWithNameAndMode) {
    FakeDevice fake("fake:port");
    auto d = platform::OpenDevice("fake:port", kWrite);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(fake.openNames(), std::vector<std::string>{"fake:port"});
    EXPECT_EQ(fake.openModes(), std::vector<platform::OpenMode>{kWrite});
    EXPECT_EQ(platform::OpenDevice("fake:portX", kWrite), nullptr);
}

TEST_F(DeviceNamespaceTest, ExactNamesBeatPrefixesAndLongerPrefixesBeatShorter) {
    FakeDevice any("fake:*");
    FakeDevice longer("fake:usb*");
    FakeDevice exact("fake:usb1");
    EXPECT_NE(platform::OpenDevice("fake:usb1", kWrite), nullptr);
    EXPECT_NE(platform::OpenDevice("fake:usb2", kWrite), nullptr);
    EXPECT_NE(platform::OpenDevice("fake:other", kWrite), nullptr);
    EXPECT_EQ(exact.openNames(), std::vector<std::string>{"fake:usb1"});
    EXPECT_EQ(longer.openNames(), std::vector<std::string>{"fake:usb2"});
    EXPECT_EQ(any.openNames(), std::vector<std::string>{"fake:other"});
}

TEST_F(DeviceNamespaceTest, RegisteredPortNameWinsOverTheBuiltInOne) {
    FakeDevice lptDevice("/dev/lp0");
    FakeDevice lpt("LPT1");
    ASSERT_NE(platform::OpenDevice("LPT1", kWrite), nullptr);
    EXPECT_EQ(lpt.opens(), 1);
    EXPECT_EQ(lptDevice.opens(), 0);
}

TEST_F(DeviceNamespaceTest, ParallelPortsAreTheLpDevicesByDefault) {
    FakeDevice lp0("/dev/lp0");
    FakeDevice lp2("/dev/lp2");
    EXPECT_NE(platform::OpenDevice("LPT1", kWrite), nullptr);
    EXPECT_NE(platform::OpenDevice("lpt3", kWrite), nullptr);
    EXPECT_EQ(lp0.opens(), 1);
    EXPECT_EQ(lp2.opens(), 1);
    EXPECT_EQ(lp0.openModes(), std::vector<platform::OpenMode>{kWrite});
    EXPECT_EQ(platform::OpenDevice("LPT4", kWrite), nullptr);
    EXPECT_EQ(platform::OpenDevice("LPT0", kWrite), nullptr);
    EXPECT_EQ(platform::OpenDevice("LPT", kWrite), nullptr);
    EXPECT_EQ(lp0.opens() + lp2.opens(), 2);
}

TEST_F(DeviceNamespaceTest, EcpDevicesAreTheParportsThroughPpdevByDefault) {
    FakeDevice ppdev("ppdev:*");
    EXPECT_NE(platform::OpenDevice("\\\\.\\VornEcp1", kWrite), nullptr);
    EXPECT_NE(platform::OpenDevice("\\\\.\\vornecp3", kReadWrite), nullptr);
    EXPECT_EQ(ppdev.openNames(),
              (std::vector<std::string>{"ppdev:/dev/parport0", "ppdev:/dev/parport2"}));
    EXPECT_EQ(platform::OpenDevice("\\\\.\\VornEcp4", kWrite), nullptr);
    EXPECT_EQ(platform::OpenDevice("\\.\\VornEcp1", kWrite), nullptr);
}

TEST_F(DeviceNamespaceTest, EnvironmentOverridesAreResolvedAgain) {
    FakeDevice sim("fake-sim:");
    FakeDevice other("fake:ecp");
    ScopedEnv lpt("FAXRCP_LPT2", "fake-sim:");
    ScopedEnv ecp("FAXRCP_ECP1", "fake:ecp");
    EXPECT_NE(platform::OpenDevice("LPT2", kWrite), nullptr);
    EXPECT_NE(platform::OpenDevice("\\\\.\\VornEcp1", kReadWrite), nullptr);
    EXPECT_EQ(sim.openNames(), std::vector<std::string>{"fake-sim:"});
    EXPECT_EQ(other.openNames(), std::vector<std::string>{"fake:ecp"});
    EXPECT_EQ(other.openModes(), std::vector<platform::OpenMode>{kReadWrite});
}

TEST_F(DeviceNamespaceTest, EmptyOverrideCountsAsUnsetButAnAbsentTargetDoesNotFallBack) {
    FakeDevice lp0("/dev/lp0");
    {
        ScopedEnv lpt("FAXRCP_LPT1", "");
        EXPECT_NE(platform::OpenDevice("LPT1", kWrite), nullptr);
    }
    TempDir dir;
    ScopedEnv lpt("FAXRCP_LPT1", "unix:" + dir.file("nobody"));
    EXPECT_EQ(platform::OpenDevice("LPT1", kWrite), nullptr);
    EXPECT_EQ(lp0.opens(), 1);
}

TEST_F(DeviceNamespaceTest, OverridesNamingEachOtherEndWithoutAnOpen) {
    ScopedEnv a("FAXRCP_LPT1", "LPT2");
    ScopedEnv b("FAXRCP_LPT2", "LPT1");
    ScopedEnv self("FAXRCP_ECP1", "\\\\.\\VornEcp1");
    EXPECT_EQ(platform::OpenDevice("LPT1", kWrite), nullptr);
    EXPECT_EQ(platform::OpenDevice("\\\\.\\VornEcp1", kWrite), nullptr);
}

TEST_F(DeviceNamespaceTest, MalformedRelativeAndUnknownNamesOpenNothing) {
    for (const std::string& name :
         {std::string(), std::string("LPT1\0evil", 9), std::string(100000, 'L'),
          std::string("dev/lp0"), std::string("COM1"), std::string("nonsense:")}) {
        SCOPED_TRACE(name.substr(0, 20));
        EXPECT_EQ(platform::OpenDevice(name, kWrite), nullptr);
    }
    FakeDevice all("*"); // would take anything that reached the registry
    EXPECT_EQ(platform::OpenDevice(std::string("LPT1\0evil", 9), kWrite), nullptr);
    EXPECT_EQ(platform::OpenDevice(std::string(100000, 'L'), kWrite), nullptr);
    EXPECT_EQ(all.opens(), 0);
    EXPECT_NE(platform::OpenDevice("anything", kWrite), nullptr);
}

TEST_F(DeviceNamespaceTest, UnregisteredEmptyOrThrowingFactoriesOpenNothing) {
    {
        FakeDevice fake("fake:gone");
        EXPECT_NE(platform::OpenDevice("fake:gone", kWrite), nullptr);
    }
    EXPECT_EQ(platform::OpenDevice("fake:gone", kWrite), nullptr);
    platform::RegisterDevice("fake:gone", [](const std::string&, const platform::OpenMode&) {
        return std::unique_ptr<platform::Device>();
    });
    EXPECT_EQ(platform::OpenDevice("fake:gone", kWrite), nullptr);
    platform::UnregisterDevice("fake:gone");
    platform::UnregisterDevice("never-registered");
    platform::RegisterDevice(
        "fake:throws",
        [](const std::string&, const platform::OpenMode&) -> std::unique_ptr<platform::Device> {
            throw std::runtime_error("broken");
        });
    EXPECT_EQ(platform::OpenDevice("fake:throws", kWrite), nullptr);
    platform::UnregisterDevice("fake:throws");
}

TEST_F(DeviceNamespaceTest, FactoriesMayOpenOtherNamesThemselves) {
    FakeDevice inner("fake:inner");
    platform::RegisterDevice("fake:outer", [](const std::string&, const platform::OpenMode& mode) {
        return platform::OpenDevice("fake:inner", mode);
    });
    EXPECT_NE(platform::OpenDevice("fake:outer", kReadWrite), nullptr);
    EXPECT_EQ(inner.opens(), 1);
    platform::UnregisterDevice("fake:outer");
}

} // namespace
