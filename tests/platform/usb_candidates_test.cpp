// Which USB machines are there and what they say they are: device IDs, the
// kernel's view under sysfs, the string descriptors, and the per-user choice.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/remembered_usb_port.h"
#include "platform/usb_candidates.h"
#include "support/fake_sysfs.h"
#include "support/fake_usb_bus.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

std::vector<std::string> Row(const UsbCandidate& c) {
    return {c.name, c.maker, c.model, c.serial};
}

TEST(DeviceIdTest, FieldsFromWellFormedAndMalformedIds) {
    const struct {
        std::string id;
        std::string maker, model, serial;
    } cases[] = {
        {"MFG:Acme;MDL:FX 100;CMD:PCL,PJL;SN:X12;", "Acme", "FX 100", "X12"},
        {"MANUFACTURER:Acme;MODEL:FX 200;SERIALNUMBER:Y7", "Acme", "FX 200", "Y7"},
        // Keys in any case and with blanks; values trimmed.
        {"  mfg : Acme  ; Mdl:FX 300 ;sn:Z1\n", "Acme", "FX 300", "Z1"},
        // The first of a field wins; an empty one does not count.
        {"MFG:;MANUFACTURER:Acme;MFG:Other;MDL:A;MODEL:B", "Acme", "A", ""},
        // Pairs without a ':' or a key, and unknown keys, are skipped.
        {"garbage;:value;MDL;MFGX:No;;;MFG:Acme", "Acme", "", ""},
        // Values stay on one line: controls become blanks, the rest of
        // 8-bit text becomes '?'.
        {"MFG:Ac\tme\x01;MDL:F\xC3\xA9", "Ac me", "F??", ""},
        // Nothing after a zero byte.
        {std::string("MFG:Acme;\0MDL:Hidden", 20), "Acme", "", ""},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const DeviceIdFields f = ParseDeviceId(c.id);
        EXPECT_EQ(f.maker, c.maker);
        EXPECT_EQ(f.model, c.model);
        EXPECT_EQ(f.serial, c.serial);
    }
}

TEST(DeviceIdTest, LengthsAreBounded) {
    const std::string longValue(5000, 'M');
    EXPECT_EQ(ParseDeviceId("MDL:" + longValue).model, std::string(kFieldLimit, 'M'));
    // Nothing beyond the first kDeviceIdLimit bytes is read.
    const std::string filler = "X:" + std::string(kDeviceIdLimit - 9, 'x') + ";";
    EXPECT_EQ(ParseDeviceId(filler + "MFG:Ok").maker, "Ok");
    const DeviceIdFields late = ParseDeviceId(filler + "MDL:A;MFG:Toolate");
    EXPECT_EQ(late.model, "A");
    EXPECT_EQ(late.maker, "");
    EXPECT_EQ(ParseDeviceId(std::string(100000, ';')).maker, "");
}

class UsbCandidatesTest : public ::testing::Test {
  protected:
    ListingUsbBus bus;
    FakeSysfs sysfs;
};

TEST_F(UsbCandidatesTest, EachMachineOnceWithWhatItSaysItIs) {
    // Held by the printer driver: its device ID, completed by the kernel's strings.
    bus.printers.push_back(ListedPrinter(0x0101, "AB12", 5));
    sysfs.addDevice("1-1", 1, 5, "Acme Inc", "FX 100 USB", "AB12");
    sysfs.addDeviceId("1-1", 0, "MFG:Acme;MDL:FX 100;");
    // Its second printer interface is the same machine.
    bus.printers.push_back(ListedPrinter(0x0101, "AB12", 5, 1, 1));
    // Not held by the driver (no device ID), interface 1: the kernel's strings.
    bus.printers.push_back(ListedPrinter(0x0202, "", 7, 1, 1));
    sysfs.addDevice("1-2.3", 1, 7, "Beta", "Office 7");
    sysfs.addDeviceId("1-2.3", 0, "MFG:Wrong interface;"); // another function of the device
    // Unknown to sysfs: the descriptors read through the backend.
    bus.printers.push_back(ListedPrinter(0x0303, "S3", 2, 3));
    bus.strings[{3, 2}] = {"Gamma\r\n", "Model\t3", "S3"};
    // Same address on another bus: not mistaken for the first.
    sysfs.addDevice("2-1", 2, 5, "Delta", "Elsewhere");

    const std::vector<UsbCandidate> list = ListUsbCandidates(bus, sysfs.root());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(Row(list[0]),
              (std::vector<std::string>{"usb:1A2B:0101:AB12", "Acme", "FX 100", "AB12"}));
    EXPECT_EQ(Row(list[1]), (std::vector<std::string>{"usb:1A2B:0202", "Beta", "Office 7", ""}));
    EXPECT_EQ(Row(list[2]),
              (std::vector<std::string>{"usb:1A2B:0303:S3", "Gamma", "Model 3", "S3"}));
    // The first has everything from sysfs; the backend is asked only for the others.
    EXPECT_EQ(bus.stringReads, 2);
    EXPECT_EQ(bus.opens, 0); // nothing claimed, nothing sent
}

TEST_F(UsbCandidatesTest, OddSysfsAndBusesGiveWhatCanBeKnown) {
    bus.printers.push_back(ListedPrinter(0x0101, "", 5));
    // Numbers that are not numbers, and a device ID that is a FIFO (no writer:
    // a blocking open would hang) are passed over.
    sysfs.addDevice("1-1", 1, 5, "Acme");
    std::ofstream(sysfs.path("1-1/busnum")) << "1x\n";
    sysfs.addDevice("1-4", 1, 5, "Right", "One");
    ASSERT_EQ(::mkdir(sysfs.path("1-4:1.0").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(sysfs.path("1-4:1.0/ieee1284_id").c_str(), 0644), 0);
    std::vector<UsbCandidate> list = ListUsbCandidates(bus, sysfs.root());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(Row(list[0]), (std::vector<std::string>{"usb:1A2B:0101", "Right", "One", ""}));

    // No sysfs at all, and no descriptors: the name alone.
    list = ListUsbCandidates(bus, sysfs.root() + "/none");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(Row(list[0]), (std::vector<std::string>{"usb:1A2B:0101", "", "", ""}));

    bus.listResult = kUsbErrorIo;
    EXPECT_TRUE(ListUsbCandidates(bus, sysfs.root()).empty());
}

TEST_F(UsbCandidatesTest, InstalledBackendAndSysfsRoot) {
    bus.printers.push_back(ListedPrinter(0x0101, "", 5));
    sysfs.addDevice("1-1", 1, 5, "Acme", "FX");
    InstallUsbBackend(&bus);
    SetSysfsRootForTests(sysfs.root());
    const std::vector<UsbCandidate> list = ListUsbCandidates();
    SetSysfsRootForTests("");
    InstallUsbBackend(nullptr);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].maker, "Acme");
    EXPECT_EQ(SysfsRoot(), "/sys");
}

class RememberedUsbPortTest : public ::testing::Test {
  protected:
    TempDir home;
    ScopedEnv xdg{"XDG_CONFIG_HOME", home.path() + "/config"};
};

TEST_F(RememberedUsbPortTest, WrittenWholeAndReadBack) {
    EXPECT_EQ(RememberedUsbPort(), "");
    ASSERT_TRUE(RememberUsbPort("usb:1A2B:0101:AB12")); // makes the folders
    EXPECT_EQ(RememberedUsbPortPath(), home.path() + "/config/faxrcp/usb-port");
    EXPECT_EQ(home.read("config/faxrcp/usb-port"), "usb:1A2B:0101:AB12\n");
    EXPECT_EQ(RememberedUsbPort(), "usb:1A2B:0101:AB12");
    ASSERT_TRUE(RememberUsbPort("usb:1A2B:0202"));
    EXPECT_EQ(RememberedUsbPort(), "usb:1A2B:0202");
    struct stat st {};
    ASSERT_EQ(::stat(RememberedUsbPortPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Only USB port names are kept; a refused one leaves the old in place.
    for (const std::string& bad : std::vector<std::string>{
             "", "usb:", "sim:", "unix:/tmp/x", "usb:1A2B 0101", "usb:1A2B:0101\nusb:2",
             std::string("usb:") + std::string(200, 'A')}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(RememberUsbPort(bad));
    }
    EXPECT_EQ(RememberedUsbPort(), "usb:1A2B:0202");
}

TEST_F(RememberedUsbPortTest, MalformedOrUnwritableFilesNameNothing) {
    for (const std::string& text :
         std::vector<std::string>{"garbage\n", "usb:\n", "usb:1A2B 0101\n", "\nusb:1A2B:0101\n",
                                  std::string("usb:") + std::string(300, 'A') + "\n"}) {
        SCOPED_TRACE(text);
        home.write("config/faxrcp/usb-port", text);
        EXPECT_EQ(RememberedUsbPort(), "");
    }
    // A folder in the file's place: nothing read, nothing written.
    ::unlink(RememberedUsbPortPath().c_str());
    ASSERT_EQ(::mkdir(RememberedUsbPortPath().c_str(), 0700), 0);
    EXPECT_EQ(RememberedUsbPort(), "");
    EXPECT_FALSE(RememberUsbPort("usb:1A2B:0101"));
    // No temporary file is left behind.
    int entries = 0;
    DIR* dir = ::opendir((home.path() + "/config/faxrcp").c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* e = ::readdir(dir)) {
        entries += e->d_name[0] != '.';
    }
    ::closedir(dir);
    EXPECT_EQ(entries, 1);
}

} // namespace
