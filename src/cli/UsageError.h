#pragma once

#include "VentaroError.h"

// Arguments the command line cannot take (an unknown option, a value out of
// range): the text says what is wrong, the usage text follows it and the
// program exits with status 2, having done nothing. Caught before the
// VentaroError it is.
class UsageError : public VentaroError
{
public:
    using VentaroError::VentaroError;
};
