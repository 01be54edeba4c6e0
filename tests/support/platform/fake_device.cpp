#include "support/platform/fake_device.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>

struct FakeDevice::State {
    mutable std::mutex mutex;

    std::deque<bool> openScript;
    bool openDefault = true;
    std::deque<long> writeScript;
    long writeDefault = kAcceptAll;
    struct ReadEntry {
        std::optional<ByteVector> bytes; // nullopt: an error
        bool held = false;               // already in the machine: seen by every read
    };
    std::deque<ReadEntry> readScript;
    Responder responder;
    std::function<void()> readHook;
    std::deque<bool> getScript;
    std::deque<bool> setScript;
    bool getDefault = true;
    bool setDefault = true;
    std::deque<std::pair<bool, ByteVector>> controlScript;
    bool controlDefault = true;

    platform::CommTimeouts timeouts;
    std::vector<FakeDeviceCall> calls;
    ByteVector accepted;

    template <typename T> static std::optional<T> Next(std::deque<T>& queue) {
        if (queue.empty()) {
            return std::nullopt;
        }
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }
};

namespace {

using Kind = FakeDeviceCall::Kind;

class FakeHandle : public platform::Device {
  public:
    explicit FakeHandle(std::shared_ptr<FakeDevice::State> state) : state_(std::move(state)) {}

    ~FakeHandle() override {
        std::lock_guard<std::mutex> lock(state_->mutex);
        FakeDeviceCall call;
        call.kind = Kind::Close;
        state_->calls.push_back(call);
    }

    long write(const uint8_t* data, size_t count) override {
        std::unique_lock<std::mutex> lock(state_->mutex);
        FakeDeviceCall call;
        call.kind = Kind::Write;
        call.count = count;
        if (data) {
            call.bytes.assign(data, data + count);
        }
        const long script =
            FakeDevice::State::Next(state_->writeScript).value_or(state_->writeDefault);
        long result = -1;
        if (script >= 0) {
            result = static_cast<long>(std::min<size_t>(static_cast<size_t>(script), count));
        }
        call.result = result;
        state_->calls.push_back(call);
        if (result <= 0) {
            return result;
        }
        const ByteVector taken(call.bytes.begin(), call.bytes.begin() + result);
        state_->accepted.insert(state_->accepted.end(), taken.begin(), taken.end());
        FakeDevice::Responder responder = state_->responder;
        if (responder) {
            lock.unlock(); // the responder may look at the fake's record
            ByteVector answer = responder(taken);
            lock.lock();
            if (!answer.empty()) {
                state_->readScript.push_back({std::move(answer), true});
            }
        }
        return result;
    }

    long read(uint8_t* data, size_t count) override {
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            hook = state_->readHook;
        }
        if (hook) {
            hook();
        }
        std::lock_guard<std::mutex> lock(state_->mutex);
        FakeDeviceCall call;
        call.kind = Kind::Read;
        call.count = count;
        call.atOnce = platform::ReadsReturnAtOnce(state_->timeouts);
        long result = 0;
        const bool seen =
            !state_->readScript.empty() &&
            (!call.atOnce || (state_->readScript.front().held && state_->readScript.front().bytes));
        if (seen) {
            auto& front = state_->readScript.front();
            if (!front.bytes) {
                result = -1;
                state_->readScript.pop_front();
            } else {
                ByteVector& bytes = *front.bytes;
                const size_t n = std::min(count, bytes.size());
                if (n > 0 && data) {
                    std::memcpy(data, bytes.data(), n);
                }
                call.bytes.assign(bytes.begin(), bytes.begin() + static_cast<long>(n));
                result = static_cast<long>(n);
                if (n < bytes.size()) {
                    bytes.erase(bytes.begin(), bytes.begin() + static_cast<long>(n));
                    front.held = true; // the rest of an answer already under way
                } else {
                    state_->readScript.pop_front();
                }
            }
        }
        call.result = result;
        state_->calls.push_back(call);
        return result;
    }

    bool getCommTimeouts(platform::CommTimeouts& out) override {
        std::lock_guard<std::mutex> lock(state_->mutex);
        const bool ok = FakeDevice::State::Next(state_->getScript).value_or(state_->getDefault);
        FakeDeviceCall call;
        call.kind = Kind::GetCommTimeouts;
        call.result = ok ? 1 : 0;
        if (ok) {
            out = state_->timeouts;
            call.timeouts = out;
        }
        state_->calls.push_back(call);
        return ok;
    }

    bool setCommTimeouts(const platform::CommTimeouts& in) override {
        std::lock_guard<std::mutex> lock(state_->mutex);
        const bool ok = FakeDevice::State::Next(state_->setScript).value_or(state_->setDefault);
        FakeDeviceCall call;
        call.kind = Kind::SetCommTimeouts;
        call.timeouts = in;
        call.result = ok ? 1 : 0;
        if (ok) {
            state_->timeouts = in;
        }
        state_->calls.push_back(call);
        return ok;
    }

    bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize, uint8_t* out,
                       size_t outSize) override {
        std::lock_guard<std::mutex> lock(state_->mutex);
        auto script = FakeDevice::State::Next(state_->controlScript)
                          .value_or(std::make_pair(state_->controlDefault, ByteVector{}));
        FakeDeviceCall call;
        call.kind = Kind::DeviceControl;
        call.code = code;
        call.count = outSize;
        if (in) {
            call.bytes.assign(in, in + inSize);
        }
        call.result = script.first ? 1 : 0;
        if (script.first && out) {
            std::memcpy(out, script.second.data(), std::min(outSize, script.second.size()));
        }
        state_->calls.push_back(call);
        return script.first;
    }

  private:
    std::shared_ptr<FakeDevice::State> state_;
};

} // namespace

const char* ToString(FakeDeviceCall::Kind kind) {
    switch (kind) {
    case Kind::Open:
        return "Open";
    case Kind::OpenRefused:
        return "OpenRefused";
    case Kind::Close:
        return "Close";
    case Kind::Write:
        return "Write";
    case Kind::Read:
        return "Read";
    case Kind::GetCommTimeouts:
        return "GetCommTimeouts";
    case Kind::SetCommTimeouts:
        return "SetCommTimeouts";
    case Kind::DeviceControl:
        return "DeviceControl";
    }
    return "?";
}

FakeDevice::FakeDevice(std::string key) : key_(std::move(key)), state_(std::make_shared<State>()) {
    std::weak_ptr<State> weak = state_;
    platform::RegisterDevice(
        key_,
        [weak](const std::string& name,
               const platform::OpenMode& mode) -> std::unique_ptr<platform::Device> {
            auto state = weak.lock();
            if (!state) {
                return nullptr;
            }
            std::lock_guard<std::mutex> lock(state->mutex);
            const bool ok = State::Next(state->openScript).value_or(state->openDefault);
            FakeDeviceCall call;
            call.kind = ok ? Kind::Open : Kind::OpenRefused;
            call.name = name;
            call.mode = mode;
            call.result = ok ? 1 : 0;
            state->calls.push_back(call);
            if (!ok) {
                return nullptr;
            }
            return std::make_unique<FakeHandle>(state);
        });
}

FakeDevice::~FakeDevice() {
    platform::UnregisterDevice(key_);
}

FakeDevice& FakeDevice::refuseOpens(int n) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (int i = 0; i < n; ++i) {
        state_->openScript.push_back(false);
    }
    return *this;
}

FakeDevice& FakeDevice::setOpenable(bool openable) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->openDefault = openable;
    return *this;
}

FakeDevice& FakeDevice::onWrite(long accepted) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->writeScript.push_back(accepted);
    return *this;
}

FakeDevice& FakeDevice::setWriteDefault(long accepted) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->writeDefault = accepted;
    return *this;
}

FakeDevice& FakeDevice::onRead(ByteVector bytes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->readScript.push_back({std::move(bytes), false});
    return *this;
}

FakeDevice& FakeDevice::onReadError() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->readScript.push_back({std::nullopt, false});
    return *this;
}

FakeDevice& FakeDevice::onHeld(ByteVector bytes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->readScript.push_back({std::move(bytes), true});
    return *this;
}

FakeDevice& FakeDevice::setReadHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->readHook = std::move(hook);
    return *this;
}

FakeDevice& FakeDevice::setResponder(Responder responder) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->responder = std::move(responder);
    return *this;
}

FakeDevice& FakeDevice::onGetCommTimeouts(bool ok) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->getScript.push_back(ok);
    return *this;
}

FakeDevice& FakeDevice::onSetCommTimeouts(bool ok) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->setScript.push_back(ok);
    return *this;
}

FakeDevice& FakeDevice::setCommTimeoutsDefault(bool getOk, bool setOk) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->getDefault = getOk;
    state_->setDefault = setOk;
    return *this;
}

FakeDevice& FakeDevice::setInitialTimeouts(const platform::CommTimeouts& timeouts) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->timeouts = timeouts;
    return *this;
}

FakeDevice& FakeDevice::onDeviceControl(bool ok, ByteVector out) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->controlScript.emplace_back(ok, std::move(out));
    return *this;
}

FakeDevice& FakeDevice::setDeviceControlDefault(bool ok) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->controlDefault = ok;
    return *this;
}

std::vector<FakeDeviceCall> FakeDevice::calls() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->calls;
}

std::vector<FakeDeviceCall> FakeDevice::calls(Kind kind) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::vector<FakeDeviceCall> out;
    for (const auto& c : state_->calls) {
        if (c.kind == kind) {
            out.push_back(c);
        }
    }
    return out;
}

std::vector<FakeDevice::Kind> FakeDevice::kinds() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::vector<Kind> out;
    for (const auto& c : state_->calls) {
        out.push_back(c.kind);
    }
    return out;
}

int FakeDevice::opens() const {
    return static_cast<int>(calls(Kind::Open).size());
}

int FakeDevice::refusedOpens() const {
    return static_cast<int>(calls(Kind::OpenRefused).size());
}

int FakeDevice::closes() const {
    return static_cast<int>(calls(Kind::Close).size());
}

int FakeDevice::openHandles() const {
    return opens() - closes();
}

std::vector<platform::OpenMode> FakeDevice::openModes() const {
    std::vector<platform::OpenMode> out;
    for (const auto& c : calls(Kind::Open)) {
        out.push_back(c.mode);
    }
    return out;
}

std::vector<std::string> FakeDevice::openNames() const {
    std::vector<std::string> out;
    for (const auto& c : calls()) {
        if (c.kind == Kind::Open || c.kind == Kind::OpenRefused) {
            out.push_back(c.name);
        }
    }
    return out;
}

std::vector<ByteVector> FakeDevice::writes() const {
    std::vector<ByteVector> out;
    for (const auto& c : calls(Kind::Write)) {
        out.push_back(c.bytes);
    }
    return out;
}

ByteVector FakeDevice::written() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->accepted;
}

std::vector<size_t> FakeDevice::readSizes() const {
    std::vector<size_t> out;
    for (const auto& c : calls(Kind::Read)) {
        if (!c.atOnce) {
            out.push_back(c.count);
        }
    }
    return out;
}

int FakeDevice::waitingReads() const {
    return static_cast<int>(readSizes().size());
}

int FakeDevice::atOnceReads() const {
    return static_cast<int>(calls(Kind::Read).size()) - waitingReads();
}

std::vector<uint32_t> FakeDevice::controlCodes() const {
    std::vector<uint32_t> out;
    for (const auto& c : calls(Kind::DeviceControl)) {
        out.push_back(c.code);
    }
    return out;
}

platform::CommTimeouts FakeDevice::timeouts() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->timeouts;
}

size_t FakeDevice::queuedReads() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->readScript.size();
}

void FakeDevice::clearCalls() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->calls.clear();
    state_->accepted.clear();
}
