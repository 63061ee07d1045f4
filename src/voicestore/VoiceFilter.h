#pragma once

#include "VoiceDump.h"
#include "VoiceSource.h"

#include <QString>

#include <optional>

// Which voices a listing shows; every condition given must hold.
struct VoiceFilter
{
    QString search; // in names, tags and notes, case and accents aside
    std::optional<VoiceDump::Form> form;
    QString tag;
    bool favouritesOnly = false;
    std::optional<VoiceSource::Kind> sourceKind; // met at least once this way
};
