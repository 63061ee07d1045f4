// The MIDI log window on the main window's "..." menu, over the simulated
// instrument: a Back Up shows each request and then its answer.

#include "MainWindowRig.h"
#include "MidiLogModel.h"
#include "MidiTap.h"
#include "SimulatedVl70mDevice.h"
#include "TfmMidiLog.h"
#include "TfmVLDump.h"

#include <QAction>
#include <QTableView>
#include <QTest>

class MidiLogWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void backUpShowsRequestsAndAnswersInOrder();
};

void MidiLogWindowTest::backUpShowsRequestsAndAnswersInOrder()
{
    MainWindowRig rig;
    SimulatedVl70mDevice instrument(rig.platform, rig.sleeper);
    MidiTap tap(rig.platform);
    rig.window = std::make_unique<TfmVLDump>(TfmVLDump::Services{
        tap, rig.prompts, rig.sleeper, rig.settings, rig.dir.path(), nullptr, &tap});
    TfmVLDump &w = *rig.window;
    w.show();
    rig.choose("cbxMidiIn", 0);
    rig.choose("cbxMidiOut", 0);
    QVERIFY(w.actMidiLog()->isVisible());
    w.actMidiLog()->trigger();
    TfmMidiLog *log = w.midiLog();
    QVERIFY(log && log->isVisible());

    rig.prompts.saveAnswers << rig.dir.filePath(QStringLiteral("backup.syx"));
    w.actBackup()->trigger();
    QCOMPARE(rig.prompts.errors(), QStringList());
    log->updateView();

    // Every answer comes after the request for it, and each request is answered.
    const MidiLogModel &model = log->model();
    QStringList asked;
    int answers = 0;
    for (int i = 0; i < model.rowCount(); ++i) {
        const MidiLogModel::Row &row = model.row(i);
        const QString text = row.line.text;
        if (row.entry.direction == MidiLog::Direction::Out
            && text.startsWith(QStringLiteral("Dump request: "))) {
            asked << text.mid(14).section(QStringLiteral(", device"), 0, 0);
            continue;
        }
        if (row.entry.direction != MidiLog::Direction::In)
            continue;
        QVERIFY2(!row.filtered(), qPrintable(text));
        QString place = text.section(QStringLiteral(", name"), 0, 0)
                            .section(QStringLiteral(", device"), 0, 0);
        place.replace(QStringLiteral(" voice dump, slot"), QString());
        QVERIFY2(!asked.isEmpty() && asked.last() == place,
                 qPrintable(QStringLiteral("%1 after %2").arg(text, asked.value(asked.size() - 1))));
        QCOMPARE(row.entry.port, SimulatedVl70mDevice::DefaultName);
        ++answers;
    }
    QCOMPARE(asked.first(), QStringLiteral("Custom 1, block 1 of 2"));
    QCOMPARE(asked.last(), QStringLiteral("Internal 64"));
    QCOMPARE(answers, 6 * 2 + 64);
    QCOMPARE(asked.size(), answers);
    QCOMPARE(log->table().model()->rowCount(), model.rowCount());

    // Only the selected SysEx is saved, bytes as they went.
    log->table().selectRow(model.rowCount() - 1);
    QCOMPARE(log->selectedSysEx(), model.row(model.rowCount() - 1).entry.bytes);
    QVERIFY(log->selectedLines().contains(QStringLiteral("Internal voice dump, slot 64")));
    log->close();
    QCOMPARE(tap.log(), nullptr);
    rig.window.reset();
}

QTEST_MAIN(MidiLogWindowTest)
#include "tst_midilogwindow.moc"
