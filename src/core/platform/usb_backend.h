#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One bidirectional printer-class interface (class 7, protocol 2) on the bus.
struct UsbPrinterInterface {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string serial; // empty when the device has none or it cannot be read
    uint8_t busNumber = 0;
    uint8_t deviceAddress = 0;
    int interfaceNumber = 0;
    int altSetting = 0;
    uint8_t endpointOut = 0;
    uint8_t endpointIn = 0;
    uint16_t maxPacketIn = 64;

    // "usb:VVVV:PPPP[:SERIAL]"
    std::string portName() const;
    // "/dev/bus/usb/BBB/DDD"
    std::string deviceNode() const;
};

// A device's string descriptors as printable ASCII; empty where it has none.
struct UsbDeviceStrings {
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// Results of the backend: libusb's own error numbers.
enum UsbResult : int {
    kUsbOk = 0,
    kUsbErrorIo = -1,
    kUsbErrorAccess = -3,
    kUsbErrorNoDevice = -4,
    kUsbErrorBusy = -6,
    kUsbErrorTimeout = -7,
};
constexpr uint8_t kUsbEndpointIn = 0x80;

// The few libusb calls the USB device needs, so tests can run them on a fake.
// Results are libusb error codes (0 or a negative LIBUSB_ERROR_*).
class UsbBackend {
  public:
    using Handle = uint64_t;
    virtual ~UsbBackend() = default;
    virtual int listPrinters(std::vector<UsbPrinterInterface>& out) = 0;
    // Reads the string descriptors of iface's device; claims nothing.
    virtual int readStrings(const UsbPrinterInterface& iface, UsbDeviceStrings& out) = 0;
    virtual int open(const UsbPrinterInterface& iface, Handle& handle) = 0;
    virtual void close(Handle handle) = 0;
    virtual int kernelDriverActive(Handle handle, int interfaceNumber) = 0; // 1, 0 or error
    virtual int detachKernelDriver(Handle handle, int interfaceNumber) = 0;
    virtual int attachKernelDriver(Handle handle, int interfaceNumber) = 0;
    virtual int claimInterface(Handle handle, int interfaceNumber) = 0;
    virtual int releaseInterface(Handle handle, int interfaceNumber) = 0;
    virtual int setAltSetting(Handle handle, int interfaceNumber, int altSetting) = 0;
    virtual int bulkTransfer(Handle handle, uint8_t endpoint, uint8_t* data, int length,
                             int& transferred, unsigned timeoutMs) = 0;
};

// The libusb implementation unless a test installed another; nullptr when
// libusb cannot be initialised.
UsbBackend* CurrentUsbBackend();
// nullptr puts libusb back.
void InstallUsbBackend(UsbBackend* backend);

} // namespace platform
