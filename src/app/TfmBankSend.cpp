#include "TfmBankSend.h"

#include "BankSender.h"
#include "DialogParts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace {

VoiceDump::Form formOfKind(int row)
{
    return row == TfmBankSend::KindCustom ? VoiceDump::Form::Custom : VoiceDump::Form::Internal;
}

void limitSlot(QSpinBox *slot, VoiceDump::Form to)
{
    slot->setMaximum(qMax(1, BankSendPlan::slotCount(to)));
}

} // namespace

TfmBankSend::TfmBankSend(int voiceCount, int fullVoices, int gapMs, const Translate &translate,
                         QWidget *owner, Describe describe)
    : QDialog(owner), m_describe(std::move(describe))
{
    setObjectName(QStringLiteral("TfmBankSend"));
    setWindowTitle(textIn(translate, QStringLiteral("Send all voices")));
    auto *count = new QLabel(
        textIn(translate, QStringLiteral("Voices in the file: %1")).arg(voiceCount), this);

    m_ownSlots = new QRadioButton(
        textIn(translate, QStringLiteral("Each voice to the slot it came from")), this);
    m_ownSlots->setObjectName(QStringLiteral("rbOwnSlots"));
    m_fullTo = new QComboBox(this);
    m_fullTo->setObjectName(QStringLiteral("cbxFullTo"));
    m_fullTo->addItems({textIn(translate, QStringLiteral("Left out")),
                        textIn(translate, QStringLiteral("Current")),
                        textIn(translate, QStringLiteral("Custom")),
                        textIn(translate, QStringLiteral("Internal"))});
    m_fullSlot = new QSpinBox(this);
    m_fullSlot->setObjectName(QStringLiteral("edtFullSlot"));
    m_fullSlot->setMinimum(1);
    auto *fullRow = new QHBoxLayout;
    auto *fullLabel =
        new QLabel(textIn(translate, QStringLiteral("Full voices (from no slot) go to:")), this);
    fullRow->addWidget(fullLabel);
    fullRow->addWidget(m_fullTo);
    fullRow->addWidget(m_fullSlot);
    fullLabel->setVisible(fullVoices > 0);
    m_fullTo->setVisible(fullVoices > 0);
    m_fullSlot->setVisible(fullVoices > 0);

    m_consecutive =
        new QRadioButton(textIn(translate, QStringLiteral("One after another from:")), this);
    m_consecutive->setObjectName(QStringLiteral("rbConsecutive"));
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cbxKind"));
    m_kind->addItems({textIn(translate, QStringLiteral("Custom")),
                      textIn(translate, QStringLiteral("Internal"))});
    m_kind->setCurrentIndex(KindInternal);
    m_firstSlot = new QSpinBox(this);
    m_firstSlot->setObjectName(QStringLiteral("edtFirstSlot"));
    m_firstSlot->setMinimum(1);
    auto *consecutiveRow = new QHBoxLayout;
    consecutiveRow->addWidget(m_consecutive);
    consecutiveRow->addWidget(m_kind);
    consecutiveRow->addWidget(m_firstSlot);

    m_gap = new QSpinBox(this);
    m_gap->setObjectName(QStringLiteral("edtGap"));
    m_gap->setRange(0, BankSender::MaxGapMs);
    m_gap->setSuffix(QStringLiteral(" ms"));
    m_gap->setValue(gapMs);
    auto *gapRow = new QFormLayout;
    gapRow->addRow(textIn(translate, QStringLiteral("Pause after each voice:")), m_gap);

    auto *buttons = DialogParts::buttonRow(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(textIn(translate, QStringLiteral("Send")));
    m_replaced = new QLabel(this);
    m_replaced->setObjectName(QStringLiteral("lblReplaced"));
    m_replaced->setVisible(bool(m_describe));
    if (m_describe) {
        QPushButton *backUp = buttons->addButton(
            textIn(translate, QStringLiteral("Back Up First...")), QDialogButtonBox::ActionRole);
        backUp->setObjectName(QStringLiteral("btnBackUpFirst"));
        connect(backUp, &QPushButton::clicked, this, [this] { done(BackUpFirst); });
    }

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(count);
    layout->addWidget(m_ownSlots);
    layout->addLayout(fullRow);
    layout->addLayout(consecutiveRow);
    layout->addLayout(gapRow);
    layout->addWidget(m_replaced);
    layout->addWidget(buttons);

    m_ownSlots->setChecked(true);
    for (QRadioButton *choice : {m_ownSlots, m_consecutive})
        connect(choice, &QRadioButton::toggled, this, &TfmBankSend::updateControls);
    connect(m_fullTo, &QComboBox::currentIndexChanged, this, &TfmBankSend::updateControls);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &TfmBankSend::updateControls);
    for (QSpinBox *slot : {m_fullSlot, m_firstSlot})
        connect(slot, &QSpinBox::valueChanged, this, &TfmBankSend::updateControls);
    updateControls();
}

void TfmBankSend::updateControls()
{
    const bool own = m_ownSlots->isChecked();
    const int full = m_fullTo->currentIndex();
    m_fullTo->setEnabled(own);
    m_fullSlot->setEnabled(own && (full == FullCustom || full == FullInternal));
    limitSlot(m_fullSlot, full == FullCustom ? VoiceDump::Form::Custom : VoiceDump::Form::Internal);
    m_kind->setEnabled(!own);
    m_firstSlot->setEnabled(!own);
    limitSlot(m_firstSlot, formOfKind(m_kind->currentIndex()));
    if (m_describe)
        m_replaced->setText(m_describe(options()));
}

BankSendPlan::Options TfmBankSend::options() const
{
    BankSendPlan::Options options;
    if (m_consecutive->isChecked()) {
        options.order = BankSendPlan::Order::Consecutive;
        options.consecutiveTo = formOfKind(m_kind->currentIndex());
        options.firstSlot = m_firstSlot->value();
        return options;
    }
    switch (m_fullTo->currentIndex()) {
    case FullCurrent:
        options.fullVoicesTo = VoiceDump::Form::Full;
        break;
    case FullCustom:
        options.fullVoicesTo = VoiceDump::Form::Custom;
        break;
    case FullInternal:
        options.fullVoicesTo = VoiceDump::Form::Internal;
        break;
    default:
        break;
    }
    options.fullFirstSlot = m_fullSlot->value();
    return options;
}

int TfmBankSend::gapMs() const
{
    return m_gap->value();
}
