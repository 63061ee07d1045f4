#include "DataColumns.h"
#include "FileBytes.h"
#include "RegEdit.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {
const QString MidiKey = RegSettingsRoot + QStringLiteral("VL70-m\\Midi");
const QString ProgramKey = RegSettingsRoot + QStringLiteral("VL70-m");
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstRunGivesDefaults();
    void stringsRoundTrip_data();
    void stringsRoundTrip();
    void integersRoundTrip_data();
    void integersRoundTrip();
    void integerFromStoredText_data();
    void integerFromStoredText();
    void stringFromStoredInteger();
    void keyPathsBecomeGroups_data();
    void keyPathsBecomeGroups();
    void writingKeepsOtherValues();
    void unwritableStoreReportsFalse();
    void handEditedListReadsAsText();
    void unparsableFileReadsEmptyAtEveryRead_data();
    void unparsableFileReadsEmptyAtEveryRead();
    void badValueNames_data();
    void badValueNames();
    void currentUserStoreStaysInConfigHome();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    RegRoot m_root;
    QString m_file;
};

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("settings.ini"));
    m_root = RegRoot::iniFile(m_file);
}

void TestSettings::firstRunGivesDefaults()
{
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("In"), QString()), QString());
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("Out"), QStringLiteral("x")),
             QStringLiteral("x"));
    QCOMPARE(ReadRegInteger(m_root, MidiKey, QStringLiteral("ID"), 0), 0);
    QCOMPARE(ReadRegInteger(m_root, ProgramKey, QStringLiteral("Prom"), 7), 7);
    // Reading creates nothing.
    QVERIFY(!QFile::exists(m_file));
}

void TestSettings::stringsRoundTrip_data()
{
    addColumns<QString>("value");
    QTest::newRow("device name") << QStringLiteral("USB MIDI Interface 1");
    QTest::newRow("empty") << QString();
    QTest::newRow("comma") << QStringLiteral("Port 1, Port 2");
    QTest::newRow("accents") << QStringLiteral("Périphérique MIDI");
    QTest::newRow("backslash and slash") << QStringLiteral("a\\b/c");
    QTest::newRow("looks like a number") << QStringLiteral("300");
    QTest::newRow("leading blanks") << QStringLiteral("  Synth ");
}

void TestSettings::stringsRoundTrip()
{
    QFETCH(QString, value);
    QVERIFY(WriteRegString(m_root, MidiKey, QStringLiteral("In"), value));
    // A stored empty string reads back empty, not as the default.
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("In"), QStringLiteral("default")),
             value);
}

void TestSettings::integersRoundTrip_data()
{
    addColumns<qint32>("value");
    QTest::newRow("zero") << 0;
    QTest::newRow("15") << 15;
    QTest::newRow("300") << 300;
    QTest::newRow("-1") << -1;
    QTest::newRow("min") << std::numeric_limits<qint32>::min();
    QTest::newRow("max") << std::numeric_limits<qint32>::max();
}

void TestSettings::integersRoundTrip()
{
    QFETCH(qint32, value);
    QVERIFY(WriteRegInteger(m_root, MidiKey, QStringLiteral("ID"), value));
    QCOMPARE(ReadRegInteger(m_root, MidiKey, QStringLiteral("ID"), 12345), value);
}

void TestSettings::integerFromStoredText_data()
{
    addColumns<QString, qint32>("text", "expected");
    QTest::newRow("decimal") << QStringLiteral("42") << 42;
    QTest::newRow("negative") << QStringLiteral("-5") << -5;
    QTest::newRow("all 32 bits set") << QStringLiteral("4294967295") << -1;
    QTest::newRow("33 bits") << QStringLiteral("4294967296") << 77;
    QTest::newRow("below 32 bits") << QStringLiteral("-2147483649") << 77;
    QTest::newRow("word") << QStringLiteral("abc") << 77;
    QTest::newRow("number then text") << QStringLiteral("12abc") << 77;
    QTest::newRow("hex") << QStringLiteral("0x10") << 77;
    QTest::newRow("empty") << QString() << 77;
}

void TestSettings::integerFromStoredText()
{
    QFETCH(QString, text);
    QFETCH(qint32, expected);
    QVERIFY(WriteRegString(m_root, ProgramKey, QStringLiteral("Prom"), text));
    QCOMPARE(ReadRegInteger(m_root, ProgramKey, QStringLiteral("Prom"), 77), expected);
}

void TestSettings::stringFromStoredInteger()
{
    QVERIFY(WriteRegInteger(m_root, MidiKey, QStringLiteral("Out"), 300));
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("Out"), QString()),
             QStringLiteral("300"));
}

void TestSettings::keyPathsBecomeGroups_data()
{
    addColumns<QString>("path");
    QTest::newRow("as built") << QStringLiteral("Software\\Tervalinduna\\VL70-m\\Midi");
    QTest::newRow("trailing backslash") << QStringLiteral("Software\\Tervalinduna\\VL70-m\\Midi\\");
    QTest::newRow("doubled backslash") << QStringLiteral("Software\\Tervalinduna\\\\VL70-m\\Midi");
}

void TestSettings::keyPathsBecomeGroups()
{
    QFETCH(QString, path);
    QVERIFY(WriteRegString(m_root, path, QStringLiteral("Out"), QStringLiteral("Synth")));
    QSettings file(m_file, QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Software/Tervalinduna/VL70-m/Midi/Out")).toString(),
             QStringLiteral("Synth"));
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("Out"), QString()),
             QStringLiteral("Synth"));
}

void TestSettings::writingKeepsOtherValues()
{
    QVERIFY(WriteRegString(m_root, MidiKey, QStringLiteral("In"), QStringLiteral("Old in")));
    QVERIFY(WriteRegString(m_root, MidiKey, QStringLiteral("Out"), QStringLiteral("Out 1")));
    QVERIFY(WriteRegInteger(m_root, ProgramKey, QStringLiteral("Prom"), 2));
    QVERIFY(WriteRegString(m_root, MidiKey, QStringLiteral("Out"), QStringLiteral("Out 2")));
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("In"), QString()),
             QStringLiteral("Old in"));
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("Out"), QString()),
             QStringLiteral("Out 2"));
    QCOMPARE(ReadRegInteger(m_root, ProgramKey, QStringLiteral("Prom"), 0), 2);
}

void TestSettings::unwritableStoreReportsFalse()
{
    // A settings file whose folder is a plain file can never be created.
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    writeFile(blocker, {});
    const RegRoot root = RegRoot::iniFile(blocker + QStringLiteral("/settings.ini"));
    QVERIFY(!WriteRegString(root, MidiKey, QStringLiteral("In"), QStringLiteral("x")));
    QVERIFY(!WriteRegInteger(root, MidiKey, QStringLiteral("ID"), 3));
    QCOMPARE(ReadRegInteger(root, MidiKey, QStringLiteral("ID"), 9), 9);
}

void TestSettings::handEditedListReadsAsText()
{
    writeFile(m_file, "[Software]\nTervalinduna\\VL70-m\\Midi\\In=Port A, Port B\n"
                      "Tervalinduna\\VL70-m\\Midi\\ID=3, 4\n");
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("In"), QString()),
             QStringLiteral("Port A, Port B"));
    QCOMPARE(ReadRegInteger(m_root, MidiKey, QStringLiteral("ID"), 0), 0);
}

void TestSettings::unparsableFileReadsEmptyAtEveryRead_data()
{
    addColumns<QByteArray>("damage");
    QTest::newRow("group line missing its ]") << QByteArray("[Broken\n");
    QTest::newRow("key line without =") << QByteArray("[Other]\nnot a key\n");
}

// A settings file Qt cannot parse reads the same at every read, in any
// order and from any number of roots: as empty. Writing leaves it as it is.
void TestSettings::unparsableFileReadsEmptyAtEveryRead()
{
    QFETCH(QByteArray, damage);
    QVERIFY(WriteRegString(m_root, MidiKey, QStringLiteral("In"), QStringLiteral("Port A")));
    QVERIFY(WriteRegString(m_root, MidiKey, QStringLiteral("Out"), QStringLiteral("Port B")));
    QVERIFY(WriteRegInteger(m_root, MidiKey, QStringLiteral("ID"), 5));
    const QByteArray damaged = damage + fileBytes(m_file);
    writeFile(m_file, damaged);

    QVERIFY(regFileUnreadable(m_root));
    for (int round = 0; round < 2; ++round) {
        const RegRoot root = RegRoot::iniFile(m_file);
        QCOMPARE(ReadRegString(root, MidiKey, QStringLiteral("In"), QString()), QString());
        QCOMPARE(ReadRegInteger(root, MidiKey, QStringLiteral("ID"), 0), 0);
        QCOMPARE(ReadRegString(root, MidiKey, QStringLiteral("Out"), QString()), QString());
    }
    QVERIFY(!WriteRegString(m_root, MidiKey, QStringLiteral("Out"), QStringLiteral("Port C")));
    QCOMPARE(fileBytes(m_file), damaged);
}

void TestSettings::badValueNames_data()
{
    addColumns<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("slash") << QStringLiteral("Midi/In");
    QTest::newRow("backslash") << QStringLiteral("Midi\\In");
}

void TestSettings::badValueNames()
{
    QFETCH(QString, name);
    QVERIFY(!WriteRegString(m_root, ProgramKey, name, QStringLiteral("x")));
    QVERIFY(!WriteRegInteger(m_root, ProgramKey, name, 1));
    QCOMPARE(ReadRegString(m_root, ProgramKey, name, QStringLiteral("d")), QStringLiteral("d"));
    QCOMPARE(ReadRegInteger(m_root, ProgramKey, name, 5), 5);
    // Nothing was written under the key either.
    QCOMPARE(ReadRegString(m_root, MidiKey, QStringLiteral("In"), QStringLiteral("d")),
             QStringLiteral("d"));
}

void TestSettings::currentUserStoreStaysInConfigHome()
{
#ifdef Q_OS_WIN
    QSKIP("the current user's store is the registry here");
#else
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        QSKIP("run through CTest, which points XDG_CONFIG_HOME into the build tree");
    const RegRoot root = RegRoot::currentUser();
    QVERIFY(WriteRegInteger(root, ProgramKey, QStringLiteral("Prom"), 1));
    QVERIFY(root.openSettings()->fileName().startsWith(configHome + QLatin1Char('/')));
    QCOMPARE(ReadRegInteger(root, ProgramKey, QStringLiteral("Prom"), 0), 1);
#endif
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
