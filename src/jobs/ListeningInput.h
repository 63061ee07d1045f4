#pragma once

#include <QByteArrayView>

#include <functional>

class TMidiCorvoIn;

// An input listened to while the instrument is asked for voices: every SysEx
// message goes to `take`, then `arrived` is called (a wait under way may end
// at once, since any message may be the answer awaited; the asker reads the
// clock for the time left). Opened when made; stopped and let go when it goes.
class ListeningInput
{
public:
    using Take = std::function<void(QByteArrayView message)>;

    // Raises VentaroError when the port cannot be opened.
    ListeningInput(TMidiCorvoIn &input, Take take, std::function<void()> arrived = {});
    ~ListeningInput();

    ListeningInput(const ListeningInput &) = delete;
    ListeningInput &operator=(const ListeningInput &) = delete;

private:
    void letGo();

    TMidiCorvoIn &m_input;
};
