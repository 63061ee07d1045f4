#include "DataColumns.h"
#include "FileBytes.h"
#include "TestData.h"
#include "TfmVLDump.h"
#include "VentaroProgram.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// `ventaro FILE`, as the menu entry starts it for a file opened in the file
// manager: the first argument that is an existing file is opened in the
// window as "Open File..." would.
class TestOpenFileArgument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opens_data();
    void opens();

private:
    QTemporaryDir m_dir;
    QString m_voiceFile;
    QByteArray m_voice;
};

namespace {

// One internal voice dump, the first of a real bank.
constexpr qsizetype InternalVoiceBytes = 174;

} // namespace

void TestOpenFileArgument::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_voice = readTestData("VL70-A-1.syx").left(InternalVoiceBytes);
    m_voiceFile = m_dir.filePath(QStringLiteral("one voice.syx"));
    writeFile(m_voiceFile, m_voice);
}

void TestOpenFileArgument::opens_data()
{
    addColumns<QStringList, bool>("arguments", "held");
    const QString missing = m_dir.filePath(QStringLiteral("missing.syx"));
    QTest::newRow("file") << QStringList{QStringLiteral("ventaro"), m_voiceFile} << true;
    QTest::newRow("after what is no file")
        << QStringList{QStringLiteral("ventaro"), QStringLiteral("-x"), missing, m_dir.path(),
                       m_voiceFile}
        << true;
    QTest::newRow("none") << QStringList{QStringLiteral("ventaro")} << false;
    QTest::newRow("missing") << QStringList{QStringLiteral("ventaro"), missing} << false;
    QTest::newRow("folder") << QStringList{QStringLiteral("ventaro"), m_dir.path()} << false;
    // The program's own name is never taken for the file.
    QTest::newRow("program name") << QStringList{m_voiceFile} << false;
}

void TestOpenFileArgument::opens()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, held);
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    QVERIFY(app);
    VentaroProgram program(*app);
    program.openFileArgument(arguments);
    // Opened once the event loop runs, not before.
    QVERIFY(program.window().voiceData().isEmpty());
    QTest::qWait(50);
    QCOMPARE(program.window().voiceData(), held ? m_voice : QByteArray());
}

QTEST_MAIN(TestOpenFileArgument)
#include "tst_openfileargument.moc"
