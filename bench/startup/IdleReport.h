#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

// Once the event loop has handled everything that showing the window
// queued, prints "idle <VmRSS kB> <VmHWM kB>" and quits.
inline void reportWhenIdle()
{
    QTimer::singleShot(0, [] {
        QTimer::singleShot(0, [] {
            long rss = 0;
            long hwm = 0;
            QFile status(QStringLiteral("/proc/self/status"));
            if (status.open(QIODevice::ReadOnly)) {
                for (const QByteArray &line : status.readAll().split('\n')) {
                    if (line.startsWith("VmRSS:"))
                        rss = line.mid(6).trimmed().split(' ').first().toLong();
                    else if (line.startsWith("VmHWM:"))
                        hwm = line.mid(6).trimmed().split(' ').first().toLong();
                }
            }
            std::printf("idle %ld %ld\n", rss, hwm);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    });
}
