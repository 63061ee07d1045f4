#pragma once

#include "MidiLog.h"
#include "MidiMessageDescription.h"

#include <QAbstractTableModel>

#include <deque>

// The rows of the MIDI log window: the log's messages as last taken, each
// decoded once when it arrives, oldest first. Rows the log dropped go when
// the next batch comes.
class MidiLogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Time, Direction, Port, Length, Hex, Decoded, ColumnCount };
    // A longer message shows its first bytes and its length.
    static constexpr int ShortHexBytes = 16;

    struct Row
    {
        MidiLog::Entry entry;
        MidiMessageDescription::Line line;
        // Came in for another device number: the program drops it.
        bool filtered() const { return MidiMessageDescription::isFiltered(entry, line); }
    };

    MidiLogModel(MidiMessageDescription description, TextTranslation translate,
                 QObject *parent = nullptr);

    // Drops the rows older than the batch's first serial, then adds its messages.
    void take(const MidiLog::Batch &batch);
    void clear();
    quint64 lastSerial() const { return m_lastSerial; }
    const Row &row(int index) const { return m_rows[std::size_t(index)]; }

    // The message's bytes in hex, shortened to ShortHexBytes and "… (N bytes)".
    static QString shortHex(const QByteArray &bytes);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    MidiMessageDescription m_description;
    TextTranslation m_translate;
    std::deque<Row> m_rows;
    quint64 m_lastSerial = 0;
};
