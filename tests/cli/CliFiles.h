#pragma once

// Voice files the command line tests write: a bank of the three forms and a
// ".lib" library.

#include "FileBytes.h"
#include "LibraryFile.h"
#include "VoiceBank.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QByteArray>
#include <QString>

namespace CliFiles {

const QString InternalBank = QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx");

// Internal voice 5 of the shared bank (from Internal 5), voice 8 as a custom
// voice from Custom 2, and voice 11 as a full voice; device numbers as
// stored, 0.
inline QByteArray mixedBank()
{
    const VoiceBank bank = VoiceBank::read(InternalBank);
    const auto full = [&](int index) {
        QByteArray dump = VoiceDump::emptyFullDump(0);
        int slot = 0;
        VoiceConversion::InternalToDump(bank.voices[index].bytes, dump, slot);
        VoiceDump::SealDump(dump, 0);
        return dump;
    };
    return bank.voices[4].bytes + VoiceConversion::DumpToCustom(full(7), 2, 0) + full(10);
}

// A library of zero voice data whose last voice is cut short by
// `missingBytes`.
inline QByteArray library(const QList<QByteArray> &names, int missingBytes = 0)
{
    const QList<QByteArray> voices(names.size(), QByteArray(LibraryFile::VoiceLength, '\0'));
    return LibraryFile::build(int(names.size()), names, voices,
                              LibraryFile::DataOffset + LibraryFile::VoiceLength * int(names.size())
                                  - missingBytes);
}

} // namespace CliFiles
