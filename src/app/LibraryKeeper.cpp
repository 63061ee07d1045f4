#include "LibraryKeeper.h"

#include "Prompts.h"
#include "RegEdit.h"
#include "UnreadableLibraryError.h"
#include "VentaroError.h"
#include "VoiceDump.h"

#include <QDir>

namespace {

QString keyPath()
{
    return RegSettingsRoot + LibraryKeeper::SettingsKey;
}

} // namespace

LibraryKeeper::LibraryKeeper(const QString &fileName, const RegRoot &settings, Prompts &prompts,
                             TextTranslation translate)
    : m_fileName(fileName), m_settings(settings), m_prompts(prompts),
      m_translate(translate ? std::move(translate) : [](const QString &text) { return text; })
{
}

LibraryKeeper::~LibraryKeeper() = default;

bool LibraryKeeper::keepsVoices() const
{
    return ReadRegInteger(m_settings, keyPath(), KeepValue, 1) != 0;
}

void LibraryKeeper::setKeepsVoices(bool keep)
{
    WriteRegInteger(m_settings, keyPath(), KeepValue, keep ? 1 : 0);
}

bool LibraryKeeper::keepsSlots() const
{
    return ReadRegInteger(m_settings, keyPath(), KeepSlotsValue, 1) != 0;
}

void LibraryKeeper::setKeepsSlots(bool keep)
{
    WriteRegInteger(m_settings, keyPath(), KeepSlotsValue, keep ? 1 : 0);
}

std::optional<int> LibraryKeeper::trySlot() const
{
    const int slot = ReadRegInteger(m_settings, keyPath(), TrySlotValue, 0);
    return slot >= 1 && slot <= VoiceDump::InternalSlotCount ? std::optional<int>(slot)
                                                             : std::nullopt;
}

void LibraryKeeper::setTrySlot(int slot)
{
    WriteRegInteger(m_settings, keyPath(), TrySlotValue, slot);
}

VoiceStore *LibraryKeeper::store(QWidget *parent)
{
    if (m_store || m_gaveUp)
        return m_store.get();
    const QString title = m_translate(QStringLiteral("Voice Library"));
    const QString where = QDir::toNativeSeparators(m_fileName);
    try {
        m_store = std::make_unique<VoiceStore>(m_fileName);
    } catch (const UnreadableLibraryError &e) {
        // Only the user decides to set the file aside; it is never deleted.
        const QMessageBox::StandardButton answer = m_prompts.message(
            parent, QMessageBox::Warning, title,
            m_translate(e.text()) + QLatin1Char('\n') + where + QStringLiteral("\n\n")
                + m_translate(QStringLiteral(
                    "Set this file aside (renamed, never deleted) and start a new library?")),
            QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            try {
                const QString aside = VoiceStore::setAside(m_fileName);
                m_store = std::make_unique<VoiceStore>(m_fileName);
                m_prompts.message(parent, QMessageBox::Information, title,
                                  m_translate(QStringLiteral("The old file was kept as %1"))
                                      .arg(QDir::toNativeSeparators(aside)),
                                  QMessageBox::Ok);
            } catch (const VentaroError &again) {
                m_prompts.showError(parent, m_translate(again.text()));
            }
        }
    } catch (const VentaroError &e) {
        m_prompts.showError(parent, m_translate(e.text()) + QLatin1Char('\n') + where);
    }
    // Asked once a run: the program goes on without a library.
    m_gaveUp = !m_store;
    return m_store.get();
}

QString LibraryKeeper::keep(const QList<VoiceStore::Met> &voices, QWidget *parent)
{
    if (voices.isEmpty() || !keepsVoices())
        return {};
    VoiceStore *library = store(parent);
    if (!library)
        return {};
    try {
        library->record(voices);
    } catch (const VentaroError &e) {
        // The window's own flow goes on; a full disk is said once.
        if (!m_toldFailure)
            m_prompts.showError(parent, m_translate(e.text()));
        m_toldFailure = true;
        return {};
    }
    return noticeFor(voices);
}

QString LibraryKeeper::keep(const QByteArray &voiceBytes, const VoiceSource &source,
                            QWidget *parent)
{
    const VoiceBank bank = VoiceBank::parse(voiceBytes);
    if (bank.voices.size() != 1 || bank.skipped != 0)
        return {};
    return keep({VoiceStore::Met{bank.voices.first(), source}}, parent);
}

QString LibraryKeeper::noticeFor(const QList<VoiceStore::Met> &voices) const
{
    if (voices.size() == 1)
        return m_translate(QStringLiteral("Kept in the library: %1"))
            .arg(voices.first().voice.name.trimmed());
    return m_translate(QStringLiteral("Kept in the library: %1 voices")).arg(voices.size());
}
