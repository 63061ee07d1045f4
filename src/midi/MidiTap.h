#pragma once

#include "MidiLog.h"
#include "MidiPlatform.h"

#include <atomic>
#include <map>
#include <mutex>

// A platform in front of another that shows a MidiLog every message going
// out through it (as it is handed over, refused or not) and every message coming in, on every device opened
// through it, with the device's name. Everything else goes through
// unchanged: handles, headers, notifications. Without a log attached a
// message costs one pointer test.
//
// The inner platform is not owned and must outlive the tap.
class MidiTap : public MidiPlatform
{
public:
    explicit MidiTap(MidiPlatform &inner);

    // The log that sees the messages from now on (none: nullptr). Once this
    // returns, the log it replaced is no longer used and may go.
    void setLog(MidiLog *log);
    MidiLog *log() const { return m_log; }

    int outDeviceCount() const override;
    QString outDeviceName(int deviceId) const override;
    Result outOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    Result outShortMessage(MidiHandle handle, quint32 message) override;
    Result outPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result outUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result outLongMessage(MidiHandle handle, MidiHeader *header) override;
    Result outReset(MidiHandle handle) override;
    Result outClose(MidiHandle handle) override;
    Result outState(MidiHandle handle) const override;

    int inDeviceCount() const override;
    QString inDeviceName(int deviceId) const override;
    Result inOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    Result inPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result inUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result inAddBuffer(MidiHandle handle, MidiHeader *header) override;
    Result inStart(MidiHandle handle) override;
    Result inStop(MidiHandle handle) override;
    Result inReset(MidiHandle handle) override;
    Result inClose(MidiHandle handle) override;
    Result inState(MidiHandle handle) const override;

    void setDevicesChanged(std::function<void()> handler) override;
    std::optional<QStringList> outDeviceSources(int deviceId) const override;
    std::optional<QString> errorText(int code, bool isInput) const override;

private:
    void record(MidiLog::Direction direction, const QString &port, QByteArrayView bytes);
    QString outName(MidiHandle handle) const;

    MidiPlatform &m_inner;
    std::atomic<MidiLog *> m_log{nullptr};
    // Records under way, so that setLog knows when the old log is let go.
    std::atomic<int> m_recording{0};
    // Guards m_outNames; taken alone.
    mutable std::mutex m_mutex;
    std::map<MidiHandle, QString> m_outNames;
};
