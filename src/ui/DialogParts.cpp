#include "DialogParts.h"

#include <QDialog>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>

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

std::unique_ptr<QProgressDialog> DialogParts::progressWindow(QWidget *owner,
                                                             const QString &objectName,
                                                             const QString &title,
                                                             const QString &label,
                                                             const QString &stop, int maximum)
{
    auto progress = std::make_unique<QProgressDialog>(label, QString(), 0, maximum, owner);
    auto *stopButton = new QPushButton(stop, progress.get());
    stopButton->setFocusPolicy(Qt::NoFocus);
    stopButton->setAutoDefault(false);
    progress->setCancelButton(stopButton);
    progress->setObjectName(objectName);
    progress->setWindowTitle(title);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setValue(0);
    return progress;
}
