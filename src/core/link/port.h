#pragma once
#include <cstdint>
#include <string>

#include "link/link_state.h"

// The one port that reaches the machine. No device stays open: every write and
// read opens, transfers and closes. The state that start-up sets lives in the
// panel context; these names refer into it.

constexpr int kPortCount = 7;
// "USB", "LPT1".."LPT3", "\\.\VornEcp1".."\\.\VornEcp3"
extern const char* const PortTable[kPortCount];

extern int32_t& currentPort;
extern int32_t& isWin9x;
extern int32_t& isNt5;

extern platform::LibraryHandle& usbLibrary;
extern GetControlPortNameFn& pGetControlPortName;
extern Win2kUsbWriteFn& pWin2kUsbWrite;
extern Win2kUsbReadFn& pWin2kUsbRead;
extern Win2kUsbReadWithinFn& pWin2kUsbReadWithin;
extern ListControlPortsFn& pListControlPorts;
extern SelectControlPortFn& pSelectControlPort;

extern char (&controlPortName)[256];
extern char (&usbWritePath)[256];
extern char (&usbReadPath)[256];

extern platform::LibraryHandle& arbitrationLibrary;
extern ExchangeLimit& exchangeLimit;

// Bytes written; 0 when the port cannot be opened or prepared.
int32_t PortWrite(const uint8_t* buffer, int32_t count);
// Bytes read; 0 on failure, and once the exchange's time is up.
int32_t PortRead(uint8_t* buffer, int32_t count);

// Reads and drops what the machine holds now, without waiting for more: an
// answer that came after its read would otherwise start the next answer.
// Bounded in bytes and in reads; returns the bytes dropped.
int32_t PortDiscard();
constexpr int32_t kDiscardLimit = 64 * 1024;
constexpr int kDiscardRounds = 32;

// The overall time limit of one exchange, on the platform clock. Once it has
// passed PortRead reads nothing, and reads through a USB library that takes a
// limit end with it.
void BeginExchange(uint32_t budgetMs);
void EndExchange();
// Ms left of the exchange's limit; UINT32_MAX outside an exchange.
uint32_t ExchangeMsLeft();

// Takes the port from the scanner driver: 1 when the program may use it.
int32_t AcquirePort(int32_t id);
// The program name of whoever holds the port after AcquirePort refused it,
// when the arbitration library can tell (one of this user's programs); "" else.
std::string PortHolderProgram(int32_t id);
// Gives it back: 1 when the scanner driver accepted the release.
int32_t ReleasePort(int32_t id);

// printf-style trace line into a 256-character buffer, with "\r" appended.
void DbgPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
