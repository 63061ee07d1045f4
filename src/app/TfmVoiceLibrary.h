#pragma once

#include "ErrorGuard.h"
#include "VoiceImporter.h"
#include "VoiceSource.h"

#include <QDialog>
#include <QStringList>

#include <atomic>
#include <memory>

class FileDialog;
class LibraryKeeper;
class Prompts;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QThread;
class TfmVLDump;
class TranslationService;
class VoiceLibraryModel;
class VoiceStore;

// The Voice Library window: the library's voices in a table that searches
// as the user types and filters by form, tag, favourite and source; for the
// selected voices, sending through the main window (its send path and its
// checks), opening in the main window, exporting as one bank file, tags,
// favourite, note and deletion; the current voice's sources listed. Files
// and folders dropped on it or chosen are imported on a thread of their
// own (a connection of its own to the library), with progress and Cancel.
class TfmVoiceLibrary : public QDialog
{
    Q_OBJECT

public:
    // Nothing is owned; everything must outlive the window. The translation
    // service may be null.
    TfmVoiceLibrary(LibraryKeeper &keeper, VoiceStore &store, TfmVLDump &mainWindow,
                    Prompts &prompts, TranslationService *translation, QWidget *parent = nullptr);
    ~TfmVoiceLibrary() override;

    VoiceLibraryModel *model() const { return m_model; }
    QTableView *tblVoices() const { return m_table; }
    QLineEdit *edtSearch() const { return m_search; }
    QListWidget *lstSources() const { return m_sources; }
    QProgressBar *prgImport() const { return m_progress; }
    // Lists only the voices met in sources of this kind.
    void showSource(VoiceSource::Kind kind);
    // Whether an import is running.
    bool importing() const { return m_worker != nullptr; }

    // Handlers (run inside the window's error guard when the user acts).
    void applyFilter();
    void showCurrent();
    void btnSendCurrentClick();
    void btnSendSlotClick();
    void btnTryClick();
    void btnOpenClick();
    void btnExportClick();
    void btnAddTagClick();
    void btnRemoveTagClick();
    void btnFavouriteClick();
    void btnNoteClick();
    void btnDeleteClick();
    void btnImportFilesClick();
    void btnImportFolderClick();
    // Imports files and folders off the window thread; the summary follows
    // when it ends (see importFinished).
    void importPaths(const QStringList &paths);
    // Stops a running import before its next file.
    void cancelImport();

    void done(int result) override;

signals:
    // An import ended; its summary was shown.
    void importFinished();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QList<qint64> selectedIds() const;
    // The first selected voice with its bytes; raises when none is selected.
    qint64 currentId() const;
    QByteArray currentBytes() const;
    // Puts `bytes` in the main window, as opening a file does.
    void holdInMain(const QByteArray &bytes);
    void fillTags();
    // Adds or removes the tag typed to every selected voice.
    void changeTag(void (VoiceStore::*change)(qint64, const QString &));
    void showImportEnd(const VoiceImporter::Summary &summary, const QString &failure);
    void waitForImport();
    QString translated(const QString &text) const;

    LibraryKeeper &m_keeper;
    VoiceStore &m_store;
    TfmVLDump &m_main;
    Prompts &m_prompts;
    TranslationService *m_translation;
    ErrorGuard m_guard;
    VoiceLibraryModel *m_model = nullptr;
    FileDialog *m_importDialog = nullptr;
    FileDialog *m_exportDialog = nullptr;

    QLineEdit *m_search = nullptr;
    QComboBox *m_form = nullptr;
    QComboBox *m_tag = nullptr;
    QComboBox *m_sourceKind = nullptr;
    QCheckBox *m_favourites = nullptr;
    QTableView *m_table = nullptr;
    QListWidget *m_sources = nullptr;
    QLabel *m_count = nullptr;
    QComboBox *m_slotBank = nullptr;
    QSpinBox *m_slot = nullptr;
    QLineEdit *m_tagText = nullptr;
    QLineEdit *m_note = nullptr;
    QCheckBox *m_keep = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_importLabel = nullptr;

    QThread *m_worker = nullptr;
    std::atomic<bool> m_stop{false};
};
