#pragma once

#include "MidiLog.h"

#include <QSortFilterProxyModel>

#include <optional>

// Which rows of a MidiLogModel the log window shows: one direction or
// both, one port or all, with or without timing clock and active sensing.
class MidiLogFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setDirection(std::optional<MidiLog::Direction> direction);
    // Empty: every port.
    void setPort(const QString &port);
    void setHideTiming(bool hide);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    std::optional<MidiLog::Direction> m_direction;
    QString m_port;
    bool m_hideTiming = false;
};
