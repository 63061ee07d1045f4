// The voice library: importing 100 bank files of 64 new voices into an empty
// library, the same files again (nothing new), and searching a library of
// 50,000 voices as a user types (ms per keystroke). Prints figures; never
// fails on time.
#include "TestData.h"
#include "VoiceImporter.h"
#include "VoiceLibraryModel.h"
#include "VoiceStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int BankFiles = 100;
constexpr int ImportRounds = 3;
constexpr int LibraryVoices = 50000;
constexpr int SearchRounds = 21;
// Data bytes changed in every voice so that each bank's voices are new.
constexpr int MarkedByte = VoiceDump::InternalDataStart + 40;
constexpr int NameStart = VoiceDump::InternalDataStart;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Voice `index` of the real bank, marked `mark`, its name's last three
// letters a count so that names vary as in a real collection.
QByteArray voiceOf(const QByteArray &bank, int index, int mark)
{
    QByteArray voice = bank.mid(index * VoiceDump::InternalLength, VoiceDump::InternalLength);
    voice[MarkedByte] = char(mark % 128);
    voice[MarkedByte + 1] = char(mark / 128 % 128);
    const QByteArray count = QByteArray::number(mark % (36 * 36 * 36), 36).rightJustified(3, '0');
    voice.replace(NameStart + VoiceDump::VoiceNameLength - 3, 3, count);
    return voice;
}

QByteArray bankOf(const QByteArray &bank, int mark)
{
    QByteArray bytes;
    for (int i = 0; i < bank.size() / VoiceDump::InternalLength; ++i)
        bytes += voiceOf(bank, i, mark);
    return bytes;
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray bank = readTestData("Prog-A-1.syx");
    QTemporaryDir dir;
    for (int i = 0; i < BankFiles; ++i) {
        QFile file(dir.filePath(QStringLiteral("banks/bank%1.syx").arg(i)));
        if (i == 0)
            QDir().mkpath(dir.filePath(QStringLiteral("banks")));
        if (!file.open(QIODevice::WriteOnly) || file.write(bankOf(bank, i)) < 0)
            return 1;
    }

    std::vector<double> first;
    std::vector<double> again;
    for (int round = 0; round < ImportRounds; ++round) {
        VoiceStore store(dir.filePath(QStringLiteral("import%1.sqlite").arg(round)));
        VoiceImporter importer(store);
        QElapsedTimer timer;
        timer.start();
        const VoiceImporter::Summary added = importer.import({dir.filePath("banks")});
        first.push_back(msSince(timer));
        timer.restart();
        const VoiceImporter::Summary known = importer.import({dir.filePath("banks")});
        again.push_back(msSince(timer));
        if (added.added != BankFiles * 64 || known.known != BankFiles * 64) {
            std::fprintf(stderr, "unexpected import: %s, then %s\n", qPrintable(added.text()),
                         qPrintable(known.text()));
            return 1;
        }
    }
    std::printf("import %d bank files of 64 new voices: %.0f ms (median of %d)\n", BankFiles,
                median(first), ImportRounds);
    std::printf("the same files again, nothing new:   %.0f ms\n", median(again));

    VoiceStore store(dir.filePath(QStringLiteral("search.sqlite")));
    QElapsedTimer filling;
    filling.start();
    const int voicesPerBank = int(bank.size() / VoiceDump::InternalLength);
    for (int mark = 0; mark * voicesPerBank < LibraryVoices; ++mark) {
        QList<VoiceStore::Met> voices;
        for (int i = 0; i < voicesPerBank; ++i)
            voices.append({VoiceBank::parse(voiceOf(bank, i, mark)).voices.first(), {}});
        store.record(voices);
    }
    std::printf("library of %d voices filled in %.0f ms\n", store.count(), msSince(filling));

    // Per keystroke: the ids in table order, then the first screenful of
    // rows; separately, the whole listing the command line prints.
    constexpr int screenRows = 40;
    VoiceFilter filter;
    for (const char *typed : {"t", "tp", "tpt", "tpt0", "lead", "zzz"}) {
        filter.search = QLatin1String(typed);
        std::vector<double> keystroke;
        std::vector<double> listing;
        qsizetype found = 0;
        for (int round = 0; round < SearchRounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            const QList<qint64> ids = store.find(filter);
            store.rows(ids.first(std::min<qsizetype>(ids.size(), screenRows)));
            keystroke.push_back(msSince(timer));
            found = ids.size();
            timer.restart();
            store.list(filter);
            listing.push_back(msSince(timer));
        }
        std::printf("search \"%s\" in %d voices: %.2f ms a keystroke (%lld found, first %d rows "
                    "read); whole listing %.1f ms\n",
                    typed, store.count(), median(keystroke), qlonglong(found), screenRows,
                    median(listing));
    }

    // The Voice Library window opening: its table model finds every voice
    // and shows its first screenful.
    std::vector<double> opening;
    for (int round = 0; round < SearchRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        VoiceLibraryModel model(store, {});
        for (int row = 0; row < screenRows && row < model.rowCount(); ++row) {
            for (int column = 0; column < VoiceLibraryModel::ColumnCount; ++column)
                model.index(row, column).data();
        }
        opening.push_back(msSince(timer));
    }
    std::printf("library window's table on %d voices: %.1f ms to open (first %d rows shown)\n",
                store.count(), median(opening), screenRows);
    return 0;
}
