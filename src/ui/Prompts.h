#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Everything that waits for the user: message boxes, file dialogs and modal
// windows. Windows receive one from their creator; tests pass a scripted one.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // The application's standard error box (critical icon, OK).
    virtual void showError(QWidget *parent, const QString &text) = 0;
    // A message box; returns the button pressed.
    virtual QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                                const QString &caption, const QString &text,
                                                QMessageBox::StandardButtons buttons) = 0;
    // File dialogs; an empty result means cancelled. The filter is Qt's form.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &proposed,
                                 const QString &filter) = 0;
    // Shows a window modally and returns its result code.
    virtual int execModal(QDialog *dialog) = 0;
};
