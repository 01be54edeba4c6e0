// What a USB machine says of itself: its IEEE 1284 device ID, and the USB
// library's list of machines built from such texts. Input: the same bytes
// for both. Every field must stay on one line and within its bound.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_machine.h"
#include "model/usb_choice.h"
#include "platform/usb_candidates.h"

namespace {

void CheckField(std::string_view field) {
    if (field.size() > platform::kFieldLimit) {
        fuzz::Fail("device ID field past its bound");
    }
    for (char c : field) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F) {
            fuzz::Fail("device ID field with a byte that is not printable ASCII");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const platform::DeviceIdFields f = platform::ParseDeviceId(text);
    CheckField(f.maker);
    CheckField(f.model);
    CheckField(f.serial);
    const auto list = ParseUsbCandidates(text);
    if (list.size() > kUsbCandidateLimit) {
        fuzz::Fail("more machines than the list's bound");
    }
    for (const UsbCandidate& c : list) {
        if (c.name.empty() || c.name.find_first_of("\t\n") != std::string::npos) {
            fuzz::Fail("machine name empty or holding a separator");
        }
    }
    return 0;
}
