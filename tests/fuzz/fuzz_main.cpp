// libFuzzer front end: LMV_FUZZ_ENTRY names the entry of FuzzEntries.h that this target runs.
#include "tests/fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return lmv::fuzz::LMV_FUZZ_ENTRY(data, size);
}
