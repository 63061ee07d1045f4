#pragma once

#include <QStyledItemDelegate>

// Draws the picker's lines at a fixed row height, so that as many lines show
// as the list was laid out for. A font taller than that row gets its own
// height instead, so no line is ever clipped.
class TfmLibVoicesRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    TfmLibVoicesRowDelegate(int rowHeight, QObject *parent);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_rowHeight;
};
