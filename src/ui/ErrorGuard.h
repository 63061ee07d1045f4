#pragma once

#include "TextTranslation.h"

#include <QString>

#include <functional>

class Prompts;
class QWidget;

// Runs one handler body. An error it raises ends the handler and its text is
// shown in the application's standard error box; the program goes on. No
// exception ever unwinds through Qt's own code.
class ErrorGuard
{
public:
    // Puts an error's first line (the error itself) into the user's language;
    // the lines after it (a device or file name) are shown as they are.
    using Translate = TextTranslation;

    ErrorGuard(Prompts &prompts, QWidget *parent, Translate translate = {})
        : m_prompts(prompts), m_parent(parent), m_translate(std::move(translate))
    {
    }

    // Returns false when the body ended with an error.
    bool run(const std::function<void()> &body) const;

private:
    QString shown(const QString &text) const;

    Prompts &m_prompts;
    QWidget *m_parent;
    Translate m_translate;
};
