#include "TfmFoundInstruments.h"

#include "DialogParts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

constexpr int ListWidth = 360;
constexpr int ListHeight = 120;
constexpr int ListMargin = 8;

} // namespace

TfmFoundInstruments::TfmFoundInstruments(const QList<InstrumentFinder::Found> &found,
                                         const Translate &translate, QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("TfmFoundInstruments"));
    setWindowTitle(textIn(translate, QStringLiteral("Instruments found")));
    auto *hint =
        new QLabel(textIn(translate, QStringLiteral("Choose the instrument to work with:")), this);
    QStringList rows;
    for (const InstrumentFinder::Found &instrument : found)
        rows << textIn(translate, QStringLiteral("In: %1   Out: %2   Device number %3"))
                    .arg(instrument.input, instrument.output)
                    .arg(instrument.deviceNumber + 1);
    m_list = DialogParts::choiceList(this, QStringLiteral("lstFound"), rows,
                                     QSize(ListWidth, ListHeight));
    // Whole rows: device names can be long.
    m_list->setMinimumWidth(
        qMax(ListWidth, m_list->sizeHintForColumn(0) + 2 * m_list->frameWidth() + ListMargin));
    auto *buttons = DialogParts::buttonRow(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
}

int TfmFoundInstruments::selectedIndex() const
{
    return DialogParts::selectedRow(m_list);
}
