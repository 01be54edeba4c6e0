#include <algorithm>
#include <memory>

#include "platform/clock.h"
#include "platform/device.h"
#include "sim/simulated_machine.h"

namespace sim {

namespace {

// One open of "sim:": every call goes straight to the machine.
class SimDevice : public platform::Device {
  public:
    explicit SimDevice(SimulatedMachine& machine) : machine_(machine) {}

    long write(const uint8_t* data, size_t count) override {
        if (!data && count > 0) {
            return -1;
        }
        return machine_.write(data, count);
    }

    long read(uint8_t* data, size_t count) override {
        if (!data && count > 0) {
            return -1;
        }
        if (count == 0) {
            return 0;
        }
        // An answer still on its way is waited for, as long as the read
        // time-out allows; with nothing queued the machine has nothing to say.
        if (const std::optional<uint32_t> due = machine_.msUntilAnswer(); due && *due > 0) {
            const platform::CommTimeouts t = machine_.commTimeouts();
            const uint64_t limit =
                uint64_t(t.readTotalTimeoutMultiplier) * count + t.readTotalTimeoutConstant;
            const uint32_t wait = uint32_t(std::min<uint64_t>(limit, *due));
            if (wait > 0) {
                platform::Sleep(wait);
            }
        }
        return machine_.read(data, count);
    }

    bool getCommTimeouts(platform::CommTimeouts& out) override {
        out = machine_.commTimeouts();
        return true;
    }

    bool setCommTimeouts(const platform::CommTimeouts& in) override {
        machine_.setCommTimeouts(in);
        return true;
    }

    bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize, uint8_t*, size_t) override {
        return machine_.deviceControl(code, in, inSize);
    }

  private:
    SimulatedMachine& machine_;
};

} // namespace

// The far end of the wire, not the panel's state: one machine per process,
// like one machine on the port.
SimulatedMachine& InProcessMachine() {
    static SimulatedMachine machine;
    return machine;
}

void RegisterSimDevice() {
    platform::RegisterDevice(
        "sim:",
        [](const std::string&, const platform::OpenMode&) -> std::unique_ptr<platform::Device> {
            SimulatedMachine& machine = InProcessMachine();
            if (machine.openRefused()) {
                return nullptr;
            }
            machine.noteOpen();
            return std::make_unique<SimDevice>(machine);
        });
}

void UnregisterSimDevice() {
    platform::UnregisterDevice("sim:");
}

} // namespace sim
