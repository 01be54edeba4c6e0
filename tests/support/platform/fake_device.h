#pragma once
#include "platform/device.h"
#include "support/platform/bytes.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One call a FakeDevice received, in the order they came.
struct FakeDeviceCall {
    enum class Kind {
        Open,        // an open that succeeded
        OpenRefused, // an open the script refused
        Close,
        Write,
        Read,
        GetCommTimeouts,
        SetCommTimeouts,
        DeviceControl,
    };
    Kind kind = Kind::Open;
    std::string name;                // Open, OpenRefused: the name given to OpenDevice
    platform::OpenMode mode;         // Open, OpenRefused
    size_t count = 0;                // Write: bytes offered; Read: most asked for;
                                     // DeviceControl: output size
    ByteVector bytes;                // Write: bytes offered; Read: bytes returned;
                                     // DeviceControl: input bytes
    long result = 0;                 // Write, Read: the value returned; others 1 or 0
    uint32_t code = 0;               // DeviceControl
    platform::CommTimeouts timeouts; // GetCommTimeouts: reported; SetCommTimeouts: given
    bool atOnce = false;             // Read: the time-outs said to return at once
};

const char* ToString(FakeDeviceCall::Kind kind);

// A scripted device in the device namespace. Constructing it registers the key
// ("LPT1", "\\\\.\\VornEcp1", or a prefix ending in '*'), destroying it
// unregisters. State lives across opens, as a real port's does: every open
// gets a handle on the same script and the same record.
//
// Each script queue is used one entry per call; when it is empty, the default
// applies. Defaults: opens succeed, writes accept everything, reads return 0
// bytes, comm time-out calls and device controls succeed.
class FakeDevice {
  public:
    using Kind = FakeDeviceCall::Kind;
    static constexpr long kAcceptAll = LONG_MAX;

    explicit FakeDevice(std::string key);
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    // --- script ---
    FakeDevice& refuseOpens(int n = 1);     // the next n opens fail
    FakeDevice& setOpenable(bool openable); // default for opens

    // The next write accepts this many bytes (at most what it is offered);
    // -1 makes it fail; kAcceptAll takes everything.
    FakeDevice& onWrite(long accepted);
    FakeDevice& setWriteDefault(long accepted);

    // The next read returns these bytes. When the read asks for fewer, the
    // rest stays queued for the following read (the machine keeps its answer).
    // An empty vector makes one read return 0. The bytes are the answer to
    // come: a read that returns at once (platform::ReadsReturnAtOnce) does not
    // see them until a waiting read has taken part of them.
    FakeDevice& onRead(ByteVector bytes);
    FakeDevice& onReadError(); // the next read returns -1
    // Bytes the machine holds already (a late answer): every read sees them.
    FakeDevice& onHeld(ByteVector bytes);
    // Called on every read before it takes anything, e.g. to move a virtual clock.
    FakeDevice& setReadHook(std::function<void()> hook);

    // Called with the bytes each write accepted; what it returns is queued
    // for reading, after anything already queued. Empty result: nothing.
    using Responder = std::function<ByteVector(const ByteVector& written)>;
    FakeDevice& setResponder(Responder responder);

    FakeDevice& onGetCommTimeouts(bool ok);
    FakeDevice& onSetCommTimeouts(bool ok);
    FakeDevice& setCommTimeoutsDefault(bool getOk, bool setOk);
    // What the port reports before anyone sets its time-outs.
    FakeDevice& setInitialTimeouts(const platform::CommTimeouts& timeouts);

    // The next device control answers ok, copying out (cut to the output size).
    FakeDevice& onDeviceControl(bool ok, ByteVector out = {});
    FakeDevice& setDeviceControlDefault(bool ok);

    // --- record ---
    std::vector<FakeDeviceCall> calls() const;
    std::vector<FakeDeviceCall> calls(Kind kind) const;
    std::vector<Kind> kinds() const; // the order of all calls
    int opens() const;               // successful opens
    int refusedOpens() const;
    int closes() const;
    int openHandles() const; // opens - closes
    std::vector<platform::OpenMode> openModes() const;
    std::vector<std::string> openNames() const;
    std::vector<ByteVector> writes() const; // bytes offered, per write
    ByteVector written() const;             // every accepted byte, in order
    // Counts asked for, per read that waited (reads that return at once, as
    // the drain before each request does, are left out).
    std::vector<size_t> readSizes() const;
    int waitingReads() const;
    int atOnceReads() const;
    std::vector<uint32_t> controlCodes() const;
    platform::CommTimeouts timeouts() const; // what the port holds now
    size_t queuedReads() const;              // read entries not used yet
    void clearCalls();

    const std::string& key() const { return key_; }

    struct State;

  private:
    std::string key_;
    std::shared_ptr<State> state_;
};
