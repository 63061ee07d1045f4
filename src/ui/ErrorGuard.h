#pragma once

#include <functional>

class Prompts;
class QWidget;

// Runs one handler body. An error it raises ends the handler and its text is
// shown in the application's standard error box; the program goes on. No
// exception ever unwinds through Qt's own code.
class ErrorGuard
{
public:
    ErrorGuard(Prompts &prompts, QWidget *parent) : m_prompts(prompts), m_parent(parent) {}

    // Returns false when the body ended with an error.
    bool run(const std::function<void()> &body) const;

private:
    Prompts &m_prompts;
    QWidget *m_parent;
};
