#include "Command.h"
#include "DataColumns.h"
#include "FileBytes.h"
#include "InstalledFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

// Installs the build into a temporary folder (DESTDIR, prefix /usr) and
// checks what came out: validators, manual pages, and the program run from
// there with its folder read-only.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesInstalled();
    void iconSizes_data();
    void iconSizes();
    void desktopEntryValidates();
    void metainfoValidates();
    void mimeTypeForSyx();
    void manualPages_data();
    void manualPages();
    void versions_data();
    void versions();
    void windowKeepsSlotNamesInUserFolder_data();
    void windowKeepsSlotNamesInUserFolder();

private:
    QString prefix() const { return m_dir.filePath(QStringLiteral("root/usr")); }
    QString installed(const QString &relative) const { return prefix() + u'/' + relative; }
    // A child run as another user than root, where a read-only folder is
    // read-only indeed (root may write anywhere).
    static bool asRoot() { return ::geteuid() == 0; }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/ventaro-install-XXXXXX")};
};

namespace {

constexpr uid_t NobodyId = 65534;
const QString AppId = QStringLiteral("org.example.ventaro");
const QString SysexType = QStringLiteral("application/x-sysex");

QString readText(const QString &path)
{
    return QString::fromUtf8(fileBytes(path));
}

// The value of `key` in a desktop entry's text, empty when absent.
QString desktopValue(const QString &text, const QString &key)
{
    for (const QString &line : text.split(u'\n'))
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    return QString();
}

// Everyone may enter and write, so that the program run as another user can.
void openToAll(const QString &path)
{
    QFile::setPermissions(
        path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                  | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                  | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
}

// The sanitizer's suppression file, which may lie in a folder only root
// enters, copied beside it for the other user to read.
bool readableByAll(QProcessEnvironment &env, const QString &variable, const QString &folder)
{
    static const QRegularExpression file(QStringLiteral("suppressions=([^:]+)"));
    QString options = env.value(variable);
    const QRegularExpressionMatch found = file.match(options);
    if (!found.hasMatch())
        return true;
    const QString copy = folder + QStringLiteral("/lsan.supp");
    QFile::remove(copy);
    if (!QFile::copy(found.captured(1), copy))
        return false;
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                    | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    env.insert(variable, options.replace(found.capturedStart(1), found.capturedLength(1), copy));
    return true;
}

// True once the process has its own handler for SIGTERM (Linux's view of it).
bool catchesTerm(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromLatin1(status.readAll());
    const QRegularExpressionMatch caught =
        QRegularExpression(QStringLiteral("SigCgt:\\s*([0-9a-f]+)")).match(text);
    return caught.hasMatch()
           && (caught.captured(1).toULongLong(nullptr, 16) & (1ULL << (SIGTERM - 1))) != 0;
}

} // namespace

void TestInstall::initTestCase()
{
    QVERIFY(m_dir.isValid());
    openToAll(m_dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), m_dir.filePath(QStringLiteral("root")));
    const Command install =
        Command::run(QStringLiteral(VENTARO_CMAKE),
                     {QStringLiteral("--install"), QStringLiteral(VENTARO_BUILD_DIR),
                      QStringLiteral("--prefix"), QStringLiteral("/usr")},
                     env);
    QVERIFY2(install.ok(), qPrintable(install.report()));
}

void TestInstall::filesInstalled()
{
    QStringList found;
    QDirIterator it(prefix(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(prefix()).relativeFilePath(it.next());
    found.sort();
    QCOMPARE(found, installedFiles());
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/ventaro"))).isExecutable());
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/ventaro-sim"))).isExecutable());
}

void TestInstall::iconSizes_data()
{
    addColumns<int>("size");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

void TestInstall::iconSizes()
{
    QFETCH(int, size);
    const QImage icon(
        installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/ventaro.png").arg(size)));
    QCOMPARE(icon.size(), QSize(size, size));
    // Drawn, not blank: the corners are clear and the middle is not.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QVERIFY(qAlpha(icon.pixel(size / 2, size / 2)) > 0);
}

void TestInstall::desktopEntryValidates()
{
    const QString entry = installed(QStringLiteral("share/applications/ventaro.desktop"));
    const Command validate = Command::run(QStringLiteral("desktop-file-validate"), {entry});
    QVERIFY2(validate.ok() && validate.out.isEmpty(), qPrintable(validate.report()));

    const QString text = readText(entry);
    QCOMPARE(desktopValue(text, QStringLiteral("Categories")),
             QStringLiteral("Audio;Midi;AudioVideo;"));
    QVERIFY(!desktopValue(text, QStringLiteral("GenericName[fr]")).isEmpty());
    QVERIFY(!desktopValue(text, QStringLiteral("Comment[fr]")).isEmpty());
    // The file manager hands the file it opens with Ventaro over as FILE.
    QCOMPARE(desktopValue(text, QStringLiteral("Exec")), QStringLiteral("ventaro %f"));
    QCOMPARE(desktopValue(text, QStringLiteral("Icon")), QStringLiteral("ventaro"));
}

void TestInstall::metainfoValidates()
{
    const QString metainfo = installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(AppId));
    const Command validate = Command::run(QStringLiteral("appstreamcli"),
                                          {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                           QStringLiteral("--no-color"), metainfo});
    QVERIFY2(validate.ok(), qPrintable(validate.report()));
    const QString text = readText(metainfo);
    QVERIFY(text.contains(QStringLiteral("<release version=\"%1\"").arg(VENTARO_VERSION)));
    QVERIFY(text.contains(QStringLiteral("<launchable type=\"desktop-id\">ventaro.desktop<")));
}

void TestInstall::mimeTypeForSyx()
{
    // The type the menu entry names is the one the MIME file defines for *.syx.
    const QString mime = readText(installed(QStringLiteral("share/mime/packages/ventaro.xml")));
    QVERIFY(mime.contains(QStringLiteral("<mime-type type=\"%1\">").arg(SysexType)));
    QVERIFY(mime.contains(QStringLiteral("<glob pattern=\"*.syx\"/>")));
    const QString entry = readText(installed(QStringLiteral("share/applications/ventaro.desktop")));
    QVERIFY(entry.contains(QStringLiteral("MimeType=%1;").arg(SysexType)));

    // The database built from it answers *.syx with that type.
    const QString mimeCopy = m_dir.filePath(QStringLiteral("mime"));
    QVERIFY(QDir().mkpath(mimeCopy + QStringLiteral("/packages")));
    QVERIFY(QFile::copy(installed(QStringLiteral("share/mime/packages/ventaro.xml")),
                        mimeCopy + QStringLiteral("/packages/ventaro.xml")));
    const Command update = Command::run(QStringLiteral("update-mime-database"), {mimeCopy});
    QVERIFY2(update.ok(), qPrintable(update.report()));
    QVERIFY(readText(mimeCopy + QStringLiteral("/globs2"))
                .contains(SysexType + QStringLiteral(":*.syx")));
}

void TestInstall::manualPages_data()
{
    addColumns<QString, QStringList>("page", "mentions");
    QTest::newRow("ventaro") << QStringLiteral("ventaro")
                             << QStringList{QStringLiteral("THE WINDOW"),
                                            QStringLiteral("COMMAND LINE"),
                                            QStringLiteral("ENVIRONMENT"),
                                            QStringLiteral("VENTARO_MIDI_API"),
                                            QStringLiteral("LANG"),
                                            QStringLiteral("JACK_DEFAULT_SERVER"),
                                            QStringLiteral("ventaro receive"),
                                            QStringLiteral("ventaro-sim(1)")};
    QTest::newRow("ventaro-sim") << QStringLiteral("ventaro-sim")
                                 << QStringList{QStringLiteral("OPTIONS"), QStringLiteral("--bank"),
                                                QStringLiteral("VENTARO_MIDI_API"),
                                                QStringLiteral("ventaro(1)")};
}

void TestInstall::manualPages()
{
    QFETCH(QString, page);
    QFETCH(QStringList, mentions);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("MAN_KEEP_FORMATTING"), QString());
    const Command man =
        Command::run(QStringLiteral("man"),
                     {QStringLiteral("--warnings"), QStringLiteral("-l"),
                      installed(QStringLiteral("share/man/man1/%1.1.gz").arg(page))},
                     env);
    QVERIFY2(man.ok(), qPrintable(man.report()));
    QVERIFY2(man.err.isEmpty(), qPrintable(man.err));
    for (const QString &mention : mentions)
        QVERIFY2(man.out.contains(mention), qPrintable(mention));
}

void TestInstall::versions_data()
{
    addColumns<QString>("program");
    QTest::newRow("ventaro-sim") << QStringLiteral("ventaro-sim");
    QTest::newRow("ventaro") << QStringLiteral("ventaro");
}

void TestInstall::versions()
{
    QFETCH(QString, program);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VENTARO_MIDI_API"), QStringLiteral("alsa"));
    env.insert(QStringLiteral("JACK_NO_START_SERVER"), QStringLiteral("1"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(installed(QStringLiteral("bin/") + program), {QStringLiteral("--version")});
    QVERIFY(process.waitForStarted());
    if (!process.waitForFinished(10000)) {
        // A window opened instead: --version must not need one.
        process.terminate();
        process.waitForFinished();
        QFAIL("--version did not exit");
    }
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QString::fromUtf8(process.readAllStandardOutput())
                .contains(QStringLiteral(VENTARO_VERSION)));
}

void TestInstall::windowKeepsSlotNamesInUserFolder_data()
{
    // Whether the program's own folder is writable to the user who runs it
    // (root runs an installed program whose folder root may write into).
    QTest::addColumn<bool>("binWritable");
    QTest::newRow("program folder read-only to the user") << false;
    QTest::newRow("program folder writable to the user") << true;
}

void TestInstall::windowKeepsSlotNamesInUserFolder()
{
    QFETCH(bool, binWritable);
    // A user of their own: the slot names the program finds there at start
    // it writes back there on closing (as CR LF lines), nothing beside it.
    const QString home = m_dir.filePath(QStringLiteral("home"));
    const QString data = home + QStringLiteral("/data");
    const QString slotFolder = data + QStringLiteral("/Ventaro");
    QVERIFY(QDir().mkpath(slotFolder));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/config")));
    for (const QString &folder : {home, data, slotFolder, home + QStringLiteral("/config")})
        openToAll(folder);
    QByteArray custom;
    for (int slot = 1; slot <= 6; ++slot)
        custom += QByteArray::number(slot) + ": Mine " + QByteArray::number(slot) + '\n';
    QByteArray internal;
    for (int slot = 1; slot <= 64; ++slot)
        internal += QByteArray::number(slot) + ": Kept " + QByteArray::number(slot) + '\n';
    writeFile(slotFolder + QStringLiteral("/custom.txt"), custom);
    writeFile(slotFolder + QStringLiteral("/internal.txt"), internal);
    openToAll(slotFolder + QStringLiteral("/custom.txt"));
    openToAll(slotFolder + QStringLiteral("/internal.txt"));

    const QString bin = installed(QStringLiteral("bin"));
    const QFileDevice::Permissions binPermissions = QFile::permissions(bin);
    const bool asNobody = asRoot() && !binWritable;
    if (!asRoot() && !binWritable)
        QFile::setPermissions(bin, binPermissions
                                       & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser
                                           | QFileDevice::WriteGroup | QFileDevice::WriteOther));
    const auto restore = qScopeGuard([&] { QFile::setPermissions(bin, binPermissions); });

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), data);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    // The French catalog comes from inside the program; a failure would
    // stand in an error box that keeps the program from ending.
    env.insert(QStringLiteral("LANG"), QStringLiteral("fr_FR.UTF-8"));
    // No MIDI system here, and no JACK server started for this user.
    env.insert(QStringLiteral("VENTARO_MIDI_API"), QStringLiteral("alsa"));
    env.insert(QStringLiteral("JACK_NO_START_SERVER"), QStringLiteral("1"));
    if (asNobody)
        QVERIFY(readableByAll(env, QStringLiteral("LSAN_OPTIONS"), m_dir.path()));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home);
    const QString program = installed(QStringLiteral("bin/ventaro"));
    if (asNobody)
        process.start(QStringLiteral("setpriv"),
                      {QStringLiteral("--reuid=%1").arg(NobodyId),
                       QStringLiteral("--regid=%1").arg(NobodyId), QStringLiteral("--clear-groups"),
                       QStringLiteral("--"), program});
    else
        process.start(program, {});
    QVERIFY(process.waitForStarted());
    auto stop = qScopeGuard([&] {
        process.kill();
        process.waitForFinished();
    });

    // SIGTERM closes the window as its close button does once the program
    // listens for it; the window has its first event loop turn meanwhile.
    QElapsedTimer waited;
    waited.start();
    while (!catchesTerm(process.processId()) && process.state() == QProcess::Running
           && waited.elapsed() < 60000)
        QThread::msleep(20);
    QVERIFY2(process.state() == QProcess::Running,
             qPrintable(QString::fromUtf8(process.readAllStandardError())));
    QVERIFY(catchesTerm(process.processId()));
    process.terminate();
    const bool ended = process.waitForFinished(60000);
    const QString printed = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(ended, "the program did not end: an error box at start-up?");
    stop.dismiss();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, qPrintable(printed));

    QFile written(slotFolder + QStringLiteral("/custom.txt"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray(custom).replace("\n", "\r\n"));
    QFile writtenInternal(slotFolder + QStringLiteral("/internal.txt"));
    QVERIFY(writtenInternal.open(QIODevice::ReadOnly));
    QCOMPARE(writtenInternal.readAll(), QByteArray(internal).replace("\n", "\r\n"));
    QCOMPARE(QDir(bin).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("ventaro"), QStringLiteral("ventaro-sim")}));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
