#include "VoiceSource.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<VoiceSource::Kind, const char *>, 6> KindWords{{
    {VoiceSource::Kind::File, "file"},
    {VoiceSource::Kind::Panel, "panel"},
    {VoiceSource::Kind::Fetched, "fetched"},
    {VoiceSource::Kind::Backup, "backup"},
    {VoiceSource::Kind::Sent, "sent"},
    {VoiceSource::Kind::Held, "held"},
}};

} // namespace

QString VoiceSource::kindText(Kind kind)
{
    for (const auto &[k, word] : KindWords)
        if (k == kind)
            return QLatin1String(word);
    return {};
}

std::optional<VoiceSource::Kind> VoiceSource::kindFromText(const QString &text)
{
    for (const auto &[k, word] : KindWords)
        if (text == QLatin1String(word))
            return k;
    return std::nullopt;
}
