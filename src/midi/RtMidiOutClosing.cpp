#include "RtMidiOutClosing.h"

#include "RtMidiJackWatch.h"

#include <RtMidi.h>

void RtMidiOutClosing::close(std::unique_ptr<RtMidiOut> &out, RtMidiJackWatch *watch)
{
    if (out && watch && watch->alive()) {
        out->closePort(); // at once when no port is open
        watch->waitPeriods(Periods, WaitMs);
    }
    out.reset();
}
