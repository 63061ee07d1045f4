#include "ListeningInput.h"

#include "TMidiCorvoIn.h"

#include <exception>

ListeningInput::ListeningInput(TMidiCorvoIn &input, Take take, std::function<void()> arrived)
    : m_input(input)
{
    m_input.OnSysexReceived = [take = std::move(take), arrived = std::move(arrived)](
                                  QObject *, const quint8 *data, qint32 length) {
        if (!data || length <= 0)
            return;
        take(QByteArrayView(data, length));
        if (arrived)
            arrived();
    };
    try {
        m_input.Open(true);
    } catch (...) {
        letGo();
        throw;
    }
}

ListeningInput::~ListeningInput()
{
    letGo();
}

void ListeningInput::letGo()
{
    try {
        m_input.Stop();
    } catch (const std::exception &) {
        // What came is the asker's all the same.
    }
    m_input.OnSysexReceived = nullptr;
}
