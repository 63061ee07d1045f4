#include "DumpFile.h"
#include "FileDialog.h"
#include "ScriptedPrompts.h"
#include "TfmLibVoices.h"
#include "VentaroError.h"

#include <QFile>
#include <QFontInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList voiceLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1 Voice%2").arg(i, 3).arg(i);
    return lines;
}

// A real double-click: the press that starts it, then the double-click
// event itself (QTest's double-click alone carries no press).
void doubleClickRow(QListWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void qtFilter_data();
    void qtFilter();
    void defaultExt_data();
    void defaultExt();
    void proposedName_data();
    void proposedName();
    void saveDialogAsksBeforeReplacingUnseenFile();
    void readIsBounded_data();
    void readIsBounded();
    void readFailures_data();
    void readFailures();
    void writeReplacesWholeFile();
    void writeFailureKeepsOldFile();
    void pickerWaysOfClosing_data();
    void pickerWaysOfClosing();
    void pickerExecFromTimer();
    void pickerListIsFixedPitch();
};

void TestFiles::qtFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("open dialog") << "SysEx Files (*.syx)|*.syx|VLEditor Files (*.lib)|*.lib"
                                 << "SysEx Files (*.syx);;VLEditor Files (*.lib)";
    QTest::newRow("save dialog") << "SysEx Files (*.syx)|*.syx" << "SysEx Files (*.syx)";
    QTest::newRow("translated without patterns")
        << "Fichiers SysEx|*.syx" << "Fichiers SysEx (*.syx)";
    QTest::newRow("patterns differ from description")
        << "SysEx (*.syx)|*.syx;*.mid" << "SysEx (*.syx) (*.syx *.mid)";
    QTest::newRow("several patterns shown") << "Dumps (*.syx;*.mid)|*.syx; *.mid"
                                            << "Dumps (*.syx;*.mid)";
    QTest::newRow("description without pattern") << "SysEx|*.syx|Everything" << "SysEx (*.syx);;Everything (*)";
    QTest::newRow("trailing separator") << "SysEx|*.syx|" << "SysEx (*.syx)";
    QTest::newRow("empty description") << "|*.syx" << "(*.syx)";
    QTest::newRow("empty") << "" << "";
}

void TestFiles::qtFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(FileDialog::QtFilter(filter), expected);
}

void TestFiles::defaultExt_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no extension") << "/v/Mad Tube" << "/v/Mad Tube.syx";
    QTest::newRow("own extension") << "/v/Mad Tube.syx" << "/v/Mad Tube.syx";
    QTest::newRow("upper case") << "/v/A.SYX" << "/v/A.SYX";
    QTest::newRow("other extension") << "/v/A.bin" << "/v/A.bin";
    QTest::newRow("dot in folder only") << "/v.d/Mad" << "/v.d/Mad.syx";
    QTest::newRow("trailing dot") << "/v/Mad." << "/v/Mad.syx";
}

void TestFiles::defaultExt()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QCOMPARE(FileDialog::WithDefaultExt(typed, QStringLiteral("syx")), expected);
}

void TestFiles::proposedName_data()
{
    QTest::addColumn<QString>("voice");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "Mad Tube" << "Mad Tube.syx";
    QTest::newRow("blanks kept") << "Sax     " << "Sax     .syx";
    QTest::newRow("forbidden characters") << "A/B\\C:*?" << "A_B_C___";
    QTest::newRow("quotes, pipe, angles") << "\"x|<y>\"" << "_x__y__";
    QTest::newRow("control characters") << QString::fromUtf16(u"Ab\u0000\u0009\u007F", 5) << "Ab___";
    QTest::newRow("dots and brackets allowed") << "(Br.)!" << "(Br.)!.syx";
    QTest::newRow("device name") << "CON     " << "_CON     .syx";
    QTest::newRow("device name, lower case, dotted") << "lpt1.abc" << "_lpt1.abc.syx";
    QTest::newRow("longer than a device name") << "CONsole" << "CONsole.syx";
}

void TestFiles::proposedName()
{
    QFETCH(QString, voice);
    QFETCH(QString, expected);
    if (!expected.endsWith(QLatin1String(".syx")))
        expected += QLatin1String(".syx");
    QCOMPARE(DumpFile::ProposedName(voice), expected);
}

void TestFiles::saveDialogAsksBeforeReplacingUnseenFile()
{
    const QString typed = path(QStringLiteral("asked"));
    writeFile(typed + QStringLiteral(".syx"), "old");
    FileDialog dialog(FileDialog::Kind::Save, QStringLiteral("Save SysEx as..."),
                      QStringLiteral("SysEx Files (*.syx)|*.syx"), QStringLiteral("syx"), nullptr);
    ScriptedPrompts prompts;
    prompts.saveAnswers << typed << typed << path(QStringLiteral("fresh"));
    prompts.messageAnswers << QMessageBox::No << QMessageBox::Yes;

    // "No" shows the dialog again, proposing the completed name.
    QCOMPARE(dialog.Execute(prompts, nullptr, QStringLiteral("Mad Tube.syx")),
             typed + QStringLiteral(".syx"));
    QCOMPARE(prompts.shown.size(), 4);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("Mad Tube.syx"));
    QCOMPARE(prompts.shown[0].filter, QStringLiteral("SysEx Files (*.syx)"));
    QCOMPARE(prompts.shown[1].kind, ScriptedPrompts::Kind::Message);
    QCOMPARE(prompts.shown[2].text, typed + QStringLiteral(".syx"));
    // A name that exists nowhere is not asked about.
    QCOMPARE(dialog.Execute(prompts, nullptr), path(QStringLiteral("fresh.syx")));
    QCOMPARE(prompts.messages().size(), 2);
    QCOMPARE(dialog.Execute(prompts, nullptr), QString());
}

void TestFiles::readIsBounded_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("read");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("internal") << 174 << 174;
    QTest::newRow("full") << 1808 << 1808;
    QTest::newRow("one too many") << 1809 << 1809;
    QTest::newRow("huge") << 4 * 1024 * 1024 << 1809;
}

void TestFiles::readIsBounded()
{
    QFETCH(int, size);
    QFETCH(int, read);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7);
    const QString file = path(QStringLiteral("sized.syx"));
    writeFile(file, bytes);
    QCOMPARE(DumpFile::Read(file), bytes.first(read));
}

void TestFiles::readFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("start");
    QTest::newRow("folder") << "folder.syx" << "Cannot open file";
    QTest::newRow("missing") << "gone.syx" << "Cannot open file";
}

void TestFiles::readFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, start);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.syx")));
    try {
        DumpFile::Read(path(name));
        QFAIL("no error");
    } catch (const VentaroError &e) {
        QVERIFY2(e.text().startsWith(start), qPrintable(e.text()));
        QVERIFY(e.text().contains(name));
    }
}

void TestFiles::writeReplacesWholeFile()
{
    const QString file = path(QStringLiteral("replaced.syx"));
    writeFile(file, QByteArray(1808, 'x'));
    const QByteArray voice(174, 'v');
    DumpFile::Write(file, voice);
    QCOMPARE(fileBytes(file), voice);
    QVERIFY_THROWS_EXCEPTION(VentaroError,
                             DumpFile::Write(path(QStringLiteral("no/such/folder.syx")), voice));
}

void TestFiles::writeFailureKeepsOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes the write itself fail, even for root.
    const QString file = path(QStringLiteral("kept.syx"));
    const QByteArray old(174, 'o');
    writeFile(file, old);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    try {
        DumpFile::Write(file, QByteArray(1572, 'n'));
    } catch (const VentaroError &e) {
        error = e.text();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY2(error.startsWith(QLatin1String("Cannot write file")), qPrintable(error));
    QCOMPARE(fileBytes(file), old);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("kept*")}, QDir::Files),
             QStringList{QStringLiteral("kept.syx")});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestFiles::pickerWaysOfClosing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");        // row clicked before, -1 none
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("selected");
    QTest::newRow("OK, nothing selected") << "ok" << -1 << true << int(QDialog::Accepted) << -1;
    QTest::newRow("OK on a line") << "ok" << 2 << true << int(QDialog::Accepted) << 2;
    QTest::newRow("Enter") << "enter" << 1 << true << int(QDialog::Accepted) << 1;
    QTest::newRow("double-click") << "double" << -1 << true << int(QDialog::Accepted) << 3;
    QTest::newRow("Escape does nothing") << "escape" << 1 << false << -1 << 1;
    QTest::newRow("close box") << "close" << 1 << true << int(QDialog::Rejected) << 1;
}

void TestFiles::pickerWaysOfClosing()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(bool, closed);
    QFETCH(int, result);
    QFETCH(int, selected);

    TfmLibVoices picker;
    picker.lstVoices()->addItems(voiceLines(5));
    picker.setResult(-1);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QListWidget *list = picker.lstVoices();
    QCOMPARE(picker.selectedIndex(), -1);
    if (row >= 0)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());

    if (how == QLatin1String("ok"))
        QTest::mouseClick(picker.findChild<QPushButton *>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    else if (how == QLatin1String("enter"))
        QTest::keyClick(list, Qt::Key_Return);
    else if (how == QLatin1String("double"))
        doubleClickRow(list, 3);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(list, Qt::Key_Escape);
    else
        picker.close();

    QCOMPARE(picker.isVisible(), !closed);
    QCOMPARE(picker.result(), result);
    QCOMPARE(picker.selectedIndex(), selected);
}

void TestFiles::pickerExecFromTimer()
{
    TfmLibVoices picker;
    picker.lstVoices()->addItems(voiceLines(12));
    QTimer::singleShot(0, &picker, [&picker] { doubleClickRow(picker.lstVoices(), 10); });
    // Should the double-click go unseen, the test fails instead of hanging.
    QTimer::singleShot(10000, &picker, &QDialog::reject);
    QCOMPARE(picker.exec(), int(QDialog::Accepted));
    QCOMPARE(picker.selectedIndex(), 10);
}

void TestFiles::pickerListIsFixedPitch()
{
    // The voice numbers are right-aligned with blanks: they line up only in
    // a font whose blanks are as wide as digits.
    TfmLibVoices picker;
    const QFont font = picker.lstVoices()->font();
    QVERIFY(font.bold());
    const QFontMetrics metrics(font);
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("  1")),
             metrics.horizontalAdvance(QStringLiteral("123")));
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
