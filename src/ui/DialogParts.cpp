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

int DialogParts::selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}
