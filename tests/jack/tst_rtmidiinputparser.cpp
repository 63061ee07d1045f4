#include "DataColumns.h"
#include "MidiStreamParser.h"
#include "ParserTranscript.h"
#include "RtMidiInDevice.h"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <algorithm>

using Deliveries = QList<QByteArray>;

// What the parser handed out, in order (ParserTranscript.h); faults, when
// asked, as "F:<hex>".
static QStringList run(const Deliveries &deliveries, std::size_t limit = 65536,
                       bool withFaults = false)
{
    MidiStreamParser parser(RtMidiInDevice::parsing(limit));
    QStringList out;
    const MidiStreamParser::Handlers handlers =
        transcribing(out, withFaults ? [](MidiStreamParser::Fault) { return QStringLiteral("F"); }
                                     : std::function<QString(MidiStreamParser::Fault)>());
    for (const QByteArray &delivery : deliveries)
        parser.feed(delivery, handlers);
    return out;
}

static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

class TestRtMidiInputParser : public QObject
{
    Q_OBJECT

private slots:
    void deliveries_data();
    void deliveries();
    void longBlockIsSplitWithHeaderFirst();
    void noPieceOverTheLimit_data();
    void noPieceOverTheLimit();
    void messageOneByteOverTheBuffer();
};

void TestRtMidiInputParser::deliveries_data()
{
    addColumns<Deliveries, QStringList>("in", "out");

    QTest::newRow("whole block") << Deliveries{hex("f0431057f7")} << QStringList{"X:f0431057f7"};
    QTest::newRow("note on packs status low")
        << Deliveries{hex("903c64")} << QStringList{"S:643c90"};
    QTest::newRow("program change has one data byte")
        << Deliveries{hex("c005")} << QStringList{"S:0005c0"};
    QTest::newRow("real-time bytes leave the block, in place")
        << Deliveries{hex("f04310f857fef7")} << QStringList{"S:0000f8", "S:0000fe", "X:f0431057f7"};
    QTest::newRow("block in two deliveries") << Deliveries{hex("f04310"), hex("f8"), hex("57f7")}
                                             << QStringList{"S:0000f8", "X:f0431057f7"};
    QTest::newRow("fragment without header dropped")
        << Deliveries{hex("070809f7"), hex("903c64")} << QStringList{"S:643c90"};
    QTest::newRow("block cut by a channel message dropped, message kept")
        << Deliveries{hex("f04310903c64030405f7")} << QStringList{"S:643c90"};
    QTest::newRow("second header restarts the block")
        << Deliveries{hex("f04310f0431157f7")} << QStringList{"X:f0431157f7"};
    QTest::newRow("block without end is held, not handed out")
        << Deliveries{hex("f0431057")} << QStringList{};
    QTest::newRow("incomplete short message not completed later")
        << Deliveries{hex("903c"), hex("64")} << QStringList{};
    QTest::newRow("data without status dropped") << Deliveries{hex("3c64")} << QStringList{};
    QTest::newRow("two blocks in one delivery")
        << Deliveries{hex("f001f7f002f7")} << QStringList{"X:f001f7", "X:f002f7"};
    QTest::newRow("tune request has no data") << Deliveries{hex("f6")} << QStringList{"S:0000f6"};
    QTest::newRow("empty delivery") << Deliveries{QByteArray()} << QStringList{};
}

void TestRtMidiInputParser::deliveries()
{
    QFETCH(Deliveries, in);
    QFETCH(QStringList, out);
    QCOMPARE(run(in), out);
}

void TestRtMidiInputParser::longBlockIsSplitWithHeaderFirst()
{
    // Eight bytes of room: the block leaves as a piece of the limit carrying
    // the header, then the rest with the end.
    const QStringList out = run({hex("f00102030405060708090af7")}, 8);
    QCOMPARE(out, (QStringList{"X:f001020304050607", "X:08090af7"}));
}

void TestRtMidiInputParser::noPieceOverTheLimit_data()
{
    addColumns<QByteArray, int, QStringList>("in", "limit", "out");
    // The end byte arrives when the piece is full: it leaves on its own.
    QTest::newRow("end byte after a full piece")
        << hex("0200f009f7") << 2 << QStringList{"F:0200", "X:f009", "X:f7"};
    QTest::newRow("end byte with room left") << hex("f009f7") << 3 << QStringList{"X:f009f7"};
    QTest::newRow("exactly twice the limit, end included")
        << hex("f0010203040506f7") << 4 << QStringList{"X:f0010203", "X:040506f7"};
    // A long SysEx cut short leaves no pieces: one fault, F0 first.
    QTest::newRow("cut after a full piece")
        << hex("f00102030405904000") << 4 << QStringList{"F:f00102030405", "S:004090"};
    QTest::newRow("a second F0 cuts a long SysEx")
        << hex("f001020304f00506f7") << 4 << QStringList{"F:f001020304", "X:f00506f7"};
}

void TestRtMidiInputParser::noPieceOverTheLimit()
{
    QFETCH(QByteArray, in);
    QFETCH(int, limit);
    QFETCH(QStringList, out);
    QCOMPARE(run({in}, std::size_t(limit), true), out);
}

// A SysEx one byte longer than the program's input buffer, whole in one
// delivery: no piece is longer than the buffer, and the pieces make the
// message again.
void TestRtMidiInputParser::messageOneByteOverTheBuffer()
{
    constexpr std::size_t limit = 65536;
    QByteArray message(qsizetype(limit + 1), '\x11');
    message[0] = char(0xF0);
    message[message.size() - 1] = char(0xF7);
    MidiStreamParser parser(RtMidiInDevice::parsing(limit));
    QByteArray joined;
    std::size_t longest = 0;
    MidiStreamParser::Handlers handlers;
    handlers.onSysEx = [&](const QByteArray &piece) {
        longest = std::max(longest, std::size_t(piece.size()));
        joined.append(piece);
    };
    parser.feed(message, handlers);
    QVERIFY2(longest <= limit, qPrintable(QString::number(longest)));
    QCOMPARE(joined, message);
}

QTEST_GUILESS_MAIN(TestRtMidiInputParser)
#include "tst_rtmidiinputparser.moc"
