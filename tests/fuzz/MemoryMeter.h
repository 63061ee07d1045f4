#pragma once

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// The most heap a stretch of code held at once beyond what was held when the
// meter started, counted through the sanitizer's allocation hooks. One meter
// at a time.
class MemoryMeter
{
public:
    MemoryMeter()
    {
        static const bool installed = [] {
            __sanitizer_install_malloc_and_free_hooks(&onMalloc, &onFree);
            return true;
        }();
        (void)installed;
        s_live = 0;
        s_peak = 0;
        s_armed = true;
    }
    ~MemoryMeter() { s_armed = false; }
    MemoryMeter(const MemoryMeter &) = delete;
    MemoryMeter &operator=(const MemoryMeter &) = delete;

    long long peakBytes() const { return s_peak; }

    // Keeps the largest peak per input byte seen (inputs of at least 1 KiB,
    // where fixed costs no longer dominate) and prints it when the run ends,
    // so that a long run tells how close the bound came.
    void noteInput(std::size_t inputBytes) const
    {
        static const bool registered = [] {
            std::atexit([] {
                if (s_worstInput > 0)
                    std::fprintf(
                        stderr, "memory: at most %.1f bytes per input byte (%lld for %lld)\n",
                        double(s_worstPeak) / double(s_worstInput), s_worstPeak, s_worstInput);
            });
            return true;
        }();
        (void)registered;
        const long long input = static_cast<long long>(inputBytes);
        if (input >= 1024 && (s_worstInput == 0 || s_peak * s_worstInput > s_worstPeak * input)) {
            s_worstPeak = s_peak;
            s_worstInput = input;
        }
    }

private:
    static void onMalloc(const volatile void *, std::size_t size)
    {
        if (!s_armed)
            return;
        const long long live = s_live += static_cast<long long>(size);
        long long peak = s_peak;
        while (live > peak && !s_peak.compare_exchange_weak(peak, live)) {
        }
    }
    static void onFree(const volatile void *pointer)
    {
        if (!s_armed || !pointer)
            return;
        s_live -= static_cast<long long>(
            __sanitizer_get_allocated_size(const_cast<const void *>(pointer)));
    }

    static inline std::atomic<bool> s_armed{false};
    static inline std::atomic<long long> s_live{0};
    static inline std::atomic<long long> s_peak{0};
    static inline long long s_worstPeak = 0;
    static inline long long s_worstInput = 0;
};
