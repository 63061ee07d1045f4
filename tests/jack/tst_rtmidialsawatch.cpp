#include "DataColumns.h"
#include "RtMidiAlsaWatch.h"

#include <QTest>

using Address = RtMidiAlsaWatch::Address;
Q_DECLARE_METATYPE(Address)

// The sequencer address at the end of an ALSA port name, as RtMidi lists
// it: what tells a port that went away from the one the program sends to.
class TestRtMidiAlsaWatch : public QObject
{
    Q_OBJECT

private slots:
    void addressOf_data()
    {
        addColumns<QString, Address>("name", "address");
        QTest::newRow("simulator") << "VL70-m IN:MIDI 128:0" << Address{128, 0};
        QTest::newRow("through port") << "Midi Through:Midi Through Port-0 14:0" << Address{14, 0};
        QTest::newRow("second port") << "UM-ONE:UM-ONE MIDI 2 24:1" << Address{24, 1};
        QTest::newRow("JACK name, no address") << "VL70-m IN:MIDI" << Address{-1, -1};
        QTest::newRow("numbers not at the end") << "Synth 20:0 out" << Address{-1, -1};
    }
    void addressOf()
    {
        QFETCH(QString, name);
        QFETCH(Address, address);
        QCOMPARE(RtMidiAlsaWatch::addressOf(name.toStdString()), address);
    }
};

QTEST_GUILESS_MAIN(TestRtMidiAlsaWatch)
#include "tst_rtmidialsawatch.moc"
