#pragma once

#include "RegRoot.h"

#include <QString>
#include <QTextStream>

#include <functional>

class ProgramMidi;

// What a subcommand runs with: the two output streams, whether standard
// error is a terminal (for a progress line), the settings it reads (and
// never writes) and the program's MIDI devices, made only when a subcommand
// asks for them, so that listing a file's voices opens no MIDI system.
struct CommandContext
{
    QTextStream &out;
    QTextStream &err;
    bool errIsTerminal = false;
    RegRoot settings;
    std::function<ProgramMidi &()> midi;

    // One line on standard error, "ventaro: " first. An error's text keeps
    // what it is about (a device, a file) on the lines after the first; they
    // follow it on the same line after ": ".
    void say(const QString &text) const;
    // On a terminal only: `text` over the previous progress text, cleared to
    // the line's end (an empty text clears it).
    void progress(const QString &text) const;
    static QString oneLine(const QString &text);
};
