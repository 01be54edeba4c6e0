// The choice among several USB machines at start-up, as the panel asks it.
#include <gtest/gtest.h>

#include <algorithm>

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include "core/link/fake_libs.h"
#include "link/port.h"
#include "model/startup.h"
#include "platform/program.h"
#include "protocol/inquiry.h"
#include "shell/CRcpApp.h"
#include "shell/CUsbChoice.h"
#include "support/platform/fake_device.h"
#include "support/ui/qt_window_fixture.h"
#include "widgets/CIconButton.h"

namespace {

const ByteVector kInquiry = HexBytes("1B A4 00 04 50 E0 82 C0");

class UsbChoiceWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        platform::SetVersionForTests(platform::VersionInfo{platform::PlatformId::Nt, 5, 0});
        vexlink.set(1, 1);
        usb.set("", fakes::WriteToNamed, fakes::ReadFromNamed);
        usb.setList("usb:1A2B:0101:A1\tAcme\tFX 100\tA1\n"
                    "usb:1A2B:0202:B2\tAcme\tFX 200\tB2\n",
                    2);
        fakes::namingUsb = &usb;
        fakes::UseProgramFolder("full");
    }
    void TearDown() override {
        fakes::namingUsb = nullptr;
        WindowTest::TearDown();
    }

    TempDir profiles;
    ScopedEnv xdg{"XDG_CONFIG_HOME", profiles.path()};
    ScopedEnv noUsbPort = ScopedEnv::unset("FAXRCP_USB_PORT");
    fakes::Vexlink vexlink{"full"};
    fakes::Usb usb{"full", "tirusb"};
    FakeDevice ecp{"\\\\.\\VornEcp1"};
};

TEST_F(UsbChoiceWindowTest, SecondMachineChosenInTheDialogIsTheOneStartUpUses) {
    FakeDevice first("usb:1A2B:0101:A1");
    FakeDevice second("usb:1A2B:0202:B2");
    second.setResponder([](const ByteVector& w) {
        return w == kInquiry ? HexBytes("1B A4 00 06 50 E0 00 64 01 05") : ByteVector{};
    });
    bool answered = false;
    WhenModalOpens([&](QWidget* modal) {
        auto* dlg = qobject_cast<CUsbChoice*>(modal);
        ASSERT_NE(dlg, nullptr);
        answered = true;
        EXPECT_EQ(dlg->windowTitle(), "Choose the machine");
        QTreeWidget* list = dlg->List();
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->headerItem()->text(0), "Maker");
        EXPECT_EQ(list->topLevelItem(1)->text(1), "FX 200");
        EXPECT_EQ(list->topLevelItem(1)->text(2), "B2");
        EXPECT_EQ(list->topLevelItem(1)->text(3), "usb:1A2B:0202:B2");
        // Every column shows its texts whole.
        for (int c = 0; c < 4; ++c) {
            EXPECT_GE(list->columnWidth(c),
                      list->fontMetrics().horizontalAdvance(list->topLevelItem(1)->text(c)))
                << c;
        }
        // Without a remembered machine the first is chosen: OK works at once.
        EXPECT_TRUE(list->topLevelItem(0)->isSelected());
        EXPECT_TRUE(dlg->OkButton()->isEnabled());
        const QRect row = list->visualItemRect(list->topLevelItem(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        EXPECT_TRUE(dlg->OkButton()->isEnabled());
        QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
    });

    StartupHooks hooks = CRcpApp::MakeStartupHooks();
    // The fake libraries' folder has no language file: the build's English one.
    hooks.chooseUsbDevice = [ask = hooks.chooseUsbDevice, this](const auto& candidates) {
        UseLanguageOf("en");
        return ask(candidates);
    };
    EXPECT_EQ(RunStartup(panelContext, hooks), StartupOutcome::MainWindow);

    EXPECT_TRUE(answered);
    EXPECT_EQ(panelContext.link.currentPort, 0);
    EXPECT_STREQ(panelContext.link.usbWritePath, "usb:1A2B:0202:B2");
    EXPECT_EQ(panelContext.records.inquiryRecord.machineClass, 5);
    EXPECT_EQ(first.opens(), 0);
    EXPECT_EQ(profiles.read("faxrcp/usb-port"), "usb:1A2B:0202:B2\n");
    RunExit(panelContext);
}

TEST_F(UsbChoiceWindowTest, EveryLanguageNamesTheDialogsTexts) {
    for (const char* lang : {"en", "fr", "de"}) {
        const auto keys = LanguageKeys(LanguageFileText(lang));
        for (const char* key :
             {"USB_CHOICE/CAPTION", "USB_CHOICE/IDC_PROMPT", "USB_CHOICE/IDC_COL_MAKER",
              "USB_CHOICE/IDC_COL_MODEL", "USB_CHOICE/IDC_COL_SERIAL", "USB_CHOICE/IDC_COL_PORT",
              "USB_CHOICE/IDOK", "USB_CHOICE/IDCANCEL"}) {
            EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << lang << " " << key;
        }
    }
}

} // namespace
