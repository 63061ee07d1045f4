#pragma once

#include <QDialogButtonBox>
#include <QSize>
#include <QStringList>

class QDialog;
class QListWidget;

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
};
