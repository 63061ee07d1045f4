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
        m_prompts.showError(m_parent, e.text());
    } catch (const std::exception &e) {
        m_prompts.showError(m_parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
