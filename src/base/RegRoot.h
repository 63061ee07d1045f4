#pragma once

#include <QString>

#include <memory>

class QSettings;

// The root under which the settings routines read and write: the current
// user's store (the registry on Windows, one per-user settings file
// elsewhere), or a settings file of its own, which tests use so that they
// never touch the user's settings.
class RegRoot
{
public:
    // The current user's store.
    static RegRoot currentUser();
    // An INI file of its own at fileName.
    static RegRoot iniFile(const QString &fileName);

    // Empty for the current user's store.
    QString fileName() const { return m_fileName; }

    // The settings file this root reads and writes; empty for the registry.
    QString settingsFileName() const;

    // A fresh QSettings over this root; key paths are its groups.
    std::unique_ptr<QSettings> openSettings() const;

private:
    QString m_fileName;
};
