#pragma once

#include "Prompts.h"

// The real prompts: Qt's message boxes, file dialogs and QDialog::exec().
class WidgetPrompts : public Prompts
{
public:
    void showError(QWidget *parent, const QString &text) override;
    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &caption, const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &proposed,
                         const QString &filter) override;
    int execModal(QDialog *dialog) override;
};
