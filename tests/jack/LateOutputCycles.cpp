#include "LateOutputCycles.h"

#include <jack/ringbuffer.h>

#include <atomic>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::atomic<int> gDelayMs{0};

} // namespace

LateOutputCycles::LateOutputCycles(int delayMs)
{
    gDelayMs = delayMs;
}

LateOutputCycles::~LateOutputCycles()
{
    gDelayMs = 0;
}

extern "C" size_t jack_ringbuffer_peek(jack_ringbuffer_t *buffer, char *destination, size_t count)
{
    using Real = size_t (*)(jack_ringbuffer_t *, char *, size_t);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "jack_ringbuffer_peek"));
    if (const int delayMs = gDelayMs.load(); delayMs > 0)
        ::usleep(useconds_t(delayMs) * 1000);
    return real(buffer, destination, count);
}
