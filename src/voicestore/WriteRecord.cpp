#include "WriteRecord.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<WriteRecord::Kind, const char *>, 5> KindWords{{
    {WriteRecord::Kind::Send, "send"},
    {WriteRecord::Kind::SendAll, "send-all"},
    {WriteRecord::Kind::Restore, "restore"},
    {WriteRecord::Kind::Try, "try"},
    {WriteRecord::Kind::TryBack, "try-back"},
}};

constexpr std::array<std::pair<WriteRecord::State, const char *>, 4> StateWords{{
    {WriteRecord::State::Unfinished, "unfinished"},
    {WriteRecord::State::Completed, "completed"},
    {WriteRecord::State::Stopped, "stopped"},
    {WriteRecord::State::Failed, "failed"},
}};

constexpr std::array<std::pair<WriteRecord::PlaceState, const char *>, 5> PlaceStateWords{{
    {WriteRecord::PlaceState::Pending, "pending"},
    {WriteRecord::PlaceState::Skipped, "skipped"},
    {WriteRecord::PlaceState::Written, "written"},
    {WriteRecord::PlaceState::Verified, "verified"},
    {WriteRecord::PlaceState::NotTaken, "not-taken"},
}};

template<typename Enum, std::size_t N>
QString wordOf(const std::array<std::pair<Enum, const char *>, N> &words, Enum value)
{
    for (const auto &[v, word] : words)
        if (v == value)
            return QLatin1String(word);
    return {};
}

template<typename Enum, std::size_t N>
std::optional<Enum> valueOf(const std::array<std::pair<Enum, const char *>, N> &words,
                            const QString &text)
{
    for (const auto &[v, word] : words)
        if (text == QLatin1String(word))
            return v;
    return std::nullopt;
}

} // namespace

bool WriteRecord::reached(const Place &place) const
{
    return place.state == PlaceState::Written || place.state == PlaceState::Verified
           || place.state == PlaceState::NotTaken;
}

int WriteRecord::count(PlaceState state) const
{
    int n = 0;
    for (const Place &place : places)
        n += place.state == state ? 1 : 0;
    return n;
}

int WriteRecord::writtenCount() const
{
    return count(PlaceState::Written) + count(PlaceState::Verified);
}

QList<WriteRecord::Place> WriteRecord::restorable() const
{
    QList<Place> list;
    for (const Place &place : places)
        if (reached(place) && place.keptId != 0)
            list.append(place);
    return list;
}

QString WriteRecord::kindText(Kind kind)
{
    return wordOf(KindWords, kind);
}

QString WriteRecord::stateText(State state)
{
    return wordOf(StateWords, state);
}

QString WriteRecord::placeStateText(PlaceState state)
{
    return wordOf(PlaceStateWords, state);
}

std::optional<WriteRecord::Kind> WriteRecord::kindFromText(const QString &text)
{
    return valueOf(KindWords, text);
}

std::optional<WriteRecord::State> WriteRecord::stateFromText(const QString &text)
{
    return valueOf(StateWords, text);
}

std::optional<WriteRecord::PlaceState> WriteRecord::placeStateFromText(const QString &text)
{
    return valueOf(PlaceStateWords, text);
}
