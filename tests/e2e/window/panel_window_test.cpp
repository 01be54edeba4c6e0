// The real faxrcp on an X display (Xvfb in the test run) against faxrcp-sim
// over a socket, driven from outside the process through its automation
// socket as a person would: tabs, clicks, typing, menus, file dialogs and
// message boxes. Afterwards the machine's state is read back with faxrcp-cli.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include "support/platform/firmware_test_helpers.h"
#include "e2e/e2e_programs.h"

namespace {

using namespace std::chrono_literals;

// One connection to the panel's automation socket.
class PanelDriver {
  public:
    explicit PanelDriver(const std::string& path) {
        for (int i = 0; i < 400 && fd_ < 0; ++i) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            path.copy(address.sun_path, sizeof address.sun_path - 1);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                fd_ = fd;
                break;
            }
            ::close(fd);
            std::this_thread::sleep_for(25ms);
        }
    }
    ~PanelDriver() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    PanelDriver(const PanelDriver&) = delete;
    PanelDriver& operator=(const PanelDriver&) = delete;

    bool connected() const { return fd_ >= 0; }

    std::string ask(const std::string& command) {
        const std::string line = command + "\n";
        if (fd_ < 0 ||
            ::send(fd_, line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size())) {
            return "error not connected";
        }
        std::string answer;
        char c = 0;
        while (::recv(fd_, &c, 1, 0) == 1 && c != '\n') {
            answer += c;
        }
        return answer;
    }

    // Repeats a question until the answer satisfies `good`, for up to 20 s.
    template <class Pred> std::string waitFor(const std::string& command, Pred good) {
        std::string answer;
        for (int i = 0; i < 800; ++i) {
            answer = ask(command);
            if (good(answer)) {
                return answer;
            }
            std::this_thread::sleep_for(25ms);
        }
        ADD_FAILURE() << "gave up waiting on '" << command << "', last answer: " << answer;
        return answer;
    }

    std::string waitForWindow(const std::string& className) {
        return waitFor("window",
                       [&](const std::string& a) { return a.rfind(className + "|", 0) == 0; });
    }

    // A command that must be taken.
    void act(const std::string& command) { EXPECT_EQ(ask(command), "ok") << command; }

  private:
    int fd_ = -1;
};

std::string Field(const std::string& lines, const std::string& name) {
    const std::string key = "\n" + name + "=";
    const std::string text = "\n" + lines;
    const auto at = text.find(key);
    if (at == std::string::npos) {
        return "(missing)";
    }
    const auto start = at + key.size();
    return text.substr(start, text.find('\n', start) - start);
}

// The machine on this computer, and the same machine on "another computer",
// reached through faxrcp-bridge by a stand-in for ssh that runs it here.
class PanelWindowTest : public testing::TestWithParam<bool> {};

TEST_P(PanelWindowTest, APersonChangesSettingsPhonebookAndFirmware) {
    // The machine stores an image once the data has stopped for a moment; the
    // panel's own wait for that is skipped with the other fixed waits.
    e2e::SimDaemon sim({"--firmware-idle", "300"});
    const std::string folder = sim.folder();
    std::map<std::string, std::string> env = e2e::FastWaits();
    env["FAXRCP_USB_PORT"] = (GetParam() ? "ssh:far.test/unix:" : "unix:") + sim.socket();
    env["FAXRCP_SSH"] = FAXRCP_SOURCE_DIR "/tests/e2e/fake_ssh.sh";
    env["FAKE_SSH_BIN"] = FAXRCP_BIN_DIR;
    env["FAKE_SSH_LOCKS"] = folder + "/far";
    ::mkdir((folder + "/far").c_str(), 0700);
    env["FAXRCP_LOCK_DIR"] = folder;
    env["XDG_CONFIG_HOME"] = folder;
    env["FAXRCP_AUTOMATION"] = folder + "/panel.sock";
    env["FAXRCP_TRACE"] = folder + "/trace.txt";
    env["QT_QPA_PLATFORM"] = "xcb";
    // The English texts whatever the desktop's language.
    env["LC_ALL"] = "C.UTF-8";
    // The single-instance check lives in the temporary folder: keep other
    // panels on this machine out of it.
    env["TMPDIR"] = folder;
    const pid_t panel =
        e2e::Spawn({e2e::Program("faxrcp")}, env, folder + "/panel.out", folder + "/panel.err");
    ASSERT_GT(panel, 0);

    PanelDriver driver(folder + "/panel.sock");
    ASSERT_TRUE(driver.connected()) << e2e::ReadFile(folder + "/panel.err");

    // Start-up inquired and the full machine shows all five pages.
    driver.waitForWindow("CMainDlg");
    EXPECT_EQ(driver.ask("tabs"), "Settings|Advanced|Phonebook|Information|Firmware Update");

    // Settings: refresh, change the copies and the tray paper, apply.
    driver.act("tab 0");
    driver.act("click 1060");
    driver.act("type 1001 5");
    driver.act("choose 1156 3");
    driver.act("click 1063");
    driver.waitFor("text 1001", [](const std::string& a) { return a == "5"; });

    // Phonebook: fill the empty slot 3 in the editor and write the table.
    driver.act("tab 2");
    driver.waitFor("rows 1027",
                   [](const std::string& a) { return a.find("Office") != std::string::npos; });
    driver.act("row 1027 3");
    driver.act("click 1025");
    driver.waitForWindow("CEditPhonebook");
    driver.act("type 1002 new entry");
    driver.act("type 1001 5551234");
    // Tab from the number reaches OK, as a person's key does.
    driver.act("key Tab");
    driver.waitFor("focus", [](const std::string& a) { return a == "CIconButton|OK"; });
    driver.act("click 1");
    driver.waitForWindow("CMainDlg");
    driver.act("click 1024");

    // Save the phonebook to a file, delete the new entry, load the file back.
    const std::string book = folder + "/book.pbf";
    driver.waitFor("menu 40009", [](const std::string& a) { return a == "ok"; });
    driver.waitForWindow("QFileDialog");
    driver.act("file " + book);
    driver.waitForWindow("CMainDlg");
    driver.waitFor("window", [&](const std::string&) { return std::ifstream(book).good(); });
    EXPECT_EQ(e2e::ReadFile(book).size(), 40u + 70u * 100u)
        << "a phonebook file is its head and the table";
    driver.act("row 1027 3");
    driver.act("click 1026");
    driver.waitFor("rows 1027",
                   [](const std::string& a) { return a.find("NEW ENTRY") == std::string::npos; });
    driver.act("menu 40008");
    driver.waitForWindow("QFileDialog");
    driver.act("file " + book);
    driver.waitFor("rows 1027", [](const std::string& a) {
        return a.find("NEW ENTRY\t5551234") != std::string::npos;
    });

    // Firmware: choose a small image and send it; the completion box ends it.
    const std::string image = fwtest::ImageBytes(9000, 3);
    const std::string imageFile = folder + "/update.bin";
    std::ofstream(imageFile, std::ios::binary) << image;
    driver.act("tab 4");
    driver.act("click 1023");
    driver.waitForWindow("QFileDialog");
    driver.act("file " + imageFile);
    driver.waitFor("enabled 1000", [](const std::string& a) { return a == "1"; });
    driver.act("click 1000");
    // Nothing goes before the question is answered.
    driver.waitForWindow("QMessageBox");
    EXPECT_EQ(driver.ask("box").rfind("Send the firmware file update.bin (9000 bytes)", 0), 0u);
    EXPECT_FALSE(std::ifstream(sim.stateFile() + ".firmware.bin").good());
    driver.act("button Update");
    driver.waitFor("box", [](const std::string& a) { return a.rfind("Update Complete!", 0) == 0; });
    driver.act("button OK");
    driver.waitForWindow("CMainDlg");
    const std::string received = sim.stateFile() + ".firmware.bin";
    driver.waitFor("window", [&](const std::string&) { return std::ifstream(received).good(); });

    // Exit ends the program normally.
    driver.act("click 1006");
    int status = -1;
    for (int i = 0; i < 400; ++i) {
        if (::waitpid(panel, &status, WNOHANG) == panel) {
            break;
        }
        std::this_thread::sleep_for(25ms);
    }
    if (!WIFEXITED(status)) {
        ::kill(panel, SIGKILL);
        ::waitpid(panel, &status, 0);
        const std::string trace = e2e::ReadFile(folder + "/panel.err");
        ADD_FAILURE() << "faxrcp did not end on Exit; it wrote at last:\n"
                      << trace.substr(trace.size() > 3000 ? trace.size() - 3000 : 0);
    }

    // The trace went to the file asked for, none of it to standard error.
    EXPECT_NE(e2e::ReadFile(folder + "/trace.txt").find("===> INQUIRY <==="), std::string::npos);
    EXPECT_EQ(e2e::ReadFile(folder + "/panel.err").find("===>"), std::string::npos);

    // The machine holds what was done.
    const e2e::CliRun setup = sim.cli({"setup", "get"});
    ASSERT_EQ(setup.status, 0) << setup.err;
    EXPECT_EQ(Field(setup.out, "copies"), "5");
    EXPECT_EQ(Field(setup.out, "trayPaperSize"), "Executive");
    const e2e::CliRun book2 = sim.cli({"phonebook", "list"});
    EXPECT_NE(book2.out.find("3\tsingle\tNEW ENTRY\t5551234"), std::string::npos) << book2.out;
    EXPECT_NE(book2.out.find("0\tsingle\tOffice\t5550100"), std::string::npos) << book2.out;
    EXPECT_TRUE(e2e::ReadFile(received) == image) << "the machine got another image";
}

INSTANTIATE_TEST_SUITE_P(LocalAndRemote, PanelWindowTest, testing::Bool());

} // namespace
