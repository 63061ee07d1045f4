#include "DataColumns.h"
#include "MidiStreamParser.h"
#include "ParserTranscript.h"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <cstddef>
#include <initializer_list>

// Each option of the parser on its own, the others as they default: what
// the same bytes give with it and without it.

using Feeds = QList<QByteArray>;
using Fault = MidiStreamParser::Fault;
using Options = MidiStreamParser::Options;

static Feeds hex(std::initializer_list<const char *> feeds)
{
    Feeds out;
    for (const char *feed : feeds)
        out << QByteArray::fromHex(feed);
    return out;
}

template <typename Value>
static void columns()
{
    addColumns<Value, Feeds, QStringList>("setting", "in", "out");
}

// The current row: the parser with `option` (by default byDefault) set as
// the row says, fed the row's feeds; faults written down by name.
template <typename Value>
static void check(Value Options::*option, Value byDefault)
{
    static const char *const faultNames[] = {"StrayData", "UnendedSysEx", "StrayStatus",
                                             "IncompleteMessage"};
    QFETCH(Value, setting);
    QFETCH(Feeds, in);
    QFETCH(QStringList, out);
    Options options;
    QCOMPARE(options.*option, byDefault);
    options.*option = setting;
    MidiStreamParser parser(options);
    QStringList seen;
    const MidiStreamParser::Handlers handlers =
        transcribing(seen, [](Fault fault) { return QLatin1String(faultNames[int(fault)]); });
    for (const QByteArray &feed : in)
        parser.feed(feed, handlers);
    QCOMPARE(seen, out);
}

class TestMidiStreamParser : public QObject
{
    Q_OBJECT

private slots:
    // Short messages: their status and where they end.
    void runningStatus_data();
    void runningStatus() { check(&Options::runningStatus, false); }
    void shortSpansFeeds_data();
    void shortSpansFeeds() { check(&Options::shortSpansFeeds, false); }
    void realTimeEndsShort_data();
    void realTimeEndsShort() { check(&Options::realTimeEndsShort, false); }
    // SysEx cut short.
    void sysExSpansFeeds_data();
    void sysExSpansFeeds() { check(&Options::sysExSpansFeeds, true); }
    void deliverCutSysEx_data();
    void deliverCutSysEx() { check(&Options::deliverCutSysEx, false); }
    // Long SysEx.
    void blockLimit_data();
    void blockLimit() { check(&Options::blockLimit, std::size_t(0)); }
    // Status bytes that start nothing.
    void undefinedStartNothing_data();
    void undefinedStartNothing() { check(&Options::undefinedStartNothing, false); }
    void ignoreStrayEnd_data();
    void ignoreStrayEnd() { check(&Options::ignoreStrayEnd, false); }
};

void TestMidiStreamParser::runningStatus_data()
{
    columns<bool>();
    QTest::newRow("off: data after a message is stray")
        << false << hex({"903c643e65"}) << QStringList{"S:643c90", "StrayData:3e65"};
    QTest::newRow("on: data after a message repeats its status")
        << true << hex({"903c643e65"}) << QStringList{"S:643c90", "S:653e90"};
    QTest::newRow("on: into the next feed")
        << true << hex({"c005", "06"}) << QStringList{"S:0005c0", "S:0006c0"};
    QTest::newRow("on: a real-time byte leaves it")
        << true << hex({"903c64f83e65"}) << QStringList{"S:643c90", "S:0000f8", "S:653e90"};
    QTest::newRow("on: a system message ends it")
        << true << hex({"903c64f63e65"}) << QStringList{"S:643c90", "S:0000f6", "StrayData:3e65"};
    QTest::newRow("on: a SysEx ends it")
        << true << hex({"903c64f001f73e"}) << QStringList{"S:643c90", "X:f001f7", "StrayData:3e"};
}

void TestMidiStreamParser::shortSpansFeeds_data()
{
    columns<bool>();
    QTest::newRow("off: cut at the feed's end")
        << false << hex({"903c", "64"}) << QStringList{"IncompleteMessage:903c", "StrayData:64"};
    QTest::newRow("on: completed by the next feed")
        << true << hex({"903c", "64"}) << QStringList{"S:643c90"};
    QTest::newRow("on: a real-time byte between")
        << true << hex({"903c", "f864"}) << QStringList{"S:0000f8", "S:643c90"};
    QTest::newRow("on: cut by the next feed's status")
        << true << hex({"903c", "c005"}) << QStringList{"IncompleteMessage:903c", "S:0005c0"};
}

void TestMidiStreamParser::sysExSpansFeeds_data()
{
    columns<bool>();
    QTest::newRow("on: joined across feeds")
        << true << hex({"f04310", "57f7"}) << QStringList{"X:f0431057f7"};
    QTest::newRow("on: open at the end is held") << true << hex({"f04310"}) << QStringList{};
    QTest::newRow("off: cut at the feed's end, its tail stray")
        << false << hex({"f04310", "57f7"})
        << QStringList{"UnendedSysEx:f04310", "StrayData:57", "StrayStatus:f7"};
    QTest::newRow("off: whole in one feed")
        << false << hex({"f0431057f7"}) << QStringList{"X:f0431057f7"};
}

void TestMidiStreamParser::deliverCutSysEx_data()
{
    columns<bool>();
    QTest::newRow("on: a whole one as it was")
        << true << hex({"f001f7"}) << QStringList{"X:f001f7"};
    QTest::newRow("off: cut by a channel message")
        << false << hex({"f04310903c64"}) << QStringList{"UnendedSysEx:f04310", "S:643c90"};
    QTest::newRow("on: cut by a channel message")
        << true << hex({"f04310903c64"}) << QStringList{"X:f04310", "S:643c90"};
    QTest::newRow("off: cut by another F0")
        << false << hex({"f001f002f7"}) << QStringList{"UnendedSysEx:f001", "X:f002f7"};
    QTest::newRow("on: cut by another F0")
        << true << hex({"f001f002f7"}) << QStringList{"X:f001", "X:f002f7"};
}

void TestMidiStreamParser::realTimeEndsShort_data()
{
    columns<bool>();
    QTest::newRow("off: passes through a short message")
        << false << hex({"903cf864"}) << QStringList{"S:0000f8", "S:643c90"};
    QTest::newRow("on: cuts a short message")
        << true << hex({"903cf864"})
        << QStringList{"IncompleteMessage:903c", "S:0000f8", "StrayData:64"};
    QTest::newRow("on: never cuts a SysEx")
        << true << hex({"f043f8f7"}) << QStringList{"S:0000f8", "X:f043f7"};
}

void TestMidiStreamParser::undefinedStartNothing_data()
{
    columns<bool>();
    QTest::newRow("off: F4 alone") << false << hex({"f4"}) << QStringList{"S:0000f4"};
    QTest::newRow("off: F5 alone") << false << hex({"f5"}) << QStringList{"S:0000f5"};
    QTest::newRow("on: F4 stray") << true << hex({"f4"}) << QStringList{"StrayStatus:f4"};
    QTest::newRow("on: F5 stray") << true << hex({"f5"}) << QStringList{"StrayStatus:f5"};
    QTest::newRow("on: F6 still a message") << true << hex({"f6"}) << QStringList{"S:0000f6"};
}

void TestMidiStreamParser::ignoreStrayEnd_data()
{
    columns<bool>();
    QTest::newRow("off: F7 alone") << false << hex({"f7"}) << QStringList{"StrayStatus:f7"};
    QTest::newRow("on: F7 alone") << true << hex({"f7"}) << QStringList{};
    QTest::newRow("off: F7 cuts a short message")
        << false << hex({"903cf764"})
        << QStringList{"IncompleteMessage:903c", "StrayStatus:f7", "StrayData:64"};
    QTest::newRow("on: F7 inside a short message")
        << true << hex({"903cf764"}) << QStringList{"S:643c90"};
}

void TestMidiStreamParser::blockLimit_data()
{
    columns<std::size_t>();
    QTest::newRow("0: no limit") << std::size_t(0) << hex({"f00102030405f7"})
                                 << QStringList{"X:f00102030405f7"};
    QTest::newRow("4: the F0 first, the F7 last")
        << std::size_t(4) << hex({"f00102030405f7"}) << QStringList{"X:f0010203", "X:0405f7"};
    QTest::newRow("1 is taken as 2") << std::size_t(1) << hex({"f00102030405f7"})
                                     << QStringList{"X:f001", "X:0203", "X:0405", "X:f7"};
    QTest::newRow("4: a full piece waits for the F7")
        << std::size_t(4) << hex({"f0010203"}) << QStringList{};
}

QTEST_GUILESS_MAIN(TestMidiStreamParser)
#include "tst_midistreamparser.moc"
