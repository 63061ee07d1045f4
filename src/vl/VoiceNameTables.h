#pragma once

#include <array>

// The instrument's factory voice names, as shown in the patch list. Each name
// has at most 8 characters and is kept exactly as the instrument shows it
// (blanks included, shorter names not padded).
namespace VoiceNameTables {

// One row of a table replaced by another name; rows count from 1.
struct NameReplacement
{
    int row;
    const char *name;
};

extern const std::array<const char *, 128> YamahaPreset1;
extern const std::array<const char *, 128> YamahaPreset2;
extern const std::array<const char *, 6> YamahaCustom;
extern const std::array<const char *, 64> YamahaInternal;

extern const std::array<const char *, 128> TurboPreset1;
extern const std::array<const char *, 128> TurboPreset2;
extern const std::array<const char *, 6> TurboCustom;
extern const std::array<const char *, 64> TurboInternal;

// The WindList PROM has no tables of its own: it shows the Yamaha tables with
// these rows replaced.
extern const std::array<NameReplacement, 36> WindListPreset1;
extern const std::array<NameReplacement, 1> WindListPreset2;

} // namespace VoiceNameTables
