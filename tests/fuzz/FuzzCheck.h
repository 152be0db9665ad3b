#pragma once
// Helpers shared by the fuzz entries: invariant checks that abort, and the input as Qt bytes.
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace lmv::fuzz {

[[noreturn]] inline void broken(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

inline void require(bool ok, const char *what)
{
    if (!ok)
        broken(what);
}

// The input as a QByteArray without a copy: no terminating zero, so a read past the end is a read
// past the fuzzer's own allocation and AddressSanitizer sees it.
inline QByteArray raw(const std::uint8_t *data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<int>(size));
}

} // namespace lmv::fuzz
