#include "ListeningInput.h"

#include "StoppableWait.h"
#include "TMidiCorvoIn.h"
#include "VentaroError.h"

ListeningInput::ListeningInput(TMidiCorvoIn &input, StoppableWait &wait, Take take)
    : m_input(input)
{
    m_input.OnSysexReceived = [&wait, take = std::move(take)](QObject *, const quint8 *data,
                                                               qint32 length) {
        if (!data || length <= 0)
            return;
        take(QByteArrayView(data, length));
        wait.Wake();
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
    } catch (const VentaroError &) {
        // What came is the command's all the same.
    }
    m_input.OnSysexReceived = nullptr;
}
