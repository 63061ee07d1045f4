#include "DialogParts.h"

#include <QDialog>
#include <QListWidget>

QDialogButtonBox *DialogParts::buttonRow(QDialog *dialog, QDialogButtonBox::StandardButtons buttons)
{
    auto *row = new QDialogButtonBox(buttons, dialog);
    QObject::connect(row, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(row, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return row;
}

QListWidget *DialogParts::choiceList(QDialog *dialog, const QString &objectName,
                                     const QStringList &rows, QSize minimum)
{
    auto *list = new QListWidget(dialog);
    list->setObjectName(objectName);
    list->setMinimumSize(minimum);
    list->addItems(rows);
    if (!rows.isEmpty())
        list->setCurrentRow(0);
    QObject::connect(list, &QListWidget::itemDoubleClicked, dialog, &QDialog::accept);
    return list;
}

int DialogParts::selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}
