#pragma once

#include "MidiLog.h"
#include "MidiMessageDescription.h"
#include "TextTranslation.h"

#include <QWidget>

#include <functional>

class MidiLogFilter;
class MidiLogModel;
class MidiTap;
class Prompts;
class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;

// The MIDI log: every message the program sends or receives on any port,
// newest at the bottom, decoded, with the ones dropped for another device
// number greyed. The log records only while the window is shown (a closed
// window costs the ports one pointer test); what it holds stays until
// Clear. The view takes what is new every ViewUpdateMs, so a burst of
// messages makes a few updates, not one per message.
class TfmMidiLog : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ViewUpdateMs = 50;

    struct Services
    {
        MidiTap &tap;
        Prompts &prompts;
        // The program's device number now (0..15).
        std::function<int()> deviceNumber;
        MidiMessageDescription::PatchName patchName;
        TextTranslation translate;
    };

    explicit TfmMidiLog(const Services &services, QWidget *parent = nullptr);
    ~TfmMidiLog() override;

    MidiLog &log() { return m_log; }
    MidiLogModel &model() { return *m_model; }
    MidiLogFilter &filter() { return *m_filter; }
    QTableView &table() { return *m_table; }

    // Takes what the log recorded since the last update into the view.
    void updateView();
    // The selected rows as tab-separated lines, as `ventaro monitor` prints them.
    QString selectedLines() const;
    // The selected SysEx messages, one after another.
    QByteArray selectedSysEx() const;

    void btnPauseClick(bool paused);
    void btnClearClick();
    void btnCopyClick();
    void btnSaveSysExClick();
    void btnSaveTextClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QString translated(const char *text) const;
    QList<int> selectedSourceRows() const;
    void applyFilter();
    void showCurrent();
    void saveFile(const QString &title, const QString &filter, const QString &ext,
                  const QByteArray &bytes);

    Services m_services;
    MidiLog m_log;
    MidiLogModel *m_model;
    MidiLogFilter *m_filter;
    QTableView *m_table;
    QPlainTextEdit *m_detail;
    QPushButton *m_pause;
    QComboBox *m_direction;
    QComboBox *m_port;
    QCheckBox *m_hideTiming;
    QTimer *m_timer;
};
