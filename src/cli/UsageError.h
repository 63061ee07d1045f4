#pragma once

#include "VentaroError.h"

// Arguments the command line cannot take (an unknown option, a value out of
// range): the text says what is wrong and the program exits with status 2,
// having done nothing. Caught before the VentaroError it is. A wrong value
// of a known option says all there is to say in its one line; other wrong
// usage is followed by the usage text.
class UsageError : public VentaroError
{
public:
    enum class Kind { Usage, Value };

    explicit UsageError(const QString &text, Kind kind = Kind::Usage)
        : VentaroError(text), m_kind(kind)
    {
    }

    bool showsUsage() const { return m_kind == Kind::Usage; }

private:
    Kind m_kind;
};
