#pragma once
#include "platform/device.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// The virtual device protocol on a Unix-domain stream socket: one connection
// per open; requests and replies alternate; integers are unsigned 32-bit
// big-endian.
//   write:          'W' n bytes[n]            -> 'w' accepted
//   read:           'R' most wait_ms          -> 'r' k bytes[k]   (k <= most)
//   device control: 'C' code n bytes[n]       -> 'c' 1|0
// The device keeps unread answer bytes for the next read, across connections.
namespace vdev {
constexpr uint8_t kWrite = 'W';
constexpr uint8_t kWriteReply = 'w';
constexpr uint8_t kRead = 'R';
constexpr uint8_t kReadReply = 'r';
constexpr uint8_t kControl = 'C';
constexpr uint8_t kControlReply = 'c';

// The wait sent with a read when the device keeps no read total time-out.
constexpr uint32_t kDefaultReadWaitMs = 2000;

inline void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline uint32_t GetU32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
} // namespace vdev

// The client's side of the protocol on a connected stream socket it does not
// own. Every request ends by its deadline: the reply's wait, the device's
// time-out and extraMs (a slow link's round trip). After a lost or garbled
// exchange the request/reply pairing is gone and the channel stays broken.
class VdevChannel {
  public:
    explicit VdevChannel(int fd) : fd_(fd) {}
    long write(const uint8_t* data, size_t count, const CommTimeouts& timeouts, uint32_t extraMs);
    long read(uint8_t* data, size_t count, const CommTimeouts& timeouts, uint32_t extraMs);
    bool control(uint32_t code, const uint8_t* in, size_t inSize, uint32_t extraMs);
    bool sendAll(const uint8_t* p, size_t n, uint32_t withinMs);
    bool recvAll(uint8_t* p, size_t n, uint32_t withinMs);
    bool broken() const { return broken_; }
    long fail();

  private:
    bool sendUntil(const uint8_t* p, size_t n, std::chrono::steady_clock::time_point deadline);
    bool recvUntil(uint8_t* p, size_t n, std::chrono::steady_clock::time_point deadline);
    int fd_;
    bool broken_ = false;
};

// Connects to the virtual device served at path; nullptr when nobody serves it.
std::unique_ptr<Device> OpenVirtualDevice(const std::string& path, const OpenMode& mode);

} // namespace platform
