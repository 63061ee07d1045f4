#pragma once

#include <QString>
#include <QStringList>

// The form in which the library compares texts when searching: case folded
// and accents taken off ("Éclat" and "eclat" meet), so that a search finds a
// voice however its name, tags or note were typed.
class SearchText
{
public:
    static QString fold(const QString &text);
    // What a voice is found by: its name, tags and note, folded, one a line.
    static QString ofVoice(const QString &name, const QStringList &tags, const QString &note);
};
