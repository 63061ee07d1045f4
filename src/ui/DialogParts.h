#pragma once

#include <QDialogButtonBox>

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
    // The row of a single-selection list's chosen item; -1 when none.
    static int selectedRow(const QListWidget *list);
};
