#pragma once

#include "VentaroError.h"

// A library file the program cannot use as it is (not a library, damaged,
// written by a newer version). The file is left untouched; only the user
// decides to set it aside (VoiceStore::SetAside) and start a new library.
class UnreadableLibraryError : public VentaroError
{
public:
    using VentaroError::VentaroError;
};
