#include "TfmLibVoicesRowDelegate.h"

#include <QFontMetrics>

TfmLibVoicesRowDelegate::TfmLibVoicesRowDelegate(int rowHeight, QObject *parent)
    : QStyledItemDelegate(parent), m_rowHeight(rowHeight)
{
}

QSize TfmLibVoicesRowDelegate::sizeHint(const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(m_rowHeight, option.fontMetrics.height()));
    return size;
}
