#pragma once
// A sysfs tree in a temporary folder, laid out as the kernel lays out USB
// devices: "<root>/bus/usb/devices/1-2" for a device (busnum, devnum and its
// string descriptors), "1-2:1.0" for an interface (ieee1284_id while the
// printer driver holds it).
#include <string>

#include "support/platform/temp_dir.h"

class FakeSysfs {
  public:
    const std::string& root() const { return dir.path(); }

    // Strings left empty have no file, as for a device without them.
    void addDevice(const std::string& name, int bus, int address,
                   const std::string& manufacturer = "", const std::string& product = "",
                   const std::string& serial = "") const {
        write(name + "/busnum", std::to_string(bus) + "\n");
        write(name + "/devnum", std::to_string(address) + "\n");
        for (const auto& [file, text] :
             {std::pair<const char*, const std::string&>{"manufacturer", manufacturer},
              {"product", product},
              {"serial", serial}}) {
            if (!text.empty()) {
                write(name + "/" + file, text + "\n");
            }
        }
    }

    // The device ID the printer driver read from interface n of device name.
    void addDeviceId(const std::string& name, int interfaceNumber, const std::string& id) const {
        write(name + ":1." + std::to_string(interfaceNumber) + "/ieee1284_id", id + "\n");
    }

    // A path below the devices folder, for odd files a test puts there itself.
    std::string path(const std::string& below) const {
        return dir.file("bus/usb/devices/" + below);
    }

  private:
    void write(const std::string& below, const std::string& text) const {
        dir.write("bus/usb/devices/" + below, text);
    }

    TempDir dir;
};
