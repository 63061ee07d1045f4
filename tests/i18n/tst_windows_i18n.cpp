// The program's real windows in the user's language: the main window, the
// Import SysEx window and the About window, each as the program builds and
// opens it, and the texts the main window builds at run time.

#include "DataColumns.h"
#include "FrontPanelRemote.h"
#include "MainWindowRig.h"
#include "RegEdit.h"
#include "TMidiCorvoIn.h"
#include "TVLManager.h"
#include "TestData.h"
#include "TfmVLDump.h"
#include "TranslationService.h"
#include "VentaroProgram.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace {

// Given as the only argument, the program prints what the main window shows
// when built on the process's own language (LANG, else the locale).
const char *const ShowLanguageSwitch = "--show-language";

const QString GetVoiceFrench = QStringLiteral("Obtenir la voix actice");

// One text of a window: the object (empty: the window itself), its
// property, and the text in English and in French (null: stays English).
struct WindowText
{
    const char *object;
    const char *property;
    const char *english;
    const char *french;
};

// Every text of the main window, as laid out and after FormCreate.
const WindowText MainWindowTexts[] = {
    {"btnImport", "text", "Get Active Voice", "Obtenir la voix actice"},
    {"btnImport", "toolTip", "Import Voice via Midi IN", "Importer la voix par Midi IN"},
    {"GroupBox1", "title", " Midi Ports: ", " Ports Midi: "},
    {"BitBtn1", "text", "&Close", "&Fermer"},
    {"Label3", "text", "Device Number :", "N\u00b0 d'appareil :"},
    {"Label5", "text", "Prom type :", "Type de Puce :"},
    {"Label4", "text", "Select patch :", "S\u00e9lection du patch :"},
    {"Label6", "text", "Remote :", "T\u00e9l\u00e9commande :"},
    {"btnOpen", "text", "Open File...", "Ouvrir le fichier..."},
    {"btnSave", "text", "Save As File...", "Enregistrer le fichier..."},
    {"btnExport", "text", "Send", "Envoi"},
    {"MIDIKeys1", "toolTip", "Click to play", "Cliquez pour jouer"},
    {"lblPlay", "toolTip", "Play", "Jouer"},
    {"OpenDialog1", "Title", "Choose SysEx file", "S\u00e9lectionnez un fichier SysEx"},
    {"OpenDialog1", "Filter", "SysEx Files (*.syx)|*.syx|VLEditor Files (*.lib)|*.lib",
     "Fichiers SysEx (*.syx)|*.syx|Fichiers VLEditor (*.lib)|*.lib"},
    {"SaveDialog1", "Title", "Save SysEx as...", "Enregistrer le SysEx sous..."},
    {"SaveDialog1", "Filter", "SysEx Files (*.syx)|*.syx", "Fichiers SysEx (*.syx)|*.syx"},
    // Texts without a catalog entry stay as laid out.
    {"GroupBox4", "title", " VL70-m: ", nullptr},
    {"Label1", "text", "Midi In:", nullptr},
    {"lblDest", "text", "Destination :", nullptr},
    {"lblUtil", "toolTip", "ALT + U", nullptr},
    {"", "windowTitle", "Ventaro - freeware by Tervalinduna", nullptr},
};

const WindowText ImportWindowTexts[] = {
    {"Label2", "text", "1: Go to UTIL / DUMPOUT \n2: select CURRENT\n3: press ENTER twice",
     "1: Allez dans UTIL / DUMPOUT \n2: S\u00e9lectionnez CURRENT\n3: Pressez ENTER 2 fois"},
    {"Label1", "text", "Bytes read : ", "Octets lus : "},
    {"BitBtn1", "text", "Cancel", "Annuler"},
    {"lblPlay", "toolTip", "Play", "Jouer"},
    {"", "windowTitle", "Import SysEx", nullptr},
};

const WindowText AboutWindowTexts[] = {
    {"", "windowTitle", "Ventaro = Voices in, voices out",
     "Ventaro = Des voix qui entrent, des voix qui sortent"},
    {"SpeedButton1", "text", "Close", "Fermer"},
    {"Label2", "toolTip",
     "Your impressions about this software interest me:\nClick to send them to me ! ",
     "Vos impressions sur ce logiciel m'interessent:\nCliquez pour me les envoyer !"},
    {"Label1", "toolTip", "Visit the Ventaro project page", "Visitez la page du projet Ventaro"},
    // Set after the translation: never translated.
    {"lblVersion", "text", "Version: " VENTARO_VERSION, nullptr},
};

// Where each text stands now, "object.property: text", for one comparison
// that names every text that differs.
template <size_t N>
QStringList actualTexts(const QObject *window, const WindowText (&texts)[N])
{
    QStringList result;
    for (const WindowText &t : texts) {
        const QObject *object =
            *t.object ? window->findChild<QObject *>(QString::fromLatin1(t.object)) : window;
        const QString text =
            object ? object->property(t.property).toString() : QStringLiteral("<missing>");
        result << QStringLiteral("%1.%2: %3").arg(t.object, t.property, text);
    }
    return result;
}

template <size_t N>
QStringList expectedTexts(const WindowText (&texts)[N], bool french)
{
    QStringList result;
    for (const WindowText &t : texts) {
        const char *text = french && t.french ? t.french : t.english;
        result << QStringLiteral("%1.%2: %3").arg(t.object, t.property, QString::fromUtf8(text));
    }
    return result;
}

QStringList deviceNumbers()
{
    QStringList rows;
    for (int n = 1; n <= 16; ++n)
        rows << QString::number(n);
    return rows;
}

// The main window on loopback devices with its own settings, slot folder and
// program folder (the "locale" folder of disk catalogs). The window is
// declared last so that it goes before everything it uses.
struct Rig : MainWindowRig
{
    std::unique_ptr<TranslationService> translation;

    Rig() { platform.addDevicePair(QStringLiteral("Port A")); }
    ~Rig() { window.reset(); } // before its translation service

    TfmVLDump &open(const QString &languageCode)
    {
        translation = std::make_unique<TranslationService>(TranslationService::Setup{
            languageCode, dir.path(), TranslationService::EmbeddedRoot, QString()});
        translation->setErrorReporter(
            [this](const QString &text) { prompts.showError(nullptr, text); });
        return MainWindowRig::open(translation.get());
    }
    // The windows shown modally, by class, in order.
    QStringList modalWindows() const
    {
        QStringList classes;
        for (const ScriptedPrompts::Shown &s : prompts.shown) {
            if (s.kind == ScriptedPrompts::Kind::Modal)
                classes << s.caption;
        }
        return classes;
    }
};

// Room a push button's frame takes around its contents, a group box's
// around its title, and the gap between a button's picture and its text.
constexpr int ButtonFrame = 8;
constexpr int TitleFrame = 8;
constexpr int IconGap = 4;

// The texts of a window that do not fit their control at the window's
// font: a label's lines, a button's text beside its picture, a group box's
// title. Each as "object "text": needs WxH, has WxH".
QStringList clippedTexts(const QWidget *window)
{
    QStringList clipped;
    const auto check = [&](const QWidget *w, const QString &text, QSize need) {
        if (w->isVisibleTo(window) && (need.width() > w->width() || need.height() > w->height()))
            clipped << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                           .arg(w->objectName(), text)
                           .arg(need.width())
                           .arg(need.height())
                           .arg(w->width())
                           .arg(w->height());
    };
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            check(label, label->text(), label->sizeHint());
    }
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        // A lone "&" marks the mnemonic and is not drawn.
        const QString text =
            QString(button->text()).remove(QRegularExpression(QStringLiteral("&(?!&)")));
        int width = button->fontMetrics().horizontalAdvance(text) + ButtonFrame;
        if (!button->icon().isNull())
            width += button->iconSize().width() + IconGap;
        check(button, text, QSize(width, button->fontMetrics().height()));
    }
    for (const QGroupBox *box : window->findChildren<QGroupBox *>()) {
        check(box, box->title(),
              QSize(box->fontMetrics().horizontalAdvance(box->title()) + TitleFrame, 0));
    }
    return clipped;
}

// The user's language as LANG and the locale give it.
void addLanguageRows()
{
    // lang null: LANG unset; locale: the user's locale, "ll_CC"
    addColumns<QByteArray, QString, bool>("lang", "locale", "french");
    QTest::newRow("LANG=fr_FR.UTF-8") << QByteArray("fr_FR.UTF-8") << "en_US" << true;
    QTest::newRow("LANG=fr_CA") << QByteArray("fr_CA") << "en_US" << true;
    QTest::newRow("LANG=fr_BE") << QByteArray("fr_BE") << "" << true;
    QTest::newRow("no LANG, locale fr_FR") << QByteArray() << "fr_FR" << true;
    QTest::newRow("no LANG, locale fr_CA") << QByteArray() << "fr_CA" << true;
    QTest::newRow("no LANG, locale fr_BE") << QByteArray() << "fr_BE" << true;
    QTest::newRow("LANG=en_US.UTF-8, French locale")
        << QByteArray("en_US.UTF-8") << "fr_FR" << false;
    QTest::newRow("no LANG, locale en_US") << QByteArray() << "en_US" << false;
    QTest::newRow("LANG=C, French locale") << QByteArray("C") << "fr_FR" << false;
}

QString languageOfRow()
{
    QFETCH(QByteArray, lang);
    QFETCH(QString, locale);
    return TranslationService::languageCode(lang, [locale] { return locale; });
}

// The process's own language, as the program's service finds it, and the
// main window's get-voice button built on it.
int showLanguage(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TranslationService translation;
    MainWindowRig rig;
    QStringList errors;
    translation.setErrorReporter([&errors](const QString &text) { errors << text; });
    const QString button =
        rig.open(&translation).findChild<QPushButton *>(QStringLiteral("btnImport"))->text();
    const QString line = translation.languageCode() + u'|' + button + u'|'
                         + (errors + rig.prompts.errors()).join(u';');
    std::fputs(line.toUtf8().constData(), stdout);
    return 0;
}

} // namespace

class WindowsI18nTest : public QObject
{
    Q_OBJECT

private slots:
    void mainWindow_data() { addLanguageRows(); }
    void mainWindow();
    void importWindow_data() { addLanguageRows(); }
    void importWindow();
    void aboutWindow_data() { addLanguageRows(); }
    void aboutWindow();
    void runTimeTexts_data();
    void runTimeTexts();
    void deviceErrors_data();
    void deviceErrors();
    void textsFit_data();
    void textsFit();
    void listsStayAsBuilt();
    void processLanguage_data();
    void processLanguage();
};

void WindowsI18nTest::mainWindow()
{
    QFETCH(bool, french);
    Rig rig;
    TfmVLDump &w = rig.open(languageOfRow());
    QCOMPARE(actualTexts(&w, MainWindowTexts), expectedTexts(MainWindowTexts, french));
    QCOMPARE(rig.rows("cbxProm"), (QStringList{"Yamaha", "Turbo VL", "WindList"}));
    QCOMPARE(rig.rows("cbxBank"), (QStringList{"Preset 1", "Preset 2", "Custom", "Internal"}));
    QCOMPARE(rig.rows("cbxSendBank"), (QStringList{"Current", "Custom", "Internal"}));
    QCOMPARE(rig.rows("cbxDevNo"), deviceNumbers());
    QCOMPARE(rig.prompts.shown.size(), 0);
}

void WindowsI18nTest::importWindow()
{
    QFETCH(bool, french);
    Rig rig;
    rig.open(languageOfRow());
    // The window as "Get Active Voice" opens it, looked at while it is shown.
    QStringList shown;
    rig.prompts.onModal = [&](QDialog *window) {
        shown = actualTexts(window, ImportWindowTexts);
        return int(QDialog::Rejected);
    };
    rig.child<QPushButton>("btnImport")->click();
    QCOMPARE(rig.modalWindows(), QStringList{"TfmMidiIn"});
    QCOMPARE(shown, expectedTexts(ImportWindowTexts, french));
    QCOMPARE(rig.prompts.errors(), QStringList());
}

void WindowsI18nTest::aboutWindow()
{
    QFETCH(bool, french);
    Rig rig;
    TfmVLDump &w = rig.open(languageOfRow());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList shown;
    rig.prompts.onModal = [&](QDialog *window) {
        shown = actualTexts(window, AboutWindowTexts);
        return int(QDialog::Rejected);
    };
    // A right click on the window's background.
    const QPoint background(w.width() - 2, 200);
    QVERIFY(w.childAt(background) == nullptr);
    QTest::mousePress(&w, Qt::RightButton, {}, background);
    QTest::mouseRelease(&w, Qt::RightButton, {}, background);
    QCOMPARE(rig.modalWindows(), QStringList{"TfmAbout"});
    QCOMPARE(shown, expectedTexts(AboutWindowTexts, french));
}

void WindowsI18nTest::runTimeTexts_data()
{
    // saveWithVoice: followed by the voice name and "..."
    addColumns<QString, QString, QString, QString, QString, QString, QString>(
        "code", "openTitle", "openFilter", "notAVoice", "saveWithVoice", "saveTitle", "saveFilter");
    QTest::newRow("French") << "fr_FR" << QString::fromUtf8("S\u00e9lectionnez un fichier SysEx")
                            << "Fichiers SysEx (*.syx);;Fichiers VLEditor (*.lib)"
                            << "Ce SysEx n'est pas une voix valide pour le VL70-m"
                            << "Enregistrer "
                            << "Enregistrer le SysEx sous..."
                            << "Fichiers SysEx (*.syx)";
    QTest::newRow("English") << "en_US"
                             << "Choose SysEx file"
                             << "SysEx Files (*.syx);;VLEditor Files (*.lib)"
                             << "This is not a valid voice for VL70-m"
                             << "Save "
                             << "Save SysEx as..."
                             << "SysEx Files (*.syx)";
}

void WindowsI18nTest::runTimeTexts()
{
    QFETCH(QString, code);
    QFETCH(QString, openTitle);
    QFETCH(QString, openFilter);
    QFETCH(QString, notAVoice);
    QFETCH(QString, saveWithVoice);
    QFETCH(QString, saveTitle);
    QFETCH(QString, saveFilter);
    Rig rig;
    TfmVLDump &w = rig.open(code);

    // One internal voice cut out of a real bank, then a file that is none
    // (half a voice).
    const QByteArray bank = readTestData("VL70-A-1.syx");
    rig.writeFile(QStringLiteral("voice.syx"), bank.left(174));
    rig.writeFile(QStringLiteral("bank.syx"), bank.mid(174, 87));
    rig.prompts.openAnswers = {rig.path(QStringLiteral("voice.syx")),
                               rig.path(QStringLiteral("bank.syx"))};

    QPushButton *save = rig.child<QPushButton>("btnSave");
    rig.child<QPushButton>("btnOpen")->click();
    const QString name = w.VLManager1()->VoiceName();
    QCOMPARE(name.size(), 8);
    QCOMPARE(save->text(), saveWithVoice + name + QStringLiteral("..."));

    save->click(); // the dialog is cancelled
    rig.child<QPushButton>("btnOpen")->click();
    // The file that is none leaves the voice held.
    QCOMPARE(save->text(), saveWithVoice + name + QStringLiteral("..."));

    QCOMPARE(rig.prompts.shown.size(), 4);
    const auto &opened = rig.prompts.shown[0];
    QCOMPARE(int(opened.kind), int(ScriptedPrompts::Kind::OpenFile));
    QCOMPARE(opened.caption, openTitle);
    QCOMPARE(opened.filter, openFilter);
    const auto &saved = rig.prompts.shown[1];
    QCOMPARE(int(saved.kind), int(ScriptedPrompts::Kind::SaveFile));
    QCOMPARE(saved.caption, saveTitle);
    QCOMPARE(saved.filter, saveFilter);
    QCOMPARE(rig.prompts.shown[2].caption, openTitle);
    QCOMPARE(rig.prompts.messages(), QStringList{notAVoice});
}

void WindowsI18nTest::deviceErrors_data()
{
    addColumns<QString, QString, QString, QString>("code", "absentRow", "notConnected",
                                                   "noneChosen");
    QTest::newRow("French")
        << "fr_FR" << QString::fromUtf8("Gone (non connect\u00e9)")
        << QString::fromUtf8(
               "Le p\u00e9riph\u00e9rique de sortie MIDI n'est pas connect\u00e9.\nGone")
        << QString::fromUtf8("Aucun p\u00e9riph\u00e9rique de sortie MIDI n'est choisi : "
                             "choisissez-en un sous \u00ab Midi Out: \u00bb.\n");
    QTest::newRow("English")
        << "en_US"
        << "Gone (not connected)"
        << "The MIDI output device is not connected.\nGone"
        << "No MIDI output device is chosen: choose one under \"Midi Out:\".\n";
}

// What the user reads about MIDI devices that are absent or not chosen:
// the error in the window's language, the device's name as it is.
void WindowsI18nTest::deviceErrors()
{
    QFETCH(QString, code);
    QFETCH(QString, absentRow);
    QFETCH(QString, notConnected);
    QFETCH(QString, noneChosen);
    const auto pressUtil = [](TfmVLDump &w) {
        QLabel *util = w.remote()->hotSpot(1);
        QTest::mousePress(util, Qt::LeftButton);
        QTest::mouseRelease(util, Qt::LeftButton);
    };

    Rig remembered;
    WriteRegString(remembered.settings, QStringLiteral("Software\\Tervalinduna\\VL70-m\\Midi"),
                   QStringLiteral("Out"), QStringLiteral("Gone"));
    TfmVLDump &w = remembered.open(code);
    QCOMPARE(remembered.child<QComboBox>("cbxMidiOut")->currentText(), absentRow);
    pressUtil(w);
    QCOMPARE(remembered.prompts.errors(), QStringList{notConnected});

    Rig none;
    none.platform.setDefaultOutput(-1);
    pressUtil(none.open(code));
    QCOMPARE(none.prompts.errors(), QStringList{noneChosen});
}

void WindowsI18nTest::textsFit_data()
{
    addColumns<QString>("code");
    QTest::newRow("English") << "C";
    QTest::newRow("French") << "fr_FR";
}

// Every text of the three windows fits its control, also the save button's
// caption with a voice's name in it.
void WindowsI18nTest::textsFit()
{
    QFETCH(QString, code);
    Rig rig;
    TfmVLDump &w = rig.open(code);
    QStringList clipped = clippedTexts(&w);
    rig.prompts.onModal = [&](QDialog *window) {
        clipped << clippedTexts(window);
        return int(QDialog::Rejected);
    };
    rig.child<QPushButton>("btnImport")->click();
    const QPoint background(w.width() - 2, 200);
    QTest::mousePress(&w, Qt::RightButton, {}, background);
    QTest::mouseRelease(&w, Qt::RightButton, {}, background);
    QCOMPARE(rig.modalWindows(), (QStringList{"TfmMidiIn", "TfmAbout"}));

    rig.writeFile(QStringLiteral("voice.syx"), readTestData("VL70-A-1.syx").left(174));
    rig.prompts.openAnswers = {rig.path(QStringLiteral("voice.syx"))};
    rig.child<QPushButton>("btnOpen")->click();
    QVERIFY(!w.voiceData().isEmpty());
    clipped << clippedTexts(&w);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

// Lists are never translated, even where the catalog knows their rows; the
// rest of the window is translated by the same catalog.
void WindowsI18nTest::listsStayAsBuilt()
{
    Rig rig;
    QTemporaryDir po;
    const QString source = po.filePath(QStringLiteral("de.po"));
    writeFile(source, "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                      "msgid \"Get Active Voice\"\nmsgstr \"Aktive Stimme holen\"\n"
                      "msgid \"Preset 1\"\nmsgstr \"Werksbank 1\"\n"
                      "msgid \"Current\"\nmsgstr \"Aktuell\"\n"
                      "msgid \"Yamaha\"\nmsgstr \"YAMAHA\"\n"
                      "msgid \"1\"\nmsgstr \"eins\"\n"
                      "msgid \"Port A\"\nmsgstr \"Anschluss A\"\n");
    const QString catalog = rig.path(QStringLiteral("locale/de/LC_MESSAGES/default.mo"));
    QVERIFY(QDir().mkpath(QFileInfo(catalog).path()));
    QCOMPARE(QProcess::execute(QStringLiteral(MSGFMT_EXECUTABLE), {"-o", catalog, source}), 0);

    rig.open(QStringLiteral("de_DE"));
    QCOMPARE(rig.child<QPushButton>("btnImport")->text(), QStringLiteral("Aktive Stimme holen"));
    QCOMPARE(rig.rows("cbxBank").first(), QStringLiteral("Preset 1"));
    QCOMPARE(rig.rows("cbxSendBank").first(), QStringLiteral("Current"));
    QCOMPARE(rig.rows("cbxProm").first(), QStringLiteral("Yamaha"));
    QCOMPARE(rig.rows("cbxDevNo"), deviceNumbers());
    QCOMPARE(rig.rows("cbxMidiIn"), QStringList{"Port A"});
    QCOMPARE(rig.child<QComboBox>("cbxBank")->currentText(), QStringLiteral("Preset 1"));
    QCOMPARE(rig.prompts.shown.size(), 0);
}

// The whole path from the process's environment: LANG first, else the
// locale the environment gives, to the main window's text.
void WindowsI18nTest::processLanguage_data()
{
    addColumns<QStringList, QString, QString>("environment", "code", "button");
    const QString english = QStringLiteral("Get Active Voice");
    QTest::newRow("LANG=fr_FR.UTF-8")
        << QStringList{"LANG=fr_FR.UTF-8"} << "fr_FR" << GetVoiceFrench;
    QTest::newRow("LANG=fr_CA") << QStringList{"LANG=fr_CA"} << "fr_CA" << GetVoiceFrench;
    QTest::newRow("LANG=fr_BE, English locale")
        << QStringList{"LANG=fr_BE", "LC_ALL=en_US.UTF-8"} << "fr_BE" << GetVoiceFrench;
    QTest::newRow("no LANG, locale fr_FR")
        << QStringList{"LC_ALL=fr_FR.UTF-8"} << "fr_FR" << GetVoiceFrench;
    QTest::newRow("no LANG, locale fr_CA")
        << QStringList{"LC_ALL=fr_CA"} << "fr_CA" << GetVoiceFrench;
    QTest::newRow("empty LANG, locale fr_BE")
        << QStringList{"LANG=", "LC_ALL=fr_BE.UTF-8"} << "fr_BE" << GetVoiceFrench;
    QTest::newRow("LANG=en_US.UTF-8, French locale")
        << QStringList{"LANG=en_US.UTF-8", "LC_ALL=fr_FR.UTF-8"} << "en_US" << english;
    QTest::newRow("no LANG, locale en_US")
        << QStringList{"LC_ALL=en_US.UTF-8"} << "en_US" << english;
    QTest::newRow("no language anywhere") << QStringList() << "C" << english;
}

void WindowsI18nTest::processLanguage()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, code);
    QFETCH(QString, button);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LC_CTYPE"})
        env.remove(QString::fromLatin1(name));
    for (const QString &assignment : environment) {
        const qsizetype eq = assignment.indexOf(u'=');
        env.insert(assignment.left(eq), assignment.mid(eq + 1));
    }
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(ShowLanguageSwitch)});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), code + u'|' + button + u'|');
}

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], ShowLanguageSwitch) == 0)
        return showLanguage(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    VentaroProgram::substituteDialogFont();
    QTEST_SET_MAIN_SOURCE_PATH
    WindowsI18nTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windows_i18n.moc"
