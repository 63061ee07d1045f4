#include "TVLManager.h"

#include "MidiBytes.h"
#include "MidiErrorText.h"
#include "RegEdit.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "VentaroError.h"
#include "Vl70Protocol.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

// The stored device number keeps its low eight bits; anything above 15 is 0.
constexpr qint32 DeviceIdByteMask = 0xFF;
constexpr quint8 HighestDeviceId = 15;

// At most `limit` bytes and one more, which tells a file that is too large.
QByteArray readBounded(const QString &fileName, qint64 limit)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(limit + 1);
}

} // namespace

TVLManager::TVLManager(QObject *owner, MidiPlatform *platform, const RegRoot &settings,
                       const QString &programFolder)
    : QObject(owner), m_platform(platform), m_dump(VoiceDump::FullLength, '\0')
{
    m_knobBitmap = QImage(KnobResource);
    loadParamDoc(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder);
    m_sysExHeader = {VoiceDump::SysExStart, VoiceDump::ManufacturerId, m_deviceId,
                     VoiceDump::ModelId};
    m_midiIn = new TMidiCorvoIn(this, RegKeyName, platform, settings);
    m_midiOut = new TMidiCorvoOut(this, RegKeyName, platform, settings);
    readDeviceId(settings);
}

TVLManager::~TVLManager()
{
    m_knobBitmap = QImage();
    m_paramDoc.clear();
    // A port that fails to close must not stop the other one from closing,
    // nor let an exception leave a destructor.
    try {
        m_midiIn->Close();
    } catch (const std::exception &) {
    }
    delete m_midiIn;
    m_midiIn = nullptr;
    try {
        m_midiOut->Close();
    } catch (const std::exception &) {
    }
    delete m_midiOut;
    m_midiOut = nullptr;
}

void TVLManager::loadParamDoc(const QString &programFolder)
{
    const QString fileName = QDir(programFolder).filePath(DocFileName);
    if (QFile::exists(fileName)) {
        // A file that cannot be read, or is too large, counts as one of the
        // wrong length.
        const QByteArray text = readBounded(fileName, MaxDocFileBytes);
        if (text.size() <= MaxDocFileBytes)
            m_paramDoc = VoiceDump::linesFromBytes(text);
        if (m_paramDoc.size() != DocLineCount)
            m_paramDoc.clear();
    }
    if (m_paramDoc.isEmpty())
        m_paramDoc = VoiceDump::linesFromBytes(readBounded(DocResource, MaxDocFileBytes));
}

void TVLManager::readDeviceId(const RegRoot &settings)
{
    const QString key = RegSettingsRoot + RegKeyName + QStringLiteral("\\Midi");
    const qint32 stored = ReadRegInteger(settings, key, DeviceIdValueName, 0);
    const quint8 low = quint8(stored & DeviceIdByteMask);
    m_deviceId = low > HighestDeviceId ? 0 : low;
}

bool TVLManager::LoadVoice(const QByteArray &stream)
{
    const std::optional<VoiceDump::Form> form = VoiceDump::formOf(stream);
    if (!form)
        return false;
    switch (*form) {
    case VoiceDump::Form::Custom:
        if (!VoiceConversion::CustomToDump(stream, m_dump, m_slotNumber))
            return false;
        m_sourceKind = SourceCustom;
        break;
    case VoiceDump::Form::Internal:
        if (!VoiceConversion::InternalToDump(stream, m_dump, m_slotNumber))
            return false;
        m_sourceKind = SourceInternal;
        break;
    case VoiceDump::Form::Full:
        m_dump = stream;
        m_dump.detach();
        m_sourceKind = SourceFull;
        break;
    }
    m_voiceName = VoiceDump::textFromBytes(
        QByteArrayView(m_dump).sliced(VoiceDump::VoiceNameOffset, VoiceDump::VoiceNameLength));
    return true;
}

void TVLManager::SendToCurrent()
{
    m_sysExHeader[VoiceDump::DeviceOffset] = m_deviceId;
    VoiceDump::SealDump(m_dump, m_deviceId);
    const QByteArray message = m_dump;
    sendLong(message);
}

void TVLManager::SendToCustom(int slot)
{
    m_slotNumber = (slot >= 1 && slot <= VoiceDump::CustomSlotCount) ? slot : 1;
    m_sysExHeader[VoiceDump::DeviceOffset] = m_deviceId;
    sendLong(VoiceConversion::DumpToCustom(m_dump, m_slotNumber, m_deviceId));
}

void TVLManager::SendToInternal(int slot)
{
    m_slotNumber = (slot >= 1 && slot <= VoiceDump::InternalSlotCount) ? slot : 1;
    m_sysExHeader[VoiceDump::DeviceOffset] = m_deviceId;
    sendLong(VoiceConversion::DumpToInternal(m_dump, m_slotNumber, m_deviceId));
}

void TVLManager::sendSysEx(const QByteArray &messages)
{
    sendLong(messages);
}

void TVLManager::SendShortMessage(quint8 status, quint8 data1, quint8 data2)
{
    m_midiOut->Open();
    const int code = m_midiOut->SendShortMessage(status, data1, data2);
    if (code != MidiPlatform::NoError)
        raiseSendError(code);
}

void TVLManager::raiseSendError(int code)
{
    const QString message = midiPortErrorMessage(code, false, m_midiOut->DeviceName(), m_platform);
    // Let a dead device go, so that the next send opens the device of that
    // name afresh, once it is back.
    if (code == MidiPlatform::DeviceGone)
        m_midiOut->deviceLost();
    throw VentaroError(message);
}

QByteArray TVLManager::remoteSwitchMessage(quint8 deviceId, quint8 switchNumber, bool release)
{
    using P = Vl70Protocol;
    const quint8 bytes[P::RemoteSwitchLength] = {
        VoiceDump::SysExStart,
        VoiceDump::ManufacturerId,
        quint8(P::ParameterChangeGroup | (deviceId & VoiceDump::DeviceMask)),
        VoiceDump::ModelId,
        P::RemoteSwitchAddressHigh,
        P::RemoteSwitchAddressMid,
        quint8(switchNumber & MidiBytes::DataMask),
        release ? P::RemoteSwitchRelease : P::RemoteSwitchPress,
        VoiceDump::SysExEnd,
    };
    return QByteArray(reinterpret_cast<const char *>(bytes), P::RemoteSwitchLength);
}

void TVLManager::SendRemoteSwitch(quint8 switchNumber, bool release)
{
    m_midiOut->Open();
    submitLong(remoteSwitchMessage(m_deviceId, switchNumber, release));
}

void TVLManager::CloseOutput()
{
    m_midiOut->Close();
}

void TVLManager::sendLong(const QByteArray &message)
{
    m_midiOut->Open();
    submitLong(message);
}

void TVLManager::submitLong(const QByteArray &message)
{
    // A block the platform refuses, or takes and then cannot send (its device
    // went away meanwhile), never reaches the instrument: say so, rather than
    // let the caller go on as if the voice had been sent.
    int code = m_midiOut->SendLongMessage(message);
    if (code == MidiPlatform::NoError)
        code = m_midiOut->waitSent(SentWaitMs);
    if (code != MidiPlatform::NoError)
        raiseSendError(code);
}
