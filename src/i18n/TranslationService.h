#pragma once

#include "MoCatalog.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QCoreApplication;
class QTranslator;
struct QMetaObject;

// Translates the program's texts through GNU gettext message catalogs.
//
// The program entry makes one service, before the main window, and hands it
// to every window it creates. A window translates itself once, in its
// constructor, with TranslateWindow(this); texts built at run time go
// through Translate(). Catalogs are found, for a domain D and language L,
// at "locale/L/LC_MESSAGES/D.mo" relative to the program's folder: first a
// copy embedded in the program, else the file on disk; first for the full
// language code ("fr_FR"), else for its first two letters ("fr").
class TranslationService : public QObject
{
    Q_OBJECT

public:
    using ErrorReporter = std::function<void(const QString &text)>;
    // The user's locale as "ll_CC", or an empty text when there is none.
    using LocaleSource = std::function<QString()>;

    // Where a service looks; each part can be replaced by a test.
    struct Setup
    {
        QString languageCode;    // as given by LanguageCode()
        QString programFolder;   // holds the "locale" folder of disk catalogs
        QString embeddedRoot;    // resource folder holding embedded catalogs
        QString toolkitCatalogs; // folder of Qt's own qtbase_<lang>.qm catalogs
    };

    static inline const QString DefaultDomain = QStringLiteral("default");
    // The domain of the toolkit's own texts; no gettext catalog ships for it.
    static inline const QString ToolkitDomain = QStringLiteral("qt");
    // Resource folder of the catalogs built into the program.
    static inline const QString EmbeddedRoot = QStringLiteral(":/ventaro/i18n");
    // Dynamic property set on every translated window: the language code.
    static inline const char *const MarkerProperty = "GNUgettextMarker";

    // The program's service: language from LANG and the system locale,
    // catalogs beside the program's executable and built into it.
    explicit TranslationService(QObject *parent = nullptr);
    explicit TranslationService(const Setup &setup, QObject *parent = nullptr);
    ~TranslationService() override;

    // The language code: LANG up to its first "." when that leaves a code,
    // else the locale's "ll_CC", else "C".
    static QString languageCode(const QByteArray &langVariable, const LocaleSource &locale);
    // LanguageCode() of this process's LANG and system locale.
    static QString systemLanguageCode();
    static Setup systemSetup();

    QString languageCode() const { return m_setup.languageCode; }
    QString currentDomain() const { return m_currentDomain; }

    // Where failures to read a catalog are shown; each is reported once,
    // then that domain stays untranslated. Without a reporter they go to
    // the debug output.
    void setErrorReporter(ErrorReporter reporter) { m_reportError = std::move(reporter); }

    // Adds a domain searched, after those before it, for resource strings.
    void AddResourceStringDomain(const QString &domain);
    QStringList resourceStringDomains() const { return m_resourceDomains; }

    // Keeps every object of class `cls` (and of classes derived from it)
    // out of all later window translations. Throws VentaroError when the
    // class is on the list already.
    void IgnoreClassGlobally(const QMetaObject &cls);
    bool isIgnored(const QObject *object) const;

    // Translates `window` and every object below it: each writable text
    // property but objectName, each non-empty line of each string list.
    // Ignored classes are skipped with everything below them. An empty
    // domain means the current one. A window is translated once per
    // language; it carries MarkerProperty afterwards.
    void TranslateWindow(QObject *window, const QString &domain = QString());

    // The translation of `text` in the current domain, or `text` itself.
    QString Translate(const QString &text);
    // Translate as a function for those that take one (the error guard, the
    // windows made in code); with no service, texts stay as they are.
    static std::function<QString(const QString &)> translator(TranslationService *service);
    QString translateInDomain(const QString &domain, const QString &text);
    // A resource string: the first resource-string domain that changes it.
    QString translateResourceString(const QString &text);

    // Installs Qt's own catalog (message-box buttons, file dialogs) for the
    // program's language on `app`: qtbase_<code>.qm, else qtbase_<ll>.qm.
    // Returns whether one was found; without one the toolkit stays English.
    bool installToolkitTranslations(QCoreApplication &app);

private:
    struct Domain
    {
        std::optional<MoCatalog> catalog; // none: texts stay as they are
    };

    Domain &domain(const QString &name);
    std::optional<MoCatalog> loadCatalog(const QString &domainName);
    std::optional<MoCatalog> readCatalogFile(const QString &path);
    std::optional<MoCatalog> checkedCatalog(const QString &path, QByteArrayView bytes);
    QString embeddedPath(const QString &relativePath) const;
    void report(const QString &text);
    void translateObject(QObject *object, const QString &domainName);

    Setup m_setup;
    QString m_currentDomain = DefaultDomain;
    QStringList m_resourceDomains;
    QList<const QMetaObject *> m_ignoredClasses;
    QHash<QString, Domain> m_domains;
    QStringList m_embeddedFiles; // relative to the embedded root
    ErrorReporter m_reportError;
    QTranslator *m_toolkitTranslator = nullptr;
};
