// The simulated machine's settings, state, faults and device side: what tests
// and the daemon set and read around the byte stream.
#include <algorithm>
#include <mutex>

#include "platform/clock.h"
#include "sim/simulated_machine.h"
#include "sim/simulated_machine_bytes.h"

namespace sim {

using detail::Index;
using detail::kControlLogLimit;
using detail::PutText;

// --- faults and shape -----------------------------------------------------

void SimulatedMachine::setFault(Command command, const Fault& fault) {
    std::lock_guard lock(mutex_);
    const size_t i = Index(command);
    if (i >= kCommandCount) {
        return;
    }
    faults_[i].fault = fault;
    faults_[i].answerLeft = fault.times;
    faults_[i].writeLeft = fault.times;
}

Fault SimulatedMachine::fault(Command command) {
    std::lock_guard lock(mutex_);
    const size_t i = Index(command);
    return i < kCommandCount ? faults_[i].fault : Fault{};
}

void SimulatedMachine::clearFaults() {
    std::lock_guard lock(mutex_);
    for (auto& f : faults_) {
        f = FaultState{};
    }
    openRefused_ = false;
    controlRefused_ = false;
}

void SimulatedMachine::setOpenRefused(bool refused) {
    std::lock_guard lock(mutex_);
    openRefused_ = refused;
}

bool SimulatedMachine::openRefused() {
    std::lock_guard lock(mutex_);
    return openRefused_;
}

void SimulatedMachine::setDeviceControlRefused(bool refused) {
    std::lock_guard lock(mutex_);
    controlRefused_ = refused;
}

bool SimulatedMachine::deviceControlRefused() {
    std::lock_guard lock(mutex_);
    return controlRefused_;
}

void SimulatedMachine::setMachineClass(uint8_t machineClass) {
    std::lock_guard lock(mutex_);
    machineClass_ = machineClass;
    ++generation_;
}

uint8_t SimulatedMachine::machineClass() {
    std::lock_guard lock(mutex_);
    return machineClass_;
}

void SimulatedMachine::setCapacities(uint8_t a, uint8_t b) {
    std::lock_guard lock(mutex_);
    if (size_t(a) + b > kMaxSlots) {
        a = uint8_t(kMaxSlots - b);
    }
    capacityA_ = a;
    capacityB_ = b;
    slots_.resize(size_t(a) + b);
    recomputeMarksLocked();
    ++generation_;
}

uint8_t SimulatedMachine::capacityA() {
    std::lock_guard lock(mutex_);
    return capacityA_;
}

uint8_t SimulatedMachine::capacityB() {
    std::lock_guard lock(mutex_);
    return capacityB_;
}

size_t SimulatedMachine::slotCount() {
    std::lock_guard lock(mutex_);
    return slots_.size();
}

// --- state ------------------------------------------------------------------

SetupBlock SimulatedMachine::setupBlock() {
    std::lock_guard lock(mutex_);
    return setup_;
}

void SimulatedMachine::setSetupBlock(const SetupBlock& block) {
    std::lock_guard lock(mutex_);
    setup_ = block;
    ++generation_;
}

StatusBlock SimulatedMachine::statusBlock() {
    std::lock_guard lock(mutex_);
    return status_;
}

void SimulatedMachine::setStatusBlock(const StatusBlock& block) {
    std::lock_guard lock(mutex_);
    status_ = block;
    ++generation_;
}

InfoBlock SimulatedMachine::infoBlock() {
    std::lock_guard lock(mutex_);
    return info_;
}

void SimulatedMachine::setInfoBlock(const InfoBlock& block) {
    std::lock_guard lock(mutex_);
    info_ = block;
    ++generation_;
}

SlotRecord SimulatedMachine::slotRecord(size_t index) {
    std::lock_guard lock(mutex_);
    return recordOfLocked(index);
}

uint8_t SimulatedMachine::slotKind(size_t index) {
    std::lock_guard lock(mutex_);
    return index < slots_.size() ? slots_[index].kind : 0;
}

uint8_t SimulatedMachine::slotMark(size_t index) {
    std::lock_guard lock(mutex_);
    return index < slots_.size() ? slots_[index].mark : 0;
}

std::string SimulatedMachine::slotName(size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size()) {
        return {};
    }
    const auto& n = slots_[index].name;
    return std::string(n.begin(), std::find(n.begin(), n.end(), 0));
}

std::string SimulatedMachine::slotNumber(size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size() || slots_[index].kind != 0) {
        return {};
    }
    const auto& f = slots_[index].field;
    return std::string(f.begin(), std::find(f.begin(), f.end(), 0));
}

Members SimulatedMachine::slotMembers(size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size() || slots_[index].kind == 0) {
        return Members{};
    }
    return slots_[index].field;
}

void SimulatedMachine::setSlotNumber(size_t index, std::string_view name, std::string_view number) {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size()) {
        return;
    }
    Slot s;
    PutText(s.name.data(), kNameSize, name.substr(0, name.find('\0')), 0);
    PutText(s.field.data(), kFieldSize, number.substr(0, number.find('\0')), 0);
    slots_[index] = s;
    recomputeMarksLocked();
    ++generation_;
}

void SimulatedMachine::setSlotGroup(size_t index, std::string_view name, const Members& members) {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size()) {
        return;
    }
    Slot s;
    s.kind = 1;
    PutText(s.name.data(), kNameSize, name.substr(0, name.find('\0')), 0);
    s.field = members;
    slots_[index] = s;
    recomputeMarksLocked();
    ++generation_;
}

void SimulatedMachine::clearSlot(size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size()) {
        return;
    }
    slots_[index] = Slot{};
    recomputeMarksLocked();
    ++generation_;
}

void SimulatedMachine::clearPhonebook() {
    std::lock_guard lock(mutex_);
    std::fill(slots_.begin(), slots_.end(), Slot{});
    ++generation_;
}

std::vector<uint8_t> SimulatedMachine::firmwareImage() {
    std::lock_guard lock(mutex_);
    pollLocked(platform::GetTickCount());
    return fwImage_;
}

bool SimulatedMachine::firmwareReceiving() {
    std::lock_guard lock(mutex_);
    pollLocked(platform::GetTickCount());
    return fwReceiving_;
}

int SimulatedMachine::firmwareImagesCompleted() {
    std::lock_guard lock(mutex_);
    pollLocked(platform::GetTickCount());
    return fwCompleted_;
}

void SimulatedMachine::setFirmwareTimings(uint32_t idleMs, uint32_t noDataMs) {
    std::lock_guard lock(mutex_);
    fwIdleMs_ = idleMs;
    fwNoDataMs_ = noDataMs;
}

void SimulatedMachine::setNextFirmwareVersion(const std::string& version) {
    std::lock_guard lock(mutex_);
    fwNextVersion_ = version;
}

uint8_t SimulatedMachine::firmwareRequestVariant() {
    std::lock_guard lock(mutex_);
    return fwVariant_;
}

std::vector<std::vector<uint8_t>> SimulatedMachine::requestLog() {
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

std::vector<Command> SimulatedMachine::commandLog() {
    std::lock_guard lock(mutex_);
    return {commandLog_.begin(), commandLog_.end()};
}

void SimulatedMachine::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    commandLog_.clear();
    controls_.clear();
}

size_t SimulatedMachine::skippedBytes() {
    std::lock_guard lock(mutex_);
    return skipped_;
}

uint64_t SimulatedMachine::stateGeneration() {
    std::lock_guard lock(mutex_);
    pollLocked(platform::GetTickCount());
    return generation_;
}

// --- device side --------------------------------------------------------------

platform::CommTimeouts SimulatedMachine::commTimeouts() {
    std::lock_guard lock(mutex_);
    return timeouts_;
}

void SimulatedMachine::setCommTimeouts(const platform::CommTimeouts& timeouts) {
    std::lock_guard lock(mutex_);
    timeouts_ = timeouts;
}

bool SimulatedMachine::deviceControl(uint32_t code, const uint8_t* in, size_t inSize) {
    std::lock_guard lock(mutex_);
    DeviceControlCall call;
    call.code = code;
    if (in && inSize > 0) {
        call.input.assign(in, in + std::min<size_t>(inSize, 4096));
    }
    controls_.push_back(std::move(call));
    if (controls_.size() > kControlLogLimit) {
        controls_.erase(controls_.begin());
    }
    return !controlRefused_;
}

std::vector<DeviceControlCall> SimulatedMachine::deviceControlLog() {
    std::lock_guard lock(mutex_);
    return controls_;
}

void SimulatedMachine::noteOpen() {
    std::lock_guard lock(mutex_);
    ++opens_;
}

int SimulatedMachine::openCount() {
    std::lock_guard lock(mutex_);
    return opens_;
}

} // namespace sim
