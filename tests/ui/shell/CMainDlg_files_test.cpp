// The main window's file commands for settings files and address books, on
// the simulated machine: what reaches the file, what the pages show after a
// load, and that nothing reaches the machine until Apply or Write.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>

#include "model/phonebook_file.h"
#include "model/phonebook_import_choice.h"
#include "model/phonebook_ops.h"
#include "pages/CAdvanced.h"
#include "pages/CSettings.h"
#include "phonebook/CImportQuestion.h"
#include "phonebook/CPhonebook.h"
#include "phonebook/qt_phonebook_print.h"
#include "protocol/inquiry.h"
#include "protocol/phonebook.h"
#include "protocol/system_setup.h"
#include "shell/CMainDlg.h"
#include "support/platform/temp_dir.h"
#include "support/ui/qt_window_fixture.h"
#include "templates/advanced_template.h"
#include "templates/settings_template.h"

namespace {

class MainDlgFilesTest : public WindowTest {
  protected:
    std::unique_ptr<CMainDlg> OpenShown() {
        panelContext.records.inquiryRecord.machineClass = 2;
        auto dlg = std::make_unique<CMainDlg>(panelContext);
        dlg->show();
        QCoreApplication::processEvents();
        return dlg;
    }
    static QString FieldText(CPropertyPage* page, int id) {
        return page->Control<QLineEdit>(id)->text();
    }
    // The file's text with the line of a field given another value.
    static std::string WithValue(const std::string& text, const std::string& name,
                                 const std::string& value) {
        return std::regex_replace(text, std::regex("\n" + name + "=[^\n]*"),
                                  "\n" + name + "=" + value);
    }
};

TEST_F(MainDlgFilesTest, SavedSettingsLoadBackOntoBothPagesAndReachTheMachineOnlyByApply) {
    auto dlg = OpenShown();
    auto* advanced = dlg->Page<CAdvanced>();
    ASSERT_FALSE(advanced->IsInitialised());

    desk.saveAnswers.push_back(QString::fromStdString(dir.file("office")));
    dlg->MenuItem(ID_FILE_SAVE_SETTINGS)->trigger();
    EXPECT_TRUE(desk.messageBoxes.empty());
    ASSERT_EQ(desk.fileDialogs.size(), 1u);
    EXPECT_EQ(desk.fileDialogs[0].options.filter.toStdString(),
              "Settings files(*.stf)|*.stf|All files (*.*)|*.*||");
    EXPECT_EQ(desk.fileDialogs[0].options.defaultExtension.toStdString(), "stf");
    // The Advanced page had not been shown: its record was read for the file.
    EXPECT_TRUE(advanced->IsInitialised());
    const std::string saved = dir.read("office.stf");
    EXPECT_EQ(saved.rfind("faxrcp settings 1", 0), 0u) << saved;
    EXPECT_NE(saved.find("\n[setup]\n"), std::string::npos);
    EXPECT_NE(saved.find("\n[status]\n"), std::string::npos);
    EXPECT_TRUE(dlg->StatusLine()->text().contains("office.stf"));
    // The blocks as the pages send them unchanged (texts lose their padding).
    auto* settings = dlg->Page<CSettings>();
    settings->OnApply();
    advanced->OnApply();
    const sim::SetupBlock setupBefore = machine().setupBlock();
    const sim::StatusBlock statusBefore = machine().statusBlock();

    dir.write("office.STF", WithValue(WithValue(saved, "copies", "7"), "machineId", "BRANCH"));
    machine().clearLog();
    desk.openAnswers.push_back(QString::fromStdString(dir.file("office.STF")));
    dlg->MenuItem(ID_FILE_LOAD_SETTINGS)->trigger();
    EXPECT_TRUE(desk.messageBoxes.empty());
    EXPECT_TRUE(machine().commandLog().empty()); // shown, not sent
    EXPECT_EQ(FieldText(settings, settings_ids::kCopies), "7");
    EXPECT_EQ(FieldText(advanced, advanced_ids::kMachineId), "BRANCH");
    EXPECT_TRUE(settings->HasUnsentChanges());
    EXPECT_TRUE(advanced->HasUnsentChanges());

    // Apply sends what was loaded: the two edited values and nothing else.
    settings->OnApply();
    advanced->OnApply();
    sim::SetupBlock setupAfter = machine().setupBlock();
    EXPECT_EQ(setupAfter[12], 7);
    setupAfter[12] = setupBefore[12];
    EXPECT_EQ(setupAfter, setupBefore);
    sim::StatusBlock statusAfter = machine().statusBlock();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&statusAfter[20]), 6), "BRANCH");
    std::memcpy(&statusAfter[20], &statusBefore[20], 20);
    EXPECT_EQ(statusAfter, statusBefore);
}

TEST_F(MainDlgFilesTest, ASettingsFileWithWrongLinesChangesNothingAndNamesThem) {
    auto dlg = OpenShown();
    auto* settings = dlg->Page<CSettings>();
    const SystemSetup setup = panelContext.records.systemSetup;
    dir.write("bad.stf", "faxrcp settings 1\n[setup]\ncopies=500\nnoSuchField=1\n");
    desk.openAnswers.push_back(QString::fromStdString(dir.file("bad.stf")));
    dlg->MenuItem(ID_FILE_LOAD_SETTINGS)->trigger();
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    const QString text = desk.messageBoxes[0].text;
    EXPECT_TRUE(text.contains("Line 3: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Line 4: ")) << text.toStdString();
    EXPECT_EQ(std::memcmp(&panelContext.records.systemSetup, &setup, sizeof setup), 0);
    EXPECT_FALSE(settings->HasUnsentChanges());
}

TEST_F(MainDlgFilesTest, SavingSettingsWithTheMachineGoneWritesNoFile) {
    auto dlg = OpenShown();
    dir.write("office.STF", "earlier");
    machine().setFault(sim::Command::GetStatus, sim::Fault{.silent = true});
    // The Advanced page's record has never been read: it cannot be saved.
    desk.saveAnswers.push_back(QString::fromStdString(dir.file("office.STF")));
    dlg->MenuItem(ID_FILE_SAVE_SETTINGS)->trigger();
    ASSERT_EQ(desk.messageBoxes.size(), 1u); // the machine does not answer
    EXPECT_EQ(dir.read("office.STF"), "earlier");
    EXPECT_FALSE(dlg->StatusLine()->text().contains("office"));
}

TEST_F(MainDlgFilesTest, ImportAndExportGoThroughThePhonebookPage) {
    const ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100)); // as start-up does
    machine().clearPhonebook();
    machine().setSlotNumber(0, "ALICE", "5551234");
    auto dlg = OpenShown();
    dlg->Sheet()->setCurrentIndex(2);
    QCoreApplication::processEvents();
    auto* page = dlg->Page<CPhonebook>();
    ASSERT_TRUE(page->IsInitialised());
    ASSERT_EQ(page->List()->topLevelItemCount(), 100);

    dir.write("friends.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Émile Zola\r\n"
                             "TEL;TYPE=work:+33 1 23 45 67 89\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Alice again\r\n"
                             "TEL:555-1234\r\nEND:VCARD\r\n");
    machine().clearLog();
    desk.openAnswers.push_back(QString::fromStdString(dir.file("friends.vcf")));
    // The question before an address book: its answers are remembered.
    WhenModalOpens([](QWidget* modal) {
        auto* question = qobject_cast<CImportQuestion*>(modal);
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(question->PrefixField()->text(), "00");
        question->PrefixField()->setText("011");
        question->accept();
    });
    dlg->MenuItem(ID_FILE_IMPORT_PBOOK)->trigger();
    EXPECT_EQ(ReadImportChoice().internationalPrefix, "011");
    EXPECT_TRUE(machine().commandLog().empty());
    EXPECT_EQ(page->List()->topLevelItem(1)->text(1), "EMILE ZOLA");
    EXPECT_EQ(page->List()->topLevelItem(1)->text(2), "01133123456789");
    EXPECT_TRUE(page->HasUnsentChanges());
    // One box lists what changed on the way and what was left out.
    ASSERT_EQ(desk.messageBoxes.size(), 1u);
    const QString notes = desk.messageBoxes[0].text;
    EXPECT_TRUE(notes.contains("Line 1: the name \"Émile Zola\" became \"EMILE ZOLA\"."))
        << notes.toStdString();
    EXPECT_TRUE(notes.contains("is already in slot 0")) << notes.toStdString();
    EXPECT_TRUE(dlg->StatusLine()->text().contains("friends.vcf"));

    desk.saveAnswers.push_back(QString::fromStdString(dir.file("book")));
    dlg->MenuItem(ID_FILE_EXPORT_PBOOK)->trigger();
    EXPECT_EQ(desk.messageBoxes.size(), 1u);
    const std::string csv = dir.read("book.csv");
    EXPECT_EQ(csv.rfind("slot,kind,name,number,members\r\n", 0), 0u) << csv;
    EXPECT_NE(csv.find("0,single,ALICE,5551234,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("1,single,EMILE ZOLA,01133123456789,"), std::string::npos) << csv;
    EXPECT_TRUE(dlg->StatusLine()->text().contains("book.csv"));
    // The file type chosen in the dialog decides for a bare name.
    desk.saveFilter = 1;
    desk.saveAnswers.push_back(QString::fromStdString(dir.file("cards")));
    dlg->MenuItem(ID_FILE_EXPORT_PBOOK)->trigger();
    EXPECT_EQ(dir.read("cards.vcf").rfind("BEGIN:VCARD\r\n", 0), 0u);

    // A CSV line that cannot be taken leaves the table as it is.
    dir.write("bad.csv", "slot,kind,name,number,members\r\n100,single,X,123,\r\n");
    desk.openAnswers.push_back(QString::fromStdString(dir.file("bad.csv")));
    dlg->MenuItem(ID_FILE_IMPORT_PBOOK)->trigger();
    ASSERT_EQ(desk.messageBoxes.size(), 2u);
    EXPECT_TRUE(desk.messageBoxes[1].text.contains("Line 2: "))
        << desk.messageBoxes[1].text.toStdString();
    EXPECT_EQ(page->List()->topLevelItem(1)->text(1), "EMILE ZOLA");

    // A phonebook file cut inside slot 1: slot 0 loaded, slot 1 kept, said.
    std::vector<uint8_t> bytes = PhonebookFileBytes(panelContext.records);
    std::memcpy(bytes.data() + 40 + 2, "BOB", 4);
    std::memcpy(bytes.data() + 40 + 70 + 2, "CUT", 4);
    bytes.resize(40 + 70 + 30);
    dir.write("cut.pbf", std::string(bytes.begin(), bytes.end()));
    desk.openAnswers.push_back(QString::fromStdString(dir.file("cut.pbf")));
    dlg->MenuItem(ID_FILE_LOAD_PBOOK)->trigger();
    ASSERT_EQ(desk.messageBoxes.size(), 3u);
    EXPECT_TRUE(desk.messageBoxes[2].text.contains("30 bytes into slot 1"));
    EXPECT_EQ(page->List()->topLevelItem(0)->text(1), "BOB");
    EXPECT_EQ(page->List()->topLevelItem(1)->text(1), "EMILE ZOLA");

    // Printed to PDF: the names are in it.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.file("book.pdf")));
    PrintPhonebook(panelContext.records, printer, QDateTime(QDate(2026, 12, 7), QTime(9, 30)));
    const std::string text = dir.file("book.txt");
    ASSERT_EQ(std::system(("pdftotext '" + dir.file("book.pdf") + "' '" + text + "'").c_str()), 0);
    const std::string printed = dir.read("book.txt");
    EXPECT_NE(printed.find("BOB"), std::string::npos) << printed;
    EXPECT_NE(printed.find("EMILE ZOLA"), std::string::npos) << printed;
    EXPECT_NE(printed.find("01133123456789"), std::string::npos) << printed;
}

// A first read that gets its answer too late leaves the defaults on every
// page: none of them may reach the machine or a file, until a read or a file
// gives the page a record of the machine's.
TEST_F(MainDlgFilesTest, RecordsNeverReadAreNeitherSentNorSaved) {
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
    StoreSingleNumber(panelContext.records, 7, "FROM FILE", "123");
    ASSERT_EQ(WritePhonebookFile(panelContext.records, dir.file("saved.pbf")), 1);
    dir.write("old.pbf", "four entries");
    dir.write("old.csv", "slot,kind,name,number,members\r\n0,single,A,1,\r\n");
    ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, 100));
    machine().setSlotNumber(0, "ALICE", "5551234");
    const auto setup = machine().setupBlock();
    const auto status = machine().statusBlock();
    for (sim::Command get :
         {sim::Command::GetSetup, sim::Command::GetStatus, sim::Command::GetPhonebook}) {
        machine().setFault(get, sim::Fault{.lateMs = 20000, .times = 1});
    }
    auto dlg = OpenShown();
    // Tab and send button: Apply, Apply, Write.
    for (const auto& [tab, id] : {std::pair{0, 1063}, {1, 1063}, {2, 1024}}) {
        SCOPED_TRACE(tab);
        dlg->Sheet()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        auto* page = dlg->SheetPages()[tab];
        auto* send = page->Control<QPushButton>(id);
        EXPECT_FALSE(send->isEnabled());
        EXPECT_FALSE(send->toolTip().isEmpty());
        EXPECT_EQ(dlg->StatusLine()->text(), send->toolTip());
        EXPECT_FALSE(page->HasUnsentChanges());
        EXPECT_FALSE(page->SendChanges());
    }
    auto* book = dlg->Page<CPhonebook>();
    for (int command : {ID_FILE_SAVE_PBOOK, ID_FILE_EXPORT_PBOOK}) {
        EXPECT_FALSE(dlg->MenuItem(command)->isEnabled());
        book->OnCommand(command);
    }
    EXPECT_EQ(dir.read("old.pbf"), "four entries");
    EXPECT_EQ(dir.read("old.csv"), "slot,kind,name,number,members\r\n0,single,A,1,\r\n");
    EXPECT_EQ(machine().setupBlock(), setup);
    EXPECT_EQ(machine().statusBlock(), status);
    EXPECT_EQ(machine().slotName(0), "ALICE");
    // A loaded file is the user's to write.
    desk.openAnswers.push_back(QString::fromStdString(dir.file("saved.pbf")));
    dlg->MenuItem(ID_FILE_LOAD_PBOOK)->trigger();
    EXPECT_TRUE(dlg->MenuItem(ID_FILE_SAVE_PBOOK)->isEnabled());
    QTest::mouseClick(book->Control<QPushButton>(1024), Qt::LeftButton);
    EXPECT_EQ(machine().slotName(7), "FROM FILE");
}

} // namespace
