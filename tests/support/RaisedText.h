#pragma once

#include "VentaroError.h"

#include <QString>

// The text of the VentaroError a call raised, the text the user would read:
// QCOMPARE(raisedText([&] { port.Start(); }), expected). A call that raises
// nothing gives a text no error has, so the check fails and says why.
template <typename Call>
QString raisedText(Call &&call)
{
    try {
        call();
    } catch (const VentaroError &error) {
        return error.text();
    }
    return QStringLiteral("<no VentaroError raised>");
}
