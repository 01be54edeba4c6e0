// The Information page against the simulated machine: the first refresh,
// the formats, a failed refresh, hidden rows and the language texts.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <cstring>

#include "pages/CInfo.h"
#include "support/ui/qt_window_fixture.h"
#include "templates/info_template.h"

namespace info_page_test {

using namespace info_ids;

void PutBE(sim::InfoBlock& b, size_t at, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    b[at] = static_cast<uint8_t>(u >> 24);
    b[at + 1] = static_cast<uint8_t>(u >> 16);
    b[at + 2] = static_cast<uint8_t>(u >> 8);
    b[at + 3] = static_cast<uint8_t>(u);
}

void PutText(sim::InfoBlock& b, size_t at, size_t size, const char* text) {
    std::memset(&b[at], 0, size);
    std::memcpy(&b[at], text, std::min(size, std::strlen(text)));
}

class InfoPageTest : public WindowTest {
  protected:
    // free memory, platen, ADF scan, print, toner, ADF jam, print jam, versions.
    void MachineShows(uint8_t freeMemory, int32_t platen, int32_t adfScan, int32_t print,
                      int32_t toner, int32_t adfJam, int32_t printJam, const char* firmware,
                      const char* engine, const char* emulation) {
        sim::InfoBlock b{};
        b[0] = freeMemory;
        PutBE(b, 1, platen);
        PutBE(b, 5, adfScan);
        PutBE(b, 9, print);
        PutBE(b, 13, toner);
        PutBE(b, 17, adfJam);
        PutBE(b, 21, printJam);
        PutText(b, 25, 10, firmware);
        PutText(b, 35, 10, engine);
        PutText(b, 45, 30, emulation);
        machine().setInfoBlock(b);
    }

    void MachineSilent() {
        sim::Fault silent;
        silent.silent = true;
        machine().setFault(sim::Command::GetInfo, silent);
    }

    QString Text(int id) const { return page.Control<QLabel>(id)->text(); }

    std::vector<QString> Values() const {
        std::vector<QString> out;
        for (int id : {kFwVersion, kEngineVersion, kEmulVersion, kFreeMemory, kPlatenScan,
                       kPrintCount, kAdfScan, kPrintJam, kAdfJam, kToner}) {
            out.push_back(Text(id));
        }
        return out;
    }

    CInfo page{panelContext};
};

TEST_F(InfoPageTest, FirstShowingReadsTheMachineAndShowsEveryValue) {
    MachineShows(55, 1234, 77, 987654, 3, 2, 0, "2.10", "E 4.5", "ZEML 2.00 01-02-2024");
    const uint32_t before = platform::GetTickCount();
    page.EnsureInitialised();
    EXPECT_EQ(Values(), (std::vector<QString>{"2.10", "E 4.5", "ZEML 2.00 01-02-2024", " 55 % ",
                                              "1234", "987654", "77", "0", "2", "3"}));
    EXPECT_EQ(page.freeMemoryText, " 55 % ");
    EXPECT_EQ(page.tonerCountText, "3");
    // One exchange behind the wait cursor, then the 500 ms pause.
    EXPECT_GE(platform::GetTickCount() - before, 1500u);
    EXPECT_EQ(desk.calls, (std::vector<std::string>{"waitCursor(1)", "waitCursor(0)"}));
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_EQ(machine().commandLog(), std::vector<sim::Command>{sim::Command::GetInfo});
}

TEST_F(InfoPageTest, FullMemoryAndExtremeCountersKeepTheirFormats) {
    MachineShows(100, 0, -5, 2147483647, -1, 0, 0, "1234567890", "",
                 "ZEML 1.21 03-11-2004 BUILD 042");
    page.EnsureInitialised();
    EXPECT_EQ(Text(kFreeMemory), " 100 % ");
    EXPECT_EQ(Text(kPlatenScan), "0");
    // The counters are unsigned, and every value is shown whole.
    EXPECT_EQ(Text(kAdfScan), "4294967291");
    EXPECT_EQ(Text(kPrintCount), "2147483647");
    EXPECT_EQ(Text(kToner), "4294967295");
    EXPECT_EQ(Text(kEmulVersion), "ZEML 1.21 03-11-2004 BUILD 042");
    // A version that fills its field without a terminating zero.
    EXPECT_EQ(Text(kFwVersion), "1234567890");
    EXPECT_EQ(Text(kEngineVersion), "");
}

TEST_F(InfoPageTest, SilentMachineAtFirstShowingLeavesEveryValueEmptyAndSaysSoOnce) {
    MachineSilent();
    page.EnsureInitialised();
    for (const QString& v : Values()) {
        EXPECT_EQ(v, "");
    }
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    EXPECT_EQ(desk.messageBoxes[0].text.toStdString(),
              "The machine is not responding. Check that it is switched on and connected, then "
              "try again.");
    EXPECT_EQ(desk.messageBoxes[0].caption, "Telvane Remote Control Panel");
    EXPECT_EQ(desk.messageBoxes[0].icon, desktop::Icon::Error);
    EXPECT_EQ(desk.messageBoxes[0].buttons, desktop::Buttons::Ok);
    EXPECT_EQ(desk.waitCursorDepth, 0);
}

TEST_F(InfoPageTest, FailedRefreshKeepsTheEarlierValues) {
    MachineShows(40, 10, 0, 20, 1, 0, 4, "1.00", "V1", "EMU");
    page.EnsureInitialised();
    const auto shown = Values();
    MachineShows(90, 99, 99, 99, 99, 99, 99, "9.99", "V9", "EMU 9");
    MachineSilent();
    page.Control<QPushButton>(kRefresh)->click();
    EXPECT_EQ(Values(), shown);
    EXPECT_EQ(page.printCountText, "20");
    ASSERT_EQ(desk.messageBoxes.size(), 1u);

    // Once the machine answers again, Refresh shows the new values.
    machine().clearFaults();
    page.Control<QPushButton>(kRefresh)->click();
    EXPECT_EQ(Text(kPrintCount), "99");
    EXPECT_EQ(Text(kFreeMemory), " 90 % ");
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
}

TEST_F(InfoPageTest, DocumentFeederRowsAndApplyStayHiddenWithTheirTextsSet) {
    page.EnsureInitialised();
    page.show();
    for (int id : {kAdfScanLabel, kAdfScan, kAdfJamLabel, kAdfJam, kApply}) {
        EXPECT_FALSE(page.GetDlgItem(id)->isVisible()) << id;
        EXPECT_TRUE(page.GetDlgItem(id)->isHidden()) << id;
    }
    EXPECT_TRUE(page.GetDlgItem(kPrintJam)->isVisible());
    EXPECT_EQ(Text(kAdfScanLabel), "ADF scan count:");
    EXPECT_EQ(page.Control<QPushButton>(kApply)->text(), "&Apply");
    EXPECT_EQ(page.Control<QPushButton>(kRefresh)->text(), "&Refresh");
    EXPECT_EQ(Text(kFwVersionLabel), "Firmware version:");
    EXPECT_EQ(Text(kTonerLabel), "Replaced toner count:");
    // Apply does nothing here.
    page.Control<QPushButton>(kApply)->click();
    EXPECT_EQ(machine().commandLog().size(), 1u);
}

TEST_F(InfoPageTest, WithoutTheInfoSectionEveryLabelAndButtonIsEmpty) {
    UseLanguage(LanguageFileText("en", {"INFO"}));
    page.EnsureInitialised();
    for (int id : {kFwVersionLabel, kEngineVersionLabel, kEmulVersionLabel, kFreeMemoryLabel,
                   kPrintCountLabel, kPlatenScanLabel, kAdfScanLabel, kAdfJamLabel, kPrintJamLabel,
                   kTonerLabel}) {
        EXPECT_EQ(Text(id), "") << id;
    }
    EXPECT_EQ(page.Control<QPushButton>(kRefresh)->text(), "");
    EXPECT_EQ(page.Control<QPushButton>(kApply)->text(), "");
    // The values are there all the same.
    EXPECT_EQ(Text(kFwVersion), "2.05");
}

TEST_F(InfoPageTest, EveryLanguageNamesEveryText) {
    for (const char* lang : {"en", "fr", "de"}) {
        const auto keys = LanguageKeys(LanguageFileText(lang));
        for (const char* key :
             {"CAPTION", "IDL_FW_VERSION", "IDL_ENGINE_VERSION", "IDL_EMUL_VERSION",
              "IDL_FREE_MEMORY", "IDL_PRINT_COUNT", "IDL_PLATEN_SCAN_COUNT", "IDL_ADF_SCAN_COUNT",
              "IDL_ADF_JAM_COUNT", "IDL_PRINT_JAM_COUNT", "IDL_TONER_COUNT", "IDC_REFRESH",
              "IDC_APPLY"}) {
            const std::string full = std::string("INFO/") + key;
            EXPECT_NE(std::find(keys.begin(), keys.end(), full), keys.end()) << lang << " " << key;
        }
    }
}

} // namespace info_page_test
