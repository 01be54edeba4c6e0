#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Comm time-outs in milliseconds, as a serial or parallel port keeps them.
struct CommTimeouts {
    uint32_t readIntervalTimeout = 0;
    uint32_t readTotalTimeoutMultiplier = 0;
    uint32_t readTotalTimeoutConstant = 0;
    uint32_t writeTotalTimeoutMultiplier = 0;
    uint32_t writeTotalTimeoutConstant = 0;
    bool operator==(const CommTimeouts&) const = default;
};

// The host's MAXDWORD.
constexpr uint32_t kMaxDword = 0xFFFFFFFFu;

// Interval MAXDWORD with both read totals 0: a read returns at once with what
// the device holds, possibly nothing.
inline bool ReadsReturnAtOnce(const CommTimeouts& t) {
    return t.readIntervalTimeout == kMaxDword && t.readTotalTimeoutMultiplier == 0 &&
           t.readTotalTimeoutConstant == 0;
}

// t with its read time-outs set so that reads return at once.
inline CommTimeouts WithReadsAtOnce(CommTimeouts t) {
    t.readIntervalTimeout = kMaxDword;
    t.readTotalTimeoutMultiplier = 0;
    t.readTotalTimeoutConstant = 0;
    return t;
}

struct OpenMode {
    bool read = false;
    bool write = false;
    bool shared = false; // others may open the device at the same time
    bool operator==(const OpenMode&) const = default;
};

// One open device. Every call is bounded in time.
class Device {
  public:
    virtual ~Device() = default;
    // Bytes written (0..count), or -1 on an error.
    virtual long write(const uint8_t* data, size_t count) = 0;
    // Bytes read (0..count), or -1 on an error.
    virtual long read(uint8_t* data, size_t count) = 0;
    // False when the device keeps no comm time-outs.
    virtual bool getCommTimeouts(CommTimeouts& out) = 0;
    virtual bool setCommTimeouts(const CommTimeouts& in) = 0;
    // A driver-private control code; false when refused.
    virtual bool deviceControl(uint32_t code, const uint8_t* in, size_t inSize, uint8_t* out,
                               size_t outSize) = 0;
};

// A device that keeps its comm time-outs itself, as every port of ours does;
// they decide how long its reads and writes may take.
class TimedDevice : public Device {
  public:
    bool getCommTimeouts(CommTimeouts& out) override {
        out = timeouts_;
        return true;
    }
    bool setCommTimeouts(const CommTimeouts& in) override {
        timeouts_ = in;
        return true;
    }

  protected:
    CommTimeouts timeouts_;
};

using DeviceFactory =
    std::function<std::unique_ptr<Device>(const std::string& name, const OpenMode& mode)>;

// Opens a device through the device namespace, in this order:
//   a registered name or prefix (tests' fakes, "sim:");
//   LPT1..LPT3: $FAXRCP_LPT1..3 when set (resolved again), else /dev/lp0..2;
//   \\.\VornEcp1..3: $FAXRCP_ECP1..3 when set (resolved again), else
//     ppdev:/dev/parport0..2;
//   ppdev:PATH (the ppdev parallel port), usb:VVVV:PPPP[:SERIAL] (libusb),
//   unix:PATH (a virtual device), ssh:[USER@]HOST[:PORT][/DEVICE] (a machine
//   on another computer, through faxrcp-bridge there), an absolute path of a
//   character device.
// Returns nullptr when it cannot be opened; names with a NUL byte, absurdly
// long names and loops of environment overrides are refused.
std::unique_ptr<Device> OpenDevice(const std::string& name, const OpenMode& mode);

// Registers a factory for an exact name ("sim:", "LPT1") or, when the key ends
// with '*', for every name starting with the rest ("fake:*"). Registered
// names win over the built-in entries. Re-registering replaces.
void RegisterDevice(const std::string& key, DeviceFactory factory);
void UnregisterDevice(const std::string& key);

} // namespace platform
