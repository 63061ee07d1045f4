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

QString textIn(const TfmFoundInstruments::Translate &translate, const QString &text)
{
    return translate ? translate(text) : text;
}

} // namespace

TfmFoundInstruments::TfmFoundInstruments(const QList<InstrumentFinder::Found> &found,
                                         const Translate &translate, QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("TfmFoundInstruments"));
    setWindowTitle(textIn(translate, QStringLiteral("Instruments found")));
    auto *hint =
        new QLabel(textIn(translate, QStringLiteral("Choose the instrument to work with:")), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstFound"));
    m_list->setMinimumSize(ListWidth, ListHeight);
    for (const InstrumentFinder::Found &instrument : found)
        m_list->addItem(textIn(translate, QStringLiteral("In: %1   Out: %2   Device number %3"))
                            .arg(instrument.input, instrument.output)
                            .arg(instrument.deviceNumber + 1));
    if (!found.isEmpty())
        m_list->setCurrentRow(0);
    // Whole rows: device names can be long.
    m_list->setMinimumWidth(
        qMax(ListWidth, m_list->sizeHintForColumn(0) + 2 * m_list->frameWidth() + ListMargin));
    auto *buttons = DialogParts::buttonRow(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
}

int TfmFoundInstruments::selectedIndex() const
{
    return DialogParts::selectedRow(m_list);
}
