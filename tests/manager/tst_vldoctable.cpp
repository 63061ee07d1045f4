#include "DataColumns.h"
#include "FileBytes.h"
#include "VoiceDump.h"

#include <QFile>
#include <QtTest>

// The built-in parameter documentation table: one line per byte of the full
// voice dump, three tab-separated fields, CR LF, Windows-1252.
class TestVlDocTable : public QObject
{
    Q_OBJECT

private:
    static QList<QByteArray> lines()
    {
        QList<QByteArray> result = fileBytes(QStringLiteral(":/vl/VL70DOC")).split('\n');
        if (!result.isEmpty() && result.last().isEmpty())
            result.removeLast();
        return result;
    }
    static QByteArray label(int offset) { return lines().value(offset).split('\t').value(0); }

private slots:
    void shape()
    {
        const QByteArray text = fileBytes(QStringLiteral(":/vl/VL70DOC"));
        QVERIFY(!text.isEmpty());
        QVERIFY(text.endsWith("\r\n"));
        QCOMPARE(text.count('\n'), VoiceDump::FullLength);
        QCOMPARE(text.count('\r'), VoiceDump::FullLength);
        const QList<QByteArray> all = lines();
        for (int i = 0; i < all.size(); ++i) {
            const QByteArray &line = all.at(i);
            QVERIFY2(line.endsWith('\r'), qPrintable(QString::number(i)));
            QVERIFY2(line.count('\t') == 2, qPrintable(QString::number(i)));
        }
    }

    void singleByteCodePage()
    {
        const QByteArray text = fileBytes(QStringLiteral(":/vl/VL70DOC"));
        QVERIFY(!text.isEmpty());
        QVERIFY(text.contains("\xe9"));      // é as one byte
        QVERIFY(!text.contains("\xc3\xa9")); // not UTF-8
    }

    void frameLabels_data()
    {
        addColumns<int>("block");
        for (int b = 1; b <= VoiceDump::FullBlockCount; ++b)
            QTest::addRow("block %d", b) << b;
    }
    void frameLabels()
    {
        QFETCH(int, block);
        const VoiceDump::Block &b = VoiceDump::FullBlocks[block - 1];
        const auto hex = [](int value) {
            return QByteArray::number(value, 16).rightJustified(2, '0').toUpper();
        };
        QCOMPARE(label(b.start + 0), QByteArray("F0"));
        QCOMPARE(label(b.start + 1), QByteArray("43"));
        QCOMPARE(label(b.start + 2), QByteArray("00"));
        QCOMPARE(label(b.start + 3), QByteArray("57"));
        QCOMPARE(label(b.start + 4), hex(b.count >> 7));
        QCOMPARE(label(b.start + 5), hex(b.count & 0x7F));
        QCOMPARE(label(b.start + 6), hex(b.address[0]));
        QCOMPARE(label(b.start + 7), hex(b.address[1]));
        QCOMPARE(label(b.start + 8), hex(b.address[2]));
        const bool unlabelled = block == 7 || block == 11 || block == 13;
        QCOMPARE(label(b.sealEnd() + 1) == "Checksum", !unlabelled);
        QCOMPARE(label(b.sealEnd() + 2), QByteArray("F7"));
    }

    void parameterLabels_data()
    {
        addColumns<int, QByteArray>("offset", "expected");
        QTest::newRow("bank") << 11 << QByteArray("Nr de banque");
        QTest::newRow("program") << 12 << QByteArray("Nr de programme");
        QTest::newRow("mono/poly") << 14 << QByteArray("Mono/Poly");
        QTest::newRow("note shift") << 17 << QByteArray("NoteSft");
        QTest::newRow("first letter") << 393 << QByteArray("1ere lettre nom");
        QTest::newRow("reserved after name") << 401 << QByteArray("reserve");
        QTest::newRow("undocumented") << 376 << QByteArray();
        QTest::newRow("last element byte") << 1805 << QByteArray();
    }
    void parameterLabels()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, expected);
        QCOMPARE(label(offset), expected);
    }
};

QTEST_GUILESS_MAIN(TestVlDocTable)
#include "tst_vldoctable.moc"
