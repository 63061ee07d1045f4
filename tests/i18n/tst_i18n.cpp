#include "DataColumns.h"
#include "FileBytes.h"
#include "MoCatalog.h"
#include "RaisedText.h"
#include "TranslationService.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

using Entries = QList<QPair<QByteArray, QByteArray>>;

const QByteArray Utf8Header("Content-Type: text/plain; charset=UTF-8\n");
const QString FrenchInstruction = QStringLiteral(
    "1: Allez dans UTIL / DUMPOUT \n2: S\u00e9lectionnez CURRENT\n3: Pressez ENTER 2 fois");
const QString InstructionCrLf =
    QStringLiteral("1: Go to UTIL / DUMPOUT \r\n2: select CURRENT\r\n3: press ENTER twice");

// A GNU MO file with `entries` (sorted by identifier as msgfmt does).
QByteArray buildMo(Entries entries, bool bigEndian = false)
{
    std::sort(entries.begin(), entries.end());
    const quint32 count = quint32(entries.size());
    const quint32 originals = 28;
    const quint32 translations = originals + 8 * count;
    quint32 next = translations + 8 * count;

    QByteArray tables, strings;
    auto word = [bigEndian](QByteArray &out, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            const int shift = bigEndian ? 24 - 8 * i : 8 * i;
            out.append(char((v >> shift) & 0xFF));
        }
    };
    QByteArray originalTable, translationTable;
    for (const auto &[id, text] : entries) {
        word(originalTable, quint32(id.size()));
        word(originalTable, next);
        strings += id + '\0';
        next += quint32(id.size()) + 1;
    }
    for (const auto &[id, text] : entries) {
        word(translationTable, quint32(text.size()));
        word(translationTable, next);
        strings += text + '\0';
        next += quint32(text.size()) + 1;
    }
    QByteArray mo;
    word(mo, 0x950412DEu);
    word(mo, 0);
    word(mo, count);
    word(mo, originals);
    word(mo, translations);
    word(mo, 0); // no hash table
    word(mo, next);
    return mo + originalTable + translationTable + strings;
}

// A catalog whose translations all point at one long text: small on disk,
// enormous once every entry holds a copy of it.
QByteArray sharedTextCatalog(int entries, int textBytes)
{
    Entries list{{"", Utf8Header}};
    for (int i = 0; i < entries; ++i)
        list.append({"k" + QByteArray::number(i).rightJustified(5, '0'), "t"});
    QByteArray mo = buildMo(list);
    const quint32 text = quint32(mo.size());
    mo += QByteArray(textBytes, 'x') + '\0';
    const qsizetype translations = 28 + 8 * (entries + 1);
    auto put = [&mo](qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            mo[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    for (int i = 1; i <= entries; ++i) { // entry 0 is the header
        put(translations + 8 * i, quint32(textBytes));
        put(translations + 8 * i + 4, text);
    }
    return mo;
}

QByteArray germanCatalog()
{
    return buildMo(
        {{"", Utf8Header}, {"Get Active Voice", "Aktive Stimme holen"}, {"Send", "Senden"}});
}

} // namespace

// An object with text properties of each kind, counting writes.
class TextHolder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QStringList lines READ lines WRITE setLines)
    Q_PROPERTY(QString fixedText READ fixedText)

public:
    using QObject::QObject;
    QString caption() const { return m_caption; }
    void setCaption(const QString &text)
    {
        m_caption = text;
        ++writes;
    }
    QStringList lines() const { return m_lines; }
    void setLines(const QStringList &lines)
    {
        m_lines = lines;
        ++writes;
    }
    QString fixedText() const { return QStringLiteral("Send"); }

    int writes = 0;

private:
    QString m_caption;
    QStringList m_lines;
};

class DerivedComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
};

// A window shaped like the program's: labels, buttons with hints, lists
// whose items must stay as built, and objects holding dialog texts.
struct TestWindow
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QLabel *prom = new QLabel(QStringLiteral("Prom type :"), window.get());
    QLabel *instruction = new QLabel(InstructionCrLf, window.get());
    QLabel *version = new QLabel(QStringLiteral("Version: "), window.get());
    QPushButton *import = new QPushButton(QStringLiteral("Get Active Voice"), window.get());
    QComboBox *bank = new QComboBox(window.get());
    DerivedComboBox *send = new DerivedComboBox(window.get());
    TextHolder *holder = new TextHolder(window.get());
    QLabel *nested = new QLabel(QStringLiteral("Bytes read : "), new QWidget(window.get()));

    TestWindow()
    {
        window->setWindowTitle(QStringLiteral("Ventaro = Voices in, voices out"));
        import->setToolTip(QStringLiteral("Import Voice via Midi IN"));
        import->setObjectName(QStringLiteral("Send"));
        bank->addItems({QStringLiteral("Cancel"), QStringLiteral("Close")});
        send->addItems({QStringLiteral("Send"), QStringLiteral("Play")});
        holder->setCaption(QStringLiteral("Choose SysEx file"));
        holder->setLines({QStringLiteral("Play"), QString(), QStringLiteral("Unknown"),
                          QStringLiteral("Close\r")});
        holder->writes = 0;
    }
};

class TestI18n : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_errors;

    std::unique_ptr<TranslationService> service(const QString &code, const QString &folder = {})
    {
        TranslationService::Setup setup{code, folder.isEmpty() ? m_dir.path() : folder,
                                        TranslationService::EmbeddedRoot,
                                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
        auto s = std::make_unique<TranslationService>(setup);
        s->setErrorReporter([this](const QString &text) { m_errors << text; });
        return s;
    }

    void comboItemsUnchanged(const TestWindow &w)
    {
        QCOMPARE(w.bank->itemText(0), QStringLiteral("Cancel"));
        QCOMPARE(w.bank->itemText(1), QStringLiteral("Close"));
        QCOMPARE(w.send->itemText(0), QStringLiteral("Send"));
        QCOMPARE(w.send->itemText(1), QStringLiteral("Play"));
    }

private slots:
    void init() { m_errors.clear(); }

    void languageCode_data()
    {
        addColumns<QByteArray, QString, QString>("lang", "locale", "expected");
        QTest::newRow("LANG with code set") << QByteArray("fr_FR.UTF-8") << "en_US"
                                            << "fr_FR";
        QTest::newRow("English LANG over French locale") << QByteArray("en_US.UTF-8") << "fr_FR"
                                                         << "en_US";
        QTest::newRow("LANG without code set") << QByteArray("de_DE") << "fr_FR"
                                               << "de_DE";
        QTest::newRow("modifier kept") << QByteArray("de_DE@euro") << ""
                                       << "de_DE@euro";
        QTest::newRow("LANG=C") << QByteArray("C") << "fr_FR"
                                << "C";
        QTest::newRow("no LANG, French locale") << QByteArray() << "fr_CA"
                                                << "fr_CA";
        QTest::newRow("no LANG, English locale") << QByteArray() << "en_GB"
                                                 << "en_GB";
        QTest::newRow("LANG only a code set") << QByteArray(".UTF-8") << "fr_BE"
                                              << "fr_BE";
        QTest::newRow("nothing at all") << QByteArray() << ""
                                        << "C";
    }

    void languageCode()
    {
        QFETCH(QByteArray, lang);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(TranslationService::languageCode(lang, [&] { return locale; }), expected);
    }

    void windowLanguage_data()
    {
        addColumns<QString, bool>("code", "french");
        QTest::newRow("fr_FR") << "fr_FR" << true;
        QTest::newRow("fr_CA") << "fr_CA" << true;
        QTest::newRow("fr_BE") << "fr_BE" << true;
        QTest::newRow("fr") << "fr" << true;
        QTest::newRow("upper-case FR matches the embedded path") << "FR" << true;
        QTest::newRow("en_US") << "en_US" << false;
        QTest::newRow("C") << "C" << false;
        QTest::newRow("de_DE without a German catalog") << "de_DE" << false;
        QTest::newRow("path-like code") << "../fr" << false;
    }

    void windowLanguage()
    {
        QFETCH(QString, code);
        QFETCH(bool, french);
        TestWindow w;
        auto s = service(code);
        s->IgnoreClassGlobally(QComboBox::staticMetaObject);
        s->TranslateWindow(w.window.get());

        const auto expect = [french](const char *fr, const char *en) {
            return QString::fromUtf8(french ? fr : en);
        };
        QCOMPARE(w.import->text(), expect("Obtenir la voix actice", "Get Active Voice"));
        QCOMPARE(w.import->toolTip(),
                 expect("Importer la voix par Midi IN", "Import Voice via Midi IN"));
        QCOMPARE(w.prom->text(), expect("Type de Puce :", "Prom type :"));
        QCOMPARE(w.nested->text(), expect("Octets lus : ", "Bytes read : "));
        QCOMPARE(w.window->windowTitle(),
                 expect("Ventaro = Des voix qui entrent, des voix qui sortent",
                        "Ventaro = Voices in, voices out"));
        QCOMPARE(w.holder->caption(),
                 expect("S\u00e9lectionnez un fichier SysEx", "Choose SysEx file"));
        // Found under its line-feed identifier, given back with line feeds.
        QCOMPARE(w.instruction->text(), french ? FrenchInstruction : InstructionCrLf);
        QCOMPARE(w.holder->lines(), french ? QStringList({"Jouer", "", "Unknown", "Fermer"})
                                           : QStringList({"Play", "", "Unknown", "Close\r"}));
        QCOMPARE(w.version->text(), QStringLiteral("Version: "));
        QCOMPARE(w.import->objectName(), QStringLiteral("Send"));
        comboItemsUnchanged(w);
        QCOMPARE(w.window->property(TranslationService::MarkerProperty).toString(), code);
        QCOMPARE(m_errors, QStringList());
    }

    void runTimeTexts_data()
    {
        addColumns<QString, QString>("text", "expected");
        QTest::newRow("trailing blank kept") << "Save "
                                             << "Enregistrer ";
        QTest::newRow("no voice") << "Save File as..."
                                  << "Enregistrer sous...";
        QTest::newRow("message") << "This is not a valid voice for VL70-m"
                                 << "Ce SysEx n'est pas une voix valide pour le VL70-m";
        QTest::newRow("carriage returns dropped for lookup")
            << "Your impressions about this software interest me:\r\nClick to send them to me ! "
            << "Vos impressions sur ce logiciel m'interessent:\nCliquez pour me les envoyer !";
        QTest::newRow("unknown text as it is") << "Version: "
                                               << "Version: ";
        QTest::newRow("unknown text keeps its carriage returns") << "a\r\nb"
                                                                 << "a\r\nb";
        QTest::newRow("empty text is not the header") << ""
                                                      << "";
    }

    void runTimeTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(service("fr_FR")->Translate(text), expected);
    }

    void translateWindowOncePerLanguage()
    {
        TestWindow w;
        auto french = service("fr_FR");
        french->TranslateWindow(w.window.get());
        QCOMPARE(w.holder->writes, 2); // the caption and the lines; the read-only text untouched

        w.prom->setText(QStringLiteral("Send"));
        french->TranslateWindow(w.window.get());
        QCOMPARE(w.prom->text(), QStringLiteral("Send"));
        QCOMPARE(w.holder->writes, 2);

        QTemporaryDir program;
        writeFile(program.filePath("locale/de/LC_MESSAGES/default.mo"), germanCatalog());
        service("de_DE", program.path())->TranslateWindow(w.window.get());
        QCOMPARE(w.prom->text(), QStringLiteral("Senden"));
        QCOMPARE(w.window->property(TranslationService::MarkerProperty).toString(),
                 QStringLiteral("de_DE"));
    }

    void ignoredClasses()
    {
        auto s = service("fr_FR");
        s->IgnoreClassGlobally(QComboBox::staticMetaObject);
        // A second registration fails.
        QCOMPARE(raisedText([&] { s->IgnoreClassGlobally(QComboBox::staticMetaObject); }),
                 QStringLiteral("You cannot add a class to the ignore list that is "
                                "already on that list: QComboBox"));
        // Everything below an ignored object stays as it is.
        s->IgnoreClassGlobally(TextHolder::staticMetaObject);
        TestWindow w;
        auto *below = new QLabel(QStringLiteral("Send"), w.bank);
        s->TranslateWindow(w.window.get());
        QCOMPARE(w.holder->caption(), QStringLiteral("Choose SysEx file"));
        QCOMPARE(below->text(), QStringLiteral("Send"));
        QCOMPARE(w.import->text(), QStringLiteral("Obtenir la voix actice"));

        // The list belongs to one service: another one starts empty.
        service("fr_FR")->IgnoreClassGlobally(QComboBox::staticMetaObject);
    }

    void diskCatalogs_data()
    {
        addColumns<QString, QString, QString>("code", "file", "expected");
        QTest::newRow("German catalog for German") << "de_DE"
                                                   << "locale/de/LC_MESSAGES/default.mo"
                                                   << "Aktive Stimme holen";
        QTest::newRow("full code on disk") << "de_AT"
                                           << "locale/de_AT/LC_MESSAGES/default.mo"
                                           << "Aktive Stimme holen";
        QTest::newRow("French on disk does not replace the embedded one")
            << "fr_FR"
            << "locale/fr/LC_MESSAGES/default.mo"
            << "Obtenir la voix actice";
        QTest::newRow("French on disk, other letter case") << "fr"
                                                           << "locale/FR/LC_MESSAGES/DEFAULT.MO"
                                                           << "Obtenir la voix actice";
        QTest::newRow("French full code on disk comes before embedded two letters")
            << "fr_FR"
            << "locale/fr_FR/LC_MESSAGES/default.mo"
            << "Aktive Stimme holen";
        QTest::newRow("German catalog not used for French") << "fr_CA"
                                                            << "locale/de/LC_MESSAGES/default.mo"
                                                            << "Obtenir la voix actice";
    }

    void diskCatalogs()
    {
        QFETCH(QString, code);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QTemporaryDir program;
        writeFile(program.filePath(file), germanCatalog());
        QCOMPARE(service(code, program.path())->Translate(QStringLiteral("Get Active Voice")),
                 expected);
        QCOMPARE(m_errors, QStringList());
    }

    void catalogFiles_data()
    {
        // error: %1 stands for the catalog's path
        addColumns<QByteArray, QString, QString>("bytes", "error", "expected");

        const QString notMo = QStringLiteral("This file is not a valid GNU gettext mo file: %1");
        const QString noUtf8 = QStringLiteral("The translation for the language code xx_YY (in %1) "
                                              "does not have charset=utf-8 in its "
                                              "Content-Type. Translations are turned off.");
        const QByteArray good = germanCatalog();

        QTest::newRow("valid") << good << QString() << "Senden";
        QTest::newRow("other byte order")
            << buildMo({{"", Utf8Header}, {"Send", "Senden"}}, true) << QString() << "Senden";
        QTest::newRow("charset in other letter case")
            << buildMo({{"", "Content-Type: text/plain; CharSet=utf-8\n"}, {"Send", "Senden"}})
            << QString() << "Senden";
        QTest::newRow("plural entry: singular form") << buildMo(
            {{"", Utf8Header}, {QByteArray("Send\0Sends", 10), QByteArray("Senden\0Sendet", 13)}})
                                                     << QString() << "Senden";
        QTest::newRow("empty file")
            << QByteArray() << QStringLiteral("Cannot create memory map on file %1") << "Send";
        QTest::newRow("not a catalog")
            << QByteArray("#: a text file, not a compiled catalog\n") << notMo << "Send";
        QTest::newRow("shorter than the header") << good.left(20) << notMo << "Send";
        QTest::newRow("truncated in the tables") << good.left(40) << notMo << "Send";
        QTest::newRow("truncated in the strings") << good.left(good.size() - 8) << notMo << "Send";

        QByteArray swapped = good;
        std::reverse(swapped.begin(), swapped.begin() + 4);
        QTest::newRow("magic of the other byte order, tables not") << swapped << notMo << "Send";

        QByteArray revision = good;
        revision[6] = 2; // major revision 2
        QTest::newRow("unknown major revision") << revision << notMo << "Send";

        QByteArray huge = good;
        huge.replace(8, 4, QByteArray(4, char(0xFF)));
        QTest::newRow("entry count beyond the file") << huge << notMo << "Send";

        QByteArray farString = good;
        farString.replace(28 + 4, 4, QByteArray("\xF0\xFF\xFF\x7F", 4));
        QTest::newRow("string offset beyond the file") << farString << notMo << "Send";

        QTest::newRow("no charset=UTF-8")
            << buildMo({{"", "Content-Type: text/plain; charset=ISO-8859-1\n"}, {"Send", "Senden"}})
            << noUtf8 << "Send";
        QTest::newRow("no header") << buildMo({{"Send", "Senden"}}) << noUtf8 << "Send";
        QTest::newRow("charset outside Content-Type") << buildMo(
            {{"", "X-Note: charset=UTF-8\nContent-Type: text/plain\n"}, {"Send", "Senden"}})
                                                      << noUtf8 << "Send";
    }

    void catalogFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(QString, expected);
        QTemporaryDir program;
        const QString path = QDir::toNativeSeparators(
            program.filePath(QStringLiteral("locale/xx/LC_MESSAGES/default.mo")));
        writeFile(path, bytes);

        TestWindow w;
        auto s = service(QStringLiteral("xx_YY"), program.path());
        w.prom->setText(QStringLiteral("Send"));
        s->TranslateWindow(w.window.get());
        QCOMPARE(w.prom->text(), expected);
        QCOMPARE(s->Translate(QStringLiteral("Send")), expected);
        QCOMPARE(s->Translate(QStringLiteral("Send")), expected);
        // Reported once, however often the domain is used afterwards.
        QCOMPARE(m_errors, error.isEmpty() ? QStringList() : QStringList{error.arg(path)});
    }

    void unreadableCatalog()
    {
        QTemporaryDir program;
        const QString path = QDir::toNativeSeparators(
            program.filePath(QStringLiteral("locale/xx/LC_MESSAGES/default.mo")));
        QVERIFY(QDir().mkpath(path)); // a folder where the file should be
        auto s = service(QStringLiteral("xx"), program.path());
        QCOMPARE(s->Translate(QStringLiteral("Send")), QStringLiteral("Send"));
        QCOMPARE(s->Translate(QStringLiteral("Send")), QStringLiteral("Send"));
        QCOMPARE(m_errors, QStringList{QStringLiteral("Cannot open file ") + path});
    }

    void domains()
    {
        QTemporaryDir program;
        writeFile(program.filePath("locale/de/LC_MESSAGES/default.mo"), germanCatalog());
        writeFile(program.filePath("locale/de/LC_MESSAGES/qt.mo"),
                  buildMo({{"", Utf8Header}, {"Send", "Abschicken"}, {"&Yes", "&Ja"}}));
        auto s = service(QStringLiteral("de"), program.path());
        s->AddResourceStringDomain(TranslationService::ToolkitDomain);
        s->AddResourceStringDomain(TranslationService::ToolkitDomain);
        QCOMPARE(s->resourceStringDomains(), QStringList({TranslationService::DefaultDomain,
                                                          TranslationService::ToolkitDomain}));
        QCOMPARE(s->translateResourceString(QStringLiteral("Send")), QStringLiteral("Senden"));
        QCOMPARE(s->translateResourceString(QStringLiteral("&Yes")), QStringLiteral("&Ja"));
        QCOMPARE(s->Translate(QStringLiteral("&Yes")), QStringLiteral("&Yes"));

        TextHolder holder;
        holder.setCaption(QStringLiteral("Send"));
        s->TranslateWindow(&holder, TranslationService::ToolkitDomain);
        QCOMPARE(holder.caption(), QStringLiteral("Abschicken"));
    }

    void toolkitTexts_data()
    {
        addColumns<QString, bool, QString>("code", "installed", "yes");
        QTest::newRow("French") << "fr_FR" << true << "&Oui";
        QTest::newRow("German") << "de_CH" << true << "&Ja";
        QTest::newRow("C") << "C" << false << "&Yes";
        QTest::newRow("no Qt catalog for the language") << "xx_YY" << false << "&Yes";
    }

    void toolkitTexts()
    {
        QFETCH(QString, code);
        QFETCH(bool, installed);
        QFETCH(QString, yes);
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_fr.qm"))
            QSKIP("Qt's own catalogs are not installed (qt6-translations-l10n)");
        auto s = service(code);
        QCOMPARE(s->installToolkitTranslations(*QCoreApplication::instance()), installed);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
        s.reset(); // the catalog leaves with its service
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
    }

    void compiledCatalog_data()
    {
        addColumns<QString, QString>("id", "text");
        const auto row = [](const char *id, const char *text) {
            QTest::newRow(id) << QString::fromUtf8(id) << QString::fromUtf8(text);
        };
        row(" Midi Ports: ", " Ports Midi: ");
        row("&Close", "&Fermer");
        row("1: Go to UTIL / DUMPOUT \n2: select CURRENT\n3: press ENTER twice",
            "1: Allez dans UTIL / DUMPOUT \n2: S\u00e9lectionnez CURRENT\n3: Pressez ENTER 2 fois");
        row("Bytes read : ", "Octets lus : ");
        row("Cancel", "Annuler");
        row("Choose SysEx file", "S\u00e9lectionnez un fichier SysEx");
        row("Click to play", "Cliquez pour jouer");
        row("Close", "Fermer");
        row("Device Number :", "N\u00b0 d'appareil :");
        row("Get Active Voice", "Obtenir la voix actice");
        row("Import Voice via Midi IN", "Importer la voix par Midi IN");
        row("Open File...", "Ouvrir le fichier...");
        row("Play", "Jouer");
        row("Prom type :", "Type de Puce :");
        row("Remote :", "T\u00e9l\u00e9commande :");
        row("Save ", "Enregistrer ");
        row("Save As File...", "Enregistrer le fichier...");
        row("Save File as...", "Enregistrer sous...");
        row("Save SysEx as...", "Enregistrer le SysEx sous...");
        row("Select patch :", "S\u00e9lection du patch :");
        row("Send", "Envoi");
        row("SysEx Files (*.syx)|*.syx", "Fichiers SysEx (*.syx)|*.syx");
        row("SysEx Files (*.syx)|*.syx|VLEditor Files (*.lib)|*.lib",
            "Fichiers SysEx (*.syx)|*.syx|Fichiers VLEditor (*.lib)|*.lib");
        row("This is not a valid voice for VL70-m",
            "Ce SysEx n'est pas une voix valide pour le VL70-m");
        row("Your impressions about this software interest me:\nClick to send them to me ! ",
            "Vos impressions sur ce logiciel m'interessent:\nCliquez pour me les envoyer !");
    }

    // The catalog built into the program, read back by GNU gettext's own
    // msgunfmt, holds every identifier with its text; this reader agrees.
    void compiledCatalog()
    {
        QFETCH(QString, id);
        QFETCH(QString, text);
        static QByteArray embedded;
        static QStringList unpacked;
        if (embedded.isEmpty()) {
            QFile resource(TranslationService::EmbeddedRoot
                           + QStringLiteral("/locale/fr/LC_MESSAGES/default.mo"));
            QVERIFY(resource.open(QIODevice::ReadOnly));
            embedded = resource.readAll();
            // One line per entry: "identifier" = "text";
            QProcess msgunfmt;
            msgunfmt.start(QStringLiteral(MSGUNFMT_EXECUTABLE),
                           {QStringLiteral("--stringtable-output"), QStringLiteral("--no-wrap"),
                            QStringLiteral("-")});
            QVERIFY(msgunfmt.waitForStarted());
            msgunfmt.write(embedded);
            msgunfmt.closeWriteChannel();
            QVERIFY(msgunfmt.waitForFinished());
            QCOMPARE(msgunfmt.exitCode(), 0);
            unpacked = QString::fromUtf8(msgunfmt.readAllStandardOutput()).split(QLatin1Char('\n'));
            QVERIFY(unpacked.first().contains(QStringLiteral("charset=UTF-8")));
        }
        const auto quoted = [](QString t) {
            t.replace(QLatin1String("\\"), QLatin1String("\\\\"));
            t.replace(QLatin1String("\""), QLatin1String("\\\""));
            t.replace(QLatin1String("\n"), QLatin1String("\\n"));
            return QLatin1Char('"') + t + QLatin1Char('"');
        };
        QVERIFY2(
            unpacked.contains(quoted(id) + QStringLiteral(" = ") + quoted(text) + QLatin1Char(';')),
            qPrintable(id));
        const auto catalog = MoCatalog::parse(embedded);
        QVERIFY(catalog && catalog->declaresUtf8());
        QCOMPARE(QString::fromUtf8(catalog->lookup(id.toUtf8()).value_or("missing")), text);
    }

    // Entries that share their bytes cost memory and time far beyond the
    // file's size: such a catalog is refused, a plain one of the same size
    // is read.
    void sharedTextsCostNoMoreThanTheFile()
    {
        const QByteArray shared = sharedTextCatalog(2000, 160000);
        QVERIFY(!MoCatalog::parse(shared).has_value());
        Entries plain{{"", Utf8Header}};
        for (int i = 0; i < 2000; ++i)
            plain.append({"k" + QByteArray::number(i), QByteArray(80, 'y')});
        const QByteArray mo = buildMo(plain);
        QVERIFY(mo.size() >= shared.size() / 2);
        QCOMPARE(MoCatalog::parse(mo)->size(), 2001);
    }

    void compiledCatalogHasNoStrayEntries()
    {
        QFile resource(TranslationService::EmbeddedRoot
                       + QStringLiteral("/locale/fr/LC_MESSAGES/default.mo"));
        QVERIFY(resource.open(QIODevice::ReadOnly));
        // Exactly the French source's entries (its header included), each
        // once: nothing compiled in that the source does not hold.
        QFile source(QStringLiteral(VENTARO_SOURCE_DIR "/po/fr.po"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        int entries = 0;
        while (!source.atEnd())
            entries += source.readLine().startsWith("msgid ") ? 1 : 0;
        QVERIFY(entries > 60);
        QCOMPARE(MoCatalog::parse(resource.readAll())->size(), qsizetype(entries));
    }
};

QTEST_MAIN(TestI18n)
#include "tst_i18n.moc"
