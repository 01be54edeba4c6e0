#pragma once
// Serves a SimulatedMachine on a Unix-domain stream socket with the virtual
// device protocol: one connection per open of the device, requests and
// replies alternating, u32 big-endian.
//   'W' n bytes[n]        -> 'w' accepted
//   'R' most wait_ms      -> 'r' k bytes[k]  (waits up to wait_ms for the
//                            first readable byte when none is)
//   'C' code n bytes[n]   -> 'c' 1|0
// Any other request byte ends the connection. Unread answer bytes stay with
// the machine for the next connection. Connections are served one at a time,
// so no client may hold the server for long: a read waits at most
// readWaitCapMs whatever it asks, and a request not received and answered
// within requestTimeoutMs (plus its read wait) ends its connection.

#include <cstdint>
#include <string>

#include "sim/simulated_machine.h"

namespace sim {

// The program waits 5 s at most for an answer's first byte.
constexpr uint32_t kReadWaitCapMs = 10000;
constexpr uint32_t kRequestTimeoutMs = 10000;
// A connection that sends no request for this long is closed so that the next
// client gets its turn.
constexpr uint32_t kIdleConnectionMs = 60000;

struct ServerOptions {
    std::string socketPath;
    std::string stateFile;    // empty: the state is not kept
    std::string firmwareFile; // where a received image goes; empty: nowhere
    uint32_t readWaitCapMs = kReadWaitCapMs;
    uint32_t requestTimeoutMs = kRequestTimeoutMs;
    uint32_t idleConnectionMs = kIdleConnectionMs;
};

// Most bytes handed to the machine in one write call; a longer write request
// goes to the machine in slices of this size.
constexpr size_t kMaxWriteSlice = 1 << 20;
// Most device-control input kept; the rest is read and dropped.
constexpr size_t kMaxControlInput = 4096;

class SimServer {
  public:
    SimServer(SimulatedMachine& machine, ServerOptions options);
    ~SimServer(); // closes the socket and removes its file
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Creates the listening socket; false with a message when it cannot.
    bool open(std::string& error);
    // Serves until stopFd becomes readable (or hangs up).
    void run(int stopFd);

  private:
    enum class Wait { Ready, Stop, Closed, TimedOut };

    void serve(int fd);
    bool handleWrite(int fd);
    bool handleRead(int fd);
    bool handleControl(int fd);
    Wait waitReadable(int fd, int timeoutMs);
    bool recvAll(int fd, uint8_t* p, size_t n);
    bool discard(int fd, uint64_t n);
    bool sendAll(int fd, const uint8_t* p, size_t n);
    void idleWork();
    void saveIfChanged();

    SimulatedMachine& machine_;
    ServerOptions options_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    bool stopping_ = false;
    int64_t requestDeadline_ = 0; // the request being served ends by then
    uint64_t savedGeneration_ = 0;
    int savedImages_ = 0;
};

} // namespace sim
