// The get answer of the status block. Input: one byte, the most a read
// returns (0: no limit), then the machine's answer.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/panel.h"
#include "fuzz_machine.h"
#include "protocol/machine_record.h"
#include "protocol/system_status.h"

namespace {

bool InRange(const StatusDateTime& t) {
    StatusDateTime clamped = t;
    ClampStatusDateTime(clamped);
    return clamped.month == t.month && clamped.day == t.day && clamped.year == t.year &&
           clamped.hour == t.hour && clamped.minute == t.minute;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!fuzz::PrepareAnswer(data, size)) {
        return 0;
    }

    uint8_t before[kStatusBlockSize];
    EncodeSystemStatus(panelContext.records.systemStatus, before);
    const int ok = Mfp_GetSystemStatus(panelContext.link, panelContext.records.systemStatus);

    uint8_t after[kStatusBlockSize];
    EncodeSystemStatus(panelContext.records.systemStatus, after);
    if (!ok) {
        if (std::memcmp(before, after, sizeof after) != 0) {
            fuzz::Fail("a refused answer changed the status record");
        }
        return 0;
    }
    // The windows print the texts and show the dates in their controls.
    if (panelContext.records.systemStatus.machineNumber[20] != 0 ||
        panelContext.records.systemStatus.machineId[20] != 0 ||
        panelContext.records.systemStatus.prefixDial[5] != 0) {
        fuzz::Fail("a status text is not terminated");
    }
    if (!InRange(panelContext.records.systemStatus.tollSaverStart) ||
        !InRange(panelContext.records.systemStatus.tollSaverEnd)) {
        fuzz::Fail("a status date is out of range");
    }
    // What the record holds goes back to the machine unchanged.
    SystemStatus again{};
    DecodeSystemStatus(after, again);
    uint8_t twice[kStatusBlockSize];
    EncodeSystemStatus(again, twice);
    if (std::memcmp(after, twice, sizeof twice) != 0) {
        fuzz::Fail("the status block does not survive a round trip");
    }
    return 0;
}
