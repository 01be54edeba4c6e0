// Which USB machines are there and what they say they are: device IDs, the
// kernel's view under sysfs, the string descriptors, and the per-user choice.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "platform/remembered_usb_port.h"
#include "platform/usb_candidates.h"
#include "support/platform/fake_sysfs.h"
#include "support/platform/fake_usb_bus.h"

using namespace platform;

namespace {

using Row = std::vector<std::string>;

Row RowOf(const DeviceIdFields& f) {
    return {f.maker, f.model, f.serial};
}

Row RowOf(const UsbCandidate& c) {
    return {c.name, c.maker, c.model, c.serial};
}

TEST(DeviceIdTest, FieldsOfWellFormedMalformedAndOverlongIds) {
    const std::string filler = "X:" + std::string(kDeviceIdLimit - 9, 'x') + ";"; // ends at 1018
    const std::pair<std::string, Row> cases[] = {
        {"MFG:Acme;MDL:FX 100;CMD:PCL,PJL;SN:X12;", {"Acme", "FX 100", "X12"}},
        {"MANUFACTURER:Acme;MODEL:FX 200;SERIALNUMBER:Y7", {"Acme", "FX 200", "Y7"}},
        {"  mfg : Acme  ; Mdl:FX 300 ;sn:Z1\n", {"Acme", "FX 300", "Z1"}},
        // The first non-empty value of a field wins; malformed pairs are skipped.
        {"MFG:;garbage;:v;MDL;MFGX:No;MANUFACTURER:Acme;MFG:Other", {"Acme", "", ""}},
        // Values stay on one line of printable ASCII.
        {"MFG:Ac\tme\x01;MDL:F\xC3\xA9", {"Ac me", "F??", ""}},
        {std::string("MFG:Acme;\0MDL:Hidden", 20), {"Acme", "", ""}},
        {"MDL:" + std::string(5000, 'M'), {"", std::string(kFieldLimit, 'M'), ""}},
        // Nothing past the first kDeviceIdLimit bytes is read.
        {filler + "MDL:A;MFG:Toolate", {"", "A", ""}},
        {std::string(100000, ';'), {"", "", ""}},
    };
    for (const auto& [id, fields] : cases) {
        EXPECT_EQ(RowOf(ParseDeviceId(id)), fields) << id.substr(0, 60);
    }
}

TEST(UsbCandidatesTest, EachMachineOnceWithWhatItSaysItIs) {
    ListingUsbBus bus;
    FakeSysfs sysfs;
    // Held by the printer driver: its device ID, completed by the kernel's
    // strings; its second printer interface is the same machine.
    bus.printers = {ListedPrinter(0x0101, "AB12", 5), ListedPrinter(0x0101, "AB12", 5, 1, 1)};
    sysfs.addDevice("1-1", 1, 5, "Acme Inc", "FX 100 USB", "AB12");
    sysfs.addDeviceId("1-1", 0, "MFG:Acme;MDL:FX 100;");
    // Interface 1 without a device ID (the 0 one is another function).
    bus.printers.push_back(ListedPrinter(0x0202, "", 7, 1, 1));
    sysfs.addDevice("1-2.3", 1, 7, "Beta", "Office 7");
    sysfs.addDeviceId("1-2.3", 0, "MFG:Wrong interface;");
    // Unknown to sysfs: the descriptors through the backend.
    bus.printers.push_back(ListedPrinter(0x0303, "S3", 2, 3));
    bus.strings[{3, 2}] = {"Gamma\r\n", "Model\t3", "S3"};
    // Same address on another bus, and numbers that are not numbers.
    sysfs.addDevice("2-1", 2, 5, "Delta");
    sysfs.addDevice("1-9", 1, 2, "Epsilon");
    std::ofstream(sysfs.path("1-9/busnum")) << "3x\n";

    const std::vector<UsbCandidate> list = ListUsbCandidates(bus, sysfs.root());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(RowOf(list[0]), (Row{"usb:1A2B:0101:AB12", "Acme", "FX 100", "AB12"}));
    EXPECT_EQ(RowOf(list[1]), (Row{"usb:1A2B:0202", "Beta", "Office 7", ""}));
    EXPECT_EQ(RowOf(list[2]), (Row{"usb:1A2B:0303:S3", "Gamma", "Model 3", "S3"}));
    EXPECT_EQ(bus.stringReads, 2); // only where sysfs left a field empty
    EXPECT_EQ(bus.opens, 0);       // nothing claimed, nothing sent

    // A device ID that is a FIFO without a writer is passed over, not waited on.
    ASSERT_EQ(::mkdir(sysfs.path("1-2.3:1.1").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(sysfs.path("1-2.3:1.1/ieee1284_id").c_str(), 0644), 0);
    EXPECT_EQ(RowOf(ListUsbCandidates(bus, sysfs.root())[1]), RowOf(list[1]));

    bus.listResult = kUsbErrorIo;
    EXPECT_TRUE(ListUsbCandidates(bus, sysfs.root()).empty());
}

TEST(RememberedUsbPortTest, WrittenWholeReadBackAndNeverMalformed) {
    TempDir home;
    ScopedEnv xdg{"XDG_CONFIG_HOME", home.path() + "/config"};
    EXPECT_EQ(RememberedUsbPort(), "");
    ASSERT_TRUE(RememberUsbPort("usb:1A2B:0101:AB12")); // makes the folders
    ASSERT_TRUE(RememberUsbPort("usb:1A2B:0202"));
    EXPECT_EQ(home.read("config/faxrcp/usb-port"), "usb:1A2B:0202\n");
    EXPECT_EQ(RememberedUsbPort(), "usb:1A2B:0202");
    struct stat st {};
    ASSERT_EQ(::stat(RememberedUsbPortPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    for (const std::string& bad :
         std::vector<std::string>{"", "usb:", "sim:", "usb:1A2B 0101", "usb:1A2B\t0101",
                                  "usb:" + std::string(200, 'A')}) {
        EXPECT_FALSE(RememberUsbPort(bad)) << bad;
        home.write("config/faxrcp/usb-port", bad + "\n");
        EXPECT_EQ(RememberedUsbPort(), "") << bad;
    }
    // A folder in the file's place: nothing written, no temporary file left.
    ::unlink(RememberedUsbPortPath().c_str());
    ASSERT_EQ(::mkdir(RememberedUsbPortPath().c_str(), 0700), 0);
    EXPECT_FALSE(RememberUsbPort("usb:1A2B:0101"));
    EXPECT_EQ(RememberedUsbPort(), "");
    EXPECT_EQ(::rmdir(RememberedUsbPortPath().c_str()), 0);

    // Machines on other computers: newest first, each once, at most ten.
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(RememberRemoteMachine("ssh:host" + std::to_string(i % 11)));
    }
    const std::vector<std::string> remote = RememberedRemoteMachines();
    ASSERT_EQ(remote.size(), kRememberedRemoteLimit);
    EXPECT_EQ(remote[0], "ssh:host0");
    EXPECT_EQ(remote[1], "ssh:host10");
    EXPECT_EQ(remote[9], "ssh:host2");
    EXPECT_FALSE(RememberRemoteMachine("usb:1A2B:0101"));
    ::unlink((home.path() + "/config/faxrcp/remote-machines").c_str());
    EXPECT_EQ(::rmdir((home.path() + "/config/faxrcp").c_str()), 0); // it was empty
}

} // namespace
