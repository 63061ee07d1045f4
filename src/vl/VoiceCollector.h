#pragma once

#include "VoiceBank.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Gathers the voices an instrument dumps one after another from its panel.
// A block counts when it is long enough to be a dump block and carries the
// expected device number (the rule of the single-voice import); the blocks
// kept are grouped into voices as a bank file's are. A voice counts once
// its last block is in; blocks that form no whole voice are counted.
class VoiceCollector
{
public:
    // Offsets 2 (device) and 6 (address high) must lie inside a block.
    static constexpr int MinimumBlockLength = 7;

    explicit VoiceCollector(quint8 deviceId) : m_deviceId(deviceId) {}

    // One SysEx message from the input; true when it was kept. The voices
    // that it completed are appended to voices().
    bool take(QByteArrayView message);

    const QList<VoiceBank::Voice> &voices() const { return m_voices; }
    // Kept blocks that belong to no voice, counted as a bank counts them.
    int skipped() const { return m_skipped; }
    // Whether kept blocks wait for the rest of their voice.
    bool hasPartialVoice() const { return !m_pending.isEmpty(); }
    // The whole voices, their bytes as received, in order: a bank file.
    QByteArray bankBytes() const;

private:
    quint8 m_deviceId;
    QList<VoiceBank::Voice> m_voices;
    // Kept blocks since the last voice completed. The blocks of a voice
    // follow one another, so once a voice completes nothing before it can
    // still become part of one.
    QByteArray m_pending;
    int m_skipped = 0;
};
