#pragma once

#include "Prompts.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

// Prompts that answer from a script and record what was shown, in order.
// Unscripted questions get OK (message boxes), a cancelled dialog (file
// names) and a rejected modal window.
class ScriptedPrompts : public Prompts
{
public:
    enum class Kind { Error, Message, OpenFile, SaveFile, Modal };

    struct Shown
    {
        Kind kind;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption; // message caption, dialog title, window class
        QString text;    // message text, proposed file name
        QString filter;  // file dialogs
    };

    QList<Shown> shown;
    QList<QMessageBox::StandardButton> messageAnswers;
    QStringList openAnswers;
    QStringList saveAnswers;
    // Runs the modal window instead of exec(); returns its result code.
    std::function<int(QDialog *)> onModal;

    // Texts of every error box and every message box, in order.
    QStringList errors() const { return texts(Kind::Error); }
    QStringList messages() const { return texts(Kind::Message); }
    QStringList texts(Kind kind) const
    {
        QStringList result;
        for (const Shown &s : shown) {
            if (s.kind == kind)
                result << s.text;
        }
        return result;
    }

    void showError(QWidget *, const QString &text) override
    {
        shown.append({Kind::Error, QMessageBox::Critical, {}, text, {}});
    }

    QMessageBox::StandardButton message(QWidget *, QMessageBox::Icon icon, const QString &caption,
                                        const QString &text, QMessageBox::StandardButtons) override
    {
        shown.append({Kind::Message, icon, caption, text, {}});
        return messageAnswers.isEmpty() ? QMessageBox::Ok : messageAnswers.takeFirst();
    }

    QString openFileName(QWidget *, const QString &title, const QString &dir,
                         const QString &filter) override
    {
        shown.append({Kind::OpenFile, QMessageBox::NoIcon, title, dir, filter});
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }

    QString saveFileName(QWidget *, const QString &title, const QString &proposed,
                         const QString &filter) override
    {
        shown.append({Kind::SaveFile, QMessageBox::NoIcon, title, proposed, filter});
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }

    int execModal(QDialog *dialog) override
    {
        shown.append({Kind::Modal,
                      QMessageBox::NoIcon,
                      QString::fromLatin1(dialog->metaObject()->className()),
                      {},
                      {}});
        return onModal ? onModal(dialog) : int(QDialog::Rejected);
    }
};
