#include "platform/usb_backend.h"

#include <libusb.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>

namespace platform {

std::string UsbPrinterInterface::portName() const {
    char head[32];
    std::snprintf(head, sizeof head, "usb:%04X:%04X", vendorId, productId);
    std::string name = head;
    if (!serial.empty()) {
        name += ":" + serial;
    }
    return name;
}

std::string UsbPrinterInterface::deviceNode() const {
    char node[40];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", unsigned(busNumber),
                  unsigned(deviceAddress));
    return node;
}

static_assert(int(kUsbErrorIo) == int(LIBUSB_ERROR_IO) &&
              int(kUsbErrorAccess) == int(LIBUSB_ERROR_ACCESS) &&
              int(kUsbErrorNoDevice) == int(LIBUSB_ERROR_NO_DEVICE) &&
              int(kUsbErrorBusy) == int(LIBUSB_ERROR_BUSY) &&
              int(kUsbErrorTimeout) == int(LIBUSB_ERROR_TIMEOUT) &&
              kUsbEndpointIn == LIBUSB_ENDPOINT_IN);

namespace {

constexpr uint8_t kPrinterClass = 7;
constexpr uint8_t kBidirectional = 2;

// Serial numbers come from the device: keep only characters that are safe in
// a port name (no ':' that would split it, no controls).
std::string CleanSerial(const unsigned char* text, int length) {
    std::string out;
    for (int i = 0; i < length && out.size() < 126; ++i) {
        unsigned char c = text[i];
        if (c > 0x20 && c < 0x7F && c != ':') {
            out += char(c);
        }
    }
    return out;
}

class LibusbBackend : public UsbBackend {
  public:
    LibusbBackend() { ok_ = libusb_init(&context_) == 0; }
    ~LibusbBackend() override {
        for (auto& [id, handle] : handles_) {
            libusb_close(handle);
        }
        if (ok_) {
            libusb_exit(context_);
        }
    }
    bool ok() const { return ok_; }

    int listPrinters(std::vector<UsbPrinterInterface>& out) override {
        out.clear();
        libusb_device** list = nullptr;
        ssize_t count = libusb_get_device_list(context_, &list);
        if (count < 0) {
            return int(count);
        }
        for (ssize_t i = 0; i < count; ++i) {
            addPrinters(list[i], out);
        }
        libusb_free_device_list(list, 1);
        return 0;
    }

    int readStrings(const UsbPrinterInterface& iface, UsbDeviceStrings& out) override {
        out = {};
        return withDevice(iface, [&out](libusb_device* dev) {
            libusb_device_descriptor desc{};
            int result = libusb_get_device_descriptor(dev, &desc);
            libusb_device_handle* h = nullptr;
            if (result == 0) {
                result = libusb_open(dev, &h);
            }
            if (result != 0) {
                return result;
            }
            out.manufacturer = StringDescriptor(h, desc.iManufacturer);
            out.product = StringDescriptor(h, desc.iProduct);
            out.serial = StringDescriptor(h, desc.iSerialNumber);
            libusb_close(h);
            return 0;
        });
    }

    int open(const UsbPrinterInterface& iface, Handle& handle) override {
        return withDevice(iface, [this, &handle](libusb_device* dev) {
            libusb_device_handle* h = nullptr;
            const int result = libusb_open(dev, &h);
            if (result == 0) {
                std::lock_guard lock(mutex_);
                handle = ++lastHandle_;
                handles_[handle] = h;
            }
            return result;
        });
    }

    void close(Handle handle) override {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end()) {
            return;
        }
        libusb_close(it->second);
        handles_.erase(it);
    }

    int kernelDriverActive(Handle handle, int n) override {
        return onHandle(handle, libusb_kernel_driver_active, n);
    }
    int detachKernelDriver(Handle handle, int n) override {
        return onHandle(handle, libusb_detach_kernel_driver, n);
    }
    int attachKernelDriver(Handle handle, int n) override {
        return onHandle(handle, libusb_attach_kernel_driver, n);
    }
    int claimInterface(Handle handle, int n) override {
        return onHandle(handle, libusb_claim_interface, n);
    }
    int releaseInterface(Handle handle, int n) override {
        return onHandle(handle, libusb_release_interface, n);
    }
    int setAltSetting(Handle handle, int n, int alt) override {
        return onHandle(handle, libusb_set_interface_alt_setting, n, alt);
    }
    int bulkTransfer(Handle handle, uint8_t endpoint, uint8_t* data, int length, int& transferred,
                     unsigned timeoutMs) override {
        transferred = 0;
        auto* h = find(handle);
        if (!h) {
            return LIBUSB_ERROR_NO_DEVICE;
        }
        return libusb_bulk_transfer(h, endpoint, data, length, &transferred, timeoutMs);
    }

  private:
    // The libusb call on the open handle, or "no device" for a handle closed
    // or never opened.
    template <typename Call, typename... Args>
    int onHandle(Handle handle, Call call, Args... args) {
        auto* h = find(handle);
        return h ? call(h, args...) : LIBUSB_ERROR_NO_DEVICE;
    }
    // Runs use on iface's device while the bus list holds it.
    template <typename Use> int withDevice(const UsbPrinterInterface& iface, Use use) {
        libusb_device** list = nullptr;
        ssize_t count = libusb_get_device_list(context_, &list);
        if (count < 0) {
            return int(count);
        }
        int result = LIBUSB_ERROR_NO_DEVICE;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device* dev = list[i];
            if (libusb_get_bus_number(dev) == iface.busNumber &&
                libusb_get_device_address(dev) == iface.deviceAddress) {
                result = use(dev);
                break;
            }
        }
        libusb_free_device_list(list, 1);
        return result;
    }

    static std::string StringDescriptor(libusb_device_handle* h, uint8_t index) {
        if (index == 0) {
            return {};
        }
        unsigned char text[128];
        const int n = libusb_get_string_descriptor_ascii(h, index, text, sizeof text);
        if (n <= 0) {
            return {};
        }
        return std::string(reinterpret_cast<const char*>(text), std::min(size_t(n), sizeof text));
    }

    libusb_device_handle* find(Handle handle) {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        return it == handles_.end() ? nullptr : it->second;
    }

    static void addPrinters(libusb_device* dev, std::vector<UsbPrinterInterface>& out) {
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(dev, &desc) != 0) {
            return;
        }
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_active_config_descriptor(dev, &config) != 0 &&
            libusb_get_config_descriptor(dev, 0, &config) != 0) {
            return;
        }
        bool serialRead = false;
        std::string serial;
        for (int i = 0; i < config->bNumInterfaces; ++i) {
            const libusb_interface& itf = config->interface[i];
            for (int a = 0; a < itf.num_altsetting; ++a) {
                const libusb_interface_descriptor& alt = itf.altsetting[a];
                if (alt.bInterfaceClass != kPrinterClass ||
                    alt.bInterfaceProtocol != kBidirectional) {
                    continue;
                }
                UsbPrinterInterface p;
                p.vendorId = desc.idVendor;
                p.productId = desc.idProduct;
                p.busNumber = libusb_get_bus_number(dev);
                p.deviceAddress = libusb_get_device_address(dev);
                p.interfaceNumber = alt.bInterfaceNumber;
                p.altSetting = alt.bAlternateSetting;
                for (int e = 0; e < alt.bNumEndpoints; ++e) {
                    const libusb_endpoint_descriptor& ep = alt.endpoint[e];
                    if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) !=
                        LIBUSB_TRANSFER_TYPE_BULK) {
                        continue;
                    }
                    if (ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
                        p.endpointIn = ep.bEndpointAddress;
                        p.maxPacketIn = ep.wMaxPacketSize ? ep.wMaxPacketSize : 64;
                    } else {
                        p.endpointOut = ep.bEndpointAddress;
                    }
                }
                if (!p.endpointIn || !p.endpointOut) {
                    continue;
                }
                if (!serialRead && desc.iSerialNumber) {
                    serialRead = true;
                    libusb_device_handle* h = nullptr;
                    if (libusb_open(dev, &h) == 0) {
                        unsigned char text[128];
                        int n = libusb_get_string_descriptor_ascii(h, desc.iSerialNumber, text,
                                                                   sizeof text);
                        if (n > 0) {
                            serial = CleanSerial(text, n);
                        }
                        libusb_close(h);
                    }
                }
                p.serial = serial;
                out.push_back(p);
                break; // one entry per interface: its first bidirectional setting
            }
        }
        libusb_free_config_descriptor(config);
    }

    libusb_context* context_ = nullptr;
    bool ok_ = false;
    std::mutex mutex_;
    std::map<Handle, libusb_device_handle*> handles_;
    Handle lastHandle_ = 0;
};

std::mutex backendMutex;
// Process-wide by nature: the seam is installed once for the program and its
// stand-in libraries, which reach it from their own shared objects.
UsbBackend* installedBackend = nullptr;

} // namespace

UsbBackend* CurrentUsbBackend() {
    std::lock_guard lock(backendMutex);
    if (installedBackend) {
        return installedBackend;
    }
    static LibusbBackend* real = new LibusbBackend(); // lives for the process
    return real->ok() ? real : nullptr;
}

void InstallUsbBackend(UsbBackend* backend) {
    std::lock_guard lock(backendMutex);
    installedBackend = backend;
}

} // namespace platform
