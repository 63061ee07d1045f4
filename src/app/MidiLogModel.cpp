#include "MidiLogModel.h"

#include <QBrush>
#include <QPalette>

MidiLogModel::MidiLogModel(MidiMessageDescription description, TextTranslation translate,
                           QObject *parent)
    : QAbstractTableModel(parent), m_description(std::move(description)),
      m_translate(std::move(translate))
{
}

QString MidiLogModel::shortHex(const QByteArray &bytes)
{
    if (bytes.size() <= ShortHexBytes)
        return MidiMessageDescription::hex(bytes);
    return QStringLiteral("%1 … (%2 bytes)")
        .arg(MidiMessageDescription::hex(QByteArrayView(bytes).first(ShortHexBytes)))
        .arg(bytes.size());
}

void MidiLogModel::take(const MidiLog::Batch &batch)
{
    int dropped = 0;
    while (dropped < int(m_rows.size())
           && m_rows[std::size_t(dropped)].entry.serial < batch.firstSerial)
        ++dropped;
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + dropped);
        endRemoveRows();
    }
    if (batch.entries.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(batch.entries.size()) - 1);
    for (const MidiLog::Entry &entry : batch.entries) {
        m_rows.push_back(Row{entry, m_description.describe(entry)});
        m_lastSerial = entry.serial;
    }
    endInsertRows();
}

void MidiLogModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int MidiLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MidiLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MidiLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row &row = m_rows[std::size_t(index.row())];
    if (role == Qt::ForegroundRole && row.filtered())
        return QPalette().brush(QPalette::Disabled, QPalette::Text);
    if (role == Qt::ToolTipRole && row.filtered())
        return textIn(m_translate, QStringLiteral("Dropped: another device number"));
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Time:
        return QString::number(row.entry.timeMs);
    case Direction:
        return textIn(m_translate, MidiMessageDescription::directionWord(row.entry.direction));
    case Port:
        return row.entry.port;
    case Length:
        return QString::number(row.entry.bytes.size());
    case Hex:
        return shortHex(row.entry.bytes);
    case Decoded:
        return row.line.text;
    default:
        return {};
    }
}

QVariant MidiLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const std::array<const char *, ColumnCount> titles{"Time (ms)", "Direction", "Port",
                                                              "Length", "Bytes", "Meaning"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return textIn(m_translate, QString::fromLatin1(titles[std::size_t(section)]));
}
