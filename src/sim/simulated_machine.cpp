#include "sim/simulated_machine.h"
#include "sim/simulated_machine_bytes.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"

namespace sim {

namespace {

using detail::Index;
using detail::PutText;

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kHead = 0xA4;
constexpr uint8_t kFirmwareHead = 0xA5;
constexpr uint8_t kOpInquiry = 0xC0;
constexpr uint8_t kOpRead = 0xC1;
constexpr uint8_t kOpWrite = 0xC2;
constexpr uint8_t kRecordStatus = 0x40;
constexpr uint8_t kRecordSetup = 0x41;
constexpr uint8_t kRecordPhonebook = 0x42;
constexpr uint8_t kRecordInfo = 0x43;
constexpr uint8_t kFirmwareOp = 0x05;
// A firmware request is 8 bytes; anything announcing far more is noise.
constexpr size_t kMaxFirmwareFrameLength = 64;

const char* const kCommandNames[kCommandCount] = {
    "inquiry",  "get-setup",     "set-setup",     "get-status",       "set-status",
    "get-info", "get-phonebook", "set-phonebook", "firmware-request", "firmware-data",
};

bool Elapsed(uint32_t now, uint32_t since, uint32_t ms) {
    return uint32_t(now - since) >= ms;
}

void PutU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

std::vector<uint8_t> AnswerHead(size_t dataSize, uint8_t op, uint8_t record) {
    const size_t length = 6 + dataSize;
    std::vector<uint8_t> a = {
        kEsc, kHead, uint8_t(length >> 8), uint8_t(length), 0x50, 0xE0, 0x82, op, record, 0x00};
    return a;
}

// The frame bytes a firmware request must have at each position; byte 4 is
// the path variant and may be anything.
bool FirmwarePrefixMatches(const std::vector<uint8_t>& b) {
    static const uint8_t expect[8] = {kEsc, kFirmwareHead, 0x00, 0x04,
                                      0x00, 0xE0,          0x82, kFirmwareOp};
    for (size_t i = 0; i < b.size() && i < 8; ++i) {
        if (i != 4 && b[i] != expect[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

const char* CommandName(Command command) {
    const size_t i = Index(command);
    return i < kCommandCount ? kCommandNames[i] : "?";
}

std::optional<Command> CommandFromName(std::string_view name) {
    for (int i = 0; i < kCommandCount; ++i) {
        if (name == kCommandNames[i]) {
            return static_cast<Command>(i);
        }
    }
    return std::nullopt;
}

SimulatedMachine::SimulatedMachine() {
    resetLocked();
}

void SimulatedMachine::reset() {
    std::lock_guard lock(mutex_);
    resetLocked();
}

void SimulatedMachine::resetLocked() {
    for (auto& f : faults_) {
        f = FaultState{};
    }
    openRefused_ = false;
    controlRefused_ = false;
    machineClass_ = 2;
    capacityA_ = 0;
    capacityB_ = 100;
    pending_.clear();
    answers_.clear();
    fwReceiving_ = false;
    fwGotData_ = false;
    fwRequestTick_ = 0;
    fwLastDataTick_ = 0;
    fwVariant_ = 0;
    fwIdleMs_ = kFirmwareIdleMs;
    fwNoDataMs_ = kFirmwareNoDataMs;
    fwNextVersion_.clear();
    fwImage_.clear();
    fwCompleted_ = 0;
    log_.clear();
    commandLog_.clear();
    skipped_ = 0;
    timeouts_ = platform::CommTimeouts{};
    controls_.clear();
    opens_ = 0;
    defaultStateLocked();
    ++generation_;
}

void SimulatedMachine::defaultStateLocked() {
    // Settings as a machine leaves the factory, with A4 paper in the tray.
    setup_ = {0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x0A, 0x01, 0x01, 0x00, 0x64,
              0x00, 0x01, 0x01, 0x01, 0x09, 0x03, 0x03, 0x03, 0x02, 0x01, 0x01};

    status_.fill(0);
    PutText(&status_[0], 20, "+1 555 0100", ' ');
    PutText(&status_[20], 20, "FRONT OFFICE", ' ');
    const uint8_t middle[] = {
        0x01,                               // clockMode: 24-hour
        0x00,                               // language
        0x03,                               // powerSave: 15 minutes
        0x00, 0x01, 0x00, 0x00, 0x00,       // reserved, carried unchanged
        0x01,                               // usbMode: FAST
        0x01,                               // speaker: ON
        0x02,                               // ringer: MED
        0x01, 0x01,                         // keySound, alarmSound
        0x01,                               // tollSaver
        0x01, 0x0F, 0x07, 0xD4, 0x16, 0x00, // start 2004-01-15 22:00
        0x01, 0x0F, 0x07, 0xD4, 0x06, 0x1E, // end 2004-01-15 06:30
    };
    std::memcpy(&status_[40], middle, sizeof middle);
    PutText(&status_[66], 5, "9", 0x00);
    status_[71] = 0x01; // stampReceiverName
    status_[72] = 0x01; // ecmMode

    info_.fill(0);
    info_[0] = 87;
    const uint32_t counters[6] = {1234, 567, 8910, 3, 2, 5};
    for (int i = 0; i < 6; ++i) {
        PutU32(&info_[1 + 4 * i], counters[i]);
    }
    PutText(&info_[25], 10, "2.05", 0x00);
    PutText(&info_[35], 10, "V1.2.0", 0x00);
    PutText(&info_[45], 30, "ZEML 1.21 03-11-2004", 0x00);
    PutText(&info_[75], 30, "", 0x00);

    slots_.assign(size_t(capacityA_) + capacityB_, Slot{});
    auto number = [this](size_t i, std::string_view name, std::string_view num) {
        if (i < slots_.size()) {
            slots_[i] = Slot{};
            PutText(slots_[i].name.data(), kNameSize, name, 0);
            PutText(slots_[i].field.data(), kFieldSize, num, 0);
        }
    };
    number(0, "Office", "5550100");
    number(1, "Home", "5550199");
    number(2, "Support Desk", "18005550123");
    number(4, "Sales", "5550142");
    number(7, "Head Office Paris", "0033155501234");
    if (slots_.size() > 10) {
        Slot& g = slots_[10];
        g = Slot{};
        g.kind = 1;
        PutText(g.name.data(), kNameSize, "Team", 0);
        g.field[0] = 0xC8; // slots 0, 1 and 4
    }
    recomputeMarksLocked();
}

// --- the byte stream ------------------------------------------------------

long SimulatedMachine::write(const uint8_t* data, size_t count) {
    std::lock_guard lock(mutex_);
    if (!data || count == 0) {
        return 0;
    }
    const uint32_t now = platform::GetTickCount();
    pollLocked(now);
    if (!pending_.empty() && Elapsed(now, pendingTick_, kStaleRequestMs)) {
        skipped_ += pending_.size();
        pending_.clear();
    }
    pendingTick_ = now;
    size_t take = count;
    if (const std::optional<Command> c = commandOfWrite(data, count)) {
        FaultState& f = faults_[Index(*c)];
        if (f.fault.acceptWriteBytes >= 0 && f.writeLeft != 0) {
            take = std::min(take, size_t(f.fault.acceptWriteBytes));
            if (f.writeLeft > 0) {
                --f.writeLeft;
            }
        }
    }
    return static_cast<long>(feed(data, take, now));
}

long SimulatedMachine::read(uint8_t* buffer, size_t max) {
    std::lock_guard lock(mutex_);
    const uint32_t now = platform::GetTickCount();
    pollLocked(now);
    if (!buffer) {
        return 0;
    }
    size_t got = 0;
    while (got < max && !answers_.empty()) {
        Answer& a = answers_.front();
        if (!Elapsed(now, a.arrived, a.delay)) {
            break;
        }
        const size_t n = std::min(max - got, a.bytes.size() - a.offset);
        std::memcpy(buffer + got, a.bytes.data() + a.offset, n);
        got += n;
        a.offset += n;
        if (a.offset >= a.bytes.size()) {
            answers_.pop_front();
        }
    }
    return static_cast<long>(got);
}

size_t SimulatedMachine::queuedAnswerBytes() {
    std::lock_guard lock(mutex_);
    pollLocked(platform::GetTickCount());
    size_t n = 0;
    for (const Answer& a : answers_) {
        n += a.bytes.size() - a.offset;
    }
    return n;
}

std::optional<uint32_t> SimulatedMachine::msUntilAnswer() {
    std::lock_guard lock(mutex_);
    const uint32_t now = platform::GetTickCount();
    pollLocked(now);
    if (answers_.empty()) {
        return std::nullopt;
    }
    const Answer& a = answers_.front();
    const uint32_t passed = now - a.arrived;
    return passed >= a.delay ? 0 : a.delay - passed;
}

void SimulatedMachine::poll() {
    std::lock_guard lock(mutex_);
    pollLocked(platform::GetTickCount());
}

std::optional<uint32_t> SimulatedMachine::msUntilPollDue() {
    std::lock_guard lock(mutex_);
    const uint32_t now = platform::GetTickCount();
    pollLocked(now);
    if (!fwReceiving_) {
        return std::nullopt;
    }
    const uint32_t since = fwGotData_ ? fwLastDataTick_ : fwRequestTick_;
    const uint32_t limit = fwGotData_ ? fwIdleMs_ : fwNoDataMs_;
    const uint32_t passed = now - since;
    return passed >= limit ? 0 : limit - passed;
}

void SimulatedMachine::pollLocked(uint32_t now) {
    if (!fwReceiving_) {
        return;
    }
    if (fwGotData_ && Elapsed(now, fwLastDataTick_, fwIdleMs_)) {
        finishImageLocked();
    } else if (!fwGotData_ && Elapsed(now, fwRequestTick_, fwNoDataMs_)) {
        // The update was abandoned before any data: back to commands.
        fwReceiving_ = false;
        pending_.clear();
    }
}

void SimulatedMachine::finishImageLocked() {
    fwReceiving_ = false;
    fwGotData_ = false;
    ++fwCompleted_;
    ++generation_;
    // The machine restarts with its new firmware: nothing from before survives.
    if (!fwNextVersion_.empty()) {
        PutText(&info_[25], 10, fwNextVersion_, 0x00);
    }
    pending_.clear();
    answers_.clear();
}

std::optional<Command> SimulatedMachine::commandOfWrite(const uint8_t* data, size_t count) const {
    // The first bytes of the request this write belongs to: the half-received
    // request, then the new bytes (noise in front of a frame skipped).
    uint8_t head[9];
    size_t n = 0;
    for (size_t i = 0; i < pending_.size() && n < sizeof head; ++i) {
        head[n++] = pending_[i];
    }
    size_t i = 0;
    if (n == 0 && !fwReceiving_) {
        while (i < count && data[i] != kEsc) {
            ++i;
        }
    }
    for (; i < count && n < sizeof head; ++i) {
        head[n++] = data[i];
    }
    if (fwReceiving_) {
        const bool request = !fwGotData_ && n >= 2 && head[0] == kEsc && head[1] == kFirmwareHead;
        return request ? Command::FirmwareRequest : Command::FirmwareData;
    }
    if (n < 2 || head[0] != kEsc) {
        return std::nullopt;
    }
    if (head[1] == kFirmwareHead) {
        return Command::FirmwareRequest;
    }
    if (head[1] != kHead || n < 8) {
        return std::nullopt;
    }
    if (head[7] == kOpInquiry) {
        return Command::Inquiry;
    }
    if (n < 9) {
        return std::nullopt;
    }
    std::vector<uint8_t> frame(head, head + n);
    return classify(frame);
}

size_t SimulatedMachine::feed(const uint8_t* data, size_t count, uint32_t now) {
    size_t taken = 0;
    while (taken < count) {
        if (fwReceiving_) {
            if (!fwGotData_ && (!pending_.empty() || data[taken] == kEsc)) {
                // Perhaps the update request again: hold its bytes until it is
                // whole or turns out to be data.
                pending_.push_back(data[taken++]);
                if (!FirmwarePrefixMatches(pending_)) {
                    std::vector<uint8_t> bytes;
                    bytes.swap(pending_);
                    const size_t kept = feedImage(bytes.data(), bytes.size(), now);
                    if (kept < bytes.size()) {
                        // Refused data: the refused bytes of this write count
                        // as not accepted (earlier ones were accepted before).
                        const size_t refused = bytes.size() - kept;
                        return taken > refused ? taken - refused : 0;
                    }
                } else if (pending_.size() == 8) {
                    std::vector<uint8_t> frame;
                    frame.swap(pending_);
                    handleFrame(frame, now);
                }
                continue;
            }
            const size_t kept = feedImage(data + taken, count - taken, now);
            taken += kept;
            if (taken < count) {
                return taken;
            }
            continue;
        }
        // Command mode: parse frames; bytes after an update request go on
        // through the firmware path.
        pending_.insert(pending_.end(), data + taken, data + count);
        taken = count;
        parsePending(now);
        if (fwReceiving_ && !pending_.empty()) {
            // Bytes after the update request are image data (or the request
            // again); run them through the firmware path.
            std::vector<uint8_t> rest;
            rest.swap(pending_);
            const size_t kept = feed(rest.data(), rest.size(), now);
            if (kept < rest.size()) {
                const size_t refused = rest.size() - kept;
                return taken > refused ? taken - refused : 0;
            }
        }
    }
    return taken;
}

size_t SimulatedMachine::feedImage(const uint8_t* data, size_t count, uint32_t now) {
    FaultState& f = faults_[Index(Command::FirmwareData)];
    size_t room = count;
    if (f.fault.silent && f.answerLeft != 0) {
        room = 0;
    }
    if (f.fault.imageLimit >= 0) {
        const size_t limit = size_t(f.fault.imageLimit);
        room = std::min(room, limit > fwImage_.size() ? limit - fwImage_.size() : 0);
    }
    const size_t n = std::min(count, room);
    if (n > 0) {
        fwImage_.insert(fwImage_.end(), data, data + n);
        fwGotData_ = true;
        fwLastDataTick_ = now;
    }
    return n;
}

void SimulatedMachine::parsePending(uint32_t now) {
    size_t pos = 0;
    for (;;) {
        // Skip noise up to the next frame start.
        size_t start = pos;
        while (pos < pending_.size() && pending_[pos] != kEsc) {
            ++pos;
        }
        skipped_ += pos - start;
        const size_t have = pending_.size() - pos;
        if (have < 2) {
            break;
        }
        const uint8_t* f = pending_.data() + pos;
        const bool firmware = f[1] == kFirmwareHead;
        if (f[1] != kHead && !firmware) {
            ++pos;
            ++skipped_;
            continue;
        }
        if (have < 4) {
            break;
        }
        const size_t length = (size_t(f[2]) << 8) | f[3];
        bool bad = length < 4 || (firmware && length > kMaxFirmwareFrameLength);
        // The command bytes after the length show early whether this is a frame.
        if (!bad && have > 4 && !firmware && f[4] != 0x50) {
            bad = true;
        }
        if (!bad && have > 5 && f[5] != 0xE0) {
            bad = true;
        }
        if (!bad && have > 6 && f[6] != 0x82) {
            bad = true;
        }
        if (bad) {
            ++pos;
            ++skipped_;
            continue;
        }
        if (have < 4 + length) {
            break;
        }
        std::vector<uint8_t> frame(f, f + 4 + length);
        pos += frame.size();
        handleFrame(frame, now);
        if (fwReceiving_) {
            break; // what follows is image data, not frames
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + long(pos));
}

std::optional<Command> SimulatedMachine::classify(const std::vector<uint8_t>& frame) const {
    if (frame.size() < 8) {
        return std::nullopt;
    }
    if (frame[1] == kFirmwareHead) {
        return frame[7] == kFirmwareOp ? std::optional(Command::FirmwareRequest) : std::nullopt;
    }
    if (frame[7] == kOpInquiry) {
        return Command::Inquiry;
    }
    if (frame.size() < 9 || (frame[7] != kOpRead && frame[7] != kOpWrite)) {
        return std::nullopt;
    }
    const bool get = frame[7] == kOpRead;
    switch (frame[8]) {
    case kRecordSetup:
        return get ? Command::GetSetup : Command::SetSetup;
    case kRecordStatus:
        return get ? Command::GetStatus : Command::SetStatus;
    case kRecordInfo:
        return get ? std::optional(Command::GetInfo) : std::nullopt;
    case kRecordPhonebook:
        return get ? Command::GetPhonebook : Command::SetPhonebook;
    default:
        return std::nullopt;
    }
}

void SimulatedMachine::logFrame(const std::vector<uint8_t>& frame) {
    log_.push_back(frame);
    while (log_.size() > kRequestLogLimit) {
        log_.pop_front();
    }
}

bool SimulatedMachine::answerFaultActive(Command c) const {
    return faults_[Index(c)].answerLeft != 0;
}

void SimulatedMachine::consumeAnswerFault(Command c) {
    FaultState& f = faults_[Index(c)];
    if (f.answerLeft > 0) {
        --f.answerLeft;
    }
}

void SimulatedMachine::handleFrame(const std::vector<uint8_t>& frame, uint32_t now) {
    logFrame(frame);
    const std::optional<Command> c = classify(frame);
    if (!c) {
        return; // a frame the machine does not know gets no answer
    }
    commandLog_.push_back(*c);
    while (commandLog_.size() > kRequestLogLimit) {
        commandLog_.pop_front();
    }
    const Fault fault = answerFaultActive(*c) ? faults_[Index(*c)].fault : Fault{};
    consumeAnswerFault(*c);
    if (fault.silent) {
        return;
    }

    std::vector<uint8_t> answer;
    switch (*c) {
    case Command::Inquiry:
        answer = {kEsc, kHead, 0x00, 0x06, 0x50, 0xE0, capacityA_, capacityB_, 0x01, machineClass_};
        break;
    case Command::GetSetup:
    case Command::GetStatus:
    case Command::GetInfo: {
        const std::span<uint8_t> block = blockOfLocked(frame[8]);
        answer = AnswerHead(block.size(), kOpRead, frame[8]);
        answer.insert(answer.end(), block.begin(), block.end());
        break;
    }
    case Command::GetPhonebook: {
        const size_t k = slots_.size();
        answer = AnswerHead(1 + k * kRecordSize, kOpRead, kRecordPhonebook);
        answer.push_back(uint8_t(k));
        for (size_t i = 0; i < k; ++i) {
            const SlotRecord r = recordOfLocked(i);
            answer.insert(answer.end(), r.begin(), r.end());
        }
        break;
    }
    case Command::SetSetup:
    case Command::SetStatus: {
        // A block arrives whole or not at all; a short one is left out.
        const std::span<uint8_t> block = blockOfLocked(frame[8]);
        if (frame.size() >= 9 + block.size()) {
            std::memcpy(block.data(), frame.data() + 9, block.size());
            ++generation_;
        }
        answer = AnswerHead(0, kOpWrite, frame[8]);
        break;
    }
    case Command::SetPhonebook:
        takePhonebook(frame);
        answer = AnswerHead(0, kOpWrite, kRecordPhonebook);
        break;
    case Command::FirmwareRequest:
        fwReceiving_ = true;
        fwGotData_ = false;
        fwRequestTick_ = now;
        fwVariant_ = frame[4];
        fwImage_.clear();
        answer = {kEsc, kFirmwareHead, 0x00, 0x05, frame[4], 0xE0, 0x82, kFirmwareOp, 0x00};
        break;
    case Command::FirmwareData:
        return;
    }
    if (fault.wrongHead && answer.size() >= 2) {
        if (*c == Command::FirmwareRequest) {
            answer[0] = 0x1C;
        } else {
            answer[1] = kFirmwareHead;
        }
    }
    if (fault.cutAnswerTo >= 0 && size_t(fault.cutAnswerTo) < answer.size()) {
        answer.resize(size_t(fault.cutAnswerTo));
    }
    if (answer.empty()) {
        return;
    }
    Answer a;
    a.bytes = std::move(answer);
    a.arrived = now;
    a.delay = fault.lateMs;
    answers_.push_back(std::move(a));
}

std::span<uint8_t> SimulatedMachine::blockOfLocked(uint8_t code) {
    switch (code) {
    case kRecordSetup:
        return setup_;
    case kRecordStatus:
        return status_;
    case kRecordInfo:
        return info_;
    default:
        return {};
    }
}

std::vector<uint8_t> SimulatedMachine::recordBlock(uint8_t code) {
    std::lock_guard lock(mutex_);
    const std::span<uint8_t> block = blockOfLocked(code);
    return std::vector<uint8_t>(block.begin(), block.end());
}

void SimulatedMachine::takePhonebook(const std::vector<uint8_t>& frame) {
    if (frame.size() < 10) {
        return;
    }
    const size_t announced = frame[9];
    const size_t present = (frame.size() - 10) / kRecordSize;
    const size_t count = std::min(announced, present);
    for (size_t r = 0; r < count; ++r) {
        const uint8_t* rec = frame.data() + 10 + r * kRecordSize;
        const size_t slotNumber = rec[0];
        if (slotNumber < 1 || slotNumber > slots_.size()) {
            continue;
        }
        Slot s;
        s.kind = rec[1];
        const uint8_t* name = rec + 3;
        const size_t nameLen = std::find(name, name + kNameSize, 0) - name;
        std::memcpy(s.name.data(), name, nameLen);
        const uint8_t* field = rec + 23;
        if (s.kind == 0) {
            size_t len = 0;
            while (len < kFieldSize && field[len] != 0xFF && field[len] != 0x00) {
                ++len;
            }
            std::memcpy(s.field.data(), field, len);
        } else {
            std::memcpy(s.field.data(), field, kFieldSize);
        }
        slots_[slotNumber - 1] = s;
    }
    recomputeMarksLocked();
    ++generation_;
}

void SimulatedMachine::recomputeMarksLocked() {
    const size_t speed = std::min<size_t>(capacityB_, slots_.size());
    const size_t n = slots_.size();
    for (Slot& s : slots_) {
        s.mark = 0;
    }
    for (size_t i = 0; i < n; ++i) {
        const Slot& g = slots_[i];
        if (g.kind == 0) {
            continue;
        }
        if (i < speed) {
            for (size_t k = 0; k < 200 && k < speed; ++k) {
                if (g.field[k / 8] & (0x80 >> (k % 8))) {
                    slots_[k].mark = 1;
                }
            }
            for (size_t k = 0; k < 56 && speed + k < n; ++k) {
                if (g.field[36 + k / 8] & (0x80 >> (k % 8))) {
                    slots_[speed + k].mark = 1;
                }
            }
        } else {
            const size_t target = g.field[0];
            if (target != 0 && target < speed && g.field[1] == 0 && g.field[2] == 0 &&
                g.field[3] == 0) {
                slots_[target].mark = 1;
            }
        }
    }
}

SlotRecord SimulatedMachine::recordOfLocked(size_t index) const {
    SlotRecord r{};
    r[0] = uint8_t(index + 1);
    if (index >= slots_.size()) {
        std::memset(&r[3], ' ', kNameSize + kFieldSize);
        return r;
    }
    const Slot& s = slots_[index];
    r[1] = s.kind;
    r[2] = s.mark;
    for (size_t i = 0; i < kNameSize; ++i) {
        r[3 + i] = s.name[i] ? s.name[i] : ' ';
    }
    if (s.kind == 0) {
        const size_t len = std::find(s.field.begin(), s.field.end(), 0) - s.field.begin();
        for (size_t i = 0; i < kFieldSize; ++i) {
            r[23 + i] = i < len ? s.field[i] : ' ';
        }
    } else {
        std::memcpy(&r[23], s.field.data(), kFieldSize);
    }
    // A name is cut at its first NUL; bytes after it travel as blanks too.
    const size_t nameLen = std::find(s.name.begin(), s.name.end(), 0) - s.name.begin();
    for (size_t i = nameLen; i < kNameSize; ++i) {
        r[3 + i] = ' ';
    }
    return r;
}

} // namespace sim
