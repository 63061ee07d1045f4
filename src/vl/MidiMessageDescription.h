#pragma once

#include "MidiLog.h"
#include "TextTranslation.h"

#include <QByteArrayView>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

// One line of plain words for one MIDI message, as the MIDI log and
// `ventaro monitor` show it: the instrument's voice dump blocks (form, slot,
// name, device number, a wrong checksum), identity request and reply, bulk
// dump requests, remote switches, bank select and program change (with the
// patch name when the caller can name it), notes and the other channel and
// system messages.
//
// A program change is described with the bank selected before it on the
// same stream (a port and direction): describe the messages of a stream in
// the order they went.
class MidiMessageDescription
{
public:
    // The name of patch `patch` (0-based) of bank row `bank` (Preset 1,
    // Preset 2, Custom, Internal); empty when unknown.
    using PatchName = std::function<QString(int bank, int patch)>;

    struct Line
    {
        QString text;
        // An instrument message addressed to another device number than the
        // program's: one the program does not take.
        bool otherDevice = false;
    };

    explicit MidiMessageDescription(PatchName patchName = {}, TextTranslation translate = {});

    // `programDevice` is the program's device number 0..15; none when the
    // message is the program's own (sent) and not checked against it.
    Line describe(QByteArrayView message, std::optional<int> programDevice,
                  const QString &stream = QString());

    // A message of a MidiLog: what came in is checked against the device
    // number it came with; each port and direction is a stream of its own.
    Line describe(const MidiLog::Entry &entry);
    // Dropped by the program: came in for another device number.
    static bool isFiltered(const MidiLog::Entry &entry, const Line &line)
    {
        return line.otherDevice && entry.direction == MidiLog::Direction::In;
    }

    // "in" or "out".
    static QString directionWord(MidiLog::Direction direction);
    // One message as a line of text: time, direction, port, length, the
    // decoded line and every byte in hex, separated by tabs.
    static QString tabLine(const MidiLog::Entry &entry, const QString &decoded);

    // Bytes as hexadecimal pairs separated by spaces ("F0 43 10 57").
    static QString hex(QByteArrayView bytes);

private:
    QString tr(const char *text) const;
    Line describeSysEx(QByteArrayView message, std::optional<int> programDevice) const;
    QString describeInstrumentBlock(QByteArrayView message) const;
    QString describeChannel(QByteArrayView message, const QString &stream);
    QString describeSystem(quint8 status) const;
    QString bankText(int bank) const;

    PatchName m_patchName;
    TextTranslation m_translate;
    // The bank row selected last on each stream (bank select LSB, or MSB).
    QMap<QString, int> m_bank;
};
