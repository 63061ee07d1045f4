#pragma once

#include "RegRoot.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class MidiPlatform;
class TMidiCorvoIn;
class TMidiCorvoOut;

// Stands between the windows and the instrument. Keeps the working voice as a
// full voice dump, accepts a voice in any of the three dump forms, sends the
// working voice to the instrument's current voice or to a Custom or Internal
// slot, sends short channel messages and the front-panel remote switch
// messages, and owns the MIDI input and output ports.
//
// The MIDI platform and the settings root come from the creator, so tests and
// the program choose the devices and the store. The platform must outlive the
// manager. Everything runs on the window thread.
class TVLManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(quint8 DeviceID READ DeviceID WRITE setDeviceID)
    Q_PROPERTY(quint8 SourceKind READ SourceKind)
    Q_PROPERTY(QString VoiceName READ VoiceName)
    Q_PROPERTY(int SlotNumber READ SlotNumber)

public:
    // The form of the last voice loaded (SourceKind).
    enum : quint8 { SourceInternal = 0, SourceCustom = 1, SourceFull = 2 };

    // Key of the ports and of the stored device number.
    static inline const QString RegKeyName = QStringLiteral("VL70-m");
    static inline const QString DeviceIdValueName = QStringLiteral("ID");
    // The documentation table beside the program that replaces the built-in one.
    static inline const QString DocFileName = QStringLiteral("vl70doc.txt");
    static inline const QString DocResource = QStringLiteral(":/vl/VL70DOC");
    static inline const QString KnobResource = QStringLiteral(":/vl/POTARD");
    static constexpr int DocLineCount = 1808;
    // Ten times the built-in table: a larger "vl70doc.txt" is no table and
    // is not read whole.
    static constexpr qint64 MaxDocFileBytes = 1024 * 1024;

    // How long a send waits for its block to leave before it fails. The
    // sender hands a block to the MIDI system within milliseconds; a system
    // that takes nothing for this long is as good as gone.
    static constexpr int SentWaitMs = 3000;

    // Events of the published interface; nothing in the manager raises them.
    using TRequestComplete = std::function<void(QObject *sender, const QByteArray &request)>;
    using TSysexProgress = std::function<void(QObject *sender, int count)>;

    // Builds the manager: the knob picture, the documentation table (from
    // "vl70doc.txt" in programFolder when it has exactly 1808 lines, else the
    // built-in one; an empty programFolder means the program's own folder),
    // the SysEx header, the input port, the output port and the stored device
    // number. The ports read their devices from `settings` too.
    TVLManager(QObject *owner, MidiPlatform *platform,
               const RegRoot &settings = RegRoot::currentUser(),
               const QString &programFolder = QString());
    // Closes and frees the input port, then the output port.
    ~TVLManager() override;

    quint8 DeviceID() const { return m_deviceId; }
    // Taken as it is; the next message built uses it.
    void setDeviceID(quint8 deviceId) { m_deviceId = deviceId; }

    quint8 SourceKind() const { return m_sourceKind; }
    QString VoiceName() const { return m_voiceName; }
    int SlotNumber() const { return m_slotNumber; }
    const QByteArray &Dump() const { return m_dump; }
    const QStringList &ParamDoc() const { return m_paramDoc; }
    const QImage &KnobBitmap() const { return m_knobBitmap; }
    // F0 43 device 57, its device byte as last sealed.
    const std::array<quint8, 4> &SysExHeader() const { return m_sysExHeader; }

    TMidiCorvoIn *MidiIn() const { return m_midiIn; }
    TMidiCorvoOut *MidiOut() const { return m_midiOut; }

    // Takes `stream` as the working voice when it is one (length 174, 1572 or
    // 1808, first byte F0h, fourth byte 57h) and returns true; otherwise
    // returns false and changes nothing.
    bool LoadVoice(const QByteArray &stream);

    // Sends return once every byte was handed to the MIDI system; anything
    // else (no device, a device gone, a block refused or dropped) raises the
    // output port's error, so a caller goes on only after a real send. Over
    // a MIDI cable "handed over" is as far as anyone can know.

    // Seals the working dump for the current device number and sends it.
    void SendToCurrent();
    // Sends the working voice as a custom voice dump to slot 1..6 (others: 1).
    void SendToCustom(int slot);
    // Sends the working voice as an internal voice dump to slot 1..64 (others: 1).
    void SendToInternal(int slot);
    // Opens the output and sends one or more whole SysEx messages as they
    // are (a voice of a bank, sealed by the caller); the working voice is
    // left as it is.
    void sendSysEx(const QByteArray &messages);
    // One short message, status byte unchanged; a message the MIDI system
    // refuses raises.
    void SendShortMessage(quint8 status, quint8 data1, quint8 data2);
    // Presses (release false) or releases (release true) a front-panel button.
    void SendRemoteSwitch(quint8 switchNumber, bool release);
    // Closes the output port, silencing notes still sounding.
    void CloseOutput();

    // The remote switch message for a device number, switch and release flag.
    static QByteArray remoteSwitchMessage(quint8 deviceId, quint8 switchNumber, bool release);

    TRequestComplete OnRequestComplete;
    TSysexProgress OnSysExProgress;

private:
    void loadParamDoc(const QString &programFolder);
    void readDeviceId(const RegRoot &settings);
    // Opens the output, then hands the block over.
    void sendLong(const QByteArray &message);
    // Hands one block to the output port and waits until it has left; a
    // refusal, or a block that did not leave, raises the port's error.
    void submitLong(const QByteArray &message);
    // Raises the output port's error for a send that failed; a device that
    // went away is closed first.
    [[noreturn]] void raiseSendError(int code);

    MidiPlatform *m_platform = nullptr;
    quint8 m_deviceId = 0;
    QStringList m_paramDoc;
    std::array<quint8, 4> m_sysExHeader{};
    QImage m_knobBitmap;
    quint8 m_sourceKind = SourceInternal;
    QByteArray m_dump;
    QString m_voiceName;
    int m_slotNumber = 0;
    TMidiCorvoIn *m_midiIn = nullptr;
    TMidiCorvoOut *m_midiOut = nullptr;
};
