#include "WidgetPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>

void WidgetPrompts::showError(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QApplication::applicationName(), text);
}

QMessageBox::StandardButton WidgetPrompts::message(QWidget *parent, QMessageBox::Icon icon,
                                                   const QString &caption, const QString &text,
                                                   QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString WidgetPrompts::openFileName(QWidget *parent, const QString &title, const QString &dir,
                                    const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
}

QString WidgetPrompts::saveFileName(QWidget *parent, const QString &title, const QString &proposed,
                                    const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, proposed, filter);
}

int WidgetPrompts::execModal(QDialog *dialog)
{
    return dialog->exec();
}
