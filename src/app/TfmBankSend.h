#pragma once

#include "TextTranslation.h"

#include "BankSendPlan.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;

// The modal window in which the user says where the voices of a bank go
// when they are all sent: each to the slot it came from (full voices, which
// come from none, left out or sent from a chosen place), or one after
// another from a chosen Custom or Internal slot; and the pause after each
// voice. It says which voices of the instrument the choice replaces, as far
// as the program knows them, and offers a backup first. "Send" accepts,
// "Back Up First" ends with BackUpFirst, Cancel sends nothing.
class TfmBankSend : public QDialog
{
    Q_OBJECT

public:
    using Translate = TextTranslation;

    // Rows of the place lists.
    enum FullRow { FullLeftOut = 0, FullCurrent = 1, FullCustom = 2, FullInternal = 3 };
    enum SlotKindRow { KindCustom = 0, KindInternal = 1 };
    // The dialog's result when the user asks for a backup before sending.
    static constexpr int BackUpFirst = 2;
    // What a choice replaces, in a few lines; none: the dialog does not say.
    using Describe = std::function<QString(const BankSendPlan::Options &options)>;

    // `fullVoices`: how many voices of the bank are full voices (their
    // choice is shown only when there are some).
    TfmBankSend(int voiceCount, int fullVoices, int gapMs, const Translate &translate,
                QWidget *owner = nullptr, Describe describe = {});

    BankSendPlan::Options options() const;
    // Says again what the choice replaces (the names may have changed).
    void refresh() { updateControls(); }
    int gapMs() const;

    QRadioButton *rbOwnSlots() const { return m_ownSlots; }
    QRadioButton *rbConsecutive() const { return m_consecutive; }
    QComboBox *cbxFullTo() const { return m_fullTo; }
    QSpinBox *edtFullSlot() const { return m_fullSlot; }
    QComboBox *cbxKind() const { return m_kind; }
    QSpinBox *edtFirstSlot() const { return m_firstSlot; }
    QSpinBox *edtGap() const { return m_gap; }
    QLabel *lblReplaced() const { return m_replaced; }

private:
    void updateControls();

    QRadioButton *m_ownSlots = nullptr;
    QRadioButton *m_consecutive = nullptr;
    QComboBox *m_fullTo = nullptr;
    QSpinBox *m_fullSlot = nullptr;
    QComboBox *m_kind = nullptr;
    QSpinBox *m_firstSlot = nullptr;
    QSpinBox *m_gap = nullptr;
    QLabel *m_replaced = nullptr;
    Describe m_describe;
};
