#include "tests/fuzz/FuzzEntries.h"

#include <cstring>

namespace lmv::fuzz {

const NamedEntry *entries(std::size_t *count)
{
#define LMV_FUZZ_ROW(name, function) {#name, &function},
    static const NamedEntry all[] = {LMV_FUZZ_TARGETS(LMV_FUZZ_ROW)};
#undef LMV_FUZZ_ROW
    *count = sizeof all / sizeof all[0];
    return all;
}

Entry entryNamed(const char *name)
{
    std::size_t count = 0;
    const NamedEntry *all = entries(&count);
    for (std::size_t i = 0; i < count; ++i)
        if (std::strcmp(all[i].name, name) == 0)
            return all[i].entry;
    return nullptr;
}

} // namespace lmv::fuzz
