#pragma once

#include <QString>

#include <functional>

// How a window or a plan has its texts translated: a text in, its
// translation out. An empty one leaves the texts as written, so that the
// classes work without the translation layer (tests, the command line).
using TextTranslation = std::function<QString(const QString &)>;

inline QString textIn(const TextTranslation &translate, const QString &text)
{
    return translate ? translate(text) : text;
}
