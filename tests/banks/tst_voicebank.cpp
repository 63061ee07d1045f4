#include "DataColumns.h"
#include "RaisedText.h"
#include "SimulatedVl70m.h"
#include "TestData.h"
#include "VoiceBank.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Form = VoiceDump::Form;

// A voice of each form, each with the name of the full voice it comes from.
QByteArray fullVoice(const QByteArray &name, quint32 seed)
{
    return SimulatedVl70m::makeVoice(name, seed, 0);
}
QByteArray customVoice(const QByteArray &name, int slot)
{
    return VoiceConversion::DumpToCustom(fullVoice(name, 40 + slot), slot, 2);
}
QByteArray internalVoice(const QByteArray &name, int slot)
{
    return VoiceConversion::DumpToInternal(fullVoice(name, 80 + slot), slot, 3);
}

// Parts that are no voice: a message of another kind, bytes outside any
// message, a real-time byte.
const QByteArray ForeignMessage = QByteArray::fromHex("f07e7f0601f7");
const QByteArray StrayBytes = QByteArray::fromHex("0102b0");
const QByteArray RealTime = QByteArray::fromHex("f8");

struct Expected
{
    Form form;
    int slot;
    QString name;
    QByteArray bytes;
};

void compare(const VoiceBank &bank, const QList<Expected> &expected, int skipped)
{
    QCOMPARE(bank.voices.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const VoiceBank::Voice &voice = bank.voices[i];
        QCOMPARE(int(voice.form), int(expected[i].form));
        QCOMPARE(voice.slot, expected[i].slot);
        QCOMPARE(voice.name, expected[i].name);
        QCOMPARE(voice.bytes, expected[i].bytes);
    }
    QCOMPARE(bank.skipped, skipped);
}

} // namespace

class TestVoiceBank : public QObject
{
    Q_OBJECT

private slots:
    void realBanks_data();
    void realBanks();
    void mixedBank();
    void cutShortVoices_data();
    void cutShortVoices();
    void randomSplicesAndJunk();
    void largeFileRefused();
};

void TestVoiceBank::realBanks_data()
{
    addColumns<QByteArray>("file");
    QTest::newRow("Prog-A-1, device 1") << readTestData("Prog-A-1.syx");
    QTest::newRow("VL70-A-1, device 2") << readTestData("VL70-A-1.syx");
}

// 64 internal voices, slots in order, names from the blocks, bytes as in
// the file; a single voice cut out of it reads as one voice.
void TestVoiceBank::realBanks()
{
    QFETCH(QByteArray, file);
    QCOMPARE(file.size(), 64 * VoiceDump::InternalLength);
    QList<Expected> expected;
    for (int slot = 1; slot <= 64; ++slot) {
        const QByteArray block =
            file.mid((slot - 1) * VoiceDump::InternalLength, VoiceDump::InternalLength);
        expected.append({Form::Internal, slot,
                         VoiceDump::textFromBytes(QByteArrayView(block).sliced(
                             VoiceDump::InternalDataStart, VoiceDump::VoiceNameLength)),
                         block});
    }
    compare(VoiceBank::parse(file), expected, 0);
    compare(VoiceBank::parse(expected[11].bytes), {expected[11]}, 0);
}

// Voices of every form with foreign parts between them and inside them.
void TestVoiceBank::mixedBank()
{
    const QByteArray internal = internalVoice("Int Five", 5);
    const QByteArray custom = customVoice("Custom 3", 3);
    const QByteArray full = fullVoice("Full One", 7);
    QByteArray withRealTime = internal;
    withRealTime.insert(100, RealTime); // standing inside the message

    const QByteArray bank = ForeignMessage + withRealTime + StrayBytes + custom + RealTime + full
                            + custom.left(VoiceDump::InternalLength) // first block alone
                            + internalVoice("Int Last", 64);
    compare(VoiceBank::parse(bank),
            {{Form::Internal, 5, QStringLiteral("Int Five"), internal},
             {Form::Custom, 3, QStringLiteral("Custom 3"), custom},
             {Form::Full, 0, QStringLiteral("Full One"), full},
             {Form::Internal, 64, QStringLiteral("Int Last"), internalVoice("Int Last", 64)}},
            5);
}

void TestVoiceBank::cutShortVoices_data()
{
    addColumns<QByteArray>("tail");
    const QByteArray full = fullVoice("Cut Full", 9);
    QTest::newRow("internal voice without its end") << internalVoice("Cut", 2).chopped(1);
    QTest::newRow("full voice, 14 blocks") << full.left(VoiceDump::FullBlocks[14].start);
    QTest::newRow("full voice, last block cut") << full.chopped(10);
    QTest::newRow("custom voice, second block cut") << customVoice("Cut", 1).chopped(1);
    QTest::newRow("message cut by a status byte")
        << internalVoice("Cut", 2).left(50) + QByteArray::fromHex("90");
}

// A voice cut short at the end is skipped as one part; the voice before it
// stays whole.
void TestVoiceBank::cutShortVoices()
{
    QFETCH(QByteArray, tail);
    const QByteArray first = internalVoice("Whole", 1);
    const VoiceBank bank = VoiceBank::parse(first + tail);
    QCOMPARE(bank.voices.size(), 1);
    QCOMPARE(bank.voices.first().bytes, first);
    QVERIFY2(bank.skipped >= 1 && bank.skipped <= 2, qPrintable(QString::number(bank.skipped)));
}

// Random banks of whole voices with junk between them: exactly those voices
// in order and one skipped part per piece of junk. Then random damage: every
// voice listed is whole and its bytes stand in the input.
void TestVoiceBank::randomSplicesAndJunk()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    const QByteArray real = readTestData("VL70-A-1.syx");
    const QList<QByteArray> junk = {ForeignMessage, StrayBytes, RealTime};
    for (int round = 0; round < 200; ++round) {
        QByteArray bank;
        QList<Expected> expected;
        int skipped = 0;
        const int count = random.bounded(1, 12);
        for (int v = 0; v < count; ++v) {
            if (random.bounded(3) == 0) {
                bank += junk[random.bounded(int(junk.size()))];
                ++skipped;
            }
            const int kind = random.bounded(3);
            const int slot = kind == 1 ? random.bounded(1, 7) : random.bounded(1, 65);
            if (kind == 0) {
                const QByteArray block =
                    real.mid((slot - 1) * VoiceDump::InternalLength, VoiceDump::InternalLength);
                const VoiceBank one = VoiceBank::parse(block);
                expected.append({Form::Internal, slot, one.voices.first().name, block});
            } else if (kind == 1) {
                expected.append({Form::Custom, slot, QStringLiteral("Rand Cus"),
                                 customVoice("Rand Cus", slot)});
            } else {
                expected.append({Form::Full, 0, QStringLiteral("RandFull"),
                                 fullVoice("RandFull", quint32(slot))});
            }
            bank += expected.last().bytes;
        }
        const VoiceBank parsed = VoiceBank::parse(bank);
        compare(parsed, expected, skipped);
        if (QTest::currentTestFailed())
            return;

        // Damage: a byte changed (never to a real-time byte), a piece cut
        // out, the end cut.
        QByteArray damaged = bank;
        damaged[random.bounded(int(damaged.size()))] = char(random.bounded(0xF8));
        const int from = random.bounded(int(damaged.size()));
        damaged.remove(from, random.bounded(1, 400));
        // The cut may have left nothing; bounded() takes no empty range.
        damaged.chop(random.bounded(qMin(300, int(damaged.size())) + 1));
        for (const VoiceBank::Voice &voice : VoiceBank::parse(damaged).voices) {
            const auto form = VoiceDump::formOf(voice.bytes);
            QVERIFY2(form && *form == voice.form, qPrintable(QString::number(round)));
            // Each block as in the file, but for real-time bytes that stood
            // inside it; other parts may stand between a voice's blocks.
            QByteArray withoutRealTime = damaged;
            withoutRealTime.replace(RealTime, QByteArray());
            for (qsizetype start = 0, end;
                 (end = voice.bytes.indexOf(char(VoiceDump::SysExEnd), start)) >= 0;
                 start = end + 1)
                QVERIFY2(withoutRealTime.contains(voice.bytes.mid(start, end + 1 - start)),
                         qPrintable(QString::number(round)));
        }
    }
}

void TestVoiceBank::largeFileRefused()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("huge.syx"));
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray bank = readTestData("Prog-A-1.syx");
    while (file.size() <= VoiceBank::MaxFileBytes)
        file.write(bank);
    file.close();
    const QString raised = raisedText([&] { VoiceBank::read(name); });
    QVERIFY2(raised.contains(QLatin1String("larger than any bank")), qPrintable(raised));
    QVERIFY(file.resize(VoiceBank::MaxFileBytes - 100));
    QCOMPARE(VoiceBank::read(name).voices.size(), (VoiceBank::MaxFileBytes - 100) / 174);
}

QTEST_GUILESS_MAIN(TestVoiceBank)
#include "tst_voicebank.moc"
