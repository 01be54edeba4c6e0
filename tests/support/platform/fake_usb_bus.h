#pragma once
// A bus of printers for the tests that look at which machines are there: it
// lists them and tells their string descriptors, and refuses or fails every
// open and transfer.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/usb_backend.h"

class ListingUsbBus : public platform::UsbBackend {
  public:
    std::vector<platform::UsbPrinterInterface> printers;
    // By bus number and device address; a device not here has none.
    std::map<std::pair<int, int>, platform::UsbDeviceStrings> strings;
    int listResult = 0;
    int openResult = platform::kUsbErrorNoDevice;
    int lists = 0;
    int opens = 0;
    int stringReads = 0;

    int listPrinters(std::vector<platform::UsbPrinterInterface>& out) override {
        ++lists;
        out = printers;
        return listResult;
    }
    int readStrings(const platform::UsbPrinterInterface& iface,
                    platform::UsbDeviceStrings& out) override {
        ++stringReads;
        const auto found = strings.find({iface.busNumber, iface.deviceAddress});
        if (found == strings.end()) {
            return platform::kUsbErrorAccess;
        }
        out = found->second;
        return 0;
    }
    int open(const platform::UsbPrinterInterface&, Handle&) override {
        ++opens;
        return openResult;
    }
    void close(Handle) override {}
    int kernelDriverActive(Handle, int) override { return 0; }
    int detachKernelDriver(Handle, int) override { return 0; }
    int attachKernelDriver(Handle, int) override { return 0; }
    int claimInterface(Handle, int) override { return platform::kUsbErrorIo; }
    int releaseInterface(Handle, int) override { return 0; }
    int setAltSetting(Handle, int, int) override { return 0; }
    int bulkTransfer(Handle, uint8_t, uint8_t*, int, int& transferred, unsigned) override {
        transferred = 0;
        return platform::kUsbErrorIo;
    }
};

// A printer interface of vendor 1A2B at bus 1 (unless told otherwise).
inline platform::UsbPrinterInterface ListedPrinter(uint16_t product, const std::string& serial,
                                                   uint8_t address, uint8_t bus = 1,
                                                   int interfaceNumber = 0) {
    platform::UsbPrinterInterface p;
    p.vendorId = 0x1A2B;
    p.productId = product;
    p.serial = serial;
    p.busNumber = bus;
    p.deviceAddress = address;
    p.interfaceNumber = interfaceNumber;
    p.endpointOut = 0x01;
    p.endpointIn = 0x82;
    return p;
}
