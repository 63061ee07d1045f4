#pragma once

#include "TextTranslation.h"
#include "WriteRecord.h"

#include <QDialog>
#include <QList>

#include <functional>

class QPushButton;
class QTableWidget;
class VoiceStore;

// The "Write History" window: every write to the instrument the library
// keeps, newest first (when, device number, kind, places, what was written
// and kept, how it ended). "Restore..." writes back what the selected write
// kept (a write of its own, listed when it ends); "Show in Library" shows
// the voices kept before writes.
class TfmWriteHistory : public QDialog
{
    Q_OBJECT

public:
    struct Actions
    {
        std::function<void(const WriteRecord &record)> restore;
        std::function<void()> showLibrary;
    };

    enum Column { Time, Device, Kind, Places, Written, Kept, State, ColumnCount };

    // Nothing is owned; the store must outlive the window.
    TfmWriteHistory(VoiceStore &store, Actions actions, const TextTranslation &translate,
                    QWidget *parent = nullptr);

    QTableWidget *tblWrites() const { return m_table; }
    QPushButton *btnRestore() const { return m_restore; }
    QPushButton *btnShowInLibrary() const { return m_showLibrary; }

    // Lists the writes again.
    void reload();

private:
    void updateButtons();
    void restoreClick();

    VoiceStore &m_store;
    Actions m_actions;
    TextTranslation m_translate;
    QList<WriteRecord> m_records; // in the table's order
    QTableWidget *m_table = nullptr;
    QPushButton *m_restore = nullptr;
    QPushButton *m_showLibrary = nullptr;
};
