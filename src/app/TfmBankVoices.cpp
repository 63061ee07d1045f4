#include "TfmBankVoices.h"

#include "DialogParts.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int ListWidth = 300;
constexpr int ListHeight = 320;

} // namespace

TfmBankVoices::TfmBankVoices(const VoiceBank &bank, const Translate &translate, QWidget *owner,
                             Try tryVoice)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("TfmBankVoices"));
    setWindowTitle(textIn(translate, QStringLiteral("Voices in the file")));
    const int width = QString::number(bank.voices.size()).size();
    QStringList rows;
    for (qsizetype i = 0; i < bank.voices.size(); ++i) {
        const VoiceBank::Voice &voice = bank.voices[i];
        rows << QStringLiteral("%1: %2  %3")
                    .arg(i + 1, width)
                    .arg(voice.name, placeOf(voice, translate));
    }
    m_list = DialogParts::choiceList(this, QStringLiteral("lstVoices"), rows,
                                     QSize(ListWidth, ListHeight));
    // Fixed pitch, so that numbers, names (blanks kept) and places line up.
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_skipped = new QLabel(this);
    m_skipped->setObjectName(QStringLiteral("lblSkipped"));
    m_skipped->setWordWrap(true);
    if (bank.skipped > 0)
        m_skipped->setText(
            textIn(translate,
                   QStringLiteral("Parts of the file that are no whole voice, skipped: %1"))
                .arg(bank.skipped));
    m_skipped->setVisible(bank.skipped > 0);
    auto *buttons = DialogParts::buttonRow(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_sendAll = buttons->addButton(textIn(translate, QStringLiteral("Send all...")),
                                   QDialogButtonBox::ActionRole);
    m_sendAll->setObjectName(QStringLiteral("btnSendAll"));
    connect(m_sendAll, &QPushButton::clicked, this, [this] { done(SendAllResult); });
    if (tryVoice) {
        m_try = buttons->addButton(textIn(translate, QStringLiteral("Try")),
                                   QDialogButtonBox::ActionRole);
        m_try->setObjectName(QStringLiteral("btnTry"));
        m_try->setToolTip(textIn(translate, QStringLiteral(
            "Writes the voice to the scratch slot and selects it, so that it can be played; what "
            "the slot held goes back when this list closes.")));
        connect(m_try, &QPushButton::clicked, this, [this, tryVoice = std::move(tryVoice)] {
            if (const int row = selectedIndex(); row >= 0)
                tryVoice(row);
        });
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_skipped);
    layout->addWidget(buttons);
}

int TfmBankVoices::selectedIndex() const
{
    return DialogParts::selectedRow(m_list);
}

QString TfmBankVoices::placeOf(const VoiceBank::Voice &voice, const Translate &translate)
{
    switch (voice.form) {
    case VoiceDump::Form::Internal:
        return textIn(translate, QStringLiteral("Internal %1")).arg(voice.slot);
    case VoiceDump::Form::Custom:
        return textIn(translate, QStringLiteral("Custom %1")).arg(voice.slot);
    case VoiceDump::Form::Full:
        break;
    }
    return textIn(translate, QStringLiteral("Current"));
}
