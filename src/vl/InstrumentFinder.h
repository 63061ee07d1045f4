#pragma once

#include <QList>
#include <QString>

#include <functional>

class MidiPlatform;

// Finds the instrument on its own: the identity request goes out on every
// output device, one at a time, while every input device listens; each
// identity reply of this instrument that comes back within that output's
// answer time names an input, the output asked and the device number the
// instrument reported. Since a slow instrument's reply may come in the next
// output's answer time, every output that was answered is asked once more,
// alone, after a quiet answer time, and kept only when the same reply comes
// again. A device that cannot be opened, or answers nothing, is passed over.
class InstrumentFinder
{
public:
    static constexpr int AnswerWaitMs = 300;
    // What the window and the command line say when nothing answered.
    static inline const QString NoAnswerText = QStringLiteral(
        "No instrument answered on any MIDI device. Check that it is connected and switched on.");

    struct Found
    {
        QString input;
        QString output;
        int deviceNumber; // 0..15, as sent; shown as 1..16

        bool operator==(const Found &) const = default;
    };

    // Lets input arrive for up to `milliseconds`; false stops the search.
    using Wait = std::function<bool(int milliseconds)>;
    // Before each output device (its index and the count); false stops.
    using Starting = std::function<bool(int index, int count, const QString &output)>;

    // The platform must outlive the finder.
    explicit InstrumentFinder(MidiPlatform &platform) : m_platform(platform) {}

    // The instruments found, in the order the outputs are listed.
    QList<Found> run(const Wait &wait, const Starting &starting = {});

private:
    MidiPlatform &m_platform;
};
