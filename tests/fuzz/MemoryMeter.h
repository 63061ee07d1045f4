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
        sLive = 0;
        sPeak = 0;
        sArmed = true;
    }
    ~MemoryMeter() { sArmed = false; }
    MemoryMeter(const MemoryMeter &) = delete;
    MemoryMeter &operator=(const MemoryMeter &) = delete;

    long long peakBytes() const { return sPeak; }

    // Keeps the largest peak per input byte seen (inputs of at least 1 KiB,
    // where fixed costs no longer dominate) and prints it when the run ends,
    // so that a long run tells how close the bound came.
    void noteInput(std::size_t inputBytes) const
    {
        static const bool registered = [] {
            std::atexit([] {
                if (sWorstInput > 0)
                    std::fprintf(
                        stderr, "memory: at most %.1f bytes per input byte (%lld for %lld)\n",
                        double(sWorstPeak) / double(sWorstInput), sWorstPeak, sWorstInput);
            });
            return true;
        }();
        (void)registered;
        const long long input = static_cast<long long>(inputBytes);
        if (input >= 1024 && (sWorstInput == 0 || sPeak * sWorstInput > sWorstPeak * input)) {
            sWorstPeak = sPeak;
            sWorstInput = input;
        }
    }

private:
    static void onMalloc(const volatile void *, std::size_t size)
    {
        if (!sArmed)
            return;
        const long long live = sLive += static_cast<long long>(size);
        long long peak = sPeak;
        while (live > peak && !sPeak.compare_exchange_weak(peak, live)) {
        }
    }
    static void onFree(const volatile void *pointer)
    {
        if (!sArmed || !pointer)
            return;
        sLive -= static_cast<long long>(
            __sanitizer_get_allocated_size(const_cast<const void *>(pointer)));
    }

    static inline std::atomic<bool> sArmed{false};
    static inline std::atomic<long long> sLive{0};
    static inline std::atomic<long long> sPeak{0};
    static inline long long sWorstPeak = 0;
    static inline long long sWorstInput = 0;
};
