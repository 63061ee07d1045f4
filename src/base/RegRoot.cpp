#include "RegRoot.h"

#include <QSettings>

namespace {
const char *const UserStoreOrganization = "Tervalinduna";
const char *const UserStoreApplication = "Ventaro";
} // namespace

RegRoot RegRoot::currentUser()
{
    return RegRoot();
}

RegRoot RegRoot::iniFile(const QString &fileName)
{
    RegRoot root;
    root.m_fileName = fileName;
    return root;
}

QString RegRoot::settingsFileName() const
{
    if (!m_fileName.isEmpty())
        return m_fileName;
#ifdef Q_OS_WIN
    return QString();
#else
    return openSettings()->fileName();
#endif
}

std::unique_ptr<QSettings> RegRoot::openSettings() const
{
    if (!m_fileName.isEmpty())
        return std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
#ifdef Q_OS_WIN
    // Key paths ("Software\...") are relative to the current user's hive.
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER"),
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QString::fromLatin1(UserStoreOrganization),
                                       QString::fromLatin1(UserStoreApplication));
#endif
}
