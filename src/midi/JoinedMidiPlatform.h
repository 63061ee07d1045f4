#pragma once

#include "MidiPlatform.h"

#include <map>
#include <mutex>
#include <utility>

// Two platforms seen as one: the first platform's devices, then the
// second's, in each list. The program runs on the machine's own devices
// joined with the loopback platform of its simulated instrument, so the
// instrument shows up after the machine's devices in both port lists.
//
// Device numbers stand for the lists as taken by the last count call (as
// the platforms' own numbers do): names and opens read that snapshot, so a
// device that came or went on the first platform in between never shifts
// a number onto the second platform's devices.
//
// Device -1 (the default device) is the first platform's. Handles are this
// platform's own and name the inner platform's handle; callbacks and
// headers go through unchanged. Neither platform is owned; both must
// outlive this one.
class JoinedMidiPlatform : public MidiPlatform
{
public:
    JoinedMidiPlatform(MidiPlatform &first, MidiPlatform &second);

    int outDeviceCount() const override;
    QString outDeviceName(int deviceId) const override;
    int outOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    int outShortMessage(MidiHandle handle, quint32 message) override;
    int outPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    int outUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    int outLongMessage(MidiHandle handle, MidiHeader *header) override;
    int outReset(MidiHandle handle) override;
    int outClose(MidiHandle handle) override;

    int inDeviceCount() const override;
    QString inDeviceName(int deviceId) const override;
    int inOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    int inPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    int inUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    int inAddBuffer(MidiHandle handle, MidiHeader *header) override;
    int inStart(MidiHandle handle) override;
    int inStop(MidiHandle handle) override;
    int inReset(MidiHandle handle) override;
    int inClose(MidiHandle handle) override;
    int inState(MidiHandle handle) const override;

    // Both platforms' changes reach the one handler.
    void setDevicesChanged(std::function<void()> handler) override;
    std::optional<QString> errorText(int code, bool isInput) const override;

private:
    struct Inner
    {
        MidiPlatform *platform = nullptr;
        MidiHandle handle = NoMidiHandle;
    };

    // Which platform and which of its devices a joined device number names;
    // a null platform for a number that names none.
    std::pair<MidiPlatform *, int> locate(int deviceId, bool input) const;
    // The first platform's count as last taken (taken now if never).
    int firstCount(bool input) const;
    int open(MidiHandle *handle, int deviceId, MidiCallback callback, bool input);
    Inner inner(MidiHandle handle) const;
    void forget(MidiHandle handle);

    template <typename Call>
    int forward(MidiHandle handle, Call call) const
    {
        const Inner to = inner(handle);
        if (!to.platform)
            return InvalidHandle;
        return call(*to.platform, to.handle);
    }

    MidiPlatform &m_first;
    MidiPlatform &m_second;
    mutable std::mutex m_mutex;
    mutable int m_firstOutCount = -1; // guarded by m_mutex
    mutable int m_firstInCount = -1;
    std::map<MidiHandle, Inner> m_handles;
    MidiHandle m_nextHandle = 1;
};
