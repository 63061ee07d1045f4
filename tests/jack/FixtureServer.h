#pragma once

#include "JackRig.h"
#include "JackTestSupport.h"
#include "RtMidiPlatform.h"
#include "SystemSleeper.h"

#include <QLatin1String>

#include <memory>

#ifndef VENTARO_SIMULATOR
#error "a test using FixtureServer defines VENTARO_SIMULATOR, the simulator program's path"
#endif

// The JACK server and simulator that the jack fixture started for the tests
// sharing them, and this process's RtMidi platform on that server.
struct FixtureServer
{
    explicit FixtureServer(const char *clientName) : clientName(clientName) {}

    // Reads what the fixture saved; false when it started no server.
    bool load()
    {
        rig = std::make_unique<JackRig>(qEnvironmentVariable(JackTestSupport::RigVariable));
        return rig->load();
    }
    // Points this process's clients at the server (again, after a case
    // used one of its own) and opens a platform there.
    void openPlatform()
    {
        rig->useServer();
        platform = makePlatform();
    }
    // A platform of the same client name on the server this process's
    // clients use now.
    std::unique_ptr<RtMidiPlatform> makePlatform()
    {
        return std::make_unique<RtMidiPlatform>(clock, RtMidiPlatform::Backend::Jack,
                                                QLatin1String(clientName));
    }

    // A server of a case's own, `name` in the fixture's folder, with the
    // simulator on it; this process's clients go there. The fixture's
    // platform goes first: a platform keeps a client on its server, and one
    // process talks to one server at a time, as the program does. Null, and
    // why in `error`, when it did not start.
    std::unique_ptr<JackRig> startOwn(const QString &name, JackRig::Period period = {})
    {
        platform.reset();
        auto own = std::make_unique<JackRig>(qEnvironmentVariable(JackTestSupport::RigVariable)
                                             + QLatin1Char('/') + name);
        own->setPeriod(period);
        if (!own->start(QStringLiteral(VENTARO_SIMULATOR), {}, &error))
            return nullptr;
        return own;
    }

    const char *clientName; // the platform's JACK client
    QString error;          // why the last startOwn failed
    std::unique_ptr<JackRig> rig;
    SystemSleeper clock;
    std::unique_ptr<RtMidiPlatform> platform;
};
