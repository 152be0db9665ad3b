// libFuzzer front end: LMV_FUZZ_TARGET names the entry of FuzzEntries.h that this target runs.
#include "tests/fuzz/FuzzEntries.h"

#include <cstdio>
#include <cstdlib>

namespace {

lmv::fuzz::Entry g_entry = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_entry = lmv::fuzz::entryNamed(LMV_FUZZ_TARGET);
    if (!g_entry) {
        std::fprintf(stderr, "no fuzz entry named %s in FuzzEntries.h\n", LMV_FUZZ_TARGET);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return g_entry(data, size);
}
