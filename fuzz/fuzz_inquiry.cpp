// The inquiry answer. Input: one byte, the most a read returns (0: no
// limit), then the machine's answer.
#include <cstddef>
#include <cstdint>

#include "model/panel_context.h"
#include "fuzz_machine.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!fuzz::PrepareAnswer(data, size)) {
        return 0;
    }
    const InquiryRecord before = panelContext.records.inquiryRecord;
    const int ok = Mfp_Inquiry(panelContext.link, panelContext.records.inquiryRecord);
    // The answer only says which machine class it is.
    if (panelContext.records.inquiryRecord.capacityA != before.capacityA ||
        panelContext.records.inquiryRecord.capacityB != before.capacityB ||
        panelContext.records.inquiryRecord.reserved != before.reserved) {
        fuzz::Fail("the inquiry changed the capacities");
    }
    if (ok != 0 && ok != 1) {
        fuzz::Fail("the inquiry result is neither 1 nor 0");
    }
    return 0;
}
