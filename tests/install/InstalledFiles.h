#pragma once

#include <QStringList>

// Every file an install puts under its prefix, and nothing else: the
// documentation table, the catalogs and the pictures live inside the program.
inline QStringList installedFiles()
{
    QStringList files{
        QStringLiteral("bin/ventaro"),
        QStringLiteral("bin/ventaro-sim"),
        QStringLiteral("share/applications/ventaro.desktop"),
        QStringLiteral("share/metainfo/org.example.ventaro.metainfo.xml"),
        QStringLiteral("share/mime/packages/ventaro.xml"),
        QStringLiteral("share/icons/hicolor/scalable/apps/ventaro.svg"),
        QStringLiteral("share/man/man1/ventaro.1.gz"),
        QStringLiteral("share/man/man1/ventaro-sim.1.gz"),
        QStringLiteral("share/doc/ventaro/changelog.gz"),
        QStringLiteral("share/doc/ventaro/copyright"),
    };
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        files << QStringLiteral("share/icons/hicolor/%1x%1/apps/ventaro.png").arg(size);
    files.sort();
    return files;
}
