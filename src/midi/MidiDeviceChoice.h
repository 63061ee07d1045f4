#pragma once

#include "MidiPlatform.h"
#include "RegRoot.h"

#include <QString>
#include <QStringList>

// The device a MIDI port is set to: the platform's input or output devices
// as last listed, the chosen name and its index in that list, and the name
// remembered under "<root><RegKeyName>\Midi", value "In" or "Out".
//
// The name decides: devices come and go, so the list is taken anew
// (Refresh) whenever the port opens or a window shows it, and the index
// follows the name. A chosen name that is not listed stays chosen (the
// device may come back), with index -1. Names are matched without regard to
// case. Opening, closing and errors stay with the port.
//
// Devices of one name (two identical interfaces) are listed apart: the
// second is "NAME (2)", the third "NAME (3)", in the platform's order, so
// each can be chosen, remembered and found again by its name.
class MidiDeviceChoice
{
public:
    // The platform's names, each later occurrence of a name numbered.
    static QStringList distinctNames(const QStringList &platformNames);

    // Lists the input (or output) devices; ID -1, no name, no key name.
    // The platform must outlive the choice.
    MidiDeviceChoice(const MidiPlatform *platform, bool input, const RegRoot &settings);

    const QStringList &names() const { return m_names; }
    int id() const { return m_id; }
    const QString &name() const { return m_name; }
    // The name alone, as given; the ID is left as it is.
    void setName(const QString &value) { m_name = value; }
    const QString &RegKeyName() const { return m_regKeyName; }
    void setRegKeyName(const QString &value) { m_regKeyName = value; }

    // Lists the devices anew; the chosen name keeps its place by name.
    void refresh();
    // Before an open: with a name chosen, lists the devices anew and tells
    // whether that name is listed now; with none, true (nothing to look up).
    bool refreshChosen();
    // A device is chosen by name but is not in the list.
    bool isAbsent() const { return !m_name.isEmpty() && m_id < 0; }

    // -1 (no device) or the index of a listed device.
    bool isValidId(int id) const { return id >= -1 && id < m_names.size(); }
    // Index of the listed device of that name, any case; -1 for none or "".
    int indexOf(const QString &name) const;

    // With a key name: the saved name, and its ID in the list (-1 while it is
    // not listed). Nothing is written.
    void restore();
    // Takes a valid ID and the listed name for it (none for -1); a device
    // is remembered when there is a key name.
    void choose(int id);

private:
    QString settingsPath() const;

    QStringList list() const;

    const MidiPlatform *m_platform;
    bool m_input;
    RegRoot m_settings;
    QString m_valueName;
    QStringList m_names;
    int m_id = -1;
    QString m_name;
    QString m_regKeyName;
};
