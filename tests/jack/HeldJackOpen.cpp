#include "HeldJackOpen.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

constexpr int PollMs = 5;

std::atomic<HeldJackOpen *> gActive{nullptr};

} // namespace

void holdJackOpen(const char *path)
{
    HeldJackOpen *active = gActive.load();
    const QString prefix =
        QStringLiteral("jack_") + (active ? active->m_clientName : QString()) + QLatin1Char('_');
    if (!active || !QFileInfo(QString::fromLocal8Bit(path)).fileName().startsWith(prefix)
        || !gActive.compare_exchange_strong(active, nullptr))
        return;
    active->m_held = true;
    struct stat before = {};
    ::stat(path, &before);
    if (active->m_meanwhile)
        active->m_meanwhile();
    const QDeadlineTimer deadline(active->m_holdMs);
    for (struct stat now = {}; !deadline.hasExpired(); QThread::msleep(PollMs))
        if (::stat(path, &now) != 0 || now.st_ino != before.st_ino)
            return;
}

HeldJackOpen::HeldJackOpen(const QString &clientName, std::function<void()> meanwhile, int holdMs)
    : m_clientName(clientName), m_meanwhile(std::move(meanwhile)), m_holdMs(holdMs)
{
    gActive = this;
}

HeldJackOpen::~HeldJackOpen()
{
    HeldJackOpen *self = this;
    gActive.compare_exchange_strong(self, nullptr);
}

extern "C" int bind(int fd, const struct sockaddr *address, socklen_t length) noexcept
{
    using Real = int (*)(int, const struct sockaddr *, socklen_t);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "bind"));
    const int result = real(fd, address, length);
    if (result == 0 && address && address->sa_family == AF_UNIX)
        holdJackOpen(reinterpret_cast<const struct sockaddr_un *>(address)->sun_path);
    return result;
}
