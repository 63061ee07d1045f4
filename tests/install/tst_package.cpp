#include "Command.h"
#include "DataColumns.h"
#include "InstalledFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

// The Debian package CPack makes of the built tree: lintian finds no error
// in it, its dependencies were computed, and it holds what an install puts
// under /usr.
class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lintianFindsNoError();
    void dependenciesComputed_data();
    void dependenciesComputed();
    void contents();

private:
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/ventaro-package-XXXXXX")};
    QString m_package;
};

void TestPackage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QElapsedTimer made;
    made.start();
    const Command cpack = Command::run(
        QStringLiteral(VENTARO_CPACK),
        {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), m_dir.path()},
        QProcessEnvironment::systemEnvironment(), 240000, QStringLiteral(VENTARO_BUILD_DIR));
    QVERIFY2(cpack.ok(), qPrintable(cpack.report()));
    const QStringList packages = QDir(m_dir.path()).entryList({QStringLiteral("*.deb")});
    QCOMPARE(packages.size(), 1);
    m_package = m_dir.filePath(packages.first());
    qInfo("%s made in %lld ms", qPrintable(packages.first()), made.elapsed());
}

void TestPackage::lintianFindsNoError()
{
    const Command lintian =
        Command::run(QStringLiteral("lintian"),
                     {QStringLiteral("--tag-display-limit"), QStringLiteral("0"), m_package});
    QVERIFY2(lintian.finished, qPrintable(lintian.report()));
    const QStringList errors =
        lintian.out.split(u'\n').filter(QRegularExpression(QStringLiteral("^E: ")));
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QVERIFY2(lintian.exitCode == 0, qPrintable(lintian.report()));
}

void TestPackage::dependenciesComputed_data()
{
    addColumns<QString>("library");
    QTest::newRow("widgets") << QStringLiteral("libqt6widgets6");
    QTest::newRow("rtmidi") << QStringLiteral("librtmidi");
    QTest::newRow("c library") << QStringLiteral("libc6");
}

void TestPackage::dependenciesComputed()
{
    QFETCH(QString, library);
    const Command depends =
        Command::run(QStringLiteral("dpkg-deb"),
                     {QStringLiteral("--field"), m_package, QStringLiteral("Depends")});
    QVERIFY2(depends.ok(), qPrintable(depends.report()));
    QVERIFY2(depends.out.contains(library), qPrintable(depends.out));
}

void TestPackage::contents()
{
    const Command list =
        Command::run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), m_package});
    QVERIFY2(list.ok(), qPrintable(list.report()));
    QStringList files;
    for (const QString &line : list.out.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'd'))
            continue;
        // "-rwxr-xr-x root/root 123 2026-12-08 12:00 ./usr/bin/ventaro"
        const QString path = line.section(u' ', -1);
        QVERIFY2(line.contains(QStringLiteral(" root/root ")), qPrintable(line));
        QVERIFY2(path.startsWith(QStringLiteral("./usr/")), qPrintable(path));
        files << path.mid(int(qstrlen("./usr/")));
    }
    files.sort();
    QCOMPARE(files, installedFiles());
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
