#include "TranslationService.h"

#include "VentaroError.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMetaProperty>
#include <QPointer>
#include <QResource>
#include <QTranslator>

namespace {

constexpr int ShortCodeLength = 2;
constexpr char CodeSetSeparator = '.';
const QString LocaleFolder = QStringLiteral("locale");
const QString MessagesFolder = QStringLiteral("LC_MESSAGES");
const QString CatalogSuffix = QStringLiteral(".mo");
const QString ToolkitCatalogPrefix = QStringLiteral("qtbase_");
const QString ToolkitCatalogSuffix = QStringLiteral(".qm");
const QByteArray ObjectNameProperty("objectName");

QString withoutCodeSet(QString code)
{
    const qsizetype dot = code.indexOf(QLatin1Char(CodeSetSeparator));
    if (dot >= 0)
        code.truncate(dot);
    return code;
}

// The codes tried for a language: the full code, then its first two letters.
QStringList candidateCodes(const QString &code)
{
    QStringList codes;
    // The code becomes part of a path: one that could leave the catalog
    // folder names no catalog.
    if (code.isEmpty() || code.contains(QLatin1Char('/')) || code.contains(QLatin1Char('\\')))
        return codes;
    codes << code;
    if (code.size() > ShortCodeLength)
        codes << code.left(ShortCodeLength);
    return codes;
}

QString catalogRelativePath(const QString &code, const QString &domain)
{
    return LocaleFolder + QLatin1Char('/') + code + QLatin1Char('/') + MessagesFolder
           + QLatin1Char('/') + domain + CatalogSuffix;
}

QString translateWith(const MoCatalog &catalog, const QString &text)
{
    if (text.isEmpty())
        return text; // the empty identifier is the catalog's header
    QString id = text;
    id.remove(QLatin1Char('\r'));
    const auto translation = catalog.lookup(id.toUtf8());
    if (!translation || translation->isEmpty())
        return text;
    QString result = QString::fromUtf8(*translation);
    result.remove(QLatin1Char('\r'));
    return result;
}

} // namespace

TranslationService::TranslationService(QObject *parent) : TranslationService(systemSetup(), parent)
{
}

TranslationService::TranslationService(const Setup &setup, QObject *parent)
    : QObject(parent), m_setup(setup)
{
    m_resourceDomains << DefaultDomain;
    if (!m_setup.embeddedRoot.isEmpty()) {
        const QDir root(m_setup.embeddedRoot);
        QDirIterator it(m_setup.embeddedRoot, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            m_embeddedFiles << root.relativeFilePath(it.next());
    }
}

TranslationService::~TranslationService() = default;

QString TranslationService::languageCode(const QByteArray &langVariable, const LocaleSource &locale)
{
    QString code = withoutCodeSet(QString::fromLocal8Bit(langVariable));
    if (!code.isEmpty())
        return code;
    if (locale)
        code = withoutCodeSet(locale());
    return code.isEmpty() ? QStringLiteral("C") : code;
}

QString TranslationService::systemLanguageCode()
{
    return languageCode(qgetenv("LANG"), [] { return QLocale::system().name(); });
}

TranslationService::Setup TranslationService::systemSetup()
{
    return Setup{systemLanguageCode(), QCoreApplication::applicationDirPath(), EmbeddedRoot,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

void TranslationService::AddResourceStringDomain(const QString &domain)
{
    if (!m_resourceDomains.contains(domain))
        m_resourceDomains << domain;
}

void TranslationService::IgnoreClassGlobally(const QMetaObject &cls)
{
    for (const QMetaObject *ignored : std::as_const(m_ignoredClasses)) {
        if (qstrcmp(ignored->className(), cls.className()) == 0)
            throw VentaroError(
                QStringLiteral(
                    "You cannot add a class to the ignore list that is already on that list: ")
                + QString::fromLatin1(cls.className()));
    }
    m_ignoredClasses << &cls;
}

bool TranslationService::isIgnored(const QObject *object) const
{
    const QMetaObject *meta = object->metaObject();
    for (const QMetaObject *ignored : m_ignoredClasses) {
        if (meta->inherits(ignored))
            return true;
    }
    return false;
}

void TranslationService::TranslateWindow(QObject *window, const QString &domainName)
{
    if (!window)
        return;
    const QVariant marker = window->property(MarkerProperty);
    if (marker.isValid() && marker.toString() == m_setup.languageCode)
        return;
    translateObject(window, domainName.isEmpty() ? m_currentDomain : domainName);
    window->setProperty(MarkerProperty, m_setup.languageCode);
}

void TranslationService::translateObject(QObject *object, const QString &domainName)
{
    if (isIgnored(object))
        return;

    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isWritable() || ObjectNameProperty == property.name())
            continue;
        const int type = property.typeId();
        if (type == QMetaType::QString) {
            const QString text = property.read(object).toString();
            const QString translated = translateInDomain(domainName, text);
            if (translated != text)
                property.write(object, translated);
        } else if (type == QMetaType::QStringList) {
            const QStringList lines = property.read(object).toStringList();
            QStringList translated;
            translated.reserve(lines.size());
            for (const QString &line : lines)
                translated << translateInDomain(domainName, line);
            if (translated != lines)
                property.write(object, translated);
        }
    }

    // Writing a text may add or remove helper children: walk a guarded copy.
    QList<QPointer<QObject>> children;
    for (QObject *child : object->children())
        children << child;
    for (const QPointer<QObject> &child : std::as_const(children)) {
        if (child)
            translateObject(child, domainName);
    }
}

std::function<QString(const QString &)> TranslationService::translator(TranslationService *service)
{
    return [service](const QString &text) { return service ? service->Translate(text) : text; };
}

QString TranslationService::Translate(const QString &text)
{
    return translateInDomain(m_currentDomain, text);
}

QString TranslationService::translateInDomain(const QString &domainName, const QString &text)
{
    if (text.isEmpty())
        return text;
    const Domain &d = domain(domainName);
    return d.catalog ? translateWith(*d.catalog, text) : text;
}

QString TranslationService::translateResourceString(const QString &text)
{
    for (const QString &domainName : std::as_const(m_resourceDomains)) {
        const QString translated = translateInDomain(domainName, text);
        if (translated != text)
            return translated;
    }
    return text;
}

TranslationService::Domain &TranslationService::domain(const QString &name)
{
    auto it = m_domains.find(name);
    if (it == m_domains.end())
        it = m_domains.insert(name, Domain{loadCatalog(name)});
    return *it;
}

QString TranslationService::embeddedPath(const QString &relativePath) const
{
    for (const QString &file : m_embeddedFiles) {
        if (file.compare(relativePath, Qt::CaseInsensitive) == 0)
            return m_setup.embeddedRoot + QLatin1Char('/') + file;
    }
    return QString();
}

std::optional<MoCatalog> TranslationService::loadCatalog(const QString &domainName)
{
    for (const QString &code : candidateCodes(m_setup.languageCode)) {
        const QString relative = catalogRelativePath(code, domainName);
        const QString embedded = embeddedPath(relative);
        if (!embedded.isEmpty())
            return checkedCatalog(embedded, QResource(embedded).uncompressedData());
        const QString path =
            QDir::toNativeSeparators(QDir(m_setup.programFolder).filePath(relative));
        if (QFileInfo::exists(path))
            return readCatalogFile(path);
    }
    return std::nullopt;
}

std::optional<MoCatalog> TranslationService::readCatalogFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(QStringLiteral("Cannot open file ") + path);
        return std::nullopt;
    }
    const qint64 size = file.size();
    if (size <= 0) {
        // An empty file has nothing to map.
        report(QStringLiteral("Cannot create memory map on file ") + path);
        return std::nullopt;
    }
    uchar *data = file.map(0, size);
    if (!data) {
        report(QStringLiteral("Cannot map file ") + path + QStringLiteral(" into memory. Reason: ")
               + file.errorString());
        return std::nullopt;
    }
    auto catalog = checkedCatalog(path, QByteArrayView(data, size));
    file.unmap(data);
    return catalog;
}

std::optional<MoCatalog> TranslationService::checkedCatalog(const QString &path,
                                                            QByteArrayView bytes)
{
    auto catalog = MoCatalog::parse(bytes);
    if (!catalog) {
        report(QStringLiteral("This file is not a valid GNU gettext mo file: ") + path);
        return std::nullopt;
    }
    if (!catalog->declaresUtf8()) {
        report(QStringLiteral("The translation for the language code ") + m_setup.languageCode
               + QStringLiteral(" (in ") + path
               + QStringLiteral(") does not have charset=utf-8 in its Content-Type. "
                                "Translations are turned off."));
        return std::nullopt;
    }
    return catalog;
}

void TranslationService::report(const QString &text)
{
    if (m_reportError)
        m_reportError(text);
    else
        qWarning().noquote() << text;
}

bool TranslationService::installToolkitTranslations(QCoreApplication &app)
{
    if (m_toolkitTranslator) {
        app.removeTranslator(m_toolkitTranslator);
        delete m_toolkitTranslator;
        m_toolkitTranslator = nullptr;
    }
    const QDir folder(m_setup.toolkitCatalogs);
    for (const QString &code : candidateCodes(m_setup.languageCode)) {
        const QString path = folder.filePath(ToolkitCatalogPrefix + code + ToolkitCatalogSuffix);
        if (!QFileInfo::exists(path))
            continue;
        auto translator = std::make_unique<QTranslator>(this);
        if (!translator->load(path))
            continue;
        app.installTranslator(translator.get());
        m_toolkitTranslator = translator.release();
        return true;
    }
    return false;
}
