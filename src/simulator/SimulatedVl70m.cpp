#include "SimulatedVl70m.h"

#include "InstrumentRequests.h"

#include "MidiBytes.h"
#include "MidiStreamParser.h"
#include "Sleeper.h"
#include "Vl70Protocol.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <algorithm>
#include <array>

namespace {

using P = Vl70Protocol;

// The four version bytes of the identity reply (any are accepted).
constexpr std::array<quint8, 4> IdentityVersion = {0x01, 0x00, 0x00, 0x00};

constexpr int BankCount = P::BankCount;
constexpr std::array<int, BankCount> ProgramsInBank = {128, 128, VoiceDump::CustomSlotCount,
                                                       VoiceDump::InternalSlotCount};

// How the instrument reads what it receives: every call holds whole
// messages, no running status, and anything cut short is noted.
MidiStreamParser::Options parsing()
{
    MidiStreamParser::Options options;
    options.sysExSpansFeeds = false;
    options.realTimeEndsShort = true;
    options.undefinedStartNothing = true;
    return options;
}

// The instrument's own voices: names, seeds and the element name length.
constexpr int ElementNameLength = 10;
constexpr int ElementNameOffset = VoiceDump::FullBlocks.back().start + VoiceDump::DataOffset;
const QByteArray EditBufferName("SimEdit ");
constexpr quint32 EditBufferSeed = 1;
// Template for the bytes a Custom or Internal voice does not carry.
const QByteArray InitVoiceName("Init    ");
constexpr quint32 InitVoiceSeed = 0;
constexpr quint32 CustomSeedBase = 100;
constexpr quint32 InternalSeedBase = 200;
constexpr quint32 PresetSeedBase = 1000;

// Deterministic parameter values 0..127.
class ParameterDraw
{
public:
    explicit ParameterDraw(quint32 seed) : m_state(seed * 2654435761u + 12345u) {}
    char next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<char>((m_state >> 16) & 0x7F);
    }

private:
    quint32 m_state;
};

QByteArray drawBytes(ParameterDraw &draw, int count)
{
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = draw.next();
    return bytes;
}

QByteArray slotName(const char *prefix, int slot, int width)
{
    return (QByteArray(prefix) + QByteArray::number(slot).rightJustified(width, '0'))
        .leftJustified(VoiceDump::VoiceNameLength, ' ', true);
}

QByteArray elementName(const QByteArray &name)
{
    return name.leftJustified(ElementNameLength, ' ', true);
}

QByteArray customVoice(int slot, int deviceNumber)
{
    const QByteArray name = slotName("SimCus ", slot, 1);
    ParameterDraw draw(CustomSeedBase + static_cast<quint32>(slot));
    QByteArray dataA = name + drawBytes(draw, VoiceDump::CustomBlockACount - name.size());
    QByteArray dataB = elementName(name);
    dataB += drawBytes(draw, VoiceDump::CustomBlockBCount - dataB.size());
    return VoiceDump::buildCustomDump(slot, dataA, dataB, static_cast<quint8>(deviceNumber));
}

QByteArray internalVoice(int slot, int deviceNumber)
{
    const QByteArray name = slotName("SimInt", slot, 2);
    ParameterDraw draw(InternalSeedBase + static_cast<quint32>(slot));
    const QByteArray data = name + drawBytes(draw, VoiceDump::InternalCount - name.size());
    return VoiceDump::buildInternalDump(slot, data, static_cast<quint8>(deviceNumber));
}

QString hex(const QByteArray &bytes, int from, int count)
{
    return QString::fromLatin1(bytes.mid(from, count).toHex(' ')).toUpper();
}

QString faultText(MidiStreamParser::Fault fault, const QByteArray &bytes)
{
    switch (fault) {
    case MidiStreamParser::Fault::StrayData:
        return QStringLiteral("%1 data bytes without a status byte").arg(bytes.size());
    case MidiStreamParser::Fault::UnendedSysEx:
        return QStringLiteral("SysEx message of %1 bytes without its end byte").arg(bytes.size());
    case MidiStreamParser::Fault::StrayStatus:
        return QStringLiteral("stray status byte %1").arg(hex(bytes, 0, 1));
    case MidiStreamParser::Fault::IncompleteMessage:
        break;
    }
    return QStringLiteral("incomplete message %1").arg(hex(bytes, 0, int(bytes.size())));
}

quint8 byteAt(const QByteArray &bytes, int offset)
{
    return static_cast<quint8>(bytes.at(offset));
}

QString nameIn(const QByteArray &fullDump)
{
    return VoiceDump::textFromBytes(
        QByteArrayView(fullDump).sliced(VoiceDump::VoiceNameOffset, VoiceDump::VoiceNameLength));
}

} // namespace

SimulatedVl70m::SimulatedVl70m(Sleeper &clock)
    : m_clock(clock), m_bankMsb(P::BankMsbBase), m_bankLsb(0)
{
    m_editBuffer = makeVoice(EditBufferName, EditBufferSeed, m_deviceNumber);
    for (int slot = 1; slot <= VoiceDump::CustomSlotCount; ++slot)
        m_custom.append(customVoice(slot, m_deviceNumber));
    for (int slot = 1; slot <= VoiceDump::InternalSlotCount; ++slot)
        m_internal.append(internalVoice(slot, m_deviceNumber));
}

QByteArray SimulatedVl70m::makeVoice(const QByteArray &name, quint32 seed, int deviceNumber)
{
    QByteArray dump = VoiceDump::emptyFullDump(static_cast<quint8>(deviceNumber));
    ParameterDraw draw(seed);
    for (const VoiceDump::Block &block : VoiceDump::FullBlocks)
        dump.replace(block.start + VoiceDump::DataOffset, block.count,
                     drawBytes(draw, block.count));
    const QByteArray fixedName = name.leftJustified(VoiceDump::VoiceNameLength, ' ', true);
    dump.replace(VoiceDump::VoiceNameOffset, VoiceDump::VoiceNameLength, fixedName);
    dump.replace(ElementNameOffset, ElementNameLength, elementName(fixedName));
    VoiceDump::SealDump(dump, static_cast<quint8>(deviceNumber));
    return dump;
}

void SimulatedVl70m::setSender(Sender sender)
{
    std::lock_guard lock(m_mutex);
    m_sender = std::move(sender);
}

void SimulatedVl70m::receive(const QByteArray &bytes)
{
    Outgoing out;
    {
        std::lock_guard lock(m_mutex);
        MidiStreamParser::Handlers handlers;
        handlers.onShort = [this](quint32 message) {
            // Clock, active sensing and system common: nothing to do.
            if (MidiBytes::isChannelMessage(MidiBytes::statusOf(message)))
                handleChannelMessage(MidiBytes::unpack(message));
        };
        handlers.onSysEx = [this, &out](const QByteArray &message) { handleSysEx(message, out); };
        handlers.onFault = [this](MidiStreamParser::Fault fault, const QByteArray &faulty) {
            ignore(faultText(fault, faulty));
        };
        MidiStreamParser(parsing()).feed(bytes, handlers);
    }
    send(out);
}

void SimulatedVl70m::pressButton(int button)
{
    Outgoing out;
    {
        std::lock_guard lock(m_mutex);
        handleButton(button, out);
    }
    send(out);
}

void SimulatedVl70m::handleSysEx(const QByteArray &message, Outgoing &out)
{
    if (InstrumentRequests::isIdentityRequest(message, m_deviceNumber)) {
        if (answerRequest(QStringLiteral("identity request"), out))
            out.messages.push_back(
                InstrumentRequests::identityReply(m_deviceNumber, IdentityVersion));
        return;
    }
    if (message.size() < VoiceDump::SysExHeaderLength + 1) {
        ignore(QStringLiteral("SysEx message of %1 bytes is too short").arg(message.size()));
        return;
    }
    if (byteAt(message, VoiceDump::ManufacturerOffset) != VoiceDump::ManufacturerId) {
        ignore(QStringLiteral("SysEx message of another manufacturer (%1)")
                   .arg(hex(message, VoiceDump::ManufacturerOffset, 1)));
        return;
    }
    if (byteAt(message, VoiceDump::ModelOffset) != VoiceDump::ModelId) {
        ignore(QStringLiteral("SysEx message for another model (%1)")
                   .arg(hex(message, VoiceDump::ModelOffset, 1)));
        return;
    }
    const quint8 deviceByte = byteAt(message, VoiceDump::DeviceOffset);
    if ((deviceByte & VoiceDump::DeviceMask) != m_deviceNumber) {
        ignore(QStringLiteral("SysEx message for device number %1, this is %2")
                   .arg(deviceByte & VoiceDump::DeviceMask)
                   .arg(m_deviceNumber));
        return;
    }
    switch (deviceByte & P::GroupMask) {
    case P::BulkDumpGroup:
        handleBulkBlock(message);
        break;
    case P::ParameterChangeGroup:
        handleParameterChange(message, out);
        break;
    case InstrumentRequests::DumpRequestGroup:
        handleDumpRequest(message, out);
        break;
    default:
        ignore(QStringLiteral("SysEx message of unknown kind %1").arg(hex(message, 2, 1)));
        break;
    }
}

void SimulatedVl70m::handleBulkBlock(const QByteArray &block)
{
    if (block.size() < VoiceDump::BlockOverhead) {
        ignore(QStringLiteral("dump block of %1 bytes is too short").arg(block.size()));
        return;
    }
    const int count =
        byteAt(block, VoiceDump::CountHighOffset) * 128 + byteAt(block, VoiceDump::CountLowOffset);
    const int dataBytes = block.size() - VoiceDump::BlockOverhead;
    const QString address = hex(block, VoiceDump::AddressHighOffset, 3);
    if (count != dataBytes) {
        ignore(QStringLiteral("dump block at %1: wrong byte count (%2 said, %3 sent)")
                   .arg(address)
                   .arg(count)
                   .arg(dataBytes));
        return;
    }
    const int checksumOffset = block.size() - 2;
    const quint8 checksum = VoiceDump::checksum(QByteArrayView(block).sliced(
        VoiceDump::CountHighOffset, checksumOffset - VoiceDump::CountHighOffset));
    if (checksum != byteAt(block, checksumOffset)) {
        ignore(QStringLiteral("dump block at %1: bad checksum (%2, expected %3)")
                   .arg(address, hex(block, checksumOffset, 1))
                   .arg(checksum, 2, 16, QLatin1Char('0')));
        return;
    }

    const quint8 high = byteAt(block, VoiceDump::AddressHighOffset);
    const quint8 mid = byteAt(block, VoiceDump::AddressMidOffset);
    const quint8 low = byteAt(block, VoiceDump::AddressLowOffset);

    // A block whose byte count is not the one its address takes is ignored.
    const auto countIsWrong = [&](int expected) {
        if (count == expected)
            return false;
        ignore(QStringLiteral("dump block at %1: wrong byte count (%2, expected %3)")
                   .arg(address)
                   .arg(count)
                   .arg(expected));
        return true;
    };
    for (int b = 0; b < VoiceDump::FullBlockCount; ++b) {
        const VoiceDump::Block &layout = VoiceDump::FullBlocks[static_cast<std::size_t>(b)];
        if (layout.address != std::array<quint8, 3>{high, mid, low})
            continue;
        if (countIsWrong(layout.count))
            return;
        m_editBuffer.replace(layout.start, block.size(), block);
        record(QStringLiteral("edit buffer: block %1 of %2 written (voice \"%3\")")
                   .arg(b + 1)
                   .arg(VoiceDump::FullBlockCount)
                   .arg(nameIn(m_editBuffer)));
        return;
    }

    struct SlotBlock
    {
        quint8 addressHigh;
        int count;
        int slotCount;
        int offset; // where the block sits in the slot's dump
        bool custom;
    };
    static constexpr std::array<SlotBlock, 3> slotBlocks = {{
        {VoiceDump::CustomBlockAAddressHigh, VoiceDump::CustomBlockACount,
         VoiceDump::CustomSlotCount, VoiceDump::CustomBlockAStart, true},
        {VoiceDump::CustomBlockBAddressHigh, VoiceDump::CustomBlockBCount,
         VoiceDump::CustomSlotCount, VoiceDump::CustomBlockBStart, true},
        {VoiceDump::InternalAddressHigh, VoiceDump::InternalCount, VoiceDump::InternalSlotCount, 0,
         false},
    }};
    for (const SlotBlock &layout : slotBlocks) {
        if (layout.addressHigh != high || mid != 0)
            continue;
        if (countIsWrong(layout.count))
            return;
        if (low >= layout.slotCount) {
            ignore(QStringLiteral("dump block at %1: no %2 slot %3")
                       .arg(address,
                            layout.custom ? QStringLiteral("Custom") : QStringLiteral("Internal"))
                       .arg(low + 1));
            return;
        }
        QByteArray &slot = layout.custom ? m_custom[low] : m_internal[low];
        slot.replace(layout.offset, block.size(), block);
        record(QStringLiteral("%1 slot %2: block at %3 written (voice \"%4\")")
                   .arg(layout.custom ? QStringLiteral("Custom") : QStringLiteral("Internal"))
                   .arg(low + 1)
                   .arg(address)
                   .arg(VoiceDump::textFromBytes(QByteArrayView(slot).sliced(
                       VoiceDump::DataOffset, VoiceDump::VoiceNameLength))));
        return;
    }
    ignore(QStringLiteral("dump block at unknown address %1").arg(address));
}

void SimulatedVl70m::handleParameterChange(const QByteArray &message, Outgoing &out)
{
    if (message.size() != P::RemoteSwitchLength
        || byteAt(message, VoiceDump::CountHighOffset) != P::RemoteSwitchAddressHigh
        || byteAt(message, VoiceDump::CountLowOffset) != P::RemoteSwitchAddressMid) {
        ignore(QStringLiteral("parameter change %1 (not simulated)")
                   .arg(hex(message, 0, message.size())));
        return;
    }
    const int button = byteAt(message, P::RemoteSwitchOffset);
    const quint8 value = byteAt(message, P::RemoteValueOffset);
    if (button >= SimPanel::ButtonCount) {
        ignore(QStringLiteral("remote switch %1 does not exist").arg(button));
        return;
    }
    if (value == P::RemoteSwitchRelease) {
        record(QStringLiteral("button %1 released").arg(SimPanel::buttonName(button)));
        return;
    }
    if (value != P::RemoteSwitchPress) {
        ignore(QStringLiteral("remote switch %1 with value %2").arg(button).arg(value));
        return;
    }
    handleButton(button, out);
}

void SimulatedVl70m::handleButton(int button, Outgoing &out)
{
    if (button < 0 || button >= SimPanel::ButtonCount) {
        ignore(QStringLiteral("remote switch %1 does not exist").arg(button));
        return;
    }
    const SimPanel::Action action = m_panel.press(button);
    record(QStringLiteral("button %1 pressed: %2")
               .arg(SimPanel::buttonName(button), m_panel.display()));
    if (action.dump)
        dumpOut(action, out);
}

void SimulatedVl70m::dumpOut(const SimPanel::Action &action, Outgoing &out)
{
    switch (action.target) {
    case SimPanel::Target::Current: {
        out.messages = currentBlocks();
        record(QStringLiteral("dump-out: current voice \"%1\"").arg(nameIn(m_editBuffer)));
        break;
    }
    case SimPanel::Target::Custom:
        out.messages = customBlocks(action.slot);
        record(QStringLiteral("dump-out: Custom slot %1").arg(action.slot));
        break;
    case SimPanel::Target::Internal:
        out.messages.push_back(internalBlock(action.slot));
        record(QStringLiteral("dump-out: Internal slot %1").arg(action.slot));
        break;
    }
    out.intervalMs = m_dumpIntervalMs;
}

std::vector<QByteArray> SimulatedVl70m::currentBlocks() const
{
    QByteArray dump = m_editBuffer;
    VoiceDump::SealDump(dump, quint8(m_deviceNumber));
    std::vector<QByteArray> blocks;
    for (const VoiceDump::Block &block : VoiceDump::FullBlocks)
        blocks.push_back(dump.mid(block.start, block.length()));
    return blocks;
}

std::vector<QByteArray> SimulatedVl70m::customBlocks(int slot) const
{
    const auto device = static_cast<quint8>(m_deviceNumber);
    QByteArray dump = m_custom.at(slot - 1);
    const auto memory = static_cast<char>(slot - 1);
    dump[VoiceDump::CustomMemoryOffsetA] = memory;
    dump[VoiceDump::CustomMemoryOffsetB] = memory;
    const int endA = VoiceDump::CustomDataAStart + VoiceDump::CustomBlockACount - 1;
    const int endB = VoiceDump::CustomDataBStart + VoiceDump::CustomBlockBCount - 1;
    VoiceDump::SealBlock(dump, VoiceDump::CustomBlockAStart + VoiceDump::CountHighOffset, endA,
                         device);
    VoiceDump::SealBlock(dump, VoiceDump::CustomBlockBStart + VoiceDump::CountHighOffset, endB,
                         device);
    return {dump.left(VoiceDump::CustomBlockBStart), dump.mid(VoiceDump::CustomBlockBStart)};
}

QByteArray SimulatedVl70m::internalBlock(int slot) const
{
    QByteArray dump = m_internal.at(slot - 1);
    dump[VoiceDump::InternalMemoryOffset] = static_cast<char>(slot - 1);
    VoiceDump::SealBlock(dump, VoiceDump::CountHighOffset,
                         VoiceDump::InternalDataStart + VoiceDump::InternalCount - 1,
                         static_cast<quint8>(m_deviceNumber));
    return dump;
}

bool SimulatedVl70m::answerRequest(const QString &what, Outgoing &out)
{
    if (!m_answering) {
        record(what + QStringLiteral(": not answered (answering is off)"));
        return false;
    }
    if (m_answerLimit >= 0 && m_answers >= m_answerLimit) {
        record(what + QStringLiteral(": not answered (%1 answers given)").arg(m_answers));
        return false;
    }
    ++m_answers;
    out.delayMs = m_answerDelayMs;
    record(what + QStringLiteral(": answered"));
    return true;
}

void SimulatedVl70m::handleDumpRequest(const QByteArray &message, Outgoing &out)
{
    const std::optional<InstrumentRequests::DumpRequestOf> request =
        InstrumentRequests::readDumpRequest(message);
    if (!request) {
        ignore(QStringLiteral("dump request of %1 bytes").arg(message.size()));
        return;
    }
    const InstrumentRequests::Address &address = request->address;
    const QString what = QStringLiteral("dump request for %1")
                             .arg(hex(message, InstrumentRequests::RequestAddressOffset, 3));
    const int memory = address[2];
    QByteArray block;
    VoiceDump::Form bank = VoiceDump::Form::Full;
    if (address[0] == VoiceDump::CustomBlockAAddressHigh && address[1] == 0
        && memory < VoiceDump::CustomSlotCount) {
        block = customBlocks(memory + 1).front();
        bank = VoiceDump::Form::Custom;
    } else if (address[0] == VoiceDump::CustomBlockBAddressHigh && address[1] == 0
               && memory < VoiceDump::CustomSlotCount) {
        block = customBlocks(memory + 1).back();
        bank = VoiceDump::Form::Custom;
    } else if (address[0] == VoiceDump::InternalAddressHigh && address[1] == 0
               && memory < VoiceDump::InternalSlotCount) {
        block = internalBlock(memory + 1);
        bank = VoiceDump::Form::Internal;
    } else {
        for (std::size_t i = 0; i < VoiceDump::FullBlocks.size(); ++i)
            if (VoiceDump::FullBlocks[i].address == address)
                block = currentBlocks().at(i);
    }
    if (block.isEmpty()) {
        ignore(what + QStringLiteral(": no such block"));
        return;
    }
    if (m_silentBanks.contains(bank)) {
        record(what + QStringLiteral(": not answered (the bank is kept silent)"));
        return;
    }
    if (answerRequest(what, out))
        out.messages.push_back(block);
}

void SimulatedVl70m::handleChannelMessage(const QByteArray &message)
{
    const quint8 status = byteAt(message, 0);
    const quint8 kind = status & MidiBytes::KindMask;
    const int channel = status & MidiBytes::ChannelMask;
    const int data1 = byteAt(message, 1);
    const int data2 = message.size() > 2 ? byteAt(message, 2) : 0;

    // Notes are played on every channel; the voice answers only channel 1.
    if (kind == MidiBytes::NoteOn && data2 > 0) {
        ++m_noteOns;
        return;
    }
    if (kind == MidiBytes::NoteOn || kind == MidiBytes::NoteOff) {
        ++m_noteOffs;
        return;
    }
    if (channel != P::VoiceChannel) {
        record(QStringLiteral("channel %1 message %2 not used")
                   .arg(channel + 1)
                   .arg(hex(message, 0, message.size())));
        return;
    }
    if (kind == MidiBytes::ControlChange && data1 == P::BankSelectMsb) {
        m_bankMsb = data2;
        record(QStringLiteral("bank select MSB %1").arg(data2));
    } else if (kind == MidiBytes::ControlChange && data1 == P::BankSelectLsb) {
        m_bankLsb = data2;
        record(QStringLiteral("bank select LSB %1").arg(data2));
    } else if (kind == MidiBytes::ProgramChange) {
        handleProgramChange(data1);
    } else {
        record(QStringLiteral("message %1 not used").arg(hex(message, 0, message.size())));
    }
}

void SimulatedVl70m::handleProgramChange(int program)
{
    const int bank = m_bankMsb - P::BankMsbBase;
    if (bank < 0 || bank >= BankCount || m_bankLsb != bank) {
        ignore(QStringLiteral("program change %1: no bank at MSB %2 LSB %3")
                   .arg(program)
                   .arg(m_bankMsb)
                   .arg(m_bankLsb));
        return;
    }
    const auto b = static_cast<std::size_t>(bank);
    const QString bankName = QString::fromLatin1(P::BankNames[b]);
    if (program >= ProgramsInBank[b]) {
        ignore(QStringLiteral("program change %1: %2 has %3 voices")
                   .arg(program)
                   .arg(bankName)
                   .arg(ProgramsInBank[b]));
        return;
    }

    QByteArray voice;
    int slotNumber = 0;
    switch (static_cast<Bank>(bank)) {
    case Bank::Preset1:
    case Bank::Preset2: {
        const QByteArray name = QByteArray("Pre") + QByteArray::number(bank + 1) + '-'
                                + QByteArray::number(program + 1).rightJustified(3, '0');
        voice = makeVoice(name, PresetSeedBase + static_cast<quint32>(bank * 128 + program),
                          m_deviceNumber);
        break;
    }
    case Bank::Custom:
        voice = makeVoice(InitVoiceName, InitVoiceSeed, m_deviceNumber);
        VoiceConversion::CustomToDump(m_custom.at(program), voice, slotNumber);
        break;
    case Bank::Internal:
        voice = makeVoice(InitVoiceName, InitVoiceSeed, m_deviceNumber);
        VoiceConversion::InternalToDump(m_internal.at(program), voice, slotNumber);
        break;
    }
    VoiceDump::SealDump(voice, static_cast<quint8>(m_deviceNumber));
    m_editBuffer = voice;
    m_bank = static_cast<Bank>(bank);
    m_program = program;
    record(QStringLiteral("program change: %1 %2, voice \"%3\" in the edit buffer")
               .arg(bankName)
               .arg(program + 1)
               .arg(nameIn(m_editBuffer)));
}

void SimulatedVl70m::send(const Outgoing &out)
{
    if (out.messages.empty())
        return;
    Sender sender;
    {
        std::lock_guard lock(m_mutex);
        sender = m_sender;
    }
    // One dump-out at a time, so two never interleave their messages.
    std::lock_guard sending(m_sendMutex);
    if (out.delayMs > 0)
        m_clock.sleep(out.delayMs);
    bool first = true;
    for (const QByteArray &message : out.messages) {
        if (!first && out.intervalMs > 0)
            m_clock.sleep(out.intervalMs);
        first = false;
        if (sender)
            sender(message);
    }
}

void SimulatedVl70m::record(const QString &line)
{
    m_log.append(line);
    if (m_log.size() > MaxLogLines)
        m_log.remove(0, m_log.size() - MaxLogLines);
}

void SimulatedVl70m::ignore(const QString &why)
{
    ++m_ignored;
    record(QStringLiteral("ignored: ") + why);
}

int SimulatedVl70m::deviceNumber() const
{
    return locked(m_deviceNumber);
}

bool SimulatedVl70m::setWithin(int &setting, int value, int highest)
{
    if (value < 0 || value > highest)
        return false;
    std::lock_guard lock(m_mutex);
    setting = value;
    return true;
}

bool SimulatedVl70m::setDeviceNumber(int number)
{
    return setWithin(m_deviceNumber, number, VoiceDump::DeviceMask);
}

int SimulatedVl70m::dumpIntervalMs() const
{
    return locked(m_dumpIntervalMs);
}

bool SimulatedVl70m::setDumpIntervalMs(int milliseconds)
{
    return setWithin(m_dumpIntervalMs, milliseconds, MaxDumpIntervalMs);
}

bool SimulatedVl70m::setAnswerDelayMs(int milliseconds)
{
    return setWithin(m_answerDelayMs, milliseconds, MaxAnswerDelayMs);
}

void SimulatedVl70m::setAnswering(bool answering)
{
    std::lock_guard lock(m_mutex);
    m_answering = answering;
}

void SimulatedVl70m::setAnswerLimit(int answers)
{
    std::lock_guard lock(m_mutex);
    m_answerLimit = answers;
    m_answers = 0;
}

void SimulatedVl70m::setBankSilent(VoiceDump::Form bank, bool silent)
{
    std::lock_guard lock(m_mutex);
    m_silentBanks.removeAll(bank);
    if (silent)
        m_silentBanks.append(bank);
}

QByteArray SimulatedVl70m::editBuffer() const
{
    return locked(m_editBuffer);
}

QByteArray SimulatedVl70m::customSlot(int slot) const
{
    std::lock_guard lock(m_mutex);
    return slot >= 1 && slot <= m_custom.size() ? m_custom.at(slot - 1) : QByteArray();
}

int SimulatedVl70m::loadBank(const VoiceBank &bank)
{
    std::lock_guard lock(m_mutex);
    int put = 0;
    for (const VoiceBank::Voice &voice : bank.voices) {
        QList<QByteArray> &places = voice.form == VoiceDump::Form::Custom ? m_custom : m_internal;
        if (voice.form == VoiceDump::Form::Full || voice.slot < 1 || voice.slot > places.size())
            continue;
        places[voice.slot - 1] = voice.bytes;
        ++put;
    }
    record(QStringLiteral("bank: %1 voices put into their slots").arg(put));
    return put;
}

QByteArray SimulatedVl70m::internalSlot(int slot) const
{
    std::lock_guard lock(m_mutex);
    return slot >= 1 && slot <= m_internal.size() ? m_internal.at(slot - 1) : QByteArray();
}

SimulatedVl70m::Bank SimulatedVl70m::currentBank() const
{
    return locked(m_bank);
}

int SimulatedVl70m::currentProgram() const
{
    return locked(m_program);
}

int SimulatedVl70m::noteOnCount() const
{
    return locked(m_noteOns);
}

int SimulatedVl70m::noteOffCount() const
{
    return locked(m_noteOffs);
}

SimPanel::Page SimulatedVl70m::panelPage() const
{
    std::lock_guard lock(m_mutex);
    return m_panel.page();
}

QString SimulatedVl70m::panelDisplay() const
{
    std::lock_guard lock(m_mutex);
    return m_panel.display();
}

QStringList SimulatedVl70m::log() const
{
    return locked(m_log);
}

int SimulatedVl70m::ignoredCount() const
{
    return locked(m_ignored);
}

void SimulatedVl70m::clearLog()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
    m_ignored = 0;
}
