#pragma once

#include <QString>
#include <stdexcept>

// The error every layer raises when the platform refuses something (a port
// that cannot be opened, a file that cannot be read). Its text is what the
// user sees in the application's standard error box.
class VentaroError : public std::runtime_error
{
public:
    explicit VentaroError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text)
    {
    }

    QString text() const { return m_text; }

private:
    QString m_text;
};
