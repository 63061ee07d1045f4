#include "DataColumns.h"
#include "FileBytes.h"
#include "LibraryFile.h"
#include "RaisedText.h"
#include "TVlLibReader.h"
#include "VoiceDump.h"

#include <QBuffer>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray voiceData(int seed)
{
    QByteArray data(1550, '\0');
    QRandomGenerator random(seed);
    for (char &byte : data)
        byte = char(random.bounded(128));
    return data;
}

int sevenBitSum(const QByteArray &bytes, int first, int last)
{
    int sum = 0;
    for (int i = first; i <= last; ++i)
        sum += quint8(bytes[i]);
    return sum % 128;
}

QByteArray readAll(QBuffer *stream)
{
    return stream->data().mid(stream->pos());
}

} // namespace

class TestVlLibReader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("test.lib"))
    {
        const QString path = m_dir.filePath(name);
        writeFile(path, bytes);
        return path;
    }

private slots:
    void opens_data();
    void opens();
    void nameLines_data();
    void nameLines();
    void voiceBytes();
    void voiceAvailability_data();
    void voiceAvailability();
    void failedReopenForgetsOldFile();
    void unreadableFileRaises();
    void hugeFileReadOnlyAsFarAsVoices();
    void randomFiles();
};

void TestVlLibReader::opens_data()
{
    addColumns<QByteArray, bool, int>("file", "opens", "lines");
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("signature only") << QByteArray("LM  0268") << false << 0;
    QTest::newRow("2999 bytes") << LibraryFile::build(3, {}, {}, 2999) << false << 0;
    QTest::newRow("3000 bytes") << LibraryFile::build(3, {}, {}, 3000) << true << 3;
    QTest::newRow("count 0") << LibraryFile::build(0, {}, {voiceData(1)}) << true << 0;
    QTest::newRow("count 255") << LibraryFile::build(255, {}, {}, 3072) << true << 255;
    QTest::newRow("other digit") << LibraryFile::build(1, {}, {}, 3000, "LM  0269") << false << 0;
    QTest::newRow("lower case") << LibraryFile::build(1, {}, {}, 3000, "lm  0268") << false << 0;
    QTest::newRow("single blank") << LibraryFile::build(1, {}, {}, 3000, "LM 0268 ") << false << 0;
    QTest::newRow("zero inside") << LibraryFile::build(1, {}, {}, 3000, QByteArray("LM  026\0", 8))
                                 << false << 0;
}

void TestVlLibReader::opens()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, opens);
    QFETCH(int, lines);
    TVlLibReader reader;
    QCOMPARE(reader.OpenLibrary(write(file)), opens);
    QCOMPARE(reader.IsOpen(), opens);
    QCOMPARE(reader.VoiceNames().size(), lines);
}

void TestVlLibReader::nameLines_data()
{
    addColumns<int, QByteArray, int, QString>("index", "name", "fileSize", "line");
    QTest::newRow("voice 1") << 0 << QByteArray("Flute") << -1 << "  1 Flute";
    QTest::newRow("voice 12") << 11 << QByteArray("Sax") << -1 << " 12 Sax";
    QTest::newRow("voice 123") << 122 << QByteArray("Oboe") << -1 << "123 Oboe";
    QTest::newRow("eight, no zero") << 4 << QByteArray("ABCDEFGH") << -1 << "  5 ABCDEFGH";
    QTest::newRow("first byte zero") << 0 << QByteArray("\0BC", 3) << -1 << "  1 ";
    QTest::newRow("zero inside") << 0 << QByteArray("AB\0CD", 5) << -1 << "  1 AB";
    QTest::newRow("high bytes") << 0 << QByteArray("Caf\xe9\x80") << -1
                                << QString::fromUtf8("  1 Café€");
    // Index 247's name starts at 3000: partly or wholly beyond a short file.
    QTest::newRow("partly beyond end") << 247 << QByteArray("ABCDEFGH") << 3004 << "248 ABCD";
    QTest::newRow("wholly beyond end") << 247 << QByteArray("ABCDEFGH") << 3000 << "248 ";
}

void TestVlLibReader::nameLines()
{
    QFETCH(int, index);
    QFETCH(QByteArray, name);
    QFETCH(int, fileSize);
    QFETCH(QString, line);
    QList<QByteArray> names(index + 1, QByteArray("Filler"));
    names[index] = name;
    TVlLibReader reader;
    QVERIFY(reader.OpenLibrary(
        write(LibraryFile::build(250, names, {}, fileSize < 0 ? 3072 : fileSize))));
    QCOMPARE(reader.VoiceNames().size(), 250);
    QCOMPARE(reader.VoiceNames().at(index), line);
}

void TestVlLibReader::voiceBytes()
{
    const QByteArray first = voiceData(1), second = voiceData(2);
    TVlLibReader reader;
    QVERIFY(reader.OpenLibrary(write(LibraryFile::build(2, {"One", "Two"}, {first, second}))));
    for (int index : {0, 1}) {
        const QByteArray data = index == 0 ? first : second;
        const QByteArray voice = readAll(reader.GetVoice(index));
        QCOMPARE(voice.size(), 1572);
        QCOMPARE(voice.left(9), QByteArray::fromHex("f043005701233000") + QByteArray(1, '\0'));
        QCOMPARE(voice.mid(174, 9), QByteArray::fromHex("f04300570a6b3100") + QByteArray(1, '\0'));
        QCOMPARE(voice.mid(9, 163), data.left(163));
        QCOMPARE(voice.mid(183, 1387), data.mid(163));
        QCOMPARE(sevenBitSum(voice, 4, 172), 0);
        QCOMPARE(sevenBitSum(voice, 178, 1570), 0);
        QCOMPARE(voice[173], '\xf7');
        QCOMPARE(voice[1571], '\xf7');
        QCOMPARE(VoiceDump::formOf(voice), std::optional(VoiceDump::Form::Custom));
    }

    // Each call gives a new stream at its start; the previous one is gone.
    QPointer<QBuffer> oldStream = reader.GetVoice(0);
    QBuffer *newStream = reader.GetVoice(0);
    QVERIFY(oldStream.isNull());
    QCOMPARE(newStream->pos(), 0);
    QCOMPARE(newStream->size(), 1572);
}

void TestVlLibReader::voiceAvailability_data()
{
    addColumns<int, int, int, bool>("count", "fileSize", "index", "present");
    QTest::newRow("first, exactly 4622") << 3 << 4622 << 0 << true;
    QTest::newRow("first, 4621") << 3 << 4621 << 0 << false;
    QTest::newRow("second, 6172") << 3 << 6172 << 1 << true;
    QTest::newRow("second, 6171") << 3 << 6171 << 1 << false;
    QTest::newRow("3000-byte file") << 3 << 3000 << 0 << false;
    QTest::newRow("index = count") << 1 << 6172 << 1 << false;
    QTest::newRow("negative") << 3 << 6172 << -1 << false;
    QTest::newRow("index 255") << 255 << 9000 << 255 << false;
}

void TestVlLibReader::voiceAvailability()
{
    QFETCH(int, count);
    QFETCH(int, fileSize);
    QFETCH(int, index);
    QFETCH(bool, present);
    TVlLibReader reader;
    QVERIFY(reader.OpenLibrary(write(LibraryFile::build(count, {}, {voiceData(3)}, fileSize))));
    QBuffer *stream = reader.GetVoice(index);
    QVERIFY(stream->isOpen());
    QCOMPARE(stream->size(), present ? 1572 : 0);
}

void TestVlLibReader::failedReopenForgetsOldFile()
{
    TVlLibReader reader;
    QVERIFY(reader.OpenLibrary(write(LibraryFile::build(1, {"One"}, {voiceData(5)}))));
    QVERIFY(!reader.OpenLibrary(write(QByteArray(100, 'x'), QStringLiteral("bad.lib"))));
    QCOMPARE(reader.VoiceCount(), 0);
    QVERIFY(reader.VoiceNames().isEmpty());
    QCOMPARE(reader.GetVoice(0)->size(), 0);
}

void TestVlLibReader::unreadableFileRaises()
{
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.lib")));
    for (const QString &name : {QStringLiteral("missing.lib"), QStringLiteral("folder.lib")}) {
        TVlLibReader reader;
        const QString path = QDir::toNativeSeparators(m_dir.filePath(name));
        const QString raised = raisedText([&] { reader.OpenLibrary(path); });
        // The file name and, after it, the system's own text.
        QVERIFY2(raised.contains(path) && !raised.endsWith(QLatin1String(": ")),
                 qPrintable(raised));
        QVERIFY(!reader.IsOpen());
    }
}

void TestVlLibReader::hugeFileReadOnlyAsFarAsVoices()
{
    // A sparse 3 GiB file: reading it whole would take that much memory.
    QByteArray head = LibraryFile::build(255, {"Last"}, {voiceData(6)});
    const QString path = write(head, QStringLiteral("huge.lib"));
    QFile file(path);
    QVERIFY(file.resize(qint64(3) << 30));
    TVlLibReader reader;
    QVERIFY(reader.OpenLibrary(path));
    QCOMPARE(reader.VoiceNames().size(), 255);
    QCOMPARE(reader.GetVoice(254)->size(), 1572);
    QCOMPARE(readAll(reader.GetVoice(0)).mid(9, 163), voiceData(6).left(163));
}

void TestVlLibReader::randomFiles()
{
    // Random lengths, counts and contents, a bounded number of times; under
    // the sanitizers this also checks that no read goes past the file's bytes.
    const quint32 seed = 977;
    qInfo("random seed %u", seed);
    QRandomGenerator random(seed);
    TVlLibReader reader;
    for (int round = 0; round < 200; ++round) {
        const int voices = int(random.bounded(6));
        int size = random.bounded(4) == 0 ? int(random.bounded(3100))
                                          : 3072 + 1550 * voices + int(random.bounded(7)) - 3;
        QByteArray file(size, '\0');
        for (char &byte : file)
            byte = char(random.bounded(256));
        const bool isSigned = size >= 8 && random.bounded(5) != 0;
        if (isSigned)
            file.replace(0, 8, "LM  0268");
        if (size > 51 && random.bounded(2) == 0)
            file[51] = char(random.bounded(voices + 2));
        const bool opens = reader.OpenLibrary(write(file));
        QCOMPARE(opens, isSigned && size >= 3000);
        if (!opens)
            continue;
        const int count = quint8(file[51]);
        QCOMPARE(reader.VoiceNames().size(), count);
        for (int index : {-1, 0, int(random.bounded(count + 2)), count - 1, count}) {
            const QByteArray voice = readAll(reader.GetVoice(index));
            const bool present = index >= 0 && index < count && size >= 4622 + 1550 * index;
            QCOMPARE(voice.size(), present ? 1572 : 0);
            if (present)
                QCOMPARE(voice.mid(183, 1387), file.mid(3072 + 1550 * index + 163, 1387));
        }
    }
}

QTEST_GUILESS_MAIN(TestVlLibReader)
#include "tst_vllibreader.moc"
