// The inquiry answer. Input: one byte, the most a read returns (0: no
// limit), then the machine's answer.
#include <cstddef>
#include <cstdint>

#include "fuzz_machine.h"
#include "model/panel_context.h"
#include "protocol/inquiry.h"
#include "protocol/machine_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PanelContext context; // each input starts from a fresh program
    if (!fuzz::PrepareAnswer(context, data, size)) {
        return 0;
    }
    const InquiryRecord before = context.records.inquiryRecord;
    const int ok = Mfp_Inquiry(context.link, context.records.inquiryRecord);
    // The answer only says which machine class it is.
    if (context.records.inquiryRecord.capacityA != before.capacityA ||
        context.records.inquiryRecord.capacityB != before.capacityB ||
        context.records.inquiryRecord.reserved != before.reserved) {
        fuzz::Fail("the inquiry changed the capacities");
    }
    if (ok != 0 && ok != 1) {
        fuzz::Fail("the inquiry result is neither 1 nor 0");
    }
    return 0;
}
