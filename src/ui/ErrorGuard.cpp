#include "ErrorGuard.h"

#include "Prompts.h"
#include "VentaroError.h"

#include <QString>
#include <exception>

bool ErrorGuard::run(const std::function<void()> &body) const
{
    try {
        body();
        return true;
    } catch (const VentaroError &e) {
        m_prompts.showError(m_parent, shown(e.text()));
    } catch (const std::exception &e) {
        m_prompts.showError(m_parent, shown(QString::fromLocal8Bit(e.what())));
    }
    return false;
}

QString ErrorGuard::shown(const QString &text) const
{
    if (!m_translate)
        return text;
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    if (lineEnd < 0)
        return m_translate(text);
    return m_translate(text.left(lineEnd)) + text.mid(lineEnd);
}
