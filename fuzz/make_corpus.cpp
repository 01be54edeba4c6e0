// Writes the seed corpus of every fuzz target from the simulated machine's
// answers (the ones the tests check the program against), cut-short and
// damaged variants of them, a phonebook file written by the program itself,
// the shipped language fragments and virtual device conversations.
//   make_corpus SOURCE_DIR OUT_DIR
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/port.h"
#include "model/panel_context.h"
#include "model/phonebook_exchange.h"
#include "model/phonebook_file.h"
#include "model/settings_file.h"
#include "platform/debug_output.h"
#include "platform/virtual_clock.h"
#include "platform/virtual_device.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "sim/simulated_machine.h"
#include "sim/state_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string outDir;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::string dir = outDir + "/" + target;
    ::mkdir(outDir.c_str(), 0755);
    ::mkdir(dir.c_str(), 0755);
    std::ofstream(dir + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Ask(sim::SimulatedMachine& m, const Bytes& request) {
    m.write(request.data(), request.size());
    Bytes answer(m.queuedAnswerBytes());
    const long n = m.read(answer.data(), answer.size());
    answer.resize(size_t(n < 0 ? 0 : n));
    return answer;
}

const Bytes kInquiry = {0x1B, 0xA4, 0x00, 0x04, 0x50, 0xE0, 0x82, 0xC0};
const Bytes kGetSetup = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x41};
const Bytes kGetStatus = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x40};
const Bytes kGetInfo = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x43};
const Bytes kGetPhonebook = {0x1B, 0xA4, 0x00, 0x06, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0xFF};
const Bytes kFirmware = {0x1B, 0xA5, 0x00, 0x04, 0x50, 0xE0, 0x82, 0x05};

// A whole answer, cut-short ones, a wrong head, one in small reads.
void AnswerSeeds(const std::string& target, const Bytes& prefix, const Bytes& answer) {
    Put(target, "whole", Cat(Cat({0}, prefix), answer));
    for (const size_t cut :
         {size_t(0), size_t(4), size_t(5), size_t(10), answer.size() / 2, answer.size() - 1}) {
        if (cut < answer.size()) {
            Put(target, "cut-" + std::to_string(cut),
                Cat(Cat({0}, prefix), Bytes(answer.begin(), answer.begin() + long(cut))));
        }
    }
    Bytes wrong = answer;
    wrong[1] = 0xA5;
    Put(target, "wrong-head", Cat(Cat({0}, prefix), wrong));
    Put(target, "reads-of-7", Cat(Cat({7}, prefix), answer));
}

void Phonebook(sim::SimulatedMachine& m) {
    m.setSlotNumber(0, "HEAD OFFICE", "0123456789");
    m.setSlotNumber(1, "", "555");
    m.setSlotNumber(2, "A NAME OF TWENTY CH", "0123456789012345678901234567890123456789012345");
    sim::Members speedGroup{};
    speedGroup[0] = 0xE0;  // speed-dial slots 1..3
    speedGroup[36] = 0x80; // the first one-touch slot
    m.setSlotGroup(3, "ALL", speedGroup);
    sim::Members oneTouchGroup{};
    oneTouchGroup[0] = 4;
    m.setSlotGroup(90, "ONE TOUCH", oneTouchGroup);
}

void Answers() {
    sim::SimulatedMachine m;
    AnswerSeeds("fuzz_inquiry", {}, Ask(m, kInquiry));
    AnswerSeeds("fuzz_get_setup", {}, Ask(m, kGetSetup));
    AnswerSeeds("fuzz_get_status", {}, Ask(m, kGetStatus));
    AnswerSeeds("fuzz_get_info", {}, Ask(m, kGetInfo));
    Put("fuzz_get_phonebook", "empty-0-100", Cat({0, 0, 100}, Ask(m, kGetPhonebook)));
    Phonebook(m);
    AnswerSeeds("fuzz_get_phonebook", {0, 100}, Ask(m, kGetPhonebook));
    m.setCapacities(20, 80);
    Put("fuzz_get_phonebook", "whole-20-80", Cat({0, 20, 80}, Ask(m, kGetPhonebook)));
    m.setCapacities(10, 5);
    Put("fuzz_get_phonebook", "whole-10-5-in-100", Cat({0, 10, 5}, Ask(m, kGetPhonebook)));
}

// The program reads the phonebook from the in-process machine and writes
// its file, as the Save command does.
class QuietSink : public platform::DebugSink {
  public:
    void write(std::string_view) override {}
};

void PhonebookFiles(const std::string& scratch) {
    platform::VirtualClock clock;
    platform::InstallClock(&clock);
    QuietSink quiet;
    platform::InstallDebugSink(&quiet);
    sim::RegisterSimDevice();
    sim::SimulatedMachine& m = sim::InProcessMachine();
    m.reset();
    Phonebook(m);
    PanelContext context;
    context.link.Reset();
    std::snprintf(context.link.usbWritePath, sizeof context.link.usbWritePath, "sim:");
    std::snprintf(context.link.usbReadPath, sizeof context.link.usbReadPath, "sim:");
    SetMachineRecordDefaults(context.records);
    AllocatePhonebookTable(context.records, 100);
    const std::string path = scratch + "/book.pbf";
    if (Mfp_GetPhonebook(context.link, context.records) != 1 ||
        WritePhonebookFile(context.records, path) != 1) {
        std::fprintf(stderr, "make_corpus: the phonebook did not arrive\n");
        std::exit(1);
    }
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    Put("fuzz_phonebook_file", "written", file);
    Put("fuzz_phonebook_file", "head-only", Bytes(file.begin(), file.begin() + 40));
    Put("fuzz_phonebook_file", "three-slots", Bytes(file.begin(), file.begin() + 40 + 3 * 70));
    Bytes badMagic = file;
    badMagic[0] = 'X';
    Put("fuzz_phonebook_file", "bad-magic", badMagic);
    for (const auto& [name, format] :
         {std::pair{"csv", PhonebookFormat::kCsv}, std::pair{"vcard", PhonebookFormat::kVcard}}) {
        const std::string text = ExportPhonebookText(context.records, format);
        Put("fuzz_phonebook_exchange", name, Bytes(text.begin(), text.end()));
    }
    const std::string settings = SettingsFileText(context.records);
    Put("fuzz_settings_file", "saved", Bytes(settings.begin(), settings.end()));
    const std::string refused = "faxrcp settings 1\n[setup]\ncopies=0\nnoSuchField=1\n";
    Put("fuzz_settings_file", "refused", Bytes(refused.begin(), refused.end()));
    FreePhonebookTable(context.records);
    context.link.Reset();
    sim::UnregisterSimDevice();
    platform::InstallClock(nullptr);
    platform::InstallDebugSink(nullptr);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// faxrcp.ini, a NUL, then a language file built from one fragment folder.
void Profiles(const std::string& source) {
    const std::string ini = ReadText(source + "/src/resources/faxrcp.ini");
    for (const char* lang : {"en", "de", "fr"}) {
        const std::string dir = source + "/src/resources/lang/" + lang;
        std::string merged;
        DIR* d = ::opendir(dir.c_str());
        if (d == nullptr) {
            continue;
        }
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() < 5 || name.substr(name.size() - 4) != ".ini") {
                continue;
            }
            const std::string section = name.substr(0, name.find('.'));
            merged += "[" + section + "]\n" + ReadText(dir + "/" + name);
        }
        ::closedir(d);
        Put("fuzz_profile", std::string("lang-") + lang, Cat(Cat(Text(ini), {0}), Text(merged)));
    }
    Put("fuzz_profile", "quoted-utf8",
        Cat(Text("[language]\r\n  file = \"ENGLISH.LNG\" \r\n"),
            Cat({0}, Text("[MAIN]\nCAPTION=\"  \xC3\xA9t\xC3\xA9 \xE2\x82\xAC\"\nIDC_EXIT=E&xit\n"
                          "[Main]\nCAPTION=second\n"))));
}

Bytes U32(uint32_t v) {
    Bytes b(4);
    platform::vdev::PutU32(b.data(), v);
    return b;
}

Bytes WriteReq(const Bytes& bytes) {
    return Cat(Cat({platform::vdev::kWrite}, U32(uint32_t(bytes.size()))), bytes);
}

Bytes ReadReq(uint32_t most, uint32_t waitMs) {
    return Cat(Cat({platform::vdev::kRead}, U32(most)), U32(waitMs));
}

Bytes ControlReq(uint32_t code, const Bytes& in) {
    return Cat(Cat(Cat({platform::vdev::kControl}, U32(code)), U32(uint32_t(in.size()))), in);
}

void Conversations() {
    const std::string t = "fuzz_sim_server";
    Put(t, "inquiry", Cat(WriteReq(kInquiry), ReadReq(10, 0)));
    Put(t, "get-setup", Cat(WriteReq(kGetSetup), ReadReq(32, 0)));
    Put(t, "get-status-in-parts", Cat(Cat(WriteReq(kGetStatus), ReadReq(11, 0)), ReadReq(100, 0)));
    Put(t, "get-info", Cat(WriteReq(kGetInfo), ReadReq(115, 0)));
    Put(t, "get-phonebook", Cat(Cat(WriteReq(kGetPhonebook), ReadReq(11, 0)), ReadReq(6900, 0)));
    Bytes record(69, 0xFF);
    record[0] = 1;
    record[1] = 0;
    record[2] = 0;
    for (int i = 0; i < 20; ++i) {
        record[size_t(3 + i)] = i < 4 ? uint8_t("NAME"[i]) : 0;
    }
    record[23] = '1';
    record[24] = '2';
    const Bytes setBook = Cat({0x1B, 0xA4, 0x00, 6 + 69, 0x50, 0xE0, 0x82, 0xC2, 0x42, 1}, record);
    Put(t, "set-phonebook", Cat(WriteReq(setBook), ReadReq(10, 0)));
    Bytes setSetup = {0x1B, 0xA4, 0x00, 0x1B, 0x50, 0xE0, 0x82, 0xC2, 0x41};
    setSetup.resize(setSetup.size() + 22, 1);
    Put(t, "set-setup", Cat(WriteReq(setSetup), ReadReq(10, 0)));
    Put(t, "control", Cat(ControlReq(0x00160000, {0}), ControlReq(7, Bytes(20, 0xAB))));
    Put(t, "firmware", Cat(Cat(WriteReq(kFirmware), ReadReq(9, 0)), WriteReq(Bytes(300, 0x5A))));
    Put(t, "split-request",
        Cat(Cat(WriteReq(Bytes(kGetSetup.begin(), kGetSetup.begin() + 4)),
                WriteReq(Bytes(kGetSetup.begin() + 4, kGetSetup.end()))),
            ReadReq(64, 0)));
    Put(t, "garbage-then-inquiry",
        Cat(WriteReq(Cat({0x00, 0x1B, 0x1B, 0xA4}, kInquiry)), ReadReq(100, 0)));
    Put(t, "unknown-request", {'X', 0, 0, 0, 1});
}

void States() {
    sim::SimulatedMachine m;
    const std::string plain = sim::StateToText(m);
    Put("fuzz_sim_state", "default", Text(plain));
    Phonebook(m);
    m.setCapacities(20, 80);
    m.setMachineClass(1);
    Put("fuzz_sim_state", "phonebook", Text(sim::StateToText(m)));
    Put("fuzz_sim_state", "comments-and-junk",
        Text("; comment\n[machine]\ncapacityA = 300\nmachineClass=x\n[setup]\nblock = 00 11\n"
             "[phonebook]\n0 = 00\n256 = 01 41\n"));
}

// Device IDs as printers give them, and the USB library's list of machines.
void DeviceIds() {
    Put("fuzz_device_id", "short-keys",
        Text("MFG:Acme;MDL:FX 100;CMD:PCL,PJL;CLS:PRINTER;SN:X12;"));
    Put("fuzz_device_id", "long-keys",
        Text("MANUFACTURER:Acme;COMMAND SET:PCL;MODEL:FX 200;SERIALNUMBER:Y7\n"));
    Put("fuzz_device_id", "machine-list",
        Text("usb:1A2B:0101:A1\tAcme\tFX 100\tA1\nusb:1A2B:0202\tBeta\tOffice 7\t\n"));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_corpus SOURCE_DIR OUT_DIR\n");
        return 2;
    }
    outDir = argv[2];
    Answers();
    PhonebookFiles(outDir);
    Profiles(argv[1]);
    Conversations();
    States();
    DeviceIds();
    return 0;
}
