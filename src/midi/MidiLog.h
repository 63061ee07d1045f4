#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <atomic>
#include <deque>
#include <mutex>

// The messages that went over the open ports, newest last, for the MIDI log
// window and `ventaro monitor`. Bounded: at most MaxEntries messages or
// MaxBytes of memory, the oldest dropped first. record() may come on any
// thread (the platform's input threads, the window thread sending); readers
// take what is new by serial number.
class MidiLog
{
public:
    enum class Direction : quint8 { In, Out };

    struct Entry
    {
        quint64 serial = 0; // from 1, one more for each message recorded
        qint64 timeMs = 0;  // since the log was made
        Direction direction = Direction::In;
        QString port;
        QByteArray bytes;
        // The program's device number (0..15) when the message went by: the
        // messages of other device numbers are the ones the program drops.
        int deviceNumber = 0;
    };

    static constexpr int MaxEntries = 10000;
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;
    // What an entry holds besides its message bytes (the record, the port
    // name shared with the others of its port, the array's header).
    static constexpr qint64 EntryOverhead = qint64(sizeof(Entry)) + 32;

    // What is new since a serial: the messages recorded after it, and the
    // serial of the oldest message still kept (those before it were dropped).
    struct Batch
    {
        quint64 firstSerial = 0;
        QList<Entry> entries;
    };

    MidiLog();

    void record(Direction direction, const QString &port, QByteArrayView bytes);
    // Paused, record() keeps nothing.
    void setPaused(bool paused) { m_paused = paused; }
    bool isPaused() const { return m_paused; }
    void setDeviceNumber(int deviceNumber) { m_deviceNumber = deviceNumber; }
    // Drops every message; serials go on from where they were.
    void clear();

    Batch since(quint64 serial) const;
    int count() const;
    // Memory counted against MaxBytes.
    qint64 byteCount() const;

private:
    static qint64 costOf(const Entry &entry);

    QElapsedTimer m_clock;
    std::atomic<bool> m_paused{false};
    std::atomic<int> m_deviceNumber{0};
    // Guards everything below; taken alone.
    mutable std::mutex m_mutex;
    std::deque<Entry> m_entries;
    quint64 m_nextSerial = 1;
    qint64 m_bytes = 0;
};
