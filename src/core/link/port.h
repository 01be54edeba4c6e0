#pragma once
#include <cstdint>
#include <string>

#include "link/link_state.h"

// The one port that reaches the machine. No device stays open: every write and
// read opens, transfers and closes. Each routine takes the link whose port,
// libraries and exchange limit it uses; start-up fills that link in.

constexpr int kPortCount = 7;
// "USB", "LPT1".."LPT3", "\\.\VornEcp1".."\\.\VornEcp3"
extern const char* const PortTable[kPortCount];

// Bytes written; 0 when the port cannot be opened or prepared.
int32_t PortWrite(const LinkState& link, const uint8_t* buffer, int32_t count);
// Bytes read; 0 on failure, and once the exchange's time is up.
int32_t PortRead(LinkState& link, uint8_t* buffer, int32_t count);

// Reads and drops what the machine holds now, without waiting for more: an
// answer that came after its read would otherwise start the next answer.
// Bounded in bytes and in reads; returns the bytes dropped.
int32_t PortDiscard(const LinkState& link);
constexpr int32_t kDiscardLimit = 64 * 1024;
constexpr int kDiscardRounds = 32;

// The overall time limit of one exchange, on the platform clock. Once it has
// passed PortRead reads nothing, and reads through a USB library that takes a
// limit end with it.
void BeginExchange(LinkState& link, uint32_t budgetMs);
void EndExchange(LinkState& link);
// Ms left of the exchange's limit; UINT32_MAX outside an exchange.
uint32_t ExchangeMsLeft(const LinkState& link);

// Takes the port from the scanner driver: 1 when the program may use it.
int32_t AcquirePort(LinkState& link, int32_t id);
// The program name of whoever holds the port after AcquirePort refused it,
// when the arbitration library can tell (one of this user's programs); "" else.
std::string PortHolderProgram(const LinkState& link, int32_t id);
// Gives it back: 1 when the scanner driver accepted the release.
int32_t ReleasePort(LinkState& link, int32_t id);

// printf-style trace line into a 256-character buffer, with "\r" appended.
void DbgPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
