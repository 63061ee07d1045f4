#include "JackClient.h"

#include <QStringList>

#include <chrono>

JackClient::~JackClient()
{
    close();
}

int JackClient::find(const QStringList &names, const QString &name)
{
    return int(names.indexOf(name));
}

int JackClient::openOut(const QString &name)
{
    QStringList names;
    const int count = m_platform.outDeviceCount();
    for (int i = 0; i < count; ++i)
        names << m_platform.outDeviceName(i);
    m_outClosed = false;
    MidiHandle handle = NoMidiHandle;
    const int code =
        m_platform.outOpen(&handle, find(names, name), [this](const MidiNotification &n) {
            if (n.kind == MidiNotification::Close) {
                m_outClosed = true;
                m_out = NoMidiHandle;
            }
            if (n.kind != MidiNotification::Done)
                return;
            std::lock_guard lock(m_mutex);
            for (std::size_t i = 0; i < m_sent.size(); ++i)
                if (m_sent[i].get() == n.header)
                    ++m_done[i];
            m_changed.notify_all();
        });
    m_out = handle;
    return code;
}

int JackClient::openIn(const QString &name)
{
    QStringList names;
    const int count = m_platform.inDeviceCount();
    for (int i = 0; i < count; ++i)
        names << m_platform.inDeviceName(i);
    const int code = m_platform.inOpen(&m_in, find(names, name), [this](const MidiNotification &n) {
        std::lock_guard lock(m_mutex);
        if (n.kind == MidiNotification::Data)
            m_shorts << n.message;
        else if (n.kind == MidiNotification::LongData) {
            if (n.header->bytesRecorded > 0)
                m_blocks << QByteArray(reinterpret_cast<const char *>(n.header->data.data()),
                                       qsizetype(n.header->bytesRecorded));
            m_returned.push_back(n.header);
        }
        m_changed.notify_all();
    });
    if (code != MidiPlatform::NoError)
        return code;
    for (int i = 0; i < Buffers; ++i) {
        auto header = std::make_unique<MidiHeader>();
        header->data.resize(BufferBytes);
        m_platform.inPrepareHeader(m_in, header.get());
        m_platform.inAddBuffer(m_in, header.get());
        m_buffers.push_back(std::move(header));
    }
    return m_platform.inStart(m_in);
}

void JackClient::close()
{
    if (m_out != NoMidiHandle) {
        m_platform.outReset(m_out);
        m_platform.outClose(m_out);
        m_out = NoMidiHandle;
    }
    if (m_in != NoMidiHandle) {
        m_platform.inStop(m_in);
        m_platform.inReset(m_in);
        m_platform.inClose(m_in);
        m_in = NoMidiHandle;
    }
}

int JackClient::sendLong(const QByteArray &bytes)
{
    auto header = std::make_unique<MidiHeader>();
    header->data.assign(bytes.begin(), bytes.end());
    m_platform.outPrepareHeader(m_out, header.get());
    std::lock_guard lock(m_mutex);
    m_sent.push_back(std::move(header));
    m_done.push_back(0);
    return m_platform.outLongMessage(m_out, m_sent.back().get());
}

int JackClient::sendShort(quint32 message)
{
    return m_platform.outShortMessage(m_out, message);
}

bool JackClient::waitDone(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        for (int done : m_done)
            if (done == 0)
                return false;
        return true;
    });
}

std::vector<int> JackClient::doneCounts() const
{
    std::lock_guard lock(m_mutex);
    return m_done;
}

QList<QByteArray> JackClient::takeBlocks(int count, int timeoutMs)
{
    QList<QByteArray> blocks;
    std::vector<MidiHeader *> returned;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return m_blocks.size() >= count; });
        blocks.swap(m_blocks);
        returned.swap(m_returned);
    }
    // Back into circulation, outside the lock the input callback takes.
    for (MidiHeader *header : returned)
        m_platform.inAddBuffer(m_in, header);
    return blocks;
}

QList<quint32> JackClient::shortMessages() const
{
    std::lock_guard lock(m_mutex);
    return m_shorts;
}
