#include "TMidiFilter.h"

#include "MidiBytes.h"

TMidiFilter::TMidiFilter(QObject *owner) : QObject(owner) {}

void TMidiFilter::AddRoute(const TChannelFilter &route)
{
    std::lock_guard lock(m_mutex);
    m_routes.append(route);
}

void TMidiFilter::ClearRoutes()
{
    std::lock_guard lock(m_mutex);
    m_routes.clear();
}

QList<TChannelFilter> TMidiFilter::Routes() const
{
    std::lock_guard lock(m_mutex);
    return m_routes;
}

void TMidiFilter::ProcessEvent(const TEventData &midiEvent)
{
    TEventData event = midiEvent;
    event.status &= quint8(~MidiBytes::ChannelMask);
    for (const TChannelFilter &route : Routes())
        route.Process(event);
}
