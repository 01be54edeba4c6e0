// The get answer of the machine information.
#include "fuzz_get_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::GetRecordAnswer("info", data, size);
}
