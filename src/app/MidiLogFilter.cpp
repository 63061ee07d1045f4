#include "MidiLogFilter.h"

#include "MidiBytes.h"
#include "MidiLogModel.h"

void MidiLogFilter::setDirection(std::optional<MidiLog::Direction> direction)
{
    m_direction = direction;
    invalidateRowsFilter();
}

void MidiLogFilter::setPort(const QString &port)
{
    m_port = port;
    invalidateRowsFilter();
}

void MidiLogFilter::setHideTiming(bool hide)
{
    m_hideTiming = hide;
    invalidateRowsFilter();
}

bool MidiLogFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const auto *model = static_cast<const MidiLogModel *>(sourceModel());
    const MidiLog::Entry &entry = model->row(sourceRow).entry;
    if (m_direction && entry.direction != *m_direction)
        return false;
    if (!m_port.isEmpty() && entry.port != m_port)
        return false;
    if (m_hideTiming && entry.bytes.size() == 1) {
        const quint8 status = quint8(entry.bytes[0]);
        if (status == MidiBytes::TimingClock || status == MidiBytes::ActiveSensing)
            return false;
    }
    return true;
}
