// The entry point of one fuzzer program; QUORANT_FUZZ_TARGET names the
// function of fuzz/targets.h that it drives.
#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QUORANT_FUZZ_TARGET(data, size);
    return 0;
}
