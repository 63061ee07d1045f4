#include "VoiceBank.h"

#include "MidiBytes.h"
#include "MidiStreamParser.h"
#include "VentaroError.h"
#include "VoiceConversion.h"

#include <QDir>
#include <QFile>

namespace {

// A custom voice's second block: its data and the block's own bytes.
constexpr int CustomBlockBLength = VoiceDump::CustomBlockBCount + VoiceDump::BlockOverhead;
constexpr quint8 SlotAddressMid = 0x00;

quint8 at(const QByteArray &message, int offset)
{
    return quint8(message.at(offset));
}

// One dump block of this instrument, of the given length, at the given
// address (any device number).
bool isBlock(const QByteArray &message, int length, quint8 high, quint8 mid)
{
    return message.size() == length
           && at(message, VoiceDump::ManufacturerOffset) == VoiceDump::ManufacturerId
           && at(message, VoiceDump::ModelOffset) == VoiceDump::ModelId
           && (at(message, VoiceDump::DeviceOffset) & ~VoiceDump::DeviceMask) == 0
           && at(message, VoiceDump::AddressHighOffset) == high
           && at(message, VoiceDump::AddressMidOffset) == mid;
}

bool isFullBlock(const QByteArray &message, int index)
{
    const VoiceDump::Block &block = VoiceDump::FullBlocks[std::size_t(index)];
    return isBlock(message, block.length(), block.address[0], block.address[1])
           && at(message, VoiceDump::AddressLowOffset) == block.address[2];
}

quint8 memoryOf(const QByteArray &message)
{
    return at(message, VoiceDump::AddressLowOffset);
}

// The SysEx messages of a byte stream, whole ones only. Counted in
// `skipped`: every real-time byte (they may stand anywhere, even inside a
// message), every SysEx cut short, and every run of other bytes between
// SysEx messages, once.
QList<QByteArray> splitMessages(QByteArrayView bytes, int &skipped)
{
    MidiStreamParser::Options options;
    options.sysExSpansFeeds = false; // the file is one feed: an open SysEx at its end is cut
    MidiStreamParser parser(options);
    QList<QByteArray> messages;
    bool inStrayRun = false;
    const auto strayRun = [&] {
        if (!inStrayRun)
            ++skipped;
        inStrayRun = true;
    };
    MidiStreamParser::Handlers handlers;
    handlers.onShort = [&](quint32 word) {
        if (MidiBytes::isRealTime(MidiBytes::statusOf(word)))
            ++skipped;
        else
            strayRun();
    };
    handlers.onSysEx = [&](const QByteArray &message) {
        messages.append(message);
        inStrayRun = false;
    };
    handlers.onFault = [&](MidiStreamParser::Fault fault, const QByteArray &) {
        if (fault == MidiStreamParser::Fault::UnendedSysEx) {
            ++skipped;
            inStrayRun = false;
        } else {
            strayRun();
        }
    };
    parser.feed(bytes.data(), std::size_t(bytes.size()), handlers);
    return messages;
}

// Where the voice name stands in a voice of each form: the first range of
// each conversion table is the name's.
static_assert(VoiceConversion::InternalRanges[0].dump == VoiceDump::VoiceNameOffset);
static_assert(VoiceConversion::CustomRanges[0].dump == VoiceDump::VoiceNameOffset);

int nameOffset(VoiceDump::Form form)
{
    switch (form) {
    case VoiceDump::Form::Internal:
        return VoiceConversion::InternalRanges[0].form;
    case VoiceDump::Form::Custom:
        return VoiceConversion::CustomRanges[0].form;
    case VoiceDump::Form::Full:
        break;
    }
    return VoiceDump::VoiceNameOffset;
}

QString nameOf(const VoiceBank::Voice &voice)
{
    return VoiceDump::textFromBytes(
        QByteArrayView(voice.bytes).sliced(nameOffset(voice.form), VoiceDump::VoiceNameLength));
}

} // namespace

VoiceBank VoiceBank::parse(QByteArrayView bytes)
{
    VoiceBank bank;
    const QList<QByteArray> messages = splitMessages(bytes, bank.skipped);
    bank.voices.reserve(messages.size());
    for (qsizetype i = 0; i < messages.size();) {
        const QByteArray &message = messages[i];
        Voice voice;
        if (isBlock(message, VoiceDump::InternalLength, VoiceDump::InternalAddressHigh,
                    SlotAddressMid)
            && memoryOf(message) < VoiceDump::InternalSlotCount) {
            voice.form = VoiceDump::Form::Internal;
            voice.bytes = message;
            voice.slot = memoryOf(message) + 1;
            i += 1;
        } else if (isBlock(message, VoiceDump::InternalLength, VoiceDump::CustomBlockAAddressHigh,
                           SlotAddressMid)
                   && memoryOf(message) < VoiceDump::CustomSlotCount) {
            // Its second block, of the same slot, must follow at once.
            const bool whole = i + 1 < messages.size()
                               && isBlock(messages[i + 1], CustomBlockBLength,
                                          VoiceDump::CustomBlockBAddressHigh, SlotAddressMid)
                               && memoryOf(messages[i + 1]) == memoryOf(message);
            if (!whole) {
                ++bank.skipped;
                i += 1;
                continue;
            }
            voice.form = VoiceDump::Form::Custom;
            voice.bytes = message + messages[i + 1];
            voice.slot = memoryOf(message) + 1;
            i += 2;
        } else if (isFullBlock(message, 0)) {
            int blocks = 1;
            while (blocks < VoiceDump::FullBlockCount && i + blocks < messages.size()
                   && isFullBlock(messages[i + blocks], blocks))
                ++blocks;
            if (blocks < VoiceDump::FullBlockCount) {
                ++bank.skipped; // a full voice cut short
                i += blocks;
                continue;
            }
            voice.form = VoiceDump::Form::Full;
            for (int b = 0; b < VoiceDump::FullBlockCount; ++b)
                voice.bytes += messages[i + b];
            i += VoiceDump::FullBlockCount;
        } else {
            ++bank.skipped; // a message of another kind
            i += 1;
            continue;
        }
        voice.name = nameOf(voice);
        bank.voices.append(std::move(voice));
    }
    return bank;
}

VoiceBank VoiceBank::read(const QString &fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VentaroError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(shown, file.errorString()));
    const VentaroError tooLarge(
        QStringLiteral("The file \"%1\" is larger than any bank of voices (1 MiB) and is not read.")
            .arg(shown));
    if (file.size() > MaxFileBytes)
        throw tooLarge;
    // One byte past the bound tells a file that grew meanwhile or reports no size.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw VentaroError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(shown, file.errorString()));
    if (bytes.size() > MaxFileBytes)
        throw tooLarge;
    return parse(bytes);
}
