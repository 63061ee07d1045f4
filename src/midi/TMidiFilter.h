#pragma once

#include "TChannelFilter.h"
#include "TEventData.h"

#include <QList>
#include <QObject>

#include <mutex>

// A re-routing stage for short messages: every message goes through each
// route in list order, each route working on its own copy with the channel
// bits cleared. ProcessEvent runs on an input port's callback thread; the
// route list is guarded, so routes may be changed from the window thread.
class TMidiFilter : public QObject
{
    Q_OBJECT

public:
    explicit TMidiFilter(QObject *owner = nullptr);

    void addRoute(const TChannelFilter &route);
    void clearRoutes();
    QList<TChannelFilter> routes() const;

    void ProcessEvent(const TEventData &midiEvent);

private:
    // Guards the routes; taken alone, on the input thread too.
    mutable std::mutex m_mutex;
    QList<TChannelFilter> m_routes;
};
