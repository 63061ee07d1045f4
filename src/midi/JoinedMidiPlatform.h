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

    // Both platforms' changes reach the one handler.
    void setDevicesChanged(std::function<void()> handler) override;
    std::optional<QStringList> outDeviceSources(int deviceId) const override;
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
    Result open(MidiHandle *handle, int deviceId, MidiCallback callback, bool input);
    Inner inner(MidiHandle handle) const;
    void forget(MidiHandle handle);

    template <typename Call>
    Result forward(MidiHandle handle, Call call) const
    {
        const Inner to = inner(handle);
        if (!to.platform)
            return InvalidHandle;
        return call(*to.platform, to.handle);
    }

    MidiPlatform &m_first;
    MidiPlatform &m_second;
    // Guards the counts and the handle map; taken alone, never across a
    // call into either platform.
    mutable std::mutex m_mutex;
    mutable int m_firstOutCount = -1; // guarded by m_mutex
    mutable int m_firstInCount = -1;
    std::map<MidiHandle, Inner> m_handles;
    MidiHandle m_nextHandle = 1;
};
