#include "Bytes.h"
#include "DataColumns.h"
#include "LoopbackMidi.h"
#include "SystemSleeper.h"
#include "TMIDIKeys.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

#include <memory>

namespace {

void leftClick(QWidget &w, QPoint at)
{
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(at), w.mapToGlobal(QPointF(at)),
                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(at), w.mapToGlobal(QPointF(at)),
                   Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &up);
}

QStringList callNames(const LoopbackMidi &midi)
{
    QStringList names;
    for (const LoopbackCall &call : midi.calls())
        names << call.function;
    return names;
}

} // namespace

class MidiKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noteMessage_data();
    void noteMessage();
    void afterConstruction();
    void firstKeyOnChannel10();
    void pointerPressOnFirstRowSendsVelocityZero();
    void defaultDeviceMissing();
    void deviceChangeClosesAndRenames();
    void windowHandlersReplaceTheOutput();
    void outOfRangeValuesNeverReachTheStream();
    void closingSilencesHeldNotes();

private:
    std::unique_ptr<SystemSleeper> m_clock;
    std::unique_ptr<LoopbackMidi> m_midi;
    int m_synth = -1;
    int m_other = -1;
};

void MidiKeysTest::init()
{
    m_clock = std::make_unique<SystemSleeper>();
    m_midi = std::make_unique<LoopbackMidi>(m_clock.get());
    m_synth = m_midi->addOutputDevice(QStringLiteral("Synth"));
    m_other = m_midi->addOutputDevice(QStringLiteral("Other"));
}

void MidiKeysTest::cleanup()
{
    m_midi.reset();
    m_clock.reset();
}

void MidiKeysTest::noteMessage_data()
{
    addColumns<int, int, int, int, quint32>("status", "channel", "note", "velocity", "message");
    QTest::newRow("on, channel 10") << 0x90 << 10 << 36 << 100 << 0x642499u;
    QTest::newRow("off, channel 10") << 0x80 << 10 << 36 << 0 << 0x2489u;
    QTest::newRow("on, channel 1") << 0x90 << 1 << 127 << 127 << 0x7F7F90u;
    QTest::newRow("off, channel 16") << 0x80 << 16 << 0 << 0 << 0x8Fu;
}

void MidiKeysTest::noteMessage()
{
    QFETCH(int, status);
    QFETCH(int, channel);
    QFETCH(int, note);
    QFETCH(int, velocity);
    QTEST(TMIDIKeys::noteMessage(quint8(status), channel, note, velocity), "message");
}

void MidiKeysTest::afterConstruction()
{
    TMIDIKeys keys(m_midi.get());
    QCOMPARE(keys.MIDIPortName(), QStringLiteral("Microsoft MIDI Mapper"));
    QVERIFY(!keys.MIDIPortOk());
    QVERIFY(m_midi->calls().isEmpty()); // nothing opened before the first note
}

void MidiKeysTest::firstKeyOnChannel10()
{
    TMIDIKeys keys(m_midi.get());
    keys.setMIDIDevice(m_synth);
    keys.setMIDIChannel(10);
    keys.PressNote(36, 100, true);
    QVERIFY(keys.MIDIPortOk());
    keys.ReleaseNote(36, true);
    keys.PressNote(38, 1, true); // the open port is reused
    QCOMPARE(m_midi->received(m_synth),
             (QList<QByteArray>{bytes({0x99, 0x24, 0x64}), bytes({0x89, 0x24, 0x00}),
                                bytes({0x99, 0x26, 0x01})}));
    QCOMPARE(callNames(*m_midi).count(QStringLiteral("outOpen")), 1);
}

void MidiKeysTest::pointerPressOnFirstRowSendsVelocityZero()
{
    TMIDIKeys keys(m_midi.get()); // -1: the loopback's default output, the first device
    leftClick(keys, {2, 0});
    QCOMPARE(m_midi->received(m_synth),
             (QList<QByteArray>{bytes({0x90, 36, 0}), bytes({0x80, 36, 0})}));
}

void MidiKeysTest::defaultDeviceMissing()
{
    LoopbackMidi empty(m_clock.get());
    TMIDIKeys keys(&empty);
    keys.PressNote(40, 90, true);
    keys.ReleaseNote(40, true);
    keys.PressNote(41, 90, true);
    QVERIFY(!keys.MIDIPortOk());
    const QList<LoopbackCall> calls = empty.calls();
    QCOMPARE(calls.size(), 2); // the default is tried on every Note On, nothing is sent
    for (const LoopbackCall &call : calls) {
        QCOMPARE(call.call, MidiPlatform::Call::OutOpen);
        QCOMPARE(call.device, -1);
        QVERIFY(call.result != MidiPlatform::NoError);
    }

    TMIDIKeys alone(nullptr); // no platform at all
    alone.PressNote(40, 90, true);
    QVERIFY(!alone.MIDIPortOk());
    alone.setMIDIDevice(-2); // a number that names nothing, on no platform
    QCOMPARE(alone.MIDIPortName(), QString());
}

void MidiKeysTest::deviceChangeClosesAndRenames()
{
    TMIDIKeys keys(m_midi.get());
    keys.setMIDIDevice(m_other);
    QCOMPARE(keys.MIDIPortName(), QStringLiteral("Other"));
    keys.PressNote(50, 60, true);
    keys.ReleaseNote(50, true);
    m_midi->clearCalls();

    keys.setMIDIDevice(2); // equal to the device count
    QCOMPARE(keys.MIDIPortName(), QString());
    QCOMPARE(callNames(*m_midi),
             (QStringList{QStringLiteral("outReset"), QStringLiteral("outClose")}));
    QVERIFY(!keys.MIDIPortOk());
    keys.PressNote(50, 60, true); // device 2 cannot be opened: dropped
    QVERIFY(!keys.MIDIPortOk());

    keys.setMIDIDevice(m_synth);
    QCOMPARE(keys.MIDIPortName(), QStringLiteral("Synth"));
    keys.ReleaseNote(50, true); // the device is closed: this Note Off is lost
    QVERIFY(m_midi->received(m_synth).isEmpty());
    keys.PressNote(51, 70, true);
    QCOMPARE(m_midi->received(m_synth), QList<QByteArray>{bytes({0x90, 51, 70})});

    m_midi->clearCalls();
    keys.setMIDIDevice(m_synth); // the same value does nothing
    QVERIFY(m_midi->calls().isEmpty());
    QVERIFY(keys.MIDIPortOk());
}

void MidiKeysTest::windowHandlersReplaceTheOutput()
{
    TMIDIKeys keys(m_midi.get());
    QList<QPair<int, int>> sent;
    keys.OnNoteOn = [&sent](QObject *, int note, int velocity) {
        sent << qMakePair(note, velocity);
    };
    keys.OnNoteOff = [&sent](QObject *, int note, int velocity) {
        sent << qMakePair(-note, velocity);
    };
    leftClick(keys, {2, 40});
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[1], qMakePair(-36, 0));
    QVERIFY(!keys.MIDIPortOk());
    QVERIFY(m_midi->calls().isEmpty());
}

void MidiKeysTest::outOfRangeValuesNeverReachTheStream()
{
    TMIDIKeys keys(m_midi.get());
    keys.setMIDIChannel(0);
    QCOMPARE(keys.MIDIChannel(), 1);
    keys.setMIDIChannel(17);
    QCOMPARE(keys.MIDIChannel(), 16);
    keys.SendNoteOn(&keys, 60, 300);
    keys.SendNoteOn(&keys, 200, 10);
    keys.SendNoteOff(&keys, -1, 0);
    QCOMPARE(m_midi->received(m_synth), QList<QByteArray>{bytes({0x9F, 60, 127})});
}

void MidiKeysTest::closingSilencesHeldNotes()
{
    {
        TMIDIKeys keys(m_midi.get());
        keys.setMIDIChannel(3);
        keys.PressNote(60, 80, true);
        keys.PressNote(64, 80, true);
        keys.ReleaseNote(64, true);
        m_midi->clearCalls();
    }
    QCOMPARE(callNames(*m_midi),
             (QStringList{QStringLiteral("outShortMessage"), QStringLiteral("outReset"),
                          QStringLiteral("outClose")}));
    QCOMPARE(m_midi->received(m_synth).last(), bytes({0x82, 60, 0}));
    QCOMPARE(m_midi->openCount(false, m_synth), 0);
}

QTEST_MAIN(MidiKeysTest)
#include "tst_midikeys.moc"
