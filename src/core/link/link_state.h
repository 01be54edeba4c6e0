#pragma once
#include <cstdint>

#include "link/driver_abi.h"
#include "platform/library.h"

// The overall time limit of one exchange, on the platform clock.
struct ExchangeLimit {
    bool timed = false;
    uint32_t start = 0;
    uint32_t budgetMs = 0;
};

// The link's part of the panel context: which port reaches the machine, and
// the libraries that start-up loaded for it. The link's routines take the one
// they use.
struct LinkState {
    int32_t currentPort = 0;
    int32_t isWin9x = 0;
    int32_t isNt5 = 0;

    platform::LibraryHandle usbLibrary = nullptr;
    GetControlPortNameFn pGetControlPortName = nullptr;
    Win2kUsbWriteFn pWin2kUsbWrite = nullptr;
    Win2kUsbReadFn pWin2kUsbRead = nullptr;
    Win2kUsbReadWithinFn pWin2kUsbReadWithin = nullptr; // absent from older libraries
    ListControlPortsFn pListControlPorts = nullptr;     // likewise
    SelectControlPortFn pSelectControlPort = nullptr;   // likewise

    char controlPortName[256] = {};
    char usbWritePath[256] = {};
    char usbReadPath[256] = {};

    // The scanner driver's arbitration library: loaded by AcquirePort,
    // unloaded by ReleasePort.
    platform::LibraryHandle arbitrationLibrary = nullptr;

    // The time limit of the exchange under way (BeginExchange).
    ExchangeLimit exchangeLimit;

    // Unloads the libraries and puts every field back to its start value.
    void Reset();
};
