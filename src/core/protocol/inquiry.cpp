#include "protocol/inquiry.h"

#include "protocol/exchange.h"
#include "protocol/record_trace.h"

namespace {

constexpr auto kInquiryRequest = frame::Request({frame::kOpInquiry});
constexpr AnswerSteps kInquirySteps = {.banner = "===> INQUIRY <===\n",
                                       .delayMs = 1500,
                                       .answerSize = 10,
                                       .allocationFailure =
                                           "Mfp_Inquiry() - Memory Allocation error! \n",
                                       .dumpWholeBuffer = false};
constexpr int kMachineClassByte = 9;

} // namespace

int Mfp_Inquiry(LinkState& link, InquiryRecord& inquiryRecord) {
    const Answer answer = ReadAnswer(link, kInquiryRequest, kInquirySteps);
    if (!answer.bytes) {
        return 0;
    }
    const uint8_t* a = answer.bytes.get();
    if (answer.received > 4 && a[0] == frame::kEsc && a[1] == frame::kHead) {
        TraceNumber("Length = %d \n", ReadBe16(a + 2));
    }
    // A cut answer would give the class as 0 from the empty buffer, and with
    // it a window without the pages the machine has.
    if (AnswerCovers(a, answer.received, kMachineClassByte + 1)) {
        inquiryRecord.machineClass = a[kMachineClassByte];
        return 1;
    }
    inquiryRecord.machineClass = 0;
    return 0;
}
