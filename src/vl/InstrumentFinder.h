#pragma once

#include <QList>
#include <QString>

#include <functional>

class MidiPlatform;

// Finds the instrument on its own: the identity request goes out on every
// output device, one at a time, while every input device listens; each
// identity reply of this instrument that comes back within the answer time
// names an input, the output just asked and the device number the
// instrument reported. A device that cannot be opened, or answers nothing,
// is passed over.
class InstrumentFinder
{
public:
    static constexpr int AnswerWaitMs = 300;

    struct Found
    {
        QString input;
        QString output;
        int deviceNumber; // 0..15, as sent; shown as 1..16
    };

    // Lets input arrive for up to `milliseconds`; false stops the search.
    using Wait = std::function<bool(int milliseconds)>;
    // Before each output device (its index and the count); false stops.
    using Starting = std::function<bool(int index, int count, const QString &output)>;

    // The platform must outlive the finder.
    explicit InstrumentFinder(MidiPlatform &platform) : m_platform(platform) {}

    // The instruments found, in the order the outputs are listed.
    QList<Found> Run(const Wait &wait, const Starting &starting = {});

private:
    MidiPlatform &m_platform;
};
