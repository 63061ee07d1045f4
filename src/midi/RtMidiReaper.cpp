#include "RtMidiReaper.h"

#include "RtMidiOutDevice.h"

RtMidiReaper::RtMidiReaper()
    : m_queue([](Remains &remains) {
          RtMidiOutDevice::closeClient(remains.out, remains.watch.get());
          remains.in.reset();
          remains.watch.reset();
      })
{
}

void RtMidiReaper::bury(Remains remains)
{
    m_queue.post(std::move(remains));
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
