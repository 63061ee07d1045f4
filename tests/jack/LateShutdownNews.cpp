#include "LateShutdownNews.h"

#include <jack/jack.h>

#include <atomic>
#include <deque>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace {

std::atomic<int> gDelayMs{0};

struct Registered
{
    JackShutdownCallback callback;
    void *arg;
};

// Every registration stays until the process ends: JACK may call it late.
std::mutex gMutex;
std::deque<Registered> gRegistered; // guarded by g_mutex

void heldNews(void *registered)
{
    // usleep is a cancellation point: a client closed meanwhile ends here.
    if (const int delayMs = gDelayMs.load(); delayMs > 0)
        ::usleep(useconds_t(delayMs) * 1000);
    const auto *entry = static_cast<const Registered *>(registered);
    entry->callback(entry->arg);
}

} // namespace

LateShutdownNews::LateShutdownNews(int delayMs)
{
    gDelayMs = delayMs;
}

LateShutdownNews::~LateShutdownNews()
{
    gDelayMs = 0;
}

extern "C" void jack_on_shutdown(jack_client_t *client, JackShutdownCallback callback, void *arg)
{
    using Real = void (*)(jack_client_t *, JackShutdownCallback, void *);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "jack_on_shutdown"));
    Registered *entry = nullptr;
    {
        std::lock_guard lock(gMutex);
        entry = &gRegistered.emplace_back(Registered{callback, arg});
    }
    real(client, &heldNews, entry);
}
