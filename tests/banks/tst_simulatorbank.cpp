// The program's own simulated instrument takes its slots from the bank file
// VENTARO_SIM_BANK names (set for this test by CTest), as ventaro-sim
// --bank does.

#include "SimulatedVl70mDevice.h"
#include "TestData.h"
#include "VentaroProgram.h"
#include "VoiceBank.h"

#include <QApplication>
#include <QTest>

class TestSimulatorBank : public QObject
{
    Q_OBJECT

private slots:
    void slotsFilledFromBank()
    {
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        VentaroProgram program(*app);
        const VoiceBank bank = VoiceBank::parse(readTestData("VL70-A-1.syx"));
        QCOMPARE(bank.voices.size(), 64);
        const SimulatedVl70m &instrument = program.simulator().instrument();
        for (const int slot : {1, 12, 64}) {
            const QByteArray held = instrument.internalSlot(slot);
            // Held as in the file, but for the device number the dump-out seals.
            QCOMPARE(
                held.mid(VoiceDump::HeaderLength, VoiceDump::InternalCount),
                bank.voices[slot - 1].bytes.mid(VoiceDump::HeaderLength, VoiceDump::InternalCount));
        }
    }
};

QTEST_MAIN(TestSimulatorBank)
#include "tst_simulatorbank.moc"
