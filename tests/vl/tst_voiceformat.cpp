#include "DataColumns.h"
#include "TestData.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using Form = VoiceDump::Form;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray randomBytes(QRandomGenerator &random, int length, int bound = 128)
{
    QByteArray bytes(length, '\0');
    for (char &byte : bytes)
        byte = char(random.bounded(bound));
    return bytes;
}

// Low seven bits of byte count + address + data + checksum are zero, F7h ends it.
bool blockSealed(const QByteArray &bytes, int start, int length)
{
    int sum = 0;
    for (int i = start + 4; i < start + length - 1; ++i)
        sum += quint8(bytes[i]);
    return sum % 128 == 0 && quint8(bytes[start + length - 1]) == 0xF7;
}

// Offset of the marker byte 5Ah among the given data ranges, or -1.
int markerAt(const QByteArray &bytes, std::initializer_list<std::pair<int, int>> ranges)
{
    for (const auto &[first, last] : ranges)
        for (int i = first; i <= last; ++i)
            if (bytes[i] == 0x5A)
                return i;
    return -1;
}

} // namespace

class TestVoiceFormat : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data();
    void checksum();
    void sealing();
    void acceptance_data();
    void acceptance();
    void slotBytes_data();
    void slotBytes();
    void mapping_data();
    void mapping();
    void customRoundTrip();
    void formOverFullKeepsRest();
    void wrongLengthsRefused();
    void realInternalBanks_data();
    void realInternalBanks();
    void randomRuns();
};

void TestVoiceFormat::checksum_data()
{
    addColumns<QByteArray, int>("bytes", "expected");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("sum 1") << hex("01") << 0x7F;
    QTest::newRow("sum 128 gives 00, not 80") << hex("7f01") << 0x00;
    QTest::newRow("sum 129") << hex("7f02") << 0x7F;
    QTest::newRow("word and tail") << hex("010203040506070809") << 83;
    QTest::newRow("1387 bytes of 7Fh") << QByteArray(1387, '\x7f') << 107;
    QTest::newRow("2000 bytes of FFh") << QByteArray(2000, '\xff') << 80;
}

void TestVoiceFormat::checksum()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(int(VoiceDump::checksum(bytes)), expected);
}

void TestVoiceFormat::sealing()
{
    // One block: count 2, address 08 00 00, data 10 20, sum 58, checksum 46h;
    // only the low nibble of the device number is written.
    QByteArray block = hex("0000000000020800001020eeee");
    QVERIFY(!VoiceDump::SealBlock(block, 4, 11, 3)); // no room for F7h
    QVERIFY(VoiceDump::SealBlock(block, 4, 10, 0x13));
    QCOMPARE(block, hex("f04303570002080000102046f7"));

    // A full dump: each block's four header bytes, checksum and F7h change,
    // nothing else does.
    const int ranges[15][2] = {{4, 49},    {56, 123},  {130, 138}, {145, 172}, {179, 189},
                               {196, 214}, {221, 231}, {238, 257}, {264, 274}, {281, 318},
                               {325, 335}, {342, 364}, {371, 381}, {388, 407}, {414, 1805}};
    QRandomGenerator random(7);
    const QByteArray before = randomBytes(random, VoiceDump::FullLength, 256);
    QByteArray dump = before;
    QVERIFY(VoiceDump::SealDump(dump, 3));
    QByteArray expected = before;
    for (const auto &[start, end] : ranges) {
        expected.replace(start - 4, 4, hex("f0430357"));
        expected[end + 1] = dump[end + 1];
        expected[end + 2] = char(0xF7);
        QVERIFY(blockSealed(dump, start - 4, end + 7 - start));
    }
    QCOMPARE(dump, expected);

    QByteArray shortDump = before.left(1807);
    QVERIFY(!VoiceDump::SealDump(shortDump, 3));
    QCOMPARE(shortDump, before.left(1807));
}

void TestVoiceFormat::acceptance_data()
{
    // form -1: refused
    addColumns<QByteArray, int>("bytes", "form");
    auto run = [](int length, const char *head) {
        return hex(head).left(length).leftJustified(length, '\0');
    };
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("1 byte F0") << run(1, "f0") << -1;
    QTest::newRow("3 bytes") << run(3, "f04300") << -1;
    QTest::newRow("173") << run(173, "f0430057") << -1;
    QTest::newRow("174 internal") << run(174, "f0430057012340") << int(Form::Internal);
    QTest::newRow("174 custom block A") << run(174, "f0430057012330") << int(Form::Internal);
    QTest::newRow("175") << run(175, "f0430057") << -1;
    QTest::newRow("1571") << run(1571, "f0430057") << -1;
    QTest::newRow("1572 custom") << run(1572, "f0430057") << int(Form::Custom);
    QTest::newRow("1807") << run(1807, "f0430057") << -1;
    QTest::newRow("1808 device 5, bad checksums")
        << run(1808, "f04305570029080000ffff") << int(Form::Full);
    QTest::newRow("1808 interior not a voice") << run(1808, "f0000057") << int(Form::Full);
    QTest::newRow("1809") << run(1809, "f0430057") << -1;
    QTest::newRow("first byte not F0") << run(174, "f7430057") << -1;
    QTest::newRow("fourth byte not 57") << run(1808, "f0430056") << -1;
}

void TestVoiceFormat::acceptance()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, form);
    QCOMPARE(VoiceDump::IsVoiceStream(bytes), form >= 0);
    const std::optional<Form> found = VoiceDump::formOf(bytes);
    QCOMPARE(found ? int(*found) : -1, form);
}

void TestVoiceFormat::slotBytes_data()
{
    addColumns<bool, int, QByteArray>("custom", "slot", "memory");
    QTest::newRow("internal 64") << false << 64 << hex("3f");
    QTest::newRow("internal 65 goes to 1") << false << 65 << hex("00");
    QTest::newRow("internal 0 goes to 1") << false << 0 << hex("00");
    QTest::newRow("custom 6") << true << 6 << hex("05");
    QTest::newRow("custom 7 goes to 1") << true << 7 << hex("00");
}

void TestVoiceFormat::slotBytes()
{
    QFETCH(bool, custom);
    QFETCH(int, slot);
    QFETCH(QByteArray, memory);
    const QByteArray dump = VoiceDump::emptyFullDump(0);
    if (custom) {
        const QByteArray built = VoiceConversion::DumpToCustom(dump, slot, 3);
        QCOMPARE(built.size(), VoiceDump::CustomLength);
        QCOMPARE(built.left(9), hex("f043035701233000") + memory);
        QCOMPARE(built.mid(174, 9), hex("f04303570a6b3100") + memory);
        QVERIFY(blockSealed(built, 0, 174) && blockSealed(built, 174, 1398));
    } else {
        const QByteArray built = VoiceConversion::DumpToInternal(dump, slot, 3);
        QCOMPARE(built.size(), VoiceDump::InternalLength);
        QCOMPARE(built.left(9), hex("f043035701234000") + memory);
        QVERIFY(blockSealed(built, 0, 174));
    }
}

void TestVoiceFormat::mapping_data()
{
    // Where one dump byte lands in the internal and custom forms (-1: absent).
    addColumns<int, int, int>("dumpOffset", "internal", "custom");
    QTest::newRow("name first") << 393 << 9 << 9;
    QTest::newRow("reserved 401") << 401 << -1 << 17;
    QTest::newRow("reserved 407") << 407 << -1 << 23;
    QTest::newRow("mono/poly") << 14 << 22 << 24;
    QTest::newRow("program number") << 12 << -1 << -1;
    QTest::newRow("variation send") << 29 << 35 << 37;
    QTest::newRow("release time") << 37 << 43 << -1;
    QTest::newRow("scale tuning C") << 78 << -1 << 48;
    QTest::newRow("aftertouch filter") << 91 << 48 << 61;
    QTest::newRow("program pointer") << 189 << 69 << -1;
    QTest::newRow("variation part") << 313 << 107 << 142;
    QTest::newRow("block 13 last") << 381 << -1 << 171;
    QTest::newRow("element name") << 419 << -1 << 183;
    QTest::newRow("element 51st") << 479 << 171 << 243;
    QTest::newRow("element last") << 1805 << -1 << 1569;
}

void TestVoiceFormat::mapping()
{
    QFETCH(int, dumpOffset);
    QFETCH(int, internal);
    QFETCH(int, custom);
    QByteArray dump(VoiceDump::FullLength, '\0');
    dump[dumpOffset] = 0x5A;
    QCOMPARE(markerAt(VoiceConversion::DumpToInternal(dump, 1, 0), {{9, 171}}), internal);
    QCOMPARE(markerAt(VoiceConversion::DumpToCustom(dump, 1, 0), {{9, 171}, {183, 1569}}), custom);
}

void TestVoiceFormat::customRoundTrip()
{
    QRandomGenerator random(11);
    QByteArray source =
        VoiceDump::buildCustomDump(1, randomBytes(random, 163), randomBytes(random, 1387), 0);
    source[8] = 0x02;   // block A memory number
    source[182] = 0x04; // block B memory number
    const QByteArray before = randomBytes(random, VoiceDump::FullLength);
    QByteArray dump = before;
    int slot = 0;
    QVERIFY(VoiceConversion::CustomToDump(source, dump, slot));
    QCOMPARE(slot, 5);
    QCOMPARE(int(dump[12]), 0x02);
    for (int offset : {11, 35, 36, 37, 50, 408, 1806}) // bank, envelope, frames
        QCOMPARE(dump[offset], before[offset]);

    const QByteArray rebuilt = VoiceConversion::DumpToCustom(dump, slot, 0);
    QCOMPARE(rebuilt.mid(9, 163), source.mid(9, 163));
    QCOMPARE(rebuilt.mid(183, 1387), source.mid(183, 1387));
    QCOMPARE(rebuilt[8], '\x04');
    QCOMPARE(rebuilt[182], '\x04');
    QVERIFY(blockSealed(rebuilt, 0, 174) && blockSealed(rebuilt, 174, 1398));
}

void TestVoiceFormat::formOverFullKeepsRest()
{
    QRandomGenerator random(13);
    const QByteArray full = randomBytes(random, VoiceDump::FullLength);
    int slot = 0;

    // A new internal voice over a full one keeps what the form does not carry.
    QByteArray internal = VoiceDump::buildInternalDump(10, randomBytes(random, 163), 0);
    internal.replace(9, 8, "NEWNAME!");
    QByteArray dump = full;
    QVERIFY(VoiceConversion::InternalToDump(internal, dump, slot));
    QCOMPARE(slot, 10);
    QCOMPARE(dump.mid(393, 8), QByteArray("NEWNAME!"));
    QCOMPARE(dump[401], full[401]);
    QCOMPARE(dump[407], full[407]);
    QCOMPARE(dump.mid(480), full.mid(480));

    // A full voice through either form and back changes no byte, except the
    // program number, which a custom voice sets from its memory number.
    dump = full;
    QVERIFY(
        VoiceConversion::InternalToDump(VoiceConversion::DumpToInternal(full, 33, 0), dump, slot));
    QCOMPARE(slot, 33);
    QCOMPARE(dump, full);
    QVERIFY(VoiceConversion::CustomToDump(VoiceConversion::DumpToCustom(full, 3, 0), dump, slot));
    QCOMPARE(slot, 3);
    QByteArray expected = full;
    expected[12] = 0x02;
    QCOMPARE(dump, expected);
}

void TestVoiceFormat::wrongLengthsRefused()
{
    const QByteArray full(VoiceDump::FullLength, '\x01');
    QByteArray dump = full;
    QByteArray shortDump(1807, '\0');
    int slot = 9;
    QVERIFY(!VoiceConversion::CustomToDump(QByteArray(1571, '\x22'), dump, slot));
    QVERIFY(!VoiceConversion::InternalToDump(QByteArray(175, '\x22'), dump, slot));
    QVERIFY(!VoiceConversion::CustomToDump(QByteArray(1572, '\x22'), shortDump, slot));
    QVERIFY(!VoiceConversion::InternalToDump(QByteArray(174, '\x22'), shortDump, slot));
    QCOMPARE(dump, full);
    QCOMPARE(slot, 9);
    QVERIFY(VoiceConversion::DumpToCustom(shortDump, 1, 0).isEmpty());
    QVERIFY(VoiceConversion::DumpToInternal(QByteArray(1809, '\0'), 1, 0).isEmpty());
}

void TestVoiceFormat::realInternalBanks_data()
{
    addColumns<QString, int>("file", "deviceId");
    QTest::newRow("Prog-A-1") << "Prog-A-1.syx" << 0;
    QTest::newRow("VL70-A-1") << "VL70-A-1.syx" << 1;
}

void TestVoiceFormat::realInternalBanks()
{
    QFETCH(QString, file);
    QFETCH(int, deviceId);
    const QByteArray bank = readTestData(qPrintable(file));
    QCOMPARE(bank.size(), 64 * VoiceDump::InternalLength);
    QByteArray dump(VoiceDump::FullLength, '\0');
    for (int index = 0; index < 64; ++index) {
        const QByteArray voice =
            bank.mid(index * VoiceDump::InternalLength, VoiceDump::InternalLength);
        QCOMPARE(VoiceDump::formOf(voice), std::optional(Form::Internal));
        int slot = 0;
        QVERIFY(VoiceConversion::InternalToDump(voice, dump, slot));
        QCOMPARE(slot, index + 1);
        // Rebuilt for the bank's own device number, every byte comes back.
        QCOMPARE(VoiceConversion::DumpToInternal(dump, slot, quint8(deviceId)), voice);
    }
}

void TestVoiceFormat::randomRuns()
{
    // Random lengths around the three forms and random contents, a bounded
    // number of times; under the sanitizers this also shows that nothing
    // reads or writes past a buffer.
    const quint32 seed = 20261207;
    qInfo("random seed %u", seed);
    QRandomGenerator random(seed);
    const int lengths[] = {174, 1572, 1808};
    QByteArray dump(VoiceDump::FullLength, '\0');
    for (int round = 0; round < 3000; ++round) {
        const int length = random.bounded(4) == 0
                               ? int(random.bounded(2000))
                               : lengths[random.bounded(3)] + int(random.bounded(3)) - 1;
        QByteArray run = randomBytes(random, length, 256);
        if (length > 3 && random.bounded(3) != 0) {
            run[0] = char(0xF0);
            run[3] = char(0x57);
        }
        const bool voice = (length == 174 || length == 1572 || length == 1808)
                           && quint8(run[0]) == 0xF0 && quint8(run[3]) == 0x57;
        QCOMPARE(VoiceDump::IsVoiceStream(run), voice);
        int slot = 0;
        if (VoiceConversion::InternalToDump(run, dump, slot))
            QCOMPARE(VoiceConversion::DumpToInternal(dump, slot, 0).mid(9, 163), run.mid(9, 163));
        if (VoiceConversion::CustomToDump(run, dump, slot))
            QCOMPARE(VoiceConversion::DumpToCustom(dump, slot, 0).mid(183, 1387),
                     run.mid(183, 1387));
    }
}

QTEST_GUILESS_MAIN(TestVoiceFormat)
#include "tst_voiceformat.moc"
