#pragma once
// The machine's side of the byte protocol: a simulated fax multifunction
// machine that takes request bytes, answers them and keeps its records.
// It knows the wire format on its own and nothing of the program's link or
// protocol code. Time is the platform clock seam (platform::GetTickCount).
//
// Requests it understands (all numbers big-endian):
//   inquiry           1B A4 00 04 50 E0 82 C0
//   get setup/status/info   1B A4 00 05 50 E0 82 C1 {41|40|43}
//   get phonebook     1B A4 00 06 50 E0 82 C1 42 FF
//   set setup         1B A4 00 1B 50 E0 82 C2 41 + 22-byte block
//   set status        1B A4 00 4E 50 E0 82 C2 40 + 73-byte block
//   set phonebook     1B A4 LL LL 50 E0 82 C2 42 N + N records of 69 bytes
//   firmware update   1B A5 00 04 {40|50} E0 82 05, then the image bytes
//
// Answers:
//   inquiry           1B A4 00 06 50 E0 capacityA capacityB 01 machineClass (10 bytes)
//   get setup         1B A4 00 1C 50 E0 82 C1 41 00 + 22-byte block (32 bytes)
//   get status        1B A4 00 4F 50 E0 82 C1 40 00 + 73-byte block (83 bytes)
//   get info          1B A4 00 6F 50 E0 82 C1 43 00 + 105-byte block (115 bytes)
//   get phonebook     1B A4 LL LL 50 E0 82 C1 42 00 K + K records of 69 bytes,
//                     K = capacityA + capacityB, one record per slot, slot order
//   set (any record)  1B A4 00 06 50 E0 82 C2 RR 00 (10 bytes)
//   firmware update   1B A5 00 05 VV E0 82 05 00 (9 bytes, VV = request byte 4)
//
// Phonebook records travel as: slot number (1-based), kind, memberMark,
// name (20 bytes), number or members (46 bytes). The machine answers names
// and kind-0 numbers padded with blanks (0x20); group members travel raw.
// A set takes each record whose slot number is 1..N into the slot: the name
// up to its first 0x00, a kind-0 number up to its first 0xFF or 0x00, group
// members as they are. The machine then works out memberMark itself: 1 on
// every slot that a group refers to, 0 elsewhere.
//
// Firmware: the update request carries no size. After answering it the
// machine takes every following byte as image data until the stream has been
// quiet for kFirmwareIdleMs after the last data byte; then the image is
// complete, the machine restarts (unread answer bytes and half-received
// requests are dropped) and is back in command mode. When no data byte
// arrives within kFirmwareNoDataMs of the request, it goes back to command
// mode with no image. Before the first data byte, a repeated update request
// is taken as a request again (it is answered and restarts the wait).
//
// Bytes that do not form a known frame are skipped: the parser looks for the
// next 0x1B. A request left half-received by no write call for
// kStaleRequestMs is dropped, so that the next request starts afresh. Unread
// answer bytes stay queued for later reads (also across opens of the device)
// until a firmware image completes.
//
// Thread-safe: every member takes the machine's lock.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/device.h"

namespace sim {

enum class Command {
    Inquiry,
    GetSetup,
    SetSetup,
    GetStatus,
    SetStatus,
    GetInfo,
    GetPhonebook,
    SetPhonebook,
    FirmwareRequest,
    FirmwareData,
};
constexpr int kCommandCount = 10;

// "inquiry", "get-setup", "set-setup", "get-status", "set-status", "get-info",
// "get-phonebook", "set-phonebook", "firmware-request", "firmware-data".
const char* CommandName(Command command);
std::optional<Command> CommandFromName(std::string_view name);

// What goes wrong with one command. The default is a healthy machine.
struct Fault {
    // No answer, and the request has no effect on the machine's state.
    // On FirmwareData: every data byte is refused (writes accept 0).
    bool silent = false;
    // The answer is cut to this many bytes (-1: whole answer).
    int cutAnswerTo = -1;
    // The answer's second byte is 0xA5 instead of 0xA4; on the firmware
    // answer the first byte is 0x1C instead of 0x1B.
    bool wrongHead = false;
    // A write call carrying this command accepts at most this many bytes
    // (-1: all). The command of a write is the one its first bytes belong to.
    int acceptWriteBytes = -1;
    // The answer becomes readable only this many ms after the request's last
    // byte arrived (on platform::GetTickCount).
    uint32_t lateMs = 0;
    // FirmwareData only: the image takes at most this many bytes in all;
    // further data is refused (-1: no limit, 0: refuses the data).
    long imageLimit = -1;
    // How many requests the answer faults last, and how many write calls
    // acceptWriteBytes lasts; then the fault lapses. -1: for ever.
    int times = -1;
};

constexpr size_t kSetupBlockSize = 22;
constexpr size_t kStatusBlockSize = 73;
constexpr size_t kInfoBlockSize = 105;
constexpr size_t kRecordSize = 69; // one phonebook slot on the wire
constexpr size_t kNameSize = 20;
constexpr size_t kFieldSize = 46; // number or group members
constexpr size_t kMaxSlots = 255;
constexpr uint32_t kFirmwareIdleMs = 4000;
constexpr uint32_t kFirmwareNoDataMs = 15000;
constexpr size_t kRequestLogLimit = 1000; // oldest entries are dropped
constexpr uint32_t kStaleRequestMs = 1000;

using SetupBlock = std::array<uint8_t, kSetupBlockSize>;
using StatusBlock = std::array<uint8_t, kStatusBlockSize>;
using InfoBlock = std::array<uint8_t, kInfoBlockSize>;
using SlotRecord = std::array<uint8_t, kRecordSize>;
using Members = std::array<uint8_t, kFieldSize>;

struct DeviceControlCall {
    uint32_t code = 0;
    std::vector<uint8_t> input;
};

class SimulatedMachine {
  public:
    SimulatedMachine();

    // Back to the default state: default records, no faults, nothing queued,
    // empty logs, no firmware image, default time-outs.
    void reset();

    // --- the byte stream ------------------------------------------------
    // Takes request bytes; returns how many were accepted (0..count).
    long write(const uint8_t* data, size_t count);
    // Returns up to max answer bytes that are readable now (0 when none).
    long read(uint8_t* buffer, size_t max);
    // Answer bytes queued, readable or not yet.
    size_t queuedAnswerBytes();
    // 0 when answer bytes are readable now; the ms until the next queued
    // answer becomes readable; nullopt when nothing is queued.
    std::optional<uint32_t> msUntilAnswer();
    // Lets time-driven changes happen (the end of a firmware image). Every
    // other member does this too; a server calls it when it is idle.
    void poll();
    // Ms until poll() may have something to do; nullopt when nothing waits.
    std::optional<uint32_t> msUntilPollDue();

    // --- faults and shape -------------------------------------------------
    void setFault(Command command, const Fault& fault);
    Fault fault(Command command);
    void clearFaults(); // also lets the device open again and accept controls
    void setOpenRefused(bool refused);
    bool openRefused();
    void setDeviceControlRefused(bool refused);
    bool deviceControlRefused();
    void setMachineClass(uint8_t machineClass);
    uint8_t machineClass();
    // capacityA one-touch slots, capacityB speed-dial slots; the phonebook
    // keeps its first slots and gains empty ones. A + B is cut to 255.
    void setCapacities(uint8_t a, uint8_t b);
    uint8_t capacityA();
    uint8_t capacityB();
    size_t slotCount(); // capacityA + capacityB

    // --- state ----------------------------------------------------------
    SetupBlock setupBlock();
    void setSetupBlock(const SetupBlock& block);
    StatusBlock statusBlock();
    void setStatusBlock(const StatusBlock& block);
    InfoBlock infoBlock();
    void setInfoBlock(const InfoBlock& block);
    // The block of the whole-block record with that code (0x40 status,
    // 0x41 setup, 0x43 info); empty for any other code.
    std::vector<uint8_t> recordBlock(uint8_t code);

    // Slots by table index (0..slotCount()-1), as the machine would send them
    // in a get answer (slot number, kind, memberMark, padded name, field).
    // An index out of range gives an empty slot's record.
    SlotRecord slotRecord(size_t index);
    uint8_t slotKind(size_t index);
    uint8_t slotMark(size_t index);
    std::string slotName(size_t index);   // without padding
    std::string slotNumber(size_t index); // kind 0 only; without padding
    Members slotMembers(size_t index);    // kind non-zero: the raw field
    // Test set-up of slots (the marks are worked out again afterwards).
    void setSlotNumber(size_t index, std::string_view name, std::string_view number);
    void setSlotGroup(size_t index, std::string_view name, const Members& members);
    void clearSlot(size_t index);
    void clearPhonebook();

    // The image of the last firmware transfer (complete or still arriving).
    std::vector<uint8_t> firmwareImage();
    bool firmwareReceiving();
    // Images completed since reset.
    int firmwareImagesCompleted();
    // Byte 4 of the last update request (0x40 or 0x50), 0 before any.
    uint8_t firmwareRequestVariant();
    // The quiet time that ends an image and the wait for its first byte
    // (defaults kFirmwareIdleMs and kFirmwareNoDataMs).
    void setFirmwareTimings(uint32_t idleMs, uint32_t noDataMs);
    // The firmware version the machine reports once it has stored the next
    // image (empty: the version stays).
    void setNextFirmwareVersion(const std::string& version);

    // Every request frame received (firmware data excluded), in order.
    std::vector<std::vector<uint8_t>> requestLog();
    // Commands of the logged frames, unknown frames left out.
    std::vector<Command> commandLog();
    void clearLog();
    // Bytes dropped because they formed no frame.
    size_t skippedBytes();
    // Counts every change of the records or the phonebook or a completed
    // image, so that a server knows when to save.
    uint64_t stateGeneration();

    // --- device side (used by "sim:" and the daemon) --------------------
    platform::CommTimeouts commTimeouts();
    void setCommTimeouts(const platform::CommTimeouts& timeouts);
    // Logs the call; true unless device controls are refused.
    bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize);
    std::vector<DeviceControlCall> deviceControlLog();
    void noteOpen();
    int openCount();

  private:
    struct Slot {
        uint8_t kind = 0;
        uint8_t mark = 0;
        std::array<uint8_t, kNameSize> name{};   // zero-padded
        std::array<uint8_t, kFieldSize> field{}; // number zero-padded, or members
    };
    struct Answer {
        std::vector<uint8_t> bytes;
        size_t offset = 0;
        uint32_t arrived = 0;
        uint32_t delay = 0;
    };
    struct FaultState {
        Fault fault;
        int answerLeft = -1;
        int writeLeft = -1;
    };

    void resetLocked();
    void defaultStateLocked();
    void pollLocked(uint32_t now);
    bool answerFaultActive(Command c) const;
    void consumeAnswerFault(Command c);
    std::optional<Command> commandOfWrite(const uint8_t* data, size_t count) const;
    size_t feed(const uint8_t* data, size_t count, uint32_t now);
    size_t feedImage(const uint8_t* data, size_t count, uint32_t now);
    void parsePending(uint32_t now);
    std::optional<Command> classify(const std::vector<uint8_t>& frame) const;
    void handleFrame(const std::vector<uint8_t>& frame, uint32_t now);
    void queueAnswer(Command c, std::vector<uint8_t> answer, uint32_t now);
    void takePhonebook(const std::vector<uint8_t>& frame);
    void recomputeMarksLocked();
    void finishImageLocked();
    SlotRecord recordOfLocked(size_t index) const;
    std::span<uint8_t> blockOfLocked(uint8_t code);
    void logFrame(const std::vector<uint8_t>& frame);

    std::recursive_mutex mutex_;

    std::array<FaultState, kCommandCount> faults_{};
    bool openRefused_ = false;
    bool controlRefused_ = false;
    uint8_t machineClass_ = 2;
    uint8_t capacityA_ = 0;
    uint8_t capacityB_ = 100;

    SetupBlock setup_{};
    StatusBlock status_{};
    InfoBlock info_{};
    std::vector<Slot> slots_;

    std::vector<uint8_t> pending_; // a request not yet complete
    uint32_t pendingTick_ = 0;     // the last write call while it was growing
    std::deque<Answer> answers_;

    bool fwReceiving_ = false;
    bool fwGotData_ = false;
    uint32_t fwRequestTick_ = 0;
    uint32_t fwLastDataTick_ = 0;
    uint8_t fwVariant_ = 0;
    uint32_t fwIdleMs_ = kFirmwareIdleMs;
    std::string fwNextVersion_;
    uint32_t fwNoDataMs_ = kFirmwareNoDataMs;
    std::vector<uint8_t> fwImage_;
    int fwCompleted_ = 0;

    std::deque<std::vector<uint8_t>> log_;
    std::deque<Command> commandLog_;
    size_t skipped_ = 0;
    uint64_t generation_ = 0;

    platform::CommTimeouts timeouts_{};
    std::vector<DeviceControlCall> controls_;
    int opens_ = 0;
};

// The machine behind "sim:" in this process.
SimulatedMachine& InProcessMachine();

// Registers "sim:" in the device namespace (platform::RegisterDevice). Each
// open is refused while the machine's open fault is set. A read with nothing
// queued returns 0 at once; a read whose answer is still on its way waits for
// it on the clock seam (platform::Sleep), at most the read time-out
// (readTotalTimeoutConstant + readTotalTimeoutMultiplier x count).
void RegisterSimDevice();
void UnregisterSimDevice();

} // namespace sim
