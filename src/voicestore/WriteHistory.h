#pragma once

#include "WriteRecord.h"

#include <QList>

#include <optional>

class VoiceStore;

// The history of writes to the instrument, kept in the voice library's file
// (its own tables, the store's connection). Each change is one transaction,
// so a write whose program is killed stays as far as it got: "unfinished",
// with every voice kept until then.
class WriteHistory
{
public:
    // The store must outlive the history.
    explicit WriteHistory(VoiceStore &store);

    // Enters a write about to start; its places as planned (pending, not
    // kept). Returns its id.
    qint64 begin(WriteRecord::Kind kind, int device, const QList<WriteRecord::Place> &places,
                 qint64 restores = 0);
    // What place `position` held was kept as voice `keptId`, or why not.
    void setKept(qint64 id, int position, qint64 keptId, const QString &notKept = {});
    // What became of the write to place `position`; `voiceId` (when not 0)
    // is the voice written, as the library keeps it.
    void setPlaceState(qint64 id, int position, WriteRecord::PlaceState state,
                       qint64 voiceId = 0);
    void finish(qint64 id, WriteRecord::State state, const QString &failure = {});

    // Newest first; `count` 0: all.
    QList<WriteRecord> list(int count = 0) const;
    std::optional<WriteRecord> entry(qint64 id) const;
    // The newest write that has old voices to put back.
    std::optional<WriteRecord> lastRestorable() const;

private:
    QList<WriteRecord> read(const QString &condition, const QVariantList &values, int count) const;

    VoiceStore &m_store;
};
