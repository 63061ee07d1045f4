#include "TMidiFilter.h"

#include "MidiBytes.h"

TMidiFilter::TMidiFilter(QObject *owner) : QObject(owner) {}

void TMidiFilter::addRoute(const TChannelFilter &route)
{
    std::lock_guard lock(m_mutex);
    m_routes.append(route);
}

void TMidiFilter::clearRoutes()
{
    std::lock_guard lock(m_mutex);
    m_routes.clear();
}

QList<TChannelFilter> TMidiFilter::routes() const
{
    std::lock_guard lock(m_mutex);
    return m_routes;
}

void TMidiFilter::ProcessEvent(const TEventData &midiEvent)
{
    TEventData event = midiEvent;
    event.status &= quint8(~MidiBytes::ChannelMask);
    for (const TChannelFilter &route : routes())
        route.process(event);
}
