#pragma once

#include "JackRig.h"
#include "JackTestSupport.h"
#include "RtMidiPlatform.h"
#include "SystemSleeper.h"

#include <QLatin1String>

#include <memory>

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

    const char *clientName; // the platform's JACK client
    std::unique_ptr<JackRig> rig;
    SystemSleeper clock;
    std::unique_ptr<RtMidiPlatform> platform;
};
