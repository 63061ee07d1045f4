// Each kind of message the MIDI log decodes, as the user reads it.

#include "Bytes.h"
#include "DataColumns.h"
#include "InstrumentRequests.h"
#include "MidiMessageDescription.h"
#include "TVLManager.h"
#include "VoiceDump.h"

#include <QTest>

namespace {

// A voice's data bytes with its name first (where the internal and custom
// forms keep it).
QByteArray named(const char *name, int length)
{
    QByteArray data(length, '\0');
    data.replace(0, VoiceDump::VoiceNameLength,
                 QByteArray(name).leftJustified(VoiceDump::VoiceNameLength));
    return data;
}

QByteArray fullBlock(int index, const char *name = "")
{
    const VoiceDump::Block &b = VoiceDump::FullBlocks[std::size_t(index)];
    QByteArray dump = VoiceDump::emptyFullDump(0);
    dump.replace(VoiceDump::VoiceNameOffset, VoiceDump::VoiceNameLength,
                 QByteArray(name).leftJustified(VoiceDump::VoiceNameLength));
    VoiceDump::SealDump(dump, 0);
    return dump.mid(b.start, b.length());
}

} // namespace

class MidiMessageDescriptionTest : public QObject
{
    Q_OBJECT

private slots:
    void describe_data();
    void describe();
    void programChangeNamesThePatchOfTheBankSelected();
};

void MidiMessageDescriptionTest::describe_data()
{
    addColumns<QByteArray, int, QString, bool>("message", "programDevice", "text", "otherDevice");
    const QByteArray internal =
        VoiceDump::buildInternalDump(5, named("Flute", VoiceDump::InternalCount), 0);
    QByteArray broken = internal;
    broken[broken.size() - 2] = char(broken[broken.size() - 2] ^ 1);
    const QByteArray custom = VoiceDump::buildCustomDump(
        3, named("Sax", VoiceDump::CustomBlockACount), QByteArray(VoiceDump::CustomBlockBCount, 0), 1);
    const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    row("internal dump") << internal << 0
                         << "Internal voice dump, slot 5, name \"Flute   \", device 1" << false;
    row("checksum wrong") << broken << 0
                          << "Internal voice dump, slot 5, name \"Flute   \", checksum wrong, device 1"
                          << false;
    row("other device") << internal << 2
                        << "Internal voice dump, slot 5, name \"Flute   \", device 1; not for this "
                           "program's device number (device 1)"
                        << true;
    row("sent, not checked") << internal << -1
                             << "Internal voice dump, slot 5, name \"Flute   \", device 1" << false;
    row("custom block A") << custom.left(VoiceDump::CustomBlockBStart) << 1
                          << "Custom voice dump, slot 3, block 1 of 2, name \"Sax     \", device 2"
                          << false;
    row("custom block B") << custom.mid(VoiceDump::CustomBlockBStart) << 1
                          << "Custom voice dump, slot 3, block 2 of 2, device 2" << false;
    row("full, first block") << fullBlock(0) << 0 << "Full voice dump, block 1 of 15, device 1"
                             << false;
    row("full, name block") << fullBlock(13, "Oboe") << 0
                            << "Full voice dump, block 14 of 15, name \"Oboe    \", device 1"
                            << false;
    row("cut short") << internal.left(40) << 0
                     << "Internal voice dump, slot 5, name \"Flute   \", 40 bytes where its count "
                        "says 174, without its end, device 1"
                     << false;
    row("identity request") << InstrumentRequests::identityRequest() << 0
                            << "Identity request to every device" << false;
    row("identity reply") << InstrumentRequests::identityReply(3, {1, 0, 0, 0}) << 3
                          << "Identity reply: VL70-m, device 4" << false;
    row("identity reply, other device") << InstrumentRequests::identityReply(3, {1, 0, 0, 0}) << 0
                                        << "Identity reply: VL70-m, device 4; not for this "
                                           "program's device number (device 4)"
                                        << true;
    row("identity reply, other maker")
        << bytes({0xF0, 0x7E, 0x00, 0x06, 0x02, 0x41, 1, 2, 3, 4, 0, 0, 0, 0, 0xF7}) << 0
        << "Identity reply of another instrument (maker 41)" << false;
    row("request, custom") << InstrumentRequests::dumpRequest(0, {0x31, 0x00, 0x05}) << 0
                           << "Dump request: Custom 6, block 2 of 2, device 1" << false;
    row("request, internal") << InstrumentRequests::dumpRequest(0, {0x40, 0x00, 0x3F}) << 0
                             << "Dump request: Internal 64, device 1" << false;
    row("request, current") << InstrumentRequests::dumpRequest(0, {0x08, 0x00, 0x30}) << 0
                            << "Dump request: current voice, block 2 of 15, device 1" << false;
    row("remote press") << TVLManager::remoteSwitchMessage(0, 1, false) << 0
                        << "Remote switch 1 (UTIL) pressed, device 1" << false;
    row("remote release") << TVLManager::remoteSwitchMessage(0, 7, true) << 0
                          << "Remote switch 7 (ENTER) released, device 1" << false;
    row("other maker") << bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}) << 0
                       << "SysEx of maker 41, 6 bytes" << false;
    row("note on") << bytes({0x90, 60, 100}) << 0 << "Note on 60, velocity 100, channel 1" << false;
    row("note on velocity 0") << bytes({0x92, 60, 0}) << 0 << "Note off 60, channel 3" << false;
    row("note off") << bytes({0x80, 61, 64}) << 0 << "Note off 61, channel 1" << false;
    row("controller") << bytes({0xB0, 7, 100}) << 0 << "Control change 7 = 100, channel 1" << false;
    row("pitch bend") << bytes({0xE0, 0x00, 0x40}) << 0 << "Pitch bend 0, channel 1" << false;
    row("active sensing") << bytes({0xFE}) << 0 << "Active sensing" << false;
    row("clock") << bytes({0xF8}) << 0 << "Timing clock" << false;
}

void MidiMessageDescriptionTest::describe()
{
    QFETCH(QByteArray, message);
    QFETCH(int, programDevice);
    QFETCH(QString, text);
    QFETCH(bool, otherDevice);
    MidiMessageDescription description;
    const MidiMessageDescription::Line line = description.describe(
        message, programDevice < 0 ? std::nullopt : std::optional<int>(programDevice));
    QCOMPARE(line.text, text);
    QCOMPARE(line.otherDevice, otherDevice);
}

void MidiMessageDescriptionTest::programChangeNamesThePatchOfTheBankSelected()
{
    MidiMessageDescription description([](int bank, int patch) {
        return bank == 1 && patch == 4 ? QStringLiteral("Tenor   ") : QString();
    });
    const auto said = [&](const QByteArray &message, const QString &stream) {
        return description.describe(message, 0, stream).text;
    };
    QCOMPARE(said(bytes({0xC0, 4}), "a"), QStringLiteral("Program change 5, channel 1"));
    QCOMPARE(said(bytes({0xB0, 0, 34}), "a"),
             QStringLiteral("Bank select MSB 34 (Preset 2), channel 1"));
    QCOMPARE(said(bytes({0xB0, 32, 1}), "a"),
             QStringLiteral("Bank select LSB 1 (Preset 2), channel 1"));
    QCOMPARE(said(bytes({0xC0, 4}), "a"),
             QStringLiteral("Program change 5, channel 1: Preset 2, patch 5, \"Tenor\""));
    QCOMPARE(said(bytes({0xC0, 5}), "a"),
             QStringLiteral("Program change 6, channel 1: Preset 2, patch 6"));
    // Another stream has selected no bank.
    QCOMPARE(said(bytes({0xC0, 4}), "b"), QStringLiteral("Program change 5, channel 1"));
}

QTEST_GUILESS_MAIN(MidiMessageDescriptionTest)
#include "tst_midimessagedescription.moc"
