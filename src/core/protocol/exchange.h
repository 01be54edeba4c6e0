#pragma once
#include <cstdint>

// Request and answer frames: 1B A4, a 16-bit big-endian count of the bytes
// after the first four, 50 E0 82, operation, record code, then data.
// Answers carry their data from byte 10.
namespace frame {
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
constexpr int kDataOffset = 10;
} // namespace frame

// Writes count bytes to the debug output, eight a line.
void HexDump(const uint8_t* bytes, int32_t count);

// Waits until at least n ms have passed on the tick counter (unsigned
// difference); returns the difference. Yields the processor while waiting.
uint32_t DelayMs(uint32_t n);

// Waits until the tick counter reaches entry + n (unsigned); returns at once
// when that sum wraps. Yields the processor while waiting.
void PauseMs(uint32_t n);
