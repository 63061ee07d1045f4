#include "RtMidiReaper.h"

#include "RtMidiInDevice.h"
#include "RtMidiOutClosing.h"
#include "RtMidiOutDevice.h"

RtMidiReaper::RtMidiReaper()
    : m_queue([](Remains &remains) {
          RtMidiOutClosing::close(remains.out, remains.watch.get());
          remains.in.reset();
          remains.watch.reset();
      })
{
}

void RtMidiReaper::bury(Remains remains)
{
    m_queue.post(std::move(remains));
}

void RtMidiReaper::sweep(const Outs &outs, const Ins &ins,
                         std::unique_ptr<RtMidiJackWatch> &deviceWatch, const HandBack &handBack)
{
    // libjack frees the clients of a server that has ended as soon as this
    // process opens a new client, and closing them after that crashes: they
    // are closed here, before anything new is opened. All of this program's
    // clients live on the one server, so the first of them told of its end
    // speaks for all: each is told on a thread of its own, and one not told
    // yet must not be left open while a listing opens a new client.
    // The ports keep their handles: the next send fails at once, without a
    // new client (which would have to wait for these to close), and the
    // port lets it go.

    // One watch to ask the server, should none have heard of its end. Only
    // this thread takes a watch away from its device, so it stays valid.
    RtMidiJackWatch *ask = deviceWatch.get();
    bool serverEnded = deviceWatch && !deviceWatch->alive();
    const auto look = [&](RtMidiJackWatch *watch) {
        serverEnded = serverEnded || (watch && !watch->alive());
        ask = ask ? ask : watch;
    };
    for (const auto &[handle, device] : outs) {
        std::lock_guard sending(device->sending);
        look(device->watch.get());
    }
    for (const std::shared_ptr<RtMidiInDevice> &device : ins) {
        std::lock_guard deviceLock(device->mutex);
        look(device->watch.get());
    }
    // JACK may tell the watches late: the server is asked (one client speaks
    // for all, they live on the one server; none open, none to free).
    serverEnded = serverEnded || (ask && !ask->serverAnswers());

    if (serverEnded && deviceWatch) {
        Remains remains;
        remains.watch = std::move(deviceWatch);
        bury(std::move(remains));
    }
    for (const auto &[handle, device] : outs) {
        Remains remains;
        {
            std::lock_guard sending(device->sending);
            // A device that went from a server still running goes too.
            if (!device->out || !(serverEnded ? bool(device->watch) : device->gone()))
                continue;
            if (!serverEnded && device->portWent())
                device->portLost = true;
            device->failed = true;
            remains.out = std::move(device->out);
            remains.watch = std::move(device->watch);
        }
        // Blocks still queued are handed back as not sent.
        handBack(handle);
        remains.keep = device;
        bury(std::move(remains));
    }
    if (!serverEnded)
        return;
    for (const std::shared_ptr<RtMidiInDevice> &device : ins) {
        Remains remains;
        {
            std::lock_guard deviceLock(device->mutex);
            if (!device->in || !device->watch)
                continue;
            remains.in = std::move(device->in);
            remains.watch = std::move(device->watch);
        }
        remains.keep = device;
        bury(std::move(remains));
    }
}

void RtMidiReaper::let(const std::shared_ptr<RtMidiOutDevice> &device)
{
    Remains remains;
    {
        // Waits for a message of it being sent.
        std::lock_guard sending(device->sending);
        device->closed = true;
        if (device->gone()) {
            remains.out = std::move(device->out);
            remains.watch = std::move(device->watch);
        }
    }
    device->silence();
    if (remains.out || remains.watch) {
        // RtMidi waits a second for a JACK server that has ended: not here.
        remains.keep = device;
        bury(std::move(remains));
    }
}

bool RtMidiReaper::busy() const
{
    return m_queue.busy();
}

void RtMidiReaper::waitIdle(int waitMs) const
{
    m_queue.waitIdle(waitMs);
}

void RtMidiReaper::finish()
{
    m_queue.finish();
}
