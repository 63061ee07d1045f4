// The MIDI log's bound on memory, and the tap that feeds it from every port.

#include "Bytes.h"
#include "LoopbackMidi.h"
#include "MidiLog.h"
#include "MidiTap.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "VirtualSleeper.h"

#include <QTemporaryDir>
#include <QTest>

class MidiLogTest : public QObject
{
    Q_OBJECT

private slots:
    void keepsAtMostTheLastMessages();
    void keepsAtMostItsBytes();
    void tapSeesEveryPortWhileALogIsAttached();
};

void MidiLogTest::keepsAtMostTheLastMessages()
{
    MidiLog log;
    const int extra = 5;
    for (int i = 0; i < MidiLog::MaxEntries + extra; ++i)
        log.record(MidiLog::Direction::In, QStringLiteral("p"), QByteArray(1, char(i & 0x7F)));
    QCOMPARE(log.count(), MidiLog::MaxEntries);
    MidiLog::Batch all = log.since(0);
    QCOMPARE(all.firstSerial, quint64(extra + 1));
    QCOMPARE(all.entries.size(), MidiLog::MaxEntries);
    QCOMPARE(all.entries.last().serial, quint64(MidiLog::MaxEntries + extra));
    // A reader that saw up to a serial gets only what is newer.
    QCOMPARE(log.since(all.entries.last().serial - 2).entries.size(), 2);
    log.clear();
    QCOMPARE(log.count(), 0);
    QCOMPARE(log.byteCount(), 0);
    log.setPaused(true);
    log.record(MidiLog::Direction::In, QStringLiteral("p"), QByteArray(1, 'x'));
    QCOMPARE(log.count(), 0);
}

void MidiLogTest::keepsAtMostItsBytes()
{
    MidiLog log;
    const QByteArray big(3 * 1024 * 1024, char(0x10));
    for (int i = 0; i < 10; ++i)
        log.record(MidiLog::Direction::Out, QStringLiteral("p"), big);
    QVERIFY(log.byteCount() <= MidiLog::MaxBytes);
    QCOMPARE(log.count(), 5); // five of 3 MiB fit in 16 MiB, six do not
    QCOMPARE(log.since(0).firstSerial, quint64(6));
}

void MidiLogTest::tapSeesEveryPortWhileALogIsAttached()
{
    VirtualSleeper sleeper;
    LoopbackMidi platform(&sleeper);
    QTemporaryDir dir;
    const RegRoot settings = RegRoot::iniFile(dir.filePath(QStringLiteral("settings.ini")));
    const auto pair = platform.addDevicePair(QStringLiteral("Cable"));
    MidiTap tap(platform);
    TMidiCorvoOut out(nullptr, &tap, settings);
    TMidiCorvoIn in(nullptr, &tap, settings);
    out.setDeviceName(QStringLiteral("Cable"));
    in.setDeviceName(QStringLiteral("Cable"));
    out.Open();
    in.Open(true);
    out.SendShortMessage(0x90, 60, 1); // before any log: not seen

    MidiLog log;
    tap.setLog(&log);
    out.SendShortMessage(0x90, 60, 100);
    out.SendLongMessage(bytes({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
    QCOMPARE(out.waitSent(1000), 0);
    platform.inject(pair.input, bytes({0xF0, 0x43, 0x00, 0x57, 0xF7, 0xFE}));
    QTRY_COMPARE(log.count(), 4);
    tap.setLog(nullptr);
    out.SendShortMessage(0x80, 60, 0); // after: not seen either

    QStringList seen;
    for (const MidiLog::Entry &e : log.since(0).entries)
        seen << QStringLiteral("%1 %2 %3")
                    .arg(e.direction == MidiLog::Direction::In ? "in" : "out", e.port,
                         QString::fromLatin1(e.bytes.toHex(' ')));
    QCOMPARE(seen, (QStringList{"out Cable 90 3c 64", "out Cable f0 7e 7f 06 01 f7",
                                "in Cable f0 43 00 57 f7", "in Cable fe"}));
    in.Close();
    out.Close();
}

QTEST_GUILESS_MAIN(MidiLogTest)
#include "tst_midilog.moc"
