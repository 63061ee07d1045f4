#pragma once

#include "RegRoot.h"
#include "TextTranslation.h"
#include "VoiceStore.h"

#include <QString>

#include <optional>

#include <memory>

class Prompts;
class QWidget;

// The program's voice library as the windows use it: opened at its first
// use (never at start-up), and kept from then on. A file that cannot be
// opened is said once; the user may set a damaged file aside and start a
// new library, otherwise the program goes on without one. Keeping the voices
// the program meets can be turned off in the settings.
class LibraryKeeper
{
public:
    // `fileName`: VoiceStore::DefaultPath() for the program, a temporary
    // file for tests. The prompts must outlive the keeper.
    LibraryKeeper(const QString &fileName, const RegRoot &settings, Prompts &prompts,
                  TextTranslation translate = {});
    ~LibraryKeeper();
    LibraryKeeper(const LibraryKeeper &) = delete;
    LibraryKeeper &operator=(const LibraryKeeper &) = delete;

    QString fileName() const { return m_fileName; }

    // Whether every voice met is kept (the setting; on by default).
    bool keepsVoices() const;
    void setKeepsVoices(bool keep);

    // Whether what a slot holds is kept before it is written over (the
    // setting; on by default, off for a one-way cable).
    bool keepsSlots() const;
    void setKeepsSlots(bool keep);
    // The Internal slot voices are tried in; none until the user agreed to one.
    std::optional<int> trySlot() const;
    void setTrySlot(int slot);

    // The library, opened at the first call; null when it cannot be opened
    // (the user was told, with `parent` as the message's owner).
    VoiceStore *store(QWidget *parent);

    // Records voices met, when keeping is on; returns the line that tells
    // the user ("Kept in the library: Devil"), empty when nothing was kept.
    // A library that cannot be written is said once; nothing else stops.
    QString keep(const QList<VoiceStore::Met> &voices, QWidget *parent);
    // One voice as a window holds it; bytes that are no whole voice are
    // left out without a word (a cancelled or foreign dump).
    QString keep(const QByteArray &voiceBytes, const VoiceSource &source, QWidget *parent);

    static inline const QString SettingsKey = QStringLiteral("VL70-m\\Library");
    static inline const QString KeepValue = QStringLiteral("Keep");
    static inline const QString KeepSlotsValue = QStringLiteral("KeepSlots");
    // The Internal slot voices are tried in, once the user agreed to one.
    static inline const QString TrySlotValue = QStringLiteral("TrySlot");
    static constexpr int DefaultTrySlot = 64;

private:
    QString noticeFor(const QList<VoiceStore::Met> &voices) const;

    QString m_fileName;
    RegRoot m_settings;
    Prompts &m_prompts;
    TextTranslation m_translate;
    std::unique_ptr<VoiceStore> m_store;
    bool m_gaveUp = false;      // the file cannot be opened: asked no more
    bool m_toldFailure = false; // a failed write was said already
};
