#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using Form = VoiceDump::Form;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

QByteArray randomBytes(QRandomGenerator &random, int length)
{
    QByteArray bytes(length, '\0');
    for (char &byte : bytes)
        byte = char(random.bounded(128));
    return bytes;
}

// Low seven bits of byte count + address + data + checksum are zero.
bool blockSumsToZero(const QByteArray &bytes, int blockStart, int blockLength)
{
    int sum = 0;
    for (int i = blockStart + 4; i < blockStart + blockLength - 1; ++i)
        sum += quint8(bytes[i]);
    return sum % 128 == 0 && quint8(bytes[blockStart + blockLength - 1]) == 0xF7;
}

// Offset of the marker byte 5Ah among the given data ranges, or -1.
int dataIndex(const QByteArray &bytes, std::initializer_list<std::pair<int, int>> ranges)
{
    for (const auto &[first, last] : ranges)
        for (int i = first; i <= last; ++i)
            if (bytes[i] == 0x5A)
                return i;
    return -1;
}

QByteArray readData(const char *name)
{
    QFile file(QStringLiteral(VENTARO_DATA_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestVoiceFormat : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data();
    void checksum();
    void sealBlockVector();
    void sealBlockRefusesOutOfRange_data();
    void sealBlockRefusesOutOfRange();
    void sealDumpChangesOnlyFrames();
    void acceptance_data();
    void acceptance();
    void builtSlotBytes_data();
    void builtSlotBytes();
    void mapping_data();
    void mapping();
    void customRoundTrip();
    void internalOverFullKeepsRest();
    void fullToFormAndBackChangesNothing();
    void conversionsRefuseWrongLengths();
    void realInternalBanks_data();
    void realInternalBanks();
    void randomRuns();
};

void TestVoiceFormat::checksum_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("one") << hex("01") << 0x7F;
    QTest::newRow("sum 127") << hex("7f") << 0x01;
    QTest::newRow("sum 128 gives 00, not 80") << hex("7f01") << 0x00;
    QTest::newRow("sum 256") << hex("7f7f02") << 0x00;
    QTest::newRow("sum 129") << hex("7f02") << 0x7F;
    QTest::newRow("word and tail") << hex("010203040506070809") << 83;
    QTest::newRow("element block of 7Fh") << QByteArray(1387, '\x7f') << 107;
    QTest::newRow("2000 bytes of FFh") << QByteArray(2000, '\xff') << 80;
}

void TestVoiceFormat::checksum()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(int(VoiceDump::Checksum(bytes)), expected);
}

void TestVoiceFormat::sealBlockVector()
{
    // Count 2, address 08 00 00, data 10 20: sum 58, checksum 70 (46h).
    QByteArray block = hex("0000000000020800001020eeee");
    QVERIFY(VoiceDump::SealBlock(block, 4, 10, 0x13));
    QCOMPARE(block, hex("f0430357000208000010204" "6f7"));
}

void TestVoiceFormat::sealBlockRefusesOutOfRange_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::newRow("start before header") << 20 << 3 << 10;
    QTest::newRow("end before start") << 20 << 8 << 7;
    QTest::newRow("no room for F7") << 20 << 4 << 18;
    QTest::newRow("empty buffer") << 0 << 4 << 4;
}

void TestVoiceFormat::sealBlockRefusesOutOfRange()
{
    QFETCH(int, size);
    QFETCH(int, start);
    QFETCH(int, end);
    QByteArray buffer(size, '\x11');
    const QByteArray before = buffer;
    QVERIFY(!VoiceDump::SealBlock(buffer, start, end, 0));
    QCOMPARE(buffer, before);
}

void TestVoiceFormat::sealDumpChangesOnlyFrames()
{
    // The (start, end) pairs each block is sealed with.
    const int ranges[15][2] = {{4, 49}, {56, 123}, {130, 138}, {145, 172}, {179, 189},
                               {196, 214}, {221, 231}, {238, 257}, {264, 274}, {281, 318},
                               {325, 335}, {342, 364}, {371, 381}, {388, 407}, {414, 1805}};
    QRandomGenerator random(7);
    QByteArray dump = randomBytes(random, VoiceDump::FullLength);
    const QByteArray before = dump;
    QVERIFY(VoiceDump::SealDump(dump, 3));

    QList<bool> frame(VoiceDump::FullLength, false);
    for (const auto &range : ranges) {
        for (int i = range[0] - 4; i < range[0]; ++i)
            frame[i] = true;
        frame[range[1] + 1] = frame[range[1] + 2] = true;
        QCOMPARE(dump.mid(range[0] - 4, 4), hex("f0430357"));
        QVERIFY(blockSumsToZero(dump, range[0] - 4, range[1] + 3 - (range[0] - 4)));
    }
    for (int i = 0; i < VoiceDump::FullLength; ++i)
        if (!frame[i])
            QVERIFY2(dump[i] == before[i], qPrintable(QString::number(i)));

    QByteArray shortDump = before.left(1807);
    QVERIFY(!VoiceDump::SealDump(shortDump, 3));
    QCOMPARE(shortDump, before.left(1807));
}

void TestVoiceFormat::acceptance_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("form");  // -1: refused
    auto run = [](int length, const char *head) {
        QByteArray bytes(length, '\0');
        const QByteArray start = hex(head);
        bytes.replace(0, qMin(start.size(), qsizetype(length)), start.left(length));
        return bytes;
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
    QTest::newRow("1573") << run(1573, "f0430057") << -1;
    QTest::newRow("1807") << run(1807, "f0430057") << -1;
    QTest::newRow("1808 device 5, bad checksums")
        << run(1808, "f04305570029080000ffffff") << int(Form::Full);
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
    const std::optional<Form> found = VoiceDump::FormOf(bytes);
    QCOMPARE(found ? int(*found) : -1, form);
}

void TestVoiceFormat::builtSlotBytes_data()
{
    QTest::addColumn<bool>("custom");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("memory");
    QTest::newRow("internal 1") << false << 1 << 0x00;
    QTest::newRow("internal 64") << false << 64 << 0x3F;
    QTest::newRow("internal 65 goes to 1") << false << 65 << 0x00;
    QTest::newRow("internal 0 goes to 1") << false << 0 << 0x00;
    QTest::newRow("custom 6") << true << 6 << 0x05;
    QTest::newRow("custom 7 goes to 1") << true << 7 << 0x00;
    QTest::newRow("custom -1 goes to 1") << true << -1 << 0x00;
}

void TestVoiceFormat::builtSlotBytes()
{
    QFETCH(bool, custom);
    QFETCH(int, slot);
    QFETCH(int, memory);
    const QByteArray dump = VoiceDump::EmptyFullDump(0);
    const QByteArray built = custom ? VoiceConversion::DumpToCustom(dump, slot, 3)
                                    : VoiceConversion::DumpToInternal(dump, slot, 3);
    const QByteArray mm(1, char(memory));
    if (custom) {
        QCOMPARE(built.size(), VoiceDump::CustomLength);
        QCOMPARE(built.left(9), hex("f0430357012330") + QByteArray(1, 0) + mm);
        QCOMPARE(built.mid(174, 9), hex("f04303570a6b31") + QByteArray(1, 0) + mm);
        QVERIFY(blockSumsToZero(built, 0, 174));
        QVERIFY(blockSumsToZero(built, 174, 1398));
    } else {
        QCOMPARE(built.size(), VoiceDump::InternalLength);
        QCOMPARE(built.left(9), hex("f0430357012340") + QByteArray(1, 0) + mm);
        QVERIFY(blockSumsToZero(built, 0, 174));
    }
}

void TestVoiceFormat::mapping_data()
{
    // Where one dump byte lands in the internal and custom forms (-1: absent).
    QTest::addColumn<int>("dumpOffset");
    QTest::addColumn<int>("internal");
    QTest::addColumn<int>("custom");
    QTest::newRow("name first") << 393 << 9 << 9;
    QTest::newRow("name last") << 400 << 16 << 16;
    QTest::newRow("reserved 401") << 401 << -1 << 17;
    QTest::newRow("portamento mode") << 406 << 21 << 22;
    QTest::newRow("reserved 407") << 407 << -1 << 23;
    QTest::newRow("mono/poly") << 14 << 22 << 24;
    QTest::newRow("bank number") << 11 << -1 << -1;
    QTest::newRow("program number") << 12 << -1 << -1;
    QTest::newRow("variation send") << 29 << 35 << 37;
    QTest::newRow("release time") << 37 << 43 << -1;
    QTest::newRow("mod wheel pitch") << 38 << -1 << 38;
    QTest::newRow("pitch bend control") << 44 << 46 << 43;
    QTest::newRow("scale tuning C") << 78 << -1 << 48;
    QTest::newRow("aftertouch filter") << 91 << 48 << 61;
    QTest::newRow("pitch envelope release") << 121 << 59 << -1;
    QTest::newRow("treble") << 138 << 63 << -1;
    QTest::newRow("program pointer") << 189 << 69 << -1;
    QTest::newRow("reverb pan") << 214 << 78 << 87;
    QTest::newRow("variation part") << 313 << 107 << 142;
    QTest::newRow("distortion part") << 359 << 118 << 163;
    QTest::newRow("block 13 last") << 381 << -1 << 171;
    QTest::newRow("element name") << 419 << -1 << 183;
    QTest::newRow("expression mode") << 429 << 121 << 193;
    QTest::newRow("element 51st") << 479 << 171 << 243;
    QTest::newRow("element 52nd") << 480 << -1 << 244;
    QTest::newRow("element last") << 1805 << -1 << 1569;
}

void TestVoiceFormat::mapping()
{
    QFETCH(int, dumpOffset);
    QFETCH(int, internal);
    QFETCH(int, custom);
    QByteArray dump(VoiceDump::FullLength, '\0');
    dump[dumpOffset] = 0x5A;
    const QByteArray toInternal = VoiceConversion::DumpToInternal(dump, 1, 0);
    const QByteArray toCustom = VoiceConversion::DumpToCustom(dump, 1, 0);
    QCOMPARE(dataIndex(toInternal, {{9, 171}}), internal);
    QCOMPARE(dataIndex(toCustom, {{9, 171}, {183, 1569}}), custom);
}

void TestVoiceFormat::customRoundTrip()
{
    QRandomGenerator random(11);
    QByteArray source = VoiceDump::BuildCustomDump(1, randomBytes(random, 163),
                                                   randomBytes(random, 1387), 0);
    source[8] = 0x02;    // block A memory number
    source[182] = 0x04;  // block B memory number
    QByteArray dump = randomBytes(random, VoiceDump::FullLength);
    const QByteArray before = dump;
    int slot = 0;
    QVERIFY(VoiceConversion::CustomToDump(source, dump, slot));
    QCOMPARE(slot, 5);
    QCOMPARE(int(dump[12]), 0x02);
    for (int offset : {9, 10, 35, 36, 37, 50, 51, 408, 1806})  // not carried
        QCOMPARE(dump[offset], before[offset]);

    const QByteArray rebuilt = VoiceConversion::DumpToCustom(dump, slot, 0);
    QCOMPARE(rebuilt.mid(9, 163), source.mid(9, 163));
    QCOMPARE(rebuilt.mid(183, 1387), source.mid(183, 1387));
    QCOMPARE(int(rebuilt[8]), 0x04);
    QCOMPARE(int(rebuilt[182]), 0x04);
    QVERIFY(blockSumsToZero(rebuilt, 0, 174));
    QVERIFY(blockSumsToZero(rebuilt, 174, 1398));
}

void TestVoiceFormat::internalOverFullKeepsRest()
{
    QRandomGenerator random(13);
    QByteArray dump = VoiceDump::EmptyFullDump(0);
    const QByteArray full = randomBytes(random, VoiceDump::FullLength);
    dump = full;
    QByteArray internal = VoiceDump::BuildInternalDump(10, randomBytes(random, 163), 0);
    internal.replace(9, 8, "NEWNAME!");
    int slot = 0;
    QVERIFY(VoiceConversion::InternalToDump(internal, dump, slot));
    QCOMPARE(slot, 10);
    QCOMPARE(dump.mid(393, 8), QByteArray("NEWNAME!"));
    QCOMPARE(dump[401], full[401]);
    QCOMPARE(dump[407], full[407]);
    QCOMPARE(dump.mid(480), full.mid(480));
    QCOMPARE(dump.left(14), full.left(14));
}

void TestVoiceFormat::fullToFormAndBackChangesNothing()
{
    QRandomGenerator random(17);
    const QByteArray full = randomBytes(random, VoiceDump::FullLength);
    int slot = 0;

    QByteArray dump = full;
    QVERIFY(VoiceConversion::InternalToDump(VoiceConversion::DumpToInternal(full, 33, 0), dump, slot));
    QCOMPARE(slot, 33);
    QCOMPARE(dump, full);

    // Through the custom form only the program number takes the memory number.
    dump = full;
    QVERIFY(VoiceConversion::CustomToDump(VoiceConversion::DumpToCustom(full, 3, 0), dump, slot));
    QCOMPARE(slot, 3);
    QByteArray expected = full;
    expected[12] = 0x02;
    QCOMPARE(dump, expected);
}

void TestVoiceFormat::conversionsRefuseWrongLengths()
{
    const QByteArray full(VoiceDump::FullLength, '\x01');
    for (int length : {0, 173, 175, 1571, 1573}) {
        QByteArray dump = full;
        int slot = 9;
        QVERIFY(!VoiceConversion::CustomToDump(QByteArray(length, '\x22'), dump, slot)
                || length == VoiceDump::CustomLength);
        QVERIFY(!VoiceConversion::InternalToDump(QByteArray(length, '\x22'), dump, slot));
        QCOMPARE(dump, full);
        QCOMPARE(slot, 9);
    }
    QByteArray shortDump(1807, '\0');
    int slot = 9;
    QVERIFY(!VoiceConversion::InternalToDump(QByteArray(174, '\0'), shortDump, slot));
    QVERIFY(!VoiceConversion::CustomToDump(QByteArray(1572, '\0'), shortDump, slot));
    QCOMPARE(slot, 9);
    QVERIFY(VoiceConversion::DumpToCustom(shortDump, 1, 0).isEmpty());
    QVERIFY(VoiceConversion::DumpToInternal(QByteArray(1809, '\0'), 1, 0).isEmpty());
    QVERIFY(VoiceDump::BuildCustomDump(1, QByteArray(162, '\0'), QByteArray(1387, '\0'), 0).isEmpty());
    QVERIFY(VoiceDump::BuildInternalDump(1, QByteArray(164, '\0'), 0).isEmpty());
}

void TestVoiceFormat::realInternalBanks_data()
{
    QTest::addColumn<QByteArray>("bank");
    QTest::addColumn<int>("deviceId");
    QTest::newRow("Prog-A-1") << readData("Prog-A-1.syx") << 0;
    QTest::newRow("VL70-A-1") << readData("VL70-A-1.syx") << 1;
}

void TestVoiceFormat::realInternalBanks()
{
    QFETCH(QByteArray, bank);
    QFETCH(int, deviceId);
    QCOMPARE(bank.size(), 64 * VoiceDump::InternalLength);
    QByteArray dump(VoiceDump::FullLength, '\0');
    for (int index = 0; index < 64; ++index) {
        const QByteArray voice = bank.mid(index * VoiceDump::InternalLength, VoiceDump::InternalLength);
        QCOMPARE(VoiceDump::FormOf(voice), std::optional<Form>(Form::Internal));
        int slot = 0;
        QVERIFY(VoiceConversion::InternalToDump(voice, dump, slot));
        QCOMPARE(slot, index + 1);
        QCOMPARE(VoiceConversion::DumpToInternal(dump, slot, quint8(deviceId)), voice);
        const QByteArray forDevice0 = VoiceConversion::DumpToInternal(dump, slot, 0);
        QCOMPARE(forDevice0.mid(3), voice.mid(3));
        QCOMPARE(int(forDevice0[2]), 0);
    }
}

void TestVoiceFormat::randomRuns()
{
    // Random lengths around the three forms and random contents, a bounded
    // number of times. Run under the sanitizers this also checks that nothing
    // reads or writes past a buffer.
    const quint32 seed = 20261207;
    qInfo("random seed %u", seed);
    QRandomGenerator random(seed);
    const int lengths[] = {174, 1572, 1808};
    QByteArray dump(VoiceDump::FullLength, '\0');
    for (int round = 0; round < 3000; ++round) {
        const int length = random.bounded(4) == 0 ? int(random.bounded(2000))
                                                  : lengths[random.bounded(3)] + int(random.bounded(3)) - 1;
        QByteArray run(length, '\0');
        for (char &byte : run)
            byte = char(random.bounded(256));
        if (length > 3 && random.bounded(3) != 0) {
            run[0] = char(0xF0);
            run[3] = char(0x57);
        }
        const bool voice = (length == 174 || length == 1572 || length == 1808)
                           && quint8(run[0]) == 0xF0 && quint8(run[3]) == 0x57;
        QCOMPARE(VoiceDump::IsVoiceStream(run), voice);

        int slot = 0;
        if (voice && length == VoiceDump::InternalLength) {
            QVERIFY(VoiceConversion::InternalToDump(run, dump, slot));
            const QByteArray rebuilt = VoiceConversion::DumpToInternal(dump, slot, 0);
            QCOMPARE(rebuilt.mid(9, 163), run.mid(9, 163));
        } else if (voice && length == VoiceDump::CustomLength) {
            QVERIFY(VoiceConversion::CustomToDump(run, dump, slot));
            const QByteArray rebuilt = VoiceConversion::DumpToCustom(dump, slot, 0);
            QCOMPARE(rebuilt.mid(183, 1387), run.mid(183, 1387));
        } else if (voice) {
            dump = run;
            QVERIFY(VoiceDump::SealDump(dump, 0));
        } else {
            QVERIFY(!VoiceConversion::InternalToDump(run, dump, slot)
                    || length == VoiceDump::InternalLength);
        }
    }
}

QTEST_GUILESS_MAIN(TestVoiceFormat)
#include "tst_voiceformat.moc"
