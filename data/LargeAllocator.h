#pragma once

// Memory for lists of a million values that are filled as soon as they are made (the series of a
// hydrograph). A list of 2 MB or more starts on a 2 MB boundary and spans whole 2 MB pieces, so
// that the system can back all of it with large pages: the kernel then hands it out in a few
// steps instead of thousands, and reading it later misses the address cache far less. Smaller
// lists come from the ordinary heap.

#include <QtGlobal>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace lmv {

template <typename T>
struct LargeAllocator
{
    using value_type = T;
    static constexpr std::size_t kLarge = std::size_t(2) << 20;

    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U> &) noexcept
    {}

    T *allocate(std::size_t n)
    {
        if (!isLarge(n))
            return std::allocator<T>().allocate(n);
        if (n > (std::size_t(-1) - kLarge) / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = (n * sizeof(T) + kLarge - 1) / kLarge * kLarge;
        void *p = std::aligned_alloc(kLarge, bytes);
        if (!p)
            throw std::bad_alloc();
#ifdef __linux__
        madvise(p, bytes, MADV_HUGEPAGE); // a hint only
#endif
        return static_cast<T *>(p);
    }

    void deallocate(T *p, std::size_t n) noexcept
    {
        if (isLarge(n))
            std::free(p);
        else
            std::allocator<T>().deallocate(p, n);
    }

    static bool isLarge(std::size_t n)
    {
        return n >= kLarge / sizeof(T);
    }

    friend bool operator==(const LargeAllocator &, const LargeAllocator &)
    {
        return true;
    }
};

// Record times and values of the hydrograph's series.
using TimeList = std::vector<qint64, LargeAllocator<qint64>>;
using ValueList = std::vector<float, LargeAllocator<float>>;

} // namespace lmv
