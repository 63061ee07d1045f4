#include "TfmBankReceive.h"

#include "DialogParts.h"
#include "DumpFile.h"
#include "FileDialog.h"
#include "Prompts.h"
#include "TMidiCorvoIn.h"
#include "TVLManager.h"
#include "TfmBankVoices.h"
#include "TranslationService.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int ListWidth = 320;
constexpr int ListHeight = 260;
const QString BankFileName = QStringLiteral("Voices");

} // namespace

TfmBankReceive::TfmBankReceive(TVLManager *manager, Prompts &prompts, FileDialog *saveDialog,
                               TranslationService *translation, QWidget *parent)
    : QDialog(parent), m_manager(manager), m_prompts(prompts), m_saveDialog(saveDialog),
      m_translation(translation),
      m_guard(prompts, this, TranslationService::translator(translation)),
      m_collector(manager->DeviceID())
{
    setObjectName(QStringLiteral("TfmBankReceive"));
    setWindowTitle(translated(QStringLiteral("Get Voices")));
    auto *hint = new QLabel(
        translated(QStringLiteral("Dump voices from the instrument's panel one after another "
                                  "(UTIL, DUMPOUT, choose the voice, ENTER twice). Each voice is "
                                  "listed here as it arrives.")),
        this);
    hint->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstVoices"));
    m_list->setMinimumSize(ListWidth, ListHeight);
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setWordWrap(true);
    auto *buttons = DialogParts::buttonRow(this, QDialogButtonBox::Close);
    m_save = buttons->addButton(translated(QStringLiteral("Save As File...")),
                                QDialogButtonBox::ActionRole);
    m_save->setObjectName(QStringLiteral("btnSave"));
    m_save->setEnabled(false);
    connect(m_save, &QPushButton::clicked, this,
            [this] { m_guard.run([this] { btnSaveClick(); }); });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
}

TfmBankReceive::~TfmBankReceive()
{
    detach();
}

int TfmBankReceive::execute()
{
    m_port = m_manager->MidiIn();
    m_port->OnSysexReceived = [this](QObject *, const quint8 *data, qint32 len) {
        m_guard.run([&] { takeMessage(data, len); });
    };
    try {
        m_port->Open(true);
    } catch (...) {
        detach();
        throw;
    }
    const int result = m_prompts.execModal(this);
    detach();
    return result;
}

void TfmBankReceive::detach()
{
    if (!m_port)
        return;
    try {
        m_port->Stop();
    } catch (const std::exception &) {
    }
    m_port->OnSysexReceived = nullptr;
    m_port = nullptr;
}

void TfmBankReceive::takeMessage(const quint8 *data, qint32 len)
{
    if (!data || len <= 0)
        return;
    const qsizetype before = m_collector.voices().size();
    if (!m_collector.take(QByteArrayView(data, len)))
        return;
    const auto translate = TranslationService::translator(m_translation);
    const QList<VoiceBank::Voice> &voices = m_collector.voices();
    for (qsizetype i = before; i < voices.size(); ++i)
        m_list->addItem(QStringLiteral("%1: %2  %3")
                            .arg(i + 1, 2)
                            .arg(voices[i].name, TfmBankVoices::placeOf(voices[i], translate)));
    if (onVoiceReceived) {
        for (qsizetype i = before; i < voices.size(); ++i)
            onVoiceReceived(voices[i]);
    }
    if (voices.size() > before) {
        m_list->scrollToBottom();
        m_unsaved = true;
        m_save->setEnabled(true);
    }
    QString status = translated(QStringLiteral("Voices received: %1")).arg(voices.size());
    if (m_collector.hasPartialVoice())
        status += QStringLiteral(" ") + translated(QStringLiteral("(a voice is arriving)"));
    m_status->setText(status);
}

void TfmBankReceive::btnSaveClick()
{
    if (m_collector.voices().isEmpty())
        return;
    // The dialog asks before it replaces an existing file.
    const QString fileName = m_saveDialog->execute(
        m_prompts, this, BankFileName + QLatin1Char('.') + m_saveDialog->DefaultExt());
    if (fileName.isEmpty())
        return;
    DumpFile::write(fileName, m_collector.bankBytes());
    m_unsaved = false;
    m_status->setText(translated(QStringLiteral("%1 voices saved to %2"))
                          .arg(m_collector.voices().size())
                          .arg(QDir::toNativeSeparators(fileName)));
}

void TfmBankReceive::done(int result)
{
    if (m_unsaved) {
        const auto answer = m_prompts.message(
            this, QMessageBox::Warning, translated(QStringLiteral("Get Voices")),
            translated(QStringLiteral("The voices received are not saved. Close anyway?")),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    detach();
    QDialog::done(result);
}

QString TfmBankReceive::translated(const QString &text) const
{
    return TranslationService::translator(m_translation)(text);
}
