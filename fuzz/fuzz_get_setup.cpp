// The get answer of the settings block. Input: one byte, the most a read
// returns (0: no limit), then the machine's answer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/panel.h"
#include "fuzz_machine.h"
#include "protocol/machine_record.h"
#include "protocol/system_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!fuzz::PrepareAnswer(data, size)) {
        return 0;
    }
    const size_t limit = data[0];

    uint8_t before[kSetupBlockSize];
    EncodeSystemSetup(panelContext.records.systemSetup, before);
    const int ok = Mfp_GetSettings(panelContext.link, panelContext.records.systemSetup);

    uint8_t after[kSetupBlockSize];
    EncodeSystemSetup(panelContext.records.systemSetup, after);
    size_t got = std::min<size_t>(size - 1, kSetupAnswerSize);
    if (limit > 0) {
        got = std::min(got, limit);
    }
    // A refused answer leaves the record as it was; only a whole answer with
    // the machine's head counts.
    if (!ok) {
        if (std::memcmp(before, after, sizeof after) != 0) {
            fuzz::Fail("a refused answer changed the settings");
        }
        return 0;
    }
    if (got < kSetupAnswerSize || data[1] != 0x1B || data[2] != 0xA4) {
        fuzz::Fail("an answer without the whole block or the head was taken");
    }
    // What one read delivered, the rest of the answer buffer zero: the block
    // must come back exactly from the record.
    uint8_t answer[kSetupAnswerSize] = {};
    std::memcpy(answer, data + 1, got);
    if (std::memcmp(after, answer + 10, kSetupBlockSize) != 0) {
        fuzz::Fail("the settings differ from the block the machine sent");
    }
    return 0;
}
