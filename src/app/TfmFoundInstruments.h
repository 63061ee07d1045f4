#pragma once

#include "TextTranslation.h"

#include "InstrumentFinder.h"

#include <QDialog>

#include <functional>

class QListWidget;

// The instruments a search found, one row each: the input and output
// devices it answered on and the device number it reported. OK (or a
// double-click) takes the selected row.
class TfmFoundInstruments : public QDialog
{
    Q_OBJECT

public:
    using Translate = TextTranslation;

    TfmFoundInstruments(const QList<InstrumentFinder::Found> &found, const Translate &translate,
                        QWidget *owner = nullptr);

    QListWidget *lstFound() const { return m_list; }
    // Row of the selected instrument, -1 when none is selected.
    int selectedIndex() const;

private:
    QListWidget *m_list = nullptr;
};
