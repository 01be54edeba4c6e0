// Every command of the program against every fault of the simulated machine.
// Each cell of the table says what the user is shown, what the command
// returns, what becomes of the records and the phonebook table, what the
// machine ends up holding, and whether the next exchange still works.
//
// The records are compared byte for byte with two states: as they were before
// the command ("unchanged") and as a healthy exchange leaves them ("filled").
// Likewise the machine: untouched, or holding what a healthy exchange gives it.
//
// A cell with a note ("accepted: ...") is a behaviour kept on purpose although
// a user may be misled by it. The cell expects what the program does, so that
// any change to it shows here; docs/reliability.md gives each one's risk.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fault_matrix_cells.h"
#include "link/port.h"
#include "model/firmware_transfer.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "platform/device.h"
#include "protocol/exchange.h"
#include "protocol/inquiry.h"
#include "protocol/machine_info.h"
#include "protocol/machine_record.h"
#include "protocol/phonebook.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"
#include "sim/simulated_machine.h"
#include "support/core/panel_fixture.h"
#include "support/platform/device_names.h"
#include "support/platform/temp_dir.h"

namespace {

using namespace fault_matrix;

constexpr auto kOk = Result::kOk;
constexpr auto kFail = Result::kFail;
constexpr auto kNothing = Shown::kNothing;
constexpr auto kNotResp = Shown::kNotResponding;
constexpr auto kFwFailed = Shown::kFwFailed;
constexpr auto kFwDone = Shown::kFwComplete;
constexpr auto kSame = Records::kUnchanged;
constexpr auto kFilled = Records::kFilled;
constexpr auto kClass0 = Records::kClassZero;
constexpr auto kUntouched = Machine::kUntouched;
constexpr auto kTaken = Machine::kTaken;
constexpr auto kPartImage = Machine::kPartImage;
constexpr auto kNextFails = Next::kFails;
constexpr auto kNextClean = Next::kClean;
constexpr auto kEcpNoAnswer = Accepted::kEcpNoAnswer;

// The matrix. Columns: command, fault, result, what the user sees, the
// records, the machine, the next exchange, why an unsound outcome is kept.
std::vector<Cell> Table() {
    std::vector<Cell> t = {
        // --- inquiry: 8-byte request, 1500 ms pause, 10-byte answer ---------
        {Cmd::kInquiry, Healthy(), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kInquiry, Silent(), kFail, kNotResp, kClass0, kUntouched},
        {Cmd::kInquiry, CutTo(0), kFail, kNotResp, kClass0, kUntouched},
        {Cmd::kInquiry, CutTo(3), kFail, kNotResp, kClass0, kUntouched},
        {Cmd::kInquiry, CutTo(4), kFail, kNotResp, kClass0, kUntouched},
        // Without its class byte the answer says nothing of the machine.
        {Cmd::kInquiry, CutTo(5), kFail, kNotResp, kClass0, kUntouched},
        {Cmd::kInquiry, CutTo(9), kFail, kNotResp, kClass0, kUntouched},
        {Cmd::kInquiry, WrongHead(), kFail, kNotResp, kClass0, kUntouched},
        // The request never went out whole: machineClass keeps its value.
        {Cmd::kInquiry, ShortWrite(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kInquiry, Late(400), kOk, kNothing, kFilled, kUntouched},
        // The late answer is dropped before the next request.
        {Cmd::kInquiry, Late(5000), kFail, kNotResp, kClass0, kUntouched},
        {Cmd::kInquiry, LateOnLpt1(1500), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kInquiry, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kInquiry, GoneAfterRequest(), kFail, kNotResp, kClass0, kUntouched},

        // --- system setup: 32-byte answer; set waits 500 ms, 10-byte ack -----
        {Cmd::kGetSettings, Healthy(), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetSettings, Silent(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, CutTo(0), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, CutTo(3), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, CutTo(4), kFail, kNotResp, kSame, kUntouched},
        // A cut-short answer must not put zeros over the settings.
        {Cmd::kGetSettings, CutTo(5), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, CutTo(16), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, CutTo(31), kFail, kNotResp, kSame, kUntouched},
        // Bytes that do not begin 1B A4 are not the machine's answer.
        {Cmd::kGetSettings, WrongHead(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, ShortWrite(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, Late(400), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetSettings, Late(5000), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, LateOnLpt1(1500), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetSettings, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetSettings, GoneAfterRequest(), kFail, kNotResp, kSame, kUntouched},

        {Cmd::kSetSettings, Healthy(), kOk, kNothing, kSame, kTaken},
        // Without a proper acknowledgement the block is read back (status
        // alike): a machine that missed the write shows its old values; a
        // late acknowledgement keeps the read-back from seeing it in time.
        {Cmd::kSetSettings, Silent(), kFail, kNotResp, kSame, kUntouched},
        // The machine took the block; only its acknowledgement is cut.
        {Cmd::kSetSettings, CutTo(0), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, CutTo(3), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, CutTo(4), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, CutTo(5), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, CutTo(9), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, WrongHead(), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, ShortWrite(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kSetSettings, Late(400), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, Late(5000), kFail, kNotResp, kSame, kTaken},
        {Cmd::kSetSettings, LateOnLpt1(1500), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetSettings, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kSetSettings, GoneAfterRequest(), kFail, kNotResp, kSame, kTaken},

        // --- system status: 83-byte answer; set waits 1000 ms, 10-byte ack ---
        {Cmd::kGetStatus, Healthy(), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetStatus, Silent(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, CutTo(0), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, CutTo(3), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, CutTo(4), kFail, kNotResp, kSame, kUntouched},
        // Taken as success with zeros for the missing bytes, an Apply would
        // write those zeros over the machine's settings.
        {Cmd::kGetStatus, CutTo(5), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, CutTo(41), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, CutTo(82), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, WrongHead(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, ShortWrite(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, Late(400), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetStatus, Late(5000), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, LateOnLpt1(1500), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetStatus, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetStatus, GoneAfterRequest(), kFail, kNotResp, kSame, kUntouched},

        {Cmd::kSetStatus, Healthy(), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, Silent(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kSetStatus, CutTo(0), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, CutTo(3), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, CutTo(4), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, CutTo(5), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, CutTo(9), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, WrongHead(), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, ShortWrite(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kSetStatus, Late(400), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, Late(5000), kFail, kNotResp, kSame, kTaken},
        {Cmd::kSetStatus, LateOnLpt1(1500), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetStatus, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kSetStatus, GoneAfterRequest(), kFail, kNotResp, kSame, kTaken},

        // --- machine information: 115-byte answer ------------------------------
        {Cmd::kGetInfo, Healthy(), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetInfo, Silent(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, CutTo(0), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, CutTo(3), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, CutTo(4), kFail, kNotResp, kSame, kUntouched},
        // Counters and versions of a cut-short answer would read as zeros.
        {Cmd::kGetInfo, CutTo(5), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, CutTo(57), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, CutTo(114), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, WrongHead(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, ShortWrite(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, Late(400), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetInfo, Late(5000), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, LateOnLpt1(1500), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetInfo, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetInfo, GoneAfterRequest(), kFail, kNotResp, kSame, kUntouched},

        // --- phonebook read: 11-byte head, then 100 records of 69 bytes --------
        {Cmd::kGetPhonebook, Healthy(), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetPhonebook, Silent(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, CutTo(0), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, CutTo(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, CutTo(10), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, CutTo(11), kFail, kNotResp, kSame, kUntouched},
        // Part of the records only: applied, they would leave the table a mix
        // of the machine's slots and old ones.
        {Cmd::kGetPhonebook, CutTo(11 + 69), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, CutTo(11 + 69 * 50), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, CutTo(6910), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, WrongHead(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, ShortWrite(4), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, Late(400), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetPhonebook, Late(5000), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, LateOnLpt1(1500), kOk, kNothing, kFilled, kUntouched},
        {Cmd::kGetPhonebook, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kGetPhonebook, GoneAfterRequest(), kFail, kNotResp, kSame, kUntouched},

        // --- phonebook write: 6910 bytes, one retry pass, 10-byte ack ----------
        {Cmd::kSetPhonebook, Healthy(), kOk, kNothing, kSame, kTaken},
        // A failed write shows the not-responding box: silence would let the
        // user believe the machine holds the edited phonebook.
        {Cmd::kSetPhonebook, Silent(), kFail, kNotResp, kSame, kUntouched},
        // No acknowledgement: the phonebook read back shows the slots taken.
        {Cmd::kSetPhonebook, CutTo(0), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetPhonebook, CutTo(3), kFail, kNotResp, kSame, kTaken},
        {Cmd::kSetPhonebook, CutTo(4), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetPhonebook, CutTo(5), kFail, kNotResp, kSame, kTaken},
        {Cmd::kSetPhonebook, CutTo(9), kFail, kNotResp, kSame, kTaken},
        // The machine took the slots, but an acknowledgement without its head
        // cannot say so.
        {Cmd::kSetPhonebook, WrongHead(), kFail, kNotResp, kSame, kTaken},
        // Two writes of 3000 leave it short: nothing is read.
        {Cmd::kSetPhonebook, ShortWrite(3000), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kSetPhonebook, ShortWrite(0), kFail, kNotResp, kSame, kUntouched},
        // The retry pass completes it.
        {Cmd::kSetPhonebook, ShortWriteOnce(3000), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetPhonebook, Late(400), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetPhonebook, Late(5000), kFail, kNotResp, kSame, kTaken},
        {Cmd::kSetPhonebook, LateOnLpt1(1500), kOk, kNothing, kSame, kTaken},
        {Cmd::kSetPhonebook, Gone(), kFail, kNotResp, kSame, kUntouched},
        {Cmd::kSetPhonebook, GoneAfterRequest(), kFail, kNotResp, kSame, kTaken},

        // --- firmware, generic path: 9-byte answer to the request, two attempts
        {Cmd::kFirmwareUsb, Healthy(), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareUsb, Silent(), kFail, kFwFailed, kSame, kUntouched},
        // The machine answered and now waits for an image that never comes:
        // nothing in the protocol calls the update off, so it takes the next
        // request as image data until its no-data time is up.
        {Cmd::kFirmwareUsb, CutTo(0), kFail, kFwFailed, kSame, kUntouched, kNextFails},
        {Cmd::kFirmwareUsb, CutTo(8), kFail, kFwFailed, kSame, kUntouched, kNextFails},
        {Cmd::kFirmwareUsb, CutOnceTo(8), kOk, kFwDone, kSame, kTaken},
        // The second answer is taken whatever its first byte.
        {Cmd::kFirmwareUsb, WrongHead(), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareUsb, ShortWrite(4), kFail, kFwFailed, kSame, kUntouched},
        {Cmd::kFirmwareUsb, Late(400), kOk, kFwDone, kSame, kTaken},
        // The second read finds the first, late answer.
        {Cmd::kFirmwareUsb, Late(5000), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareUsb, LateOnLpt1(1500), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareUsb, Gone(), kFail, kFwFailed, kSame, kUntouched},
        // The machine answered and waits for the image: its answer is dropped,
        // and the next request is taken as image data.
        {Cmd::kFirmwareUsb, GoneAfterRequest(5), kFail, kFwFailed, kSame, kUntouched, kNextFails},
        {Cmd::kFirmwareUsb, DataRefused(), kFail, kFwFailed, kSame, kUntouched, kNextFails},
        // Part of an image arrived and nothing tells the machine that the rest
        // will not: once the data stops it takes the part as the whole image
        // and restarts, so the next command finds it ready again.
        {Cmd::kFirmwareUsb, DataShortWrite(1000), kFail, kFwFailed, kSame, kPartImage},
        {Cmd::kFirmwareUsb, DataShortWrite(1000, 1), kOk, kFwDone, kSame, kTaken},

        // --- firmware, parallel-port path: no answer is read -------------------
        // It reads nothing, so answer faults only matter when the machine
        // ignored the request; it keeps the device open for the whole transfer.
        {Cmd::kFirmwareEcp, Healthy(), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareEcp, Silent(), kOk, kFwDone, kSame, kUntouched, kNextClean, kEcpNoAnswer},
        {Cmd::kFirmwareEcp, CutTo(0), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareEcp, WrongHead(), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareEcp, Late(5000), kOk, kFwDone, kSame, kTaken},
        {Cmd::kFirmwareEcp, ShortWrite(4), kFail, kFwFailed, kSame, kUntouched},
        {Cmd::kFirmwareEcp, Gone(), kFail, kFwFailed, kSame, kUntouched},
        {Cmd::kFirmwareEcp, ControlsRefused(), kOk, kFwDone, kSame, kTaken},
        // The unread answer to the update request is dropped; the machine still
        // waits for the image and takes the next request as image data.
        {Cmd::kFirmwareEcp, DataRefused(), kFail, kFwFailed, kSame, kUntouched, kNextFails},
        {Cmd::kFirmwareEcp, DataShortWrite(1000), kFail, kFwFailed, kSame, kPartImage},
        {Cmd::kFirmwareEcp, DataShortWrite(1000, 1), kOk, kFwDone, kSame, kTaken},
    };
    return t;
}

// --- the program's side -------------------------------------------------------

constexpr int kSlots = 100;
constexpr uint8_t kMachineClass = 1; // not the start-up value, so that a read shows
constexpr size_t kImageSize = 10000; // three chunks
constexpr uint32_t kUserMs = 5000;   // from the end of one command to the next

// Every record and the table, by name.
using Snapshot = std::map<std::string, std::vector<uint8_t>>;

template <typename T> std::vector<uint8_t> Raw(const T& record) {
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(p, p + sizeof record);
}

Snapshot ProgramState(const MachineRecords& records) {
    const auto* table = reinterpret_cast<const uint8_t*>(records.phonebookTable);
    return {
        {"panelContext.records.inquiryRecord", Raw(records.inquiryRecord)},
        {"panelContext.records.systemSetup", Raw(records.systemSetup)},
        {"panelContext.records.systemStatus", Raw(records.systemStatus)},
        {"panelContext.records.machineInfo", Raw(records.machineInfo)},
        {"panelContext.records.phonebookTable",
         std::vector<uint8_t>(table, table + kPhonebookEntrySize * kSlots)},
        {"panelContext.records.groupRefCount",
         std::vector<uint8_t>(records.groupRefCount, records.groupRefCount + kSlots)},
    };
}

// The machine's side, as the user of the machine would find it.
Snapshot MachineState(sim::SimulatedMachine& m) {
    Snapshot s;
    auto setup = m.setupBlock();
    auto status = m.statusBlock();
    s["setup"] = std::vector<uint8_t>(setup.begin(), setup.end());
    s["status"] = std::vector<uint8_t>(status.begin(), status.end());
    std::vector<uint8_t> slots;
    for (size_t i = 0; i < m.slotCount(); ++i) {
        auto r = m.slotRecord(i);
        slots.insert(slots.end(), r.begin(), r.end());
    }
    s["phonebook"] = slots;
    s["images completed"] = {static_cast<uint8_t>(m.firmwareImagesCompleted())};
    s["last image"] = m.firmwareImage();
    return s;
}

// "machineInfo differs from byte 12" for each record that does not match.
std::vector<std::string> Differences(const Snapshot& actual, const Snapshot& expected,
                                     const std::vector<std::string>& skip = {}) {
    std::vector<std::string> out;
    for (const auto& [name, bytes] : expected) {
        if (std::find(skip.begin(), skip.end(), name) != skip.end()) {
            continue;
        }
        const std::vector<uint8_t>& got = actual.at(name);
        if (got == bytes) {
            continue;
        }
        size_t at = 0;
        while (at < got.size() && at < bytes.size() && got[at] == bytes[at]) {
            ++at;
        }
        out.push_back(name + " differs from byte " + std::to_string(at));
    }
    return out;
}

// Plays the Firmware Update page: keeps its values and what it showed.
class PageView : public firmware::FirmwareView {
  public:
    std::string fileName;
    std::string message;
    bool updateEnabled = true;
    std::vector<std::string> completions;

    void setFileName(const std::string& text) override { fileName = text; }
    void setFileSizeText(const std::string&) override {}
    void setMessageText(const std::string& text) override { message = text; }
    void setPercentText(const std::string&) override {}
    void showValues() override {}
    void showMessageNow() override {}
    void setProgressRange(int, int) override {}
    void setProgressPos(int) override {}
    void enableUpdate(bool enable) override { updateEnabled = enable; }
    void setWaitCursor(bool) override {}
    void showCompletion(const std::string& text, const std::string&) override {
        completions.push_back(text);
    }
};

std::string Common(const char* key) {
    return GetLangString("COMMON", key);
}

// --- the fixture --------------------------------------------------------------

class FaultMatrix : public ContextTest, public ::testing::WithParamInterface<Cell> {
  protected:
    void SetUp() override {
        ContextTest::SetUp();
        sim::RegisterSimDevice();
        // "matrix:" is the machine behind a plug that can be pulled.
        platform::RegisterDevice("matrix:",
                                 [this](const std::string&, const platform::OpenMode& mode) {
                                     if (opensLeft_ == 0) {
                                         return std::unique_ptr<platform::Device>();
                                     }
                                     if (opensLeft_ > 0) {
                                         --opensLeft_;
                                     }
                                     return platform::OpenDevice("sim:", mode);
                                 });
        for (const char* name : {"LPT1", kEcp1}) {
            platform::RegisterDevice(name, [](const std::string&, const platform::OpenMode& mode) {
                return platform::OpenDevice("matrix:", mode);
            });
        }
        ASSERT_TRUE(AllocatePhonebookTable(panelContext.records, kSlots));
        UseLanguageFile(LanguageFilePath("en"));
        image_ = std::string(kImageSize, '\0');
        for (size_t i = 0; i < image_.size(); ++i) {
            image_[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
        }
        imagePath_ = dir_.write("image.bin", image_);
    }

    void TearDown() override {
        machine().reset();
        platform::UnregisterDevice("LPT1");
        platform::UnregisterDevice(kEcp1);
        platform::UnregisterDevice("matrix:");
        sim::UnregisterSimDevice();
        ContextTest::TearDown();
    }

    static sim::SimulatedMachine& machine() { return sim::InProcessMachine(); }

    // A healthy machine and a program at start-up, with a phonebook table
    // that differs from the machine's and a link to the given port.
    void Prepare(Port port) {
        machine().reset();
        machine().setMachineClass(kMachineClass);
        opensLeft_ = -1;
        SetMachineRecordDefaults(panelContext.records);
        for (int i = 0; i < kSlots; ++i) {
            PhonebookEntry& e = panelContext.records.phonebookTable[i];
            std::memset(&e, 0, sizeof e);
            std::snprintf(e.name, sizeof e.name, "Old %d", i);
            std::snprintf(e.number, sizeof e.number, "0%d", 1000 + i);
        }
        RecountGroupRefs(panelContext.records);
        panelContext.link.Reset();
        std::snprintf(panelContext.link.usbWritePath, sizeof panelContext.link.usbWritePath,
                      "matrix:");
        std::snprintf(panelContext.link.usbReadPath, sizeof panelContext.link.usbReadPath,
                      "matrix:");
        panelContext.link.currentPort = port == Port::kUsb ? 0 : port == Port::kLpt1 ? 1 : 4;
    }

    void Inflict(const Cell& cell) {
        const Trouble& t = cell.trouble;
        machine().setFault(MachineCommand(cell.cmd, t.onData), t.fault);
        machine().setOpenRefused(t.gone);
        machine().setDeviceControlRefused(t.controlsRefused);
        opensLeft_ = t.opensBeforeGone;
    }

    void Heal() {
        machine().clearFaults();
        opensLeft_ = -1;
    }

    Port PortOf(const Cell& cell) const {
        return cell.cmd == Cmd::kFirmwareEcp ? Port::kEcp : cell.trouble.port;
    }

    struct Outcome {
        Result result;
        Shown shown;
    };

    // Runs the command as its page does, then the page's pause.
    Outcome Run(Cmd cmd) {
        if (IsFirmware(cmd)) {
            PageView view;
            view.fileName = imagePath_;
            firmware::FirmwareTransfer transfer(view, panelContext.link);
            const firmware::TransferResult r = transfer.OnUpdate(imagePath_);
            Outcome o{r == firmware::TransferResult::kCompleted ? kOk : kFail, Shown::kNothing};
            const bool completeLook = view.completions.size() == 1 &&
                                      view.completions[0].starts_with(Common("IDS_STRING106")) &&
                                      view.message == Common("IDS_STRING100") &&
                                      view.fileName.empty() && !view.updateEnabled;
            const bool failedLook = view.completions.empty() &&
                                    view.message == Common("IDS_STRING102") &&
                                    view.fileName == imagePath_ && view.updateEnabled;
            if (completeLook) {
                o.shown = kFwDone;
            } else if (failedLook) {
                o.shown = kFwFailed;
            }
            return o;
        }
        const int r = Info(cmd).routine(panelContext);
        PauseMs(500);
        // Every page turns a failed command into the not-responding box.
        return {r == 1 ? kOk : kFail, r == 1 ? kNothing : kNotResp};
    }

    struct Reference {
        Snapshot records;
        Snapshot machine;
    };

    // What a healthy exchange of the command leaves, from the same start.
    const Reference& HealthyRun(Cmd cmd, Port port) {
        static std::map<std::pair<Cmd, Port>, Reference> cache;
        auto it = cache.find({cmd, port});
        if (it != cache.end()) {
            return it->second;
        }
        Prepare(port);
        const Snapshot records = ProgramState(panelContext.records);
        const Snapshot before = MachineState(machine());
        const Outcome o = Run(cmd);
        Reference ref{ProgramState(panelContext.records), MachineState(machine())};
        EXPECT_EQ(o.result, kOk) << Name(cmd) << " on a healthy machine";
        // The columns can tell "filled" from "unchanged" and "taken" from
        // "untouched" only when a healthy exchange changes something.
        EXPECT_TRUE(ref.records != records || ref.machine != before) << Name(cmd);
        return cache.emplace(std::make_pair(cmd, port), ref).first->second;
    }

    TempDir dir_;
    std::string image_;
    std::string imagePath_;
    int opensLeft_ = -1; // -1: the plug stays in
};

TEST_P(FaultMatrix, Cell) {
    const Cell& cell = GetParam();
    const Port port = PortOf(cell);
    const Reference ref = HealthyRun(cell.cmd, port);
    // The command the next exchange runs, and the machine's data it must read.
    const Cmd nextCmd = cell.cmd == Cmd::kGetInfo ? Cmd::kGetSettings : Cmd::kGetInfo;
    const std::string nextRecord = nextCmd == Cmd::kGetInfo ? "panelContext.records.machineInfo"
                                                            : "panelContext.records.systemSetup";
    const Snapshot nextData = HealthyRun(nextCmd, Port::kUsb).records;

    Prepare(port);
    Inflict(cell);
    const Snapshot recordsBefore = ProgramState(panelContext.records);
    const Snapshot machineBefore = MachineState(machine());
    std::vector<std::string> problems;

    const Outcome got = Run(cell.cmd);
    if (got.result != cell.result) {
        problems.push_back(std::string("result ") + Name(got.result) + ", expected " +
                           Name(cell.result));
    }
    if (got.shown != cell.shown) {
        problems.push_back(std::string("user sees ") + Name(got.shown) + ", expected " +
                           Name(cell.shown));
    }

    Snapshot wantRecords = recordsBefore;
    if (cell.records == Records::kFilled) {
        wantRecords = ref.records;
    } else if (cell.records == Records::kClassZero) {
        wantRecords["panelContext.records.inquiryRecord"][offsetof(InquiryRecord, machineClass)] =
            0;
    }
    for (const std::string& d : Differences(ProgramState(panelContext.records), wantRecords)) {
        problems.push_back("record: " + d);
    }

    const Snapshot wantMachine = cell.machine == Machine::kTaken ? ref.machine : machineBefore;
    const Snapshot machineAfter = MachineState(machine());
    std::vector<std::string> skip;
    if (cell.machine == Machine::kPartImage) {
        skip.push_back("last image");
        const std::vector<uint8_t>& part = machineAfter.at("last image");
        const bool prefix = !part.empty() && part.size() < image_.size() &&
                            std::memcmp(part.data(), image_.data(), part.size()) == 0;
        if (!prefix || !machine().firmwareReceiving()) {
            problems.push_back("machine: does not hold part of the image awaiting the rest");
        }
    }
    for (const std::string& d : Differences(machineAfter, wantMachine, skip)) {
        problems.push_back("machine: " + d);
    }

    // The next exchange, with the fault gone and the plug back in, once the
    // user has dismissed what was shown.
    Heal();
    platform::Sleep(kUserMs);
    const Snapshot beforeNext = ProgramState(panelContext.records);
    const Outcome next = Run(nextCmd);
    const Snapshot afterNext = ProgramState(panelContext.records);
    Snapshot wantNext = beforeNext;
    if (cell.next == Next::kClean) {
        wantNext[nextRecord] = nextData.at(nextRecord);
    }
    if (next.result != (cell.next == Next::kFails ? kFail : kOk)) {
        problems.push_back(std::string("next ") + Name(nextCmd) + ": result " + Name(next.result));
    }
    for (const std::string& d : Differences(afterNext, wantNext)) {
        problems.push_back(std::string("next ") + Name(nextCmd) + ": " + d);
    }

    // Whatever the fault left in the machine was dropped before the next
    // request, and that exchange read its whole answer: the link is in step.
    if (machine().queuedAnswerBytes() != 0) {
        problems.push_back(std::string("next ") + Name(nextCmd) + ": " +
                           std::to_string(machine().queuedAnswerBytes()) +
                           " answer bytes still queued");
    }

    for (const std::string& p : problems) {
        ADD_FAILURE() << p << (cell.accepted == Accepted::kNo ? "" : "\n  ") << Why(cell.accepted);
    }
}

std::string CellName(const ::testing::TestParamInfo<Cell>& info) {
    std::string name = std::string(Name(info.param.cmd)) + "_";
    bool upper = true;
    for (char c : info.param.trouble.name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryCommandEveryFault, FaultMatrix, ::testing::ValuesIn(Table()),
                         CellName);

} // namespace
