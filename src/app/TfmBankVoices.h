#pragma once

#include "TextTranslation.h"

#include "VoiceBank.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

// The modal window in which the user picks one voice of a file that holds
// several (a bank): one row per voice with its number, name and the place
// it came from ("Internal 12", "Custom 3", "Current"), and a line saying
// what in the file was no whole voice, if anything. OK (or a double-click
// on a row) takes the selected row; Cancel, Escape and the close box take
// none; "Send all..." closes with SendAllResult, the caller then sends them.
// Where the caller lets voices be tried, "Try" hands it the selected voice
// and the window stays open.
class TfmBankVoices : public QDialog
{
    Q_OBJECT

public:
    using Translate = TextTranslation;
    // The window's result when the user chose to send every voice.
    static constexpr int SendAllResult = 2;

    // Tries the voice of this row (none: no "Try" button).
    using Try = std::function<void(int row)>;

    // The bank is copied into the rows; `translate` may be empty.
    TfmBankVoices(const VoiceBank &bank, const Translate &translate, QWidget *owner = nullptr,
                  Try tryVoice = {});

    QListWidget *lstVoices() const { return m_list; }
    QLabel *lblSkipped() const { return m_skipped; }
    QPushButton *btnSendAll() const { return m_sendAll; }
    QPushButton *btnTry() const { return m_try; }
    // Row of the selected voice, -1 when none is selected.
    int selectedIndex() const;

    // Where a voice came from, as its row shows it.
    static QString placeOf(const VoiceBank::Voice &voice, const Translate &translate);

private:
    QListWidget *m_list = nullptr;
    QLabel *m_skipped = nullptr;
    QPushButton *m_sendAll = nullptr;
    QPushButton *m_try = nullptr;
};
