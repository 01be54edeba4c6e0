// The start-up sequence: arbitration, phonebook memory, platform and port
// detection, the inquiries with the silent USB fallback, and the user's
// Abort / Retry / Ignore.
#include <optional>
#include <string>
#include <vector>

#include "core/link/fake_libs.h"
#include "core/link/isolated.h"
#include "link/port.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/startup.h"
#include "model/usb_choice.h"
#include "platform/device.h"
#include "platform/program.h"
#include "protocol/inquiry.h"
#include "protocol/phonebook.h"
#include "support/core/context_fixture.h"
#include "support/platform/device_names.h"
#include "support/platform/fake_device.h"
#include "support/platform/temp_dir.h"

namespace {

const ByteVector kInquiry = HexBytes("1B A4 00 04 50 E0 82 C0");

// The fake USB library moves its bytes through the device it names, as the
// real one does.
std::string usbDeviceName;

int UsbWrite(const unsigned char* buffer, int count) {
    auto device = platform::OpenDevice(usbDeviceName, {.write = true, .shared = true});
    long r = device ? device->write(buffer, static_cast<size_t>(count)) : 0;
    return r < 0 ? 0 : static_cast<int>(r);
}

int UsbRead(unsigned char* buffer, int count) {
    auto device = platform::OpenDevice(usbDeviceName, {.read = true, .shared = true});
    long r = device ? device->read(buffer, static_cast<size_t>(count)) : 0;
    return r < 0 ? 0 : static_cast<int>(r);
}

// Answers the inquiry with machineClass, from the n-th inquiry on (1-based).
FakeDevice::Responder AnswerFrom(int n, uint8_t machineClass, size_t cutTo = 10) {
    auto seen = std::make_shared<int>(0);
    return [=](const ByteVector& written) {
        if (written != kInquiry || ++*seen < n) {
            return ByteVector{};
        }
        ByteVector answer = HexBytes("1B A4 00 06 50 E0 00 64 01");
        answer.push_back(machineClass);
        answer.resize(cutTo);
        return answer;
    };
}

class StartupTest : public ContextTest {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        platform::SetVersionForTests(platform::VersionInfo{platform::PlatformId::Nt, 5, 0});
        usbDeviceName = "fake:usb";
        UseFullFakes();
        hooks.waitCursor = [this](bool on) { cursor.push_back(on); };
        hooks.notResponding = [this] {
            ++asked;
            if (choices.empty()) {
                return NotRespondingChoice::Abort;
            }
            NotRespondingChoice c = choices.front();
            choices.erase(choices.begin());
            return c;
        };
        hooks.portBusy = [this](PortHolder) { return ++busy <= busyRetries; };
    }

    // The program runs from the folder of fake libraries with every entry
    // point. The USB library names "fake:usb", which opens only where a test
    // registers a device of that name.
    void UseFullFakes() {
        vexlink.emplace("full");
        tirusb.emplace("full", "tirusb");
        tiropen.emplace("full", "tiropen");
        vexlink->set(1, 1);
        tirusb->set("fake:usb", UsbWrite, UsbRead);
        tiropen->set("fake:usb");
        fakes::UseProgramFolder("full");
    }

    void Win9x() {
        platform::SetVersionForTests(platform::VersionInfo{platform::PlatformId::Windows9x, 4, 10});
    }

    std::vector<std::string> PortTraces() const {
        std::vector<std::string> lines;
        for (const std::string& line : traceLines()) {
            if (line.rfind(" Port = ", 0) == 0 || line.rfind(" USB Control Port", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    static int Inquiries(const FakeDevice& device) {
        int n = 0;
        for (const ByteVector& w : device.writes()) {
            n += w == kInquiry;
        }
        return n;
    }

    TempDir profiles;
    ScopedEnv xdg{"XDG_CONFIG_HOME", profiles.path()};
    ScopedEnv noUsbPort = ScopedEnv::unset("FAXRCP_USB_PORT");
    std::optional<fakes::Vexlink> vexlink;
    std::optional<fakes::Usb> tirusb;
    std::optional<fakes::Usb> tiropen;
    FakeDevice ecp{kEcp1};
    FakeDevice lpt{"LPT1"};

    StartupHooks hooks;
    std::vector<bool> cursor;
    std::vector<NotRespondingChoice> choices;
    int asked = 0;
    int busy = 0;
    int busyRetries = 0;
};

TEST_F(StartupTest, MachineAnsweringOnUsbOpensTheMainWindowOnUsb) {
    FakeDevice usb("fake:usb");
    usb.setResponder(AnswerFrom(1, 5));
    panelContext.records.inquiryRecord.machineClass = 9;

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);

    EXPECT_EQ(panelContext.link.currentPort, 0);
    EXPECT_EQ(panelContext.link.isNt5, 1);
    EXPECT_EQ(panelContext.link.isWin9x, 0);
    EXPECT_STREQ(panelContext.link.usbWritePath, "fake:usb");
    EXPECT_STREQ(panelContext.link.usbReadPath, "fake:usb");
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, 5);
    EXPECT_EQ(Inquiries(usb), 1);
    EXPECT_EQ(ecp.opens(), 0);
    // The probe opens the write path for both directions, shared.
    platform::OpenMode probe = usb.openModes().at(0);
    EXPECT_TRUE(probe.read && probe.write && probe.shared);
    EXPECT_EQ(PortTraces(), (std::vector<std::string>{" Port = USB, Win98 = 0\r"}));
    EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(vexlink->acquireCalls(), 1);
    EXPECT_EQ(vexlink->lastId(), 8);
    EXPECT_EQ(panelContext.records.phonebookSlotCount, 100);
    EXPECT_EQ(LanguageFileInUse(), fakes::Folder("full") + "/");
}

TEST_F(StartupTest, ANamedDeviceIsTheOnlyOneTriedAndCancelEndsBetweenInquiries) {
    const ScopedEnv named("FAXRCP_USB_PORT", "fake:usb");
    FakeDevice usb("fake:usb");
    std::vector<LookingAt> places;
    hooks.looking = [&](LookingAt where) { places.push_back(where); };

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::Aborted);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(panelContext.link.currentPort, 0);
    EXPECT_EQ(Inquiries(usb), 2);
    EXPECT_EQ(ecp.opens(), 0);
    EXPECT_EQ(places, std::vector<LookingAt>{LookingAt::Usb});

    hooks.cancelled = [&] { return Inquiries(usb) >= 3; };
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::Aborted);
    EXPECT_EQ(Inquiries(usb), 3);
    EXPECT_EQ(asked, 1);
}

TEST_F(StartupTest, UsbSilentOnWin9xFallsBackToLpt1AndTheTraceStillNamesUsb) {
    Win9x();
    FakeDevice pipes("fake:usb*");
    lpt.setResponder(AnswerFrom(2, 2));

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);

    EXPECT_EQ(panelContext.link.currentPort, 1);
    EXPECT_EQ(panelContext.link.isWin9x, 1);
    EXPECT_EQ(panelContext.link.isNt5, 0);
    EXPECT_STREQ(panelContext.link.usbWritePath, "fake:usb\\PIPE00");
    EXPECT_STREQ(panelContext.link.usbReadPath, "fake:usb\\PIPE01");
    EXPECT_EQ(Inquiries(pipes), 2);
    EXPECT_EQ(Inquiries(lpt), 2);
    EXPECT_EQ(PortTraces(), (std::vector<std::string>{" USB Control Port = fake:usb\r",
                                                      " Port = USB, Win98 = 1\r"}));
    // Each inquiry drains the read pipe before its request, then reads it.
    std::vector<std::string> names = pipes.openNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "fake:usb\\PIPE01"), 4);
    EXPECT_EQ(asked, 0);
}

// Run by WithoutAUsbLibraryTheParallelPortIsChosen in a folder of its own.
TEST_F(StartupTest, DISABLED_IsolatedWithoutAUsbLibrary) {
    // A library loaded in the process is found by its bare name: drop them.
    tirusb.reset();
    tiropen.reset();
    vexlink.reset();
    fakes::UseProgramFolder("vexlink"); // the arbitration library alone
    fakes::Vexlink alone("vexlink");
    alone.set(1, 1);
    ASSERT_TRUE(fakes::Absent("tirusb.dll"));
    ASSERT_TRUE(fakes::Absent("tiropen.dll"));
    ecp.setResponder(AnswerFrom(1, 2));
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 4);
    EXPECT_EQ(panelContext.link.usbLibrary, nullptr);
    EXPECT_EQ(PortTraces(), (std::vector<std::string>{" Port = \\\\.\\VornEcp1, Win98 = 0\r"}));
    RunExit(panelContext);
    panelContext.link.Reset();

    Win9x();
    clearTrace();
    lpt.setResponder(AnswerFrom(1, 2));
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 1);
    EXPECT_EQ(panelContext.link.usbLibrary, nullptr);
    EXPECT_EQ(PortTraces(), (std::vector<std::string>{" Port = LPT1, Win98 = 1\r"}));
    RunExit(panelContext);
}

TEST_F(StartupTest, WithoutAUsbLibraryTheParallelPortIsChosen) {
    EXPECT_TRUE(fakes::RunIsolated("StartupTest.DISABLED_IsolatedWithoutAUsbLibrary"));
}

TEST_F(StartupTest, UsbLibraryWithoutTheTimedReadStillServesTheUsbPort) {
    fakes::Vexlink olderVexlink("older");
    fakes::Usb olderUsb("older", "tirusb"); // no Win2kUsbReadWithin
    olderVexlink.set(1, 1);
    olderUsb.set("fake:usb", UsbWrite, UsbRead);
    fakes::UseProgramFolder("older");
    FakeDevice usb("fake:usb");
    usb.setResponder(AnswerFrom(1, 5));
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 0);
    EXPECT_EQ(panelContext.link.pWin2kUsbReadWithin, nullptr);
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, 5);
}

TEST_F(StartupTest, UsbLibraryLackingAnEntryPointCountsAsAbsent) {
    fakes::Vexlink partialVexlink("partial");
    fakes::Usb partialUsb("partial", "tirusb");   // no Win2kUsbRead
    fakes::Usb partialOpen("partial", "tiropen"); // no GetControlPortName
    partialVexlink.set(1, 1);
    partialUsb.set("fake:usb", UsbWrite, nullptr);
    partialOpen.set("fake:usb");
    fakes::UseProgramFolder("partial");
    FakeDevice usb("fake:usb*");
    ecp.setResponder(AnswerFrom(1, 2));

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 4);
    EXPECT_EQ(partialUsb.nameCalls(), 0);
    EXPECT_EQ(usb.opens(), 0);
    RunExit(panelContext);
    panelContext.link.Reset();
    FreePhonebookTable(panelContext.records);

    Win9x();
    clearTrace();
    lpt.setResponder(AnswerFrom(1, 2));
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 1);
    EXPECT_EQ(usb.opens(), 0);
    EXPECT_EQ(PortTraces(), (std::vector<std::string>{" Port = LPT1, Win98 = 1\r"}));
}

// The USB port silent, closed or found on Retry; the ECP device silent,
// closed or answering short; and what the user answered to "not responding".
struct Fallback {
    const char* name;
    enum class Usb { Absent, Silent, WillNotOpen, OpensOnRetry } usb;
    int ecpAnswersFrom; // the n-th inquiry on the ECP device on (0: never)
    size_t ecpAnswerCut;
    bool ecpOpens;
    std::optional<NotRespondingChoice> choice;
    StartupOutcome outcome;
    int port, asked, usbInquiries, ecpInquiries, machineClass;
    enum class Traced { Usb, Ecp, EcpThenUsb } traced;
    int detections; // each shows the wait cursor and takes it back
};

class StartupFallbackTest : public StartupTest, public ::testing::WithParamInterface<Fallback> {};

TEST_P(StartupFallbackTest, KeepsThePortThatAnswers) {
    using Usb = Fallback::Usb;
    const Fallback& c = GetParam();
    std::optional<FakeDevice> usb;
    if (c.usb != Usb::Absent) {
        usb.emplace("fake:usb");
        usb->setOpenable(c.usb != Usb::WillNotOpen);
    }
    if (c.usb == Usb::OpensOnRetry) {
        usb->refuseOpens(1);
        usb->setResponder(AnswerFrom(1, 2));
    }
    ecp.setOpenable(c.ecpOpens);
    if (c.ecpAnswersFrom > 0) {
        ecp.setResponder(AnswerFrom(c.ecpAnswersFrom, 2, c.ecpAnswerCut));
    }
    if (c.choice) {
        choices = {*c.choice};
    }
    panelContext.records.inquiryRecord.machineClass = 9; // start-up's defaults put 2

    EXPECT_EQ(RunStartup(panelContext, hooks), c.outcome);

    EXPECT_EQ(panelContext.link.currentPort, c.port);
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(usb ? Inquiries(*usb) : 0, c.usbInquiries);
    EXPECT_EQ(Inquiries(ecp), c.ecpInquiries);
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, c.machineClass);
    const std::string viaUsb = " Port = USB, Win98 = 0\r";
    const std::string viaEcp = " Port = \\\\.\\VornEcp1, Win98 = 0\r";
    const std::vector<std::string> traced[] = {{viaUsb}, {viaEcp}, {viaEcp, viaUsb}};
    EXPECT_EQ(PortTraces(), traced[static_cast<int>(c.traced)]);
    std::vector<bool> shown;
    for (int i = 0; i < c.detections; ++i) {
        shown.insert(shown.end(), {true, false});
    }
    EXPECT_EQ(cursor, shown);
    // The library names its port once a detection, and nothing opens twice
    // what would not open.
    const int retries = c.choice == NotRespondingChoice::Retry ? 1 : 0;
    EXPECT_EQ(tirusb->nameCalls(), 1 + retries);
    EXPECT_EQ(usb ? usb->refusedOpens() : 0,
              c.usb == Usb::WillNotOpen ? 1 + retries : c.usb == Usb::OpensOnRetry);
}

using Usb = Fallback::Usb;
using Choice = NotRespondingChoice;
using Outcome = StartupOutcome;
using Traced = Fallback::Traced;
INSTANTIATE_TEST_SUITE_P(
    Startup, StartupFallbackTest,
    ::testing::Values(
        Fallback{"UsbSilentOnNt5FallsBackToTheEcpDeviceWithoutAWord", Usb::Silent, 2, 10, true,
                 std::nullopt, Outcome::MainWindow, 4, 0, 2, 2, 2, Traced::Usb, 2},
        Fallback{"UsbPipeThatWillNotOpenFallsBackWithoutInquiringOnUsb", Usb::WillNotOpen, 1, 10,
                 true, std::nullopt, Outcome::MainWindow, 4, 0, 0, 1, 2, Traced::Ecp, 1},
        Fallback{"RetryFindsAUsbPipeThatAppearedMeanwhile", Usb::OpensOnRetry, 0, 10, true,
                 Choice::Retry, Outcome::MainWindow, 0, 1, 1, 2, 2, Traced::EcpThenUsb, 2},
        Fallback{"AbortAfterTwoSilentInquiriesOnTheParallelPort", Usb::Absent, 0, 10, true,
                 std::nullopt, Outcome::Aborted, 4, 1, 0, 2, 0, Traced::Ecp, 1},
        Fallback{"IgnoreAfterWriteFailuresKeepsMachineClass2", Usb::Absent, 0, 10, false,
                 Choice::Ignore, Outcome::MainWindow, 4, 1, 0, 0, 2, Traced::Ecp, 1},
        Fallback{"IgnoreAfterAShortAnswerLeavesMachineClass0", Usb::Absent, 1, 4, true,
                 Choice::Ignore, Outcome::MainWindow, 4, 1, 0, 2, 0, Traced::Ecp, 1}),
    [](const ::testing::TestParamInfo<Fallback>& info) { return std::string(info.param.name); });

TEST_F(StartupTest, RetryDetectsAgainWithoutLoadingTheLibraryAgain) {
    FakeDevice usb("fake:usb");
    usb.setOpenable(false);
    choices = {NotRespondingChoice::Retry, NotRespondingChoice::Abort};

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::Aborted);

    EXPECT_EQ(asked, 2);
    EXPECT_EQ(tirusb->nameCalls(), 2);
    EXPECT_EQ(usb.refusedOpens(), 2);
    EXPECT_EQ(Inquiries(ecp), 4);
    EXPECT_EQ(PortTraces(), (std::vector<std::string>{" Port = \\\\.\\VornEcp1, Win98 = 0\r",
                                                      " Port = \\\\.\\VornEcp1, Win98 = 0\r"}));
    // One load only: after dropping the program's one reference, nobody but
    // the test holds the library.
    platform::FreeLibrary(panelContext.link.usbLibrary);
    panelContext.link.usbLibrary = nullptr;
    EXPECT_FALSE(tirusb->lib.heldElsewhere());
}

TEST_F(StartupTest, RefusedPortEndsBeforeMemoryAndDetectionAndExitStillReleases) {
    vexlink->set(0, 1);
    FakeDevice usb("fake:usb");
    busyRetries = 2; // Retry asks the arbitration again

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::PortBusy);

    EXPECT_EQ(busy, 3);
    EXPECT_EQ(panelContext.records.phonebookTable, nullptr);
    EXPECT_EQ(panelContext.records.groupRefCount, nullptr);
    EXPECT_EQ(panelContext.link.usbLibrary, nullptr);
    EXPECT_EQ(usb.opens() + ecp.opens(), 0);
    EXPECT_TRUE(PortTraces().empty());

    RunExit(panelContext);
    EXPECT_EQ(vexlink->releaseCalls(), 1);
    EXPECT_EQ(vexlink->lastId(), 8);
    EXPECT_EQ(traceLines().back(), "RCP: Port Release - TRUE\n");
}

TEST_F(StartupTest, ArbitrationLibraryWithoutPortAcquireMakesThePortBusyAndExitReleasesNothing) {
    fakes::Vexlink partial("noacquire");
    partial.set(1, 1);
    fakes::UseProgramFolder("noacquire");

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::PortBusy);
    EXPECT_EQ(busy, 1);
    EXPECT_EQ(panelContext.records.phonebookTable, nullptr);

    RunExit(panelContext);
    EXPECT_EQ(partial.releaseCalls(), 0);
    EXPECT_EQ(traceLines().back(), "RCP: Port Acquire - FAILED");
}

TEST_F(StartupTest, ExitReleasesThePortAndFreesThePhonebook) {
    ecp.setResponder(AnswerFrom(1, 2));
    FakeDevice usb("fake:usb");
    usb.setOpenable(false);
    ASSERT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    ASSERT_NE(panelContext.records.phonebookTable, nullptr);

    RunExit(panelContext);

    EXPECT_EQ(panelContext.records.phonebookTable, nullptr);
    EXPECT_EQ(panelContext.records.groupRefCount, nullptr);
    EXPECT_EQ(vexlink->releaseCalls(), 1);
    EXPECT_EQ(panelContext.link.arbitrationLibrary, nullptr);
}

TEST_F(StartupTest, PlatformsOtherThanNt5And9xUseTheEcpDeviceWithoutAnyLibrary) {
    FakeDevice usb("fake:usb");
    usb.setResponder(AnswerFrom(1, 2));
    ecp.setResponder([](const ByteVector& w) {
        return w == kInquiry ? HexBytes("1B A4 00 06 50 E0 00 64 01 02") : ByteVector{};
    });
    const std::optional<platform::VersionInfo> versions[] = {
        std::nullopt,
        platform::VersionInfo{platform::PlatformId::Nt, 4, 0},
        platform::VersionInfo{platform::PlatformId::Win32s, 5, 0},
    };
    for (const auto& version : versions) {
        platform::SetVersionForTests(version);
        clearTrace();
        EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
        EXPECT_EQ(panelContext.link.isNt5, 0);
        EXPECT_EQ(panelContext.link.isWin9x, 0);
        EXPECT_EQ(panelContext.link.currentPort, 4);
        EXPECT_EQ(panelContext.link.usbLibrary, nullptr);
        RunExit(panelContext);
    }
    EXPECT_EQ(usb.opens(), 0);
}

TEST_F(StartupTest, PortTypeComesFromKelpixIniClampedTo1To3) {
    ecp.setResponder([](const ByteVector& w) {
        return w == kInquiry ? HexBytes("1B A4 00 06 50 E0 00 64 01 02") : ByteVector{};
    });
    struct Case {
        std::optional<std::string> value; // nullopt: no KELPIX.INI
        int expected;
    };
    const Case cases[] = {{std::nullopt, 1}, {"0", 1}, {"4", 1}, {"-2", 1},
                          {"2", 2},          {"3", 3}, {"x", 1}};
    for (const Case& c : cases) {
        if (c.value) {
            profiles.write("KELPIX.INI", "[KELPIX DRIVER]\nPortType=" + *c.value + "\n");
        }
        panelContext.portType = 99;
        EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
        EXPECT_EQ(panelContext.portType, c.expected) << c.value.value_or("(no file)");
        EXPECT_EQ(panelContext.link.currentPort, 4); // the port type chooses no port
        RunExit(panelContext);
    }
}

// Two machines on USB, and a library that names neither of them.
class UsbChoiceStartupTest : public StartupTest {
  protected:
    void SetUp() override {
        StartupTest::SetUp();
        fakes::namingUsb = &*tirusb;
        tirusb->set("", fakes::WriteToNamed, fakes::ReadFromNamed);
        // Blank, nameless and CR-ended lines are read as well as they can be.
        tirusb->setList("usb:1A2B:0101:A1\tAcme\tFX 100\tA1\r\n\n\tno name\n"
                        "usb:1A2B:0202:B2\tAcme\tFX 200\tB2\textra\n",
                        2);
        hooks.chooseUsbDevice = [this](const std::vector<UsbCandidate>& candidates) {
            offered.push_back(candidates);
            return choice;
        };
    }
    void TearDown() override {
        fakes::namingUsb = nullptr;
        StartupTest::TearDown();
    }
    std::string remembered() const { return profiles.read("faxrcp/usb-port"); }

    std::optional<std::string> choice;
    std::vector<std::vector<UsbCandidate>> offered;
};

TEST_F(UsbChoiceStartupTest, TheChosenMachineIsUsedAndRememberedAndRetryDoesNotAskAgain) {
    FakeDevice first("usb:1A2B:0101:A1");
    FakeDevice second("usb:1A2B:0202:B2");
    second.refuseOpens(1); // not ready the first time: Retry finds it
    second.setResponder(AnswerFrom(1, 5));
    choice = "usb:1A2B:0202:B2";
    choices = {NotRespondingChoice::Retry};

    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);

    ASSERT_EQ(offered.size(), 1u);
    ASSERT_EQ(offered[0].size(), 2u);
    const UsbCandidate& a = offered[0][0];
    const UsbCandidate& b = offered[0][1];
    EXPECT_EQ((std::vector<std::string>{a.name, a.maker, a.model, a.serial, b.name, b.serial}),
              (std::vector<std::string>{"usb:1A2B:0101:A1", "Acme", "FX 100", "A1",
                                        "usb:1A2B:0202:B2", "B2"}));
    EXPECT_EQ(tirusb->selectCalls(), 1);
    EXPECT_EQ(panelContext.link.currentPort, 0);
    EXPECT_STREQ(panelContext.link.usbWritePath, "usb:1A2B:0202:B2");
    EXPECT_EQ(Inquiries(second), 1);
    EXPECT_EQ(first.opens() + first.refusedOpens(), 0);
    EXPECT_EQ(remembered(), "usb:1A2B:0202:B2\n");
}

// "Machine on another computer..." while start-up looks: it stops looking,
// then looks at the machine named instead (remembered); none ends as Cancel.
TEST_F(UsbChoiceStartupTest, AMachineNamedWhileLookingIsLookedAtInstead) {
    FakeDevice first("usb:1A2B:0101:A1");
    first.setResponder(AnswerFrom(1, 5));
    choice = "";
    for (const std::optional<std::string>& instead :
         {std::optional<std::string>("usb:1A2B:0101:A1"), std::optional<std::string>()}) {
        SCOPED_TRACE(instead.value_or("(cancel)"));
        int asked = 0;
        hooks.cancelled = [&] { return asked == 0; };
        hooks.instead = [&] { return ++asked, instead; };
        EXPECT_EQ(RunStartup(panelContext, hooks),
                  instead ? StartupOutcome::MainWindow : StartupOutcome::Aborted);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(Inquiries(first), 1);
        EXPECT_EQ(ecp.opens(), 0);
        RunExit(panelContext);
    }
    EXPECT_EQ(tirusb->selectCalls(), 1);
    EXPECT_EQ(remembered(), "usb:1A2B:0101:A1\n");
}

TEST_F(UsbChoiceStartupTest, CancelOrAnUnlistedNameGoesToTheParallelPortNoAnswerEndsStartUp) {
    FakeDevice first("usb:1A2B:0101:A1");
    ecp.setResponder(AnswerFrom(1, 2));
    const std::pair<std::optional<std::string>, StartupOutcome> cases[] = {
        {"", StartupOutcome::MainWindow},
        {"usb:1A2B:0303", StartupOutcome::MainWindow},
        {std::nullopt, StartupOutcome::NoUsbDeviceNamed},
    };
    for (const auto& [answer, outcome] : cases) {
        SCOPED_TRACE(answer.value_or("(none)"));
        choice = answer;
        offered.clear();
        const int ecpOpens = ecp.opens();
        EXPECT_EQ(RunStartup(panelContext, hooks), outcome);
        EXPECT_EQ(offered.size(), 1u);
        EXPECT_EQ(ecp.opens() > ecpOpens, answer.has_value());
        EXPECT_EQ(tirusb->selectCalls(), 0);
        EXPECT_EQ(first.opens(), 0);
        EXPECT_EQ(remembered(), "");
        RunExit(panelContext);
    }
    EXPECT_EQ(vexlink->releaseCalls(), 3); // the port went back every time
}

TEST_F(UsbChoiceStartupTest, NoQuestionWhenTheLibraryNamesOneListsFewerOrCannotList) {
    FakeDevice usb("fake:usb");
    usb.setResponder(AnswerFrom(1, 5));
    tirusb->set("fake:usb", UsbWrite, UsbRead); // the variable, or the remembered one
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 0);
    RunExit(panelContext);

    ecp.setResponder(AnswerFrom(1, 2));
    tirusb->set("", UsbWrite, UsbRead);
    tirusb->setList("usb:1A2B:0101:A1\tAcme\tFX 100\tA1\n", 1);
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 4);
    RunExit(panelContext);
    EXPECT_TRUE(offered.empty());

    // An older library without the list starts as before.
    panelContext.link.Reset();
    fakes::Vexlink olderVexlink("older");
    fakes::Usb olderUsb("older", "tirusb");
    olderVexlink.set(1, 1);
    olderUsb.set("", UsbWrite, UsbRead);
    fakes::UseProgramFolder("older");
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);
    EXPECT_EQ(panelContext.link.currentPort, 4);
    EXPECT_EQ(panelContext.link.pListControlPorts, nullptr);
    EXPECT_TRUE(UsbCandidates(panelContext.link).empty());
    EXPECT_TRUE(offered.empty());
}

} // namespace
