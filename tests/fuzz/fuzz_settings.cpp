// Settings values from a settings file of any content: every read of a value
// gives the same answer whatever was read before it, a file that cannot be
// parsed reads as empty and is never written, and in a file that can be
// parsed a value written reads back and leaves the other values as they were.

#include "FuzzCheck.h"
#include "RegEdit.h"
#include "ScratchFolder.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace {

ScratchFolder *scratch = nullptr;
const QString MidiKey = RegSettingsRoot + QStringLiteral("VL70-m\\Midi");
const QString ProgramKey = RegSettingsRoot + QStringLiteral("VL70-m");
const QString Absent = QStringLiteral("\x01absent");
constexpr qint32 AbsentNumber = -7;

struct Values
{
    QString in;
    QString out;
    qint32 id;
    qint32 prom;
    bool operator==(const Values &) const = default;
};

// The four values, read in the order given or in the opposite one.
Values read(const RegRoot &root, bool backward)
{
    Values v;
    const std::array<std::function<void()>, 4> reads{
        [&] { v.in = ReadRegString(root, MidiKey, QStringLiteral("In"), Absent); },
        [&] { v.out = ReadRegString(root, MidiKey, QStringLiteral("Out"), Absent); },
        [&] { v.id = ReadRegInteger(root, MidiKey, QStringLiteral("ID"), AbsentNumber); },
        [&] { v.prom = ReadRegInteger(root, ProgramKey, QStringLiteral("Prom"), AbsentNumber); },
    };
    if (backward)
        std::for_each(reads.rbegin(), reads.rend(), [](const auto &r) { r(); });
    else
        std::for_each(reads.begin(), reads.end(), [](const auto &r) { r(); });
    return v;
}

Values readForward(const RegRoot &root)
{
    return read(root, false);
}

Values readBackward(const RegRoot &root)
{
    return read(root, true);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    scratch = &ScratchFolder::forRun((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Qt keeps what it parsed of a file for the whole process: new names
    // each time, so that every file is first read here.
    static quint64 run = 0;
    ++run;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString first = scratch->write(QStringLiteral("a%1.ini").arg(run), text);
    const QString second = scratch->write(QStringLiteral("b%1.ini").arg(run), text);
    const RegRoot a = RegRoot::iniFile(first);
    const RegRoot b = RegRoot::iniFile(second);

    const bool unreadable = regFileUnreadable(a);
    FUZZ_CHECK(regFileUnreadable(b) == unreadable);
    // Each file read first in another order, then again.
    const Values values = readForward(a);
    FUZZ_CHECK(readBackward(b) == values);
    FUZZ_CHECK(readBackward(a) == values);

    if (unreadable) {
        FUZZ_CHECK(values == (Values{Absent, Absent, AbsentNumber, AbsentNumber}));
        FUZZ_CHECK(!WriteRegString(a, MidiKey, QStringLiteral("In"), QStringLiteral("Keys")));
        FUZZ_CHECK(!WriteRegInteger(a, MidiKey, QStringLiteral("ID"), 3));
        FUZZ_CHECK(contentOf(first) == text);
    } else if (WriteRegString(a, MidiKey, QStringLiteral("In"), QStringLiteral("Keys, 2"))) {
        FUZZ_CHECK(!regFileUnreadable(a));
        Values expected = values;
        expected.in = QStringLiteral("Keys, 2");
        FUZZ_CHECK(readBackward(a) == expected);
        if (WriteRegInteger(a, ProgramKey, QStringLiteral("Prom"), -2)) {
            expected.prom = -2;
            FUZZ_CHECK(readForward(a) == expected);
        }
    }
    QFile::remove(first);
    QFile::remove(second);
    return 0;
}
