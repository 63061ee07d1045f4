#pragma once

#include <QByteArrayView>

#include <functional>

class StoppableWait;
class TMidiCorvoIn;

// An input a command listens on while it asks the instrument for voices:
// every SysEx message goes to `take`, and the wait under way ends at once,
// since any message may be the answer awaited (the asker reads the clock
// for the time left). Opened when made; stopped and let go when it goes.
class ListeningInput
{
public:
    using Take = std::function<void(QByteArrayView message)>;

    // Raises VentaroError when the port cannot be opened.
    ListeningInput(TMidiCorvoIn &input, StoppableWait &wait, Take take);
    ~ListeningInput();

    ListeningInput(const ListeningInput &) = delete;
    ListeningInput &operator=(const ListeningInput &) = delete;

private:
    void letGo();

    TMidiCorvoIn &m_input;
};
