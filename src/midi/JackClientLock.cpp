#include "JackClientLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#if __has_include(<jack/jack.h>)
#define VENTARO_JACK_MESSAGES 1
#include <jack/jack.h>
#endif

namespace {

Q_LOGGING_CATEGORY(jackMessages, "ventaro.jack", QtInfoMsg)

// Where libjack puts its client sockets on Linux.
constexpr const char *JackSocketFolder = "/dev/shm";
constexpr int PollMs = 2;
constexpr mode_t LockFileMode = 0600;

QString lockPath()
{
    const QString folder = QFileInfo(QString::fromLatin1(JackSocketFolder)).isDir()
                               ? QString::fromLatin1(JackSocketFolder)
                               : QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("ventaro-jack-%1.lock").arg(::getuid()));
}

#ifdef VENTARO_JACK_MESSAGES
void logJackMessage(const char *message)
{
    qCDebug(jackMessages, "%s", message);
}
#endif

} // namespace

JackClientLock::JackClientLock()
{
#ifdef VENTARO_JACK_MESSAGES
    jack_set_error_function(&logJackMessage);
    jack_set_info_function(&logJackMessage);
#endif
    m_fd = ::open(QFile::encodeName(lockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC,
                  LockFileMode);
    if (m_fd < 0)
        return;
    const QDeadlineTimer deadline(WaitMs);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (deadline.hasExpired()) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        QThread::msleep(PollMs);
    }
}

JackClientLock::~JackClientLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // lets the lock go
}
