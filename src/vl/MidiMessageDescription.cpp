#include "MidiMessageDescription.h"

#include "InstrumentRequests.h"
#include "MidiBytes.h"
#include "PanelButtons.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"
#include "Vl70Protocol.h"

#include <QStringList>

namespace {

using P = Vl70Protocol;
using R = InstrumentRequests;
using D = VoiceDump;

// The block of the full dump that carries the voice name.
constexpr int FullNameBlock = D::FullBlockCount - 2;
constexpr int CustomBlockCount = 2;
constexpr int BankSelectMsbController = P::BankSelectMsb;
// Two data bytes carry a 14-bit value, low seven bits first.
constexpr int DataBits = 7;
constexpr int PitchBendCentre = 1 << 13;

quint8 at(QByteArrayView message, int offset)
{
    return quint8(message[offset]);
}

// A dump or request address: which voice, which of its blocks, and where
// the voice name lies in that block's message (-1: not in it).
struct Place
{
    enum Kind { Unknown, Current, Custom, Internal } kind = Unknown;
    int slot = 0;  // 1-based, Custom and Internal
    int block = 0; // 1-based
    int nameOffset = -1;
};

Place placeOf(quint8 high, quint8 mid, quint8 low)
{
    for (int i = 0; i < D::FullBlockCount; ++i) {
        const D::Block &block = D::FullBlocks[std::size_t(i)];
        if (block.address == std::array<quint8, 3>{high, mid, low})
            return {Place::Current, 0, i + 1,
                    i == FullNameBlock ? D::VoiceNameOffset - block.start : -1};
    }
    if ((high == D::CustomBlockAAddressHigh || high == D::CustomBlockBAddressHigh) && mid == 0
        && low < D::CustomSlotCount) {
        const bool a = high == D::CustomBlockAAddressHigh;
        return {Place::Custom, low + 1, a ? 1 : 2, a ? VoiceConversion::CustomRanges[0].form : -1};
    }
    if (high == D::InternalAddressHigh && mid == 0 && low < D::InternalSlotCount)
        return {Place::Internal, low + 1, 1, VoiceConversion::InternalRanges[0].form};
    return {};
}

} // namespace

MidiMessageDescription::MidiMessageDescription(PatchName patchName, TextTranslation translate)
    : m_patchName(std::move(patchName)), m_translate(std::move(translate))
{
}

QString MidiMessageDescription::tr(const char *text) const
{
    return textIn(m_translate, QString::fromUtf8(text));
}

MidiMessageDescription::Line MidiMessageDescription::describe(const MidiLog::Entry &entry)
{
    const bool in = entry.direction == MidiLog::Direction::In;
    return describe(entry.bytes, in ? std::optional<int>(entry.deviceNumber) : std::nullopt,
                    directionWord(entry.direction) + entry.port);
}

QString MidiMessageDescription::directionWord(MidiLog::Direction direction)
{
    return direction == MidiLog::Direction::In ? QStringLiteral("in") : QStringLiteral("out");
}

QString MidiMessageDescription::tabLine(const MidiLog::Entry &entry, const QString &decoded)
{
    return QStringList{QString::number(entry.timeMs), directionWord(entry.direction), entry.port,
                       QString::number(entry.bytes.size()), decoded, hex(entry.bytes)}
        .join(QLatin1Char('\t'));
}

QString MidiMessageDescription::hex(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

MidiMessageDescription::Line MidiMessageDescription::describe(QByteArrayView message,
                                                              std::optional<int> programDevice,
                                                              const QString &stream)
{
    if (message.isEmpty())
        return {};
    const quint8 status = at(message, 0);
    if (status == MidiBytes::SysExStart)
        return describeSysEx(message, programDevice);
    if (MidiBytes::isChannelMessage(status))
        return {describeChannel(message, stream)};
    if (!MidiBytes::isStatus(status))
        return {tr("Data bytes without a status byte")};
    return {describeSystem(status)};
}

MidiMessageDescription::Line
MidiMessageDescription::describeSysEx(QByteArrayView message,
                                      std::optional<int> programDevice) const
{
    const int size = int(message.size());
    std::optional<int> device; // the device number the message is for
    QString text;
    if (size > D::ModelOffset && at(message, D::ManufacturerOffset) == D::ManufacturerId
        && at(message, D::ModelOffset) == D::ModelId) {
        device = at(message, D::DeviceOffset) & D::DeviceMask;
        const quint8 group = at(message, D::DeviceOffset) & P::GroupMask;
        if (group == P::BulkDumpGroup) {
            text = describeInstrumentBlock(message);
        } else if (const auto request = R::readDumpRequest(message)) {
            const auto &a = request->address;
            const Place place = placeOf(a[0], a[1], a[2]);
            switch (place.kind) {
            case Place::Current:
                text = tr("Dump request: current voice, block %1 of %2")
                           .arg(place.block)
                           .arg(D::FullBlockCount);
                break;
            case Place::Custom:
                text = tr("Dump request: Custom %1, block %2 of %3")
                           .arg(place.slot)
                           .arg(place.block)
                           .arg(CustomBlockCount);
                break;
            case Place::Internal:
                text = tr("Dump request: Internal %1").arg(place.slot);
                break;
            case Place::Unknown:
                text = tr("Dump request: address %1").arg(hex(QByteArrayView(a.data(), 3)));
                break;
            }
        } else if (group == P::ParameterChangeGroup && size == P::RemoteSwitchLength
                   && at(message, R::RequestAddressOffset) == P::RemoteSwitchAddressHigh
                   && at(message, R::RequestAddressOffset + 1) == P::RemoteSwitchAddressMid) {
            const int button = at(message, P::RemoteSwitchOffset);
            text = (at(message, P::RemoteValueOffset) == P::RemoteSwitchRelease
                        ? tr("Remote switch %1 (%2) released")
                        : tr("Remote switch %1 (%2) pressed"))
                       .arg(button)
                       .arg(PanelButtons::buttonName(button));
        } else if (group == P::ParameterChangeGroup) {
            text = tr("Parameter change, %1 bytes").arg(size);
        } else {
            text = tr("Instrument message, %1 bytes").arg(size);
        }
    } else if (R::isIdentityRequest(message, R::AllDevices)) {
        text = tr("Identity request to every device");
    } else if (const auto replying = R::readIdentityReply(message)) {
        device = *replying;
        text = tr("Identity reply: VL70-m");
    } else if (size == R::IdentityReplyLength && at(message, 1) == R::UniversalNonRealTime
               && at(message, 3) == R::GeneralInformation && at(message, 4) == R::IdentityReplyId) {
        text = tr("Identity reply of another instrument (maker %1)")
                   .arg(hex(message.sliced(R::IdentityManufacturerOffset, 1)));
    } else if (size > 1) {
        text = tr("SysEx of maker %1, %2 bytes").arg(hex(message.sliced(1, 1))).arg(size);
    } else {
        text = tr("SysEx cut short");
    }
    if (size < 2 || at(message, size - 1) != MidiBytes::SysExEnd)
        text += tr(", without its end");
    Line line;
    if (device) {
        text += tr(", device %1").arg(*device + 1);
        line.otherDevice = programDevice && *programDevice != *device;
        if (line.otherDevice)
            text += tr("; not for this program's device number (device %1)").arg(*device + 1);
    }
    line.text = text;
    return line;
}

QString MidiMessageDescription::describeInstrumentBlock(QByteArrayView message) const
{
    const int size = int(message.size());
    if (size < D::BlockOverhead)
        return tr("Dump block cut short, %1 bytes").arg(size);
    const int count = (at(message, D::CountHighOffset) << DataBits) | at(message, D::CountLowOffset);
    const Place place = placeOf(at(message, D::AddressHighOffset), at(message, D::AddressMidOffset),
                                at(message, D::AddressLowOffset));
    QString text;
    switch (place.kind) {
    case Place::Current:
        text = tr("Full voice dump, block %1 of %2").arg(place.block).arg(D::FullBlockCount);
        break;
    case Place::Custom:
        text = tr("Custom voice dump, slot %1, block %2 of %3")
                   .arg(place.slot)
                   .arg(place.block)
                   .arg(CustomBlockCount);
        break;
    case Place::Internal:
        text = tr("Internal voice dump, slot %1").arg(place.slot);
        break;
    case Place::Unknown:
        text = tr("Dump block at %1")
                   .arg(hex(message.sliced(D::AddressHighOffset, D::DataOffset - D::AddressHighOffset)));
        break;
    }
    if (place.nameOffset >= 0 && place.nameOffset + D::VoiceNameLength <= size)
        text += tr(", name \"%1\"")
                    .arg(D::textFromBytes(message.sliced(place.nameOffset, D::VoiceNameLength)));
    if (size != count + D::BlockOverhead) {
        text += tr(", %1 bytes where its count says %2").arg(size).arg(count + D::BlockOverhead);
    } else {
        const QByteArrayView sealed =
            message.sliced(D::CountHighOffset, D::HeaderLength - D::CountHighOffset + count);
        if (D::checksum(sealed) != at(message, size - 2))
            text += tr(", checksum wrong");
    }
    return text;
}

QString MidiMessageDescription::bankText(int bank) const
{
    if (bank < 0 || bank >= P::BankCount)
        return tr("bank %1").arg(bank);
    return tr(P::BankNames[std::size_t(bank)]);
}

QString MidiMessageDescription::describeChannel(QByteArrayView message, const QString &stream)
{
    const quint8 status = at(message, 0);
    const int channel = (status & MidiBytes::ChannelMask) + 1;
    const int length = MidiBytes::shortMessageLength(status);
    if (message.size() < length)
        return tr("Channel message cut short, channel %1").arg(channel);
    const int data1 = length > 1 ? at(message, 1) : 0;
    const int data2 = length > 2 ? at(message, 2) : 0;
    const bool voiceChannel = channel - 1 == P::VoiceChannel;
    switch (status & MidiBytes::KindMask) {
    case MidiBytes::NoteOn:
        if (data2 > 0)
            return tr("Note on %1, velocity %2, channel %3").arg(data1).arg(data2).arg(channel);
        return tr("Note off %1, channel %2").arg(data1).arg(channel);
    case MidiBytes::NoteOff:
        return tr("Note off %1, channel %2").arg(data1).arg(channel);
    case MidiBytes::ControlChange:
        if (data1 == BankSelectMsbController) {
            if (voiceChannel)
                m_bank[stream] = data2 - P::BankMsbBase;
            return tr("Bank select MSB %1 (%2), channel %3")
                .arg(data2)
                .arg(bankText(data2 - P::BankMsbBase))
                .arg(channel);
        }
        if (data1 == P::BankSelectLsb) {
            if (voiceChannel)
                m_bank[stream] = data2;
            return tr("Bank select LSB %1 (%2), channel %3")
                .arg(data2)
                .arg(bankText(data2))
                .arg(channel);
        }
        return tr("Control change %1 = %2, channel %3").arg(data1).arg(data2).arg(channel);
    case MidiBytes::ProgramChange: {
        if (!voiceChannel || !m_bank.contains(stream))
            return tr("Program change %1, channel %2").arg(data1 + 1).arg(channel);
        const int bank = m_bank.value(stream);
        const QString name = m_patchName ? m_patchName(bank, data1).trimmed() : QString();
        QString text = tr("Program change %1, channel %2: %3, patch %4")
                           .arg(data1 + 1)
                           .arg(channel)
                           .arg(bankText(bank))
                           .arg(data1 + 1);
        if (!name.isEmpty())
            text += tr(", \"%1\"").arg(name);
        return text;
    }
    case MidiBytes::KeyPressure:
        return tr("Key pressure %1 = %2, channel %3").arg(data1).arg(data2).arg(channel);
    case MidiBytes::ChannelPressure:
        return tr("Channel pressure %1, channel %2").arg(data1).arg(channel);
    default: // pitch bend
        return tr("Pitch bend %1, channel %2")
            .arg((data2 << DataBits | data1) - PitchBendCentre)
            .arg(channel);
    }
}

QString MidiMessageDescription::describeSystem(quint8 status) const
{
    switch (status) {
    case MidiBytes::TimingClock:
        return tr("Timing clock");
    case MidiBytes::ActiveSensing:
        return tr("Active sensing");
    case MidiBytes::SystemReset:
        return tr("System reset");
    case MidiBytes::TuneRequest:
        return tr("Tune request");
    case MidiBytes::SysExEnd:
        return tr("End of SysEx without its start");
    default:
        return tr("System message %1").arg(hex(QByteArrayView(&status, 1)));
    }
}
