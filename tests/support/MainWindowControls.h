#pragma once

#include "TfmVLDump.h"

#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <memory>

// The main window as the user reaches it: its controls by name, the rows of
// its lists, its buttons. A missing control ends the run (a renamed control
// would otherwise read as a behaviour that went wrong).
struct MainWindowControls
{
    std::unique_ptr<TfmVLDump> window;

    template <typename T = QWidget>
    T *child(const char *name) const
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QComboBox *combo(const char *name) const { return child<QComboBox>(name); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }

    // The user picks a row of a list.
    void choose(const char *name, int row) const
    {
        QComboBox *box = combo(name);
        box->setCurrentIndex(row);
        emit box->activated(row);
    }
    // The user opens a list (which fills it anew) and picks the row showing
    // `text`; false when there is none.
    bool choose(const char *name, const QString &text) const
    {
        QComboBox *box = combo(name);
        box->showPopup();
        const int row = box->findText(text);
        box->hidePopup();
        if (row < 0)
            return false;
        choose(name, row);
        return true;
    }
    QStringList rows(const char *name) const
    {
        QStringList list;
        for (int i = 0; i < combo(name)->count(); ++i)
            list << combo(name)->itemText(i);
        return list;
    }
};
