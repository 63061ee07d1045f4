#pragma once

#include <QDialogButtonBox>
#include <QSize>
#include <QStringList>

#include <memory>

class QDialog;
class QListWidget;
class QProgressDialog;
class QWidget;

// Pieces the program's own small windows are built from, so that they all
// behave alike.
class DialogParts
{
public:
    // A button row whose OK accepts the dialog and whose Cancel or Close
    // rejects it.
    static QDialogButtonBox *buttonRow(QDialog *dialog, QDialogButtonBox::StandardButtons buttons);
    // A single-selection list of `rows` for a window that asks for one of
    // them: the first row chosen, a double click on a row accepts the dialog.
    static QListWidget *choiceList(QDialog *dialog, const QString &objectName,
                                   const QStringList &rows, QSize minimum);
    // The row of a single-selection list's chosen item; -1 when none.
    static int selectedRow(const QListWidget *list);
    // The progress window of a long run, window-modal over `owner`, shown at
    // once, with a Stop button that takes no focus (a stray Space or Enter
    // must not end the run; Escape still does). `maximum` 0: busy.
    static std::unique_ptr<QProgressDialog> progressWindow(QWidget *owner,
                                                           const QString &objectName,
                                                           const QString &title,
                                                           const QString &label,
                                                           const QString &stop, int maximum);
};
