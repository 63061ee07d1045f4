#pragma once

// Voice files the command line tests write: a bank of the three forms and a
// ".lib" library.

#include "VoiceBank.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace CliFiles {

const QString InternalBank = QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx");

inline bool write(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray read(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Internal voice 5 of the shared bank (from Internal 5), voice 8 as a custom
// voice from Custom 2, and voice 11 as a full voice; device numbers as
// stored, 0.
inline QByteArray mixedBank()
{
    const VoiceBank bank = VoiceBank::Read(InternalBank);
    const auto full = [&](int index) {
        QByteArray dump = VoiceDump::EmptyFullDump(0);
        int slot = 0;
        VoiceConversion::InternalToDump(bank.voices[index].bytes, dump, slot);
        VoiceDump::SealDump(dump, 0);
        return dump;
    };
    return bank.voices[4].bytes + VoiceConversion::DumpToCustom(full(7), 2, 0) + full(10);
}

// A library in the layout TVlLibReader reads: signature, voice count, the
// names from 1024, 1550 data bytes a voice from 3072; the last voice's data
// is cut short by `missingBytes`.
inline QByteArray library(const QList<QByteArray> &names, int missingBytes = 0)
{
    constexpr int CountOffset = 51;
    constexpr int NamesOffset = 1024;
    constexpr int NameLength = 8;
    constexpr int DataOffset = 3072;
    constexpr int DataLength = 1550;
    QByteArray lib(DataOffset + DataLength * names.size() - missingBytes, '\0');
    lib.replace(0, 8, "LM  0268");
    lib[CountOffset] = char(names.size());
    for (int i = 0; i < names.size(); ++i)
        lib.replace(NamesOffset + NameLength * i, names[i].size(), names[i]);
    return lib;
}

} // namespace CliFiles
