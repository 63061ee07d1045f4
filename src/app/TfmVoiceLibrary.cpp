#include "TfmVoiceLibrary.h"

#include "BankExport.h"
#include "DumpFile.h"
#include "FileDialog.h"
#include "LibraryKeeper.h"
#include "Prompts.h"
#include "TfmVLDump.h"
#include "TranslationService.h"
#include "VentaroError.h"
#include "VoiceBank.h"
#include "VoiceLibraryModel.h"
#include "VoiceStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace {

// Refused files named in the summary before "and N more".
constexpr int RefusalsNamed = 10;

QPushButton *button(QWidget *owner, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, owner);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

template <typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TfmVoiceLibrary::TfmVoiceLibrary(LibraryKeeper &keeper, VoiceStore &store, TfmVLDump &mainWindow,
                                 Prompts &prompts, TranslationService *translation,
                                 QWidget *parent)
    : QDialog(parent), m_keeper(keeper), m_store(store), m_main(mainWindow), m_prompts(prompts),
      m_translation(translation),
      m_guard(prompts, this, TranslationService::translator(translation))
{
    setObjectName(QStringLiteral("TfmVoiceLibrary"));
    setWindowTitle(translated(QStringLiteral("Voice Library")));
    setAcceptDrops(true);
    resize(760, 520);
    const auto translate = TranslationService::translator(translation);

    m_importDialog = new FileDialog(
        FileDialog::Kind::Open, translated(QStringLiteral("Import into the library")),
        QStringLiteral("SysEx Files (*.syx)|*.syx|VLEditor Files (*.lib)|*.lib"),
        DumpFile::Extension, this);
    m_exportDialog = new FileDialog(FileDialog::Kind::Save,
                                    translated(QStringLiteral("Export as one bank file")),
                                    QStringLiteral("SysEx Files (*.syx)|*.syx"),
                                    DumpFile::Extension, this);

    // Search and filters.
    m_search = named(new QLineEdit(this), "edtSearch");
    m_search->setPlaceholderText(translated(QStringLiteral("Search names, tags and notes")));
    m_search->setClearButtonEnabled(true);
    m_form = named(new QComboBox(this), "cbxForm");
    m_form->addItem(translated(QStringLiteral("All forms")));
    for (VoiceDump::Form form :
         {VoiceDump::Form::Internal, VoiceDump::Form::Custom, VoiceDump::Form::Full})
        m_form->addItem(VoiceLibraryModel::formText(form, translate), int(form));
    m_tag = named(new QComboBox(this), "cbxTag");
    m_sourceKind = named(new QComboBox(this), "cbxSource");
    m_sourceKind->addItem(translated(QStringLiteral("All sources")));
    const std::pair<VoiceSource::Kind, const char *> kinds[] = {
        {VoiceSource::Kind::File, "Files"},           {VoiceSource::Kind::Panel, "From the panel"},
        {VoiceSource::Kind::Fetched, "Asked for"},    {VoiceSource::Kind::Backup, "Backup"},
        {VoiceSource::Kind::Sent, "Sent"},           {VoiceSource::Kind::Held, "Kept before a write"}};
    for (const auto &[kind, text] : kinds)
        m_sourceKind->addItem(translated(QString::fromLatin1(text)), int(kind));
    m_favourites = named(new QCheckBox(translated(QStringLiteral("Favourites")), this),
                         "chkFavourites");
    auto *filters = new QHBoxLayout;
    filters->addWidget(m_search, 1);
    filters->addWidget(m_form);
    filters->addWidget(m_tag);
    filters->addWidget(m_sourceKind);
    filters->addWidget(m_favourites);

    // The table and the current voice's sources.
    m_model = new VoiceLibraryModel(store, translate, this);
    m_table = named(new QTableView(this), "tblVoices");
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(VoiceLibraryModel::Name, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(VoiceLibraryModel::FirstSource, 200);
    m_sources = named(new QListWidget(this), "lstSources");
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_sources);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    m_count = named(new QLabel(this), "lblCount");

    // What can be done with the selected voices.
    QPushButton *sendCurrent =
        button(this, "btnSendCurrent", translated(QStringLiteral("Send to Current")));
    m_slotBank = named(new QComboBox(this), "cbxSlotBank");
    m_slotBank->addItem(translated(QStringLiteral("Custom")), int(TfmVLDump::SendCustom));
    m_slotBank->addItem(translated(QStringLiteral("Internal")), int(TfmVLDump::SendInternal));
    m_slot = named(new QSpinBox(this), "spnSlot");
    m_slot->setRange(1, VoiceDump::InternalSlotCount);
    QPushButton *sendSlot = button(this, "btnSendSlot", translated(QStringLiteral("Send to Slot")));
    QPushButton *tryIt = button(this, "btnTry", translated(QStringLiteral("Try")));
    tryIt->setToolTip(translated(QStringLiteral(
        "Writes the voice to the scratch slot and selects it, so that it can be played; what "
        "the slot held goes back when this list closes.")));
    QPushButton *open = button(this, "btnOpen", translated(QStringLiteral("Open")));
    QPushButton *exportBank = button(this, "btnExport", translated(QStringLiteral("Export...")));
    QPushButton *favourite =
        button(this, "btnFavourite", translated(QStringLiteral("Favourite")));
    QPushButton *remove = button(this, "btnDelete", translated(QStringLiteral("Delete...")));
    auto *sends = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{sendCurrent, m_slotBank, m_slot, sendSlot,
                                                       tryIt, open, exportBank, favourite, remove})
        sends->addWidget(w);
    sends->addStretch();

    m_tagText = named(new QLineEdit(this), "edtTag");
    m_tagText->setPlaceholderText(translated(QStringLiteral("Tag")));
    QPushButton *addTag = button(this, "btnAddTag", translated(QStringLiteral("Add Tag")));
    QPushButton *removeTag =
        button(this, "btnRemoveTag", translated(QStringLiteral("Remove Tag")));
    m_note = named(new QLineEdit(this), "edtNote");
    m_note->setPlaceholderText(translated(QStringLiteral("Note")));
    QPushButton *note = button(this, "btnNote", translated(QStringLiteral("Save Note")));
    auto *notes = new QHBoxLayout;
    notes->addWidget(m_tagText);
    notes->addWidget(addTag);
    notes->addWidget(removeTag);
    notes->addWidget(m_note, 1);
    notes->addWidget(note);

    // Importing, and the keeping of every voice met.
    QPushButton *importFiles =
        button(this, "btnImportFiles", translated(QStringLiteral("Import File...")));
    QPushButton *importFolder =
        button(this, "btnImportFolder", translated(QStringLiteral("Import Folder...")));
    m_progress = named(new QProgressBar(this), "prgImport");
    m_importLabel = named(new QLabel(this), "lblImport");
    m_cancel = button(this, "btnCancelImport", translated(QStringLiteral("Cancel")));
    m_progress->hide();
    m_cancel->hide();
    m_keep = named(
        new QCheckBox(translated(QStringLiteral("Keep every voice received, opened or sent")),
                      this),
        "chkKeep");
    m_keep->setChecked(keeper.keepsVoices());
    QPushButton *close = button(this, "btnClose", translated(QStringLiteral("Close")));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(importFiles);
    bottom->addWidget(importFolder);
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_keep);
    bottom->addStretch();
    bottom->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addWidget(m_count);
    layout->addLayout(sends);
    layout->addLayout(notes);
    layout->addWidget(m_importLabel);
    layout->addLayout(bottom);

    const auto run = [this](void (TfmVoiceLibrary::*handler)()) {
        return [this, handler] { m_guard.run([this, handler] { (this->*handler)(); }); };
    };
    connect(m_search, &QLineEdit::textChanged, this, run(&TfmVoiceLibrary::applyFilter));
    for (QComboBox *box : {m_form, m_tag, m_sourceKind})
        connect(box, &QComboBox::activated, this, run(&TfmVoiceLibrary::applyFilter));
    connect(m_favourites, &QCheckBox::toggled, this, run(&TfmVoiceLibrary::applyFilter));
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            run(&TfmVoiceLibrary::showCurrent));
    connect(m_model, &QAbstractItemModel::modelReset, this, run(&TfmVoiceLibrary::showCurrent));
    connect(sendCurrent, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnSendCurrentClick));
    connect(sendSlot, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnSendSlotClick));
    connect(tryIt, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnTryClick));
    connect(open, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnOpenClick));
    connect(exportBank, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnExportClick));
    connect(favourite, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnFavouriteClick));
    connect(remove, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnDeleteClick));
    connect(addTag, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnAddTagClick));
    connect(removeTag, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnRemoveTagClick));
    connect(note, &QPushButton::clicked, this, run(&TfmVoiceLibrary::btnNoteClick));
    connect(importFiles, &QPushButton::clicked, this,
            run(&TfmVoiceLibrary::btnImportFilesClick));
    connect(importFolder, &QPushButton::clicked, this,
            run(&TfmVoiceLibrary::btnImportFolderClick));
    connect(m_cancel, &QPushButton::clicked, this, &TfmVoiceLibrary::cancelImport);
    connect(m_keep, &QCheckBox::toggled, this,
            [this](bool keep) { m_keeper.setKeepsVoices(keep); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_slotBank, &QComboBox::activated, this, [this] {
        m_slot->setMaximum(m_slotBank->currentData().toInt() == TfmVLDump::SendCustom
                               ? VoiceDump::CustomSlotCount
                               : VoiceDump::InternalSlotCount);
    });
    m_slot->setMaximum(VoiceDump::CustomSlotCount);

    m_guard.run([this] {
        fillTags();
        showCurrent();
    });
}

TfmVoiceLibrary::~TfmVoiceLibrary()
{
    waitForImport();
}

QString TfmVoiceLibrary::translated(const QString &text) const
{
    return TranslationService::translator(m_translation)(text);
}

void TfmVoiceLibrary::fillTags()
{
    const QString chosen = m_tag->currentIndex() > 0 ? m_tag->currentText() : QString();
    m_tag->clear();
    m_tag->addItem(translated(QStringLiteral("All tags")));
    m_tag->addItems(m_store.tags());
    const int row = chosen.isEmpty() ? 0 : m_tag->findText(chosen);
    m_tag->setCurrentIndex(qMax(row, 0));
}

void TfmVoiceLibrary::showSource(VoiceSource::Kind kind)
{
    m_sourceKind->setCurrentIndex(m_sourceKind->findData(int(kind)));
    applyFilter();
}

void TfmVoiceLibrary::applyFilter()
{
    VoiceFilter filter;
    filter.search = m_search->text();
    if (m_form->currentIndex() > 0)
        filter.form = VoiceDump::Form(m_form->currentData().toInt());
    if (m_tag->currentIndex() > 0)
        filter.tag = m_tag->currentText();
    if (m_sourceKind->currentIndex() > 0)
        filter.sourceKind = VoiceSource::Kind(m_sourceKind->currentData().toInt());
    filter.favouritesOnly = m_favourites->isChecked();
    m_model->setFilter(filter);
}

void TfmVoiceLibrary::showCurrent()
{
    m_count->setText(translated(QStringLiteral("Voices: %1 of %2"))
                         .arg(m_model->rowCount())
                         .arg(m_store.count()));
    m_sources->clear();
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid()) {
        m_note->clear();
        return;
    }
    const std::optional<StoredVoice> voice = m_store.voice(m_model->idAt(current.row()));
    if (!voice)
        return;
    const auto translate = TranslationService::translator(m_translation);
    for (const VoiceSource &source : voice->sources) {
        QString line = VoiceLibraryModel::sourceText(source, voice->form, translate);
        if (source.kind == VoiceSource::Kind::File)
            line = QDir::toNativeSeparators(source.file) + QStringLiteral(" #")
                   + QString::number(source.position);
        m_sources->addItem(QLocale().toString(source.when.toLocalTime(), QLocale::ShortFormat)
                           + QStringLiteral("  ") + line);
    }
    m_note->setText(voice->note);
}

QList<qint64> TfmVoiceLibrary::selectedIds() const
{
    QList<qint64> ids;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        ids.append(m_model->idAt(index.row()));
    if (ids.isEmpty() && m_table->currentIndex().isValid())
        ids.append(m_model->idAt(m_table->currentIndex().row()));
    return ids;
}

qint64 TfmVoiceLibrary::currentId() const
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        throw VentaroError(translated(QStringLiteral("Choose a voice first.")));
    return m_model->idAt(current.row());
}

QByteArray TfmVoiceLibrary::currentBytes() const
{
    const std::optional<StoredVoice> voice = m_store.voice(currentId());
    if (!voice)
        throw VentaroError(translated(QStringLiteral("This voice is no longer in the library.")));
    return voice->bytes;
}

void TfmVoiceLibrary::holdInMain(const QByteArray &bytes)
{
    if (!m_main.holdVoice(bytes))
        throw VentaroError(translated(QStringLiteral("This is not a valid voice for VL70-m")));
}

void TfmVoiceLibrary::btnSendCurrentClick()
{
    const StoredVoice listed = m_model->voiceAt(m_table->currentIndex().row());
    if (m_table->currentIndex().isValid() && listed.form != VoiceDump::Form::Full)
        throw VentaroError(
            translated(QStringLiteral("Only a full voice can be sent to the current voice.")));
    holdInMain(currentBytes());
    m_main.sendHeldVoice(TfmVLDump::SendCurrent, 0);
}

void TfmVoiceLibrary::btnSendSlotClick()
{
    holdInMain(currentBytes());
    m_main.sendHeldVoice(m_slotBank->currentData().toInt(), m_slot->value());
}

void TfmVoiceLibrary::btnOpenClick()
{
    holdInMain(currentBytes());
    accept();
}

void TfmVoiceLibrary::btnExportClick()
{
    const QList<qint64> ids = selectedIds();
    if (ids.isEmpty())
        throw VentaroError(translated(QStringLiteral("Choose a voice first.")));
    QList<StoredVoice> voices;
    for (qint64 id : ids) {
        if (std::optional<StoredVoice> voice = m_store.voice(id))
            voices.append(*voice);
    }
    const QByteArray bytes = BankExport::bytes(voices);
    const QString fileName = m_exportDialog->execute(
        m_prompts, this, QStringLiteral("Library.") + m_exportDialog->DefaultExt());
    if (fileName.isEmpty())
        return;
    DumpFile::write(fileName, bytes);
}

void TfmVoiceLibrary::btnAddTagClick()
{
    changeTag(&VoiceStore::addTag);
}

void TfmVoiceLibrary::btnRemoveTagClick()
{
    changeTag(&VoiceStore::removeTag);
}

void TfmVoiceLibrary::changeTag(void (VoiceStore::*change)(qint64, const QString &))
{
    const QString tag = m_tagText->text().trimmed();
    if (tag.isEmpty())
        return;
    for (qint64 id : selectedIds())
        (m_store.*change)(id, tag);
    fillTags();
    m_model->refresh();
}

void TfmVoiceLibrary::btnFavouriteClick()
{
    // Marks the selection, or clears the mark when all of it is marked.
    const QList<qint64> ids = selectedIds();
    bool allMarked = !ids.isEmpty();
    for (const StoredVoice &voice : m_store.rows(ids))
        allMarked = allMarked && voice.favourite;
    for (qint64 id : ids)
        m_store.setFavourite(id, !allMarked);
    m_model->refresh();
}

void TfmVoiceLibrary::btnNoteClick()
{
    m_store.setNote(currentId(), m_note->text());
    m_model->refresh();
}

void TfmVoiceLibrary::btnDeleteClick()
{
    const QList<qint64> ids = selectedIds();
    if (ids.isEmpty())
        return;
    const QMessageBox::StandardButton answer = m_prompts.message(
        this, QMessageBox::Question, windowTitle(),
        translated(QStringLiteral("Delete %1 voices from the library? Files and the instrument's "
                                  "slots keep them."))
            .arg(ids.size()),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    m_store.remove(ids);
    fillTags();
    m_model->refresh();
}

void TfmVoiceLibrary::btnImportFilesClick()
{
    const QString fileName = m_importDialog->execute(m_prompts, this);
    if (!fileName.isEmpty())
        importPaths({fileName});
}

void TfmVoiceLibrary::btnImportFolderClick()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, translated(QStringLiteral("Import a folder into the library")));
    if (!folder.isEmpty())
        importPaths({folder});
}

void TfmVoiceLibrary::importPaths(const QStringList &paths)
{
    if (m_worker || paths.isEmpty())
        return;
    m_stop = false;
    m_progress->setRange(0, 0);
    m_progress->show();
    m_cancel->show();
    m_importLabel->setText(translated(QStringLiteral("Importing...")));
    // The thread opens a connection of its own: a store serves one thread.
    m_worker = QThread::create([this, fileName = m_store.fileName(), paths] {
        VoiceImporter::Summary summary;
        QString failure;
        try {
            VoiceStore store(fileName);
            summary = VoiceImporter(store).import(paths, [this](const VoiceImporter::Progress &p) {
                QMetaObject::invokeMethod(
                    this,
                    [this, p] {
                        m_progress->setRange(0, p.total);
                        m_progress->setValue(p.done);
                        m_importLabel->setText(QDir::toNativeSeparators(p.file));
                    },
                    Qt::QueuedConnection);
                return !m_stop.load();
            });
        } catch (const VentaroError &e) {
            failure = e.text();
        }
        QMetaObject::invokeMethod(
            this, [this, summary, failure] { showImportEnd(summary, failure); },
            Qt::QueuedConnection);
    });
    m_worker->start();
}

void TfmVoiceLibrary::cancelImport()
{
    m_stop = true;
}

void TfmVoiceLibrary::waitForImport()
{
    if (!m_worker)
        return;
    m_stop = true;
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
}

void TfmVoiceLibrary::showImportEnd(const VoiceImporter::Summary &summary, const QString &failure)
{
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    m_progress->hide();
    m_cancel->hide();
    m_importLabel->clear();
    fillTags();
    m_model->refresh();

    QString text = failure.isEmpty() ? QString() : translated(failure) + QStringLiteral("\n");
    text += translated(QStringLiteral("%1 new, %2 known, %3 refused"))
                .arg(summary.added)
                .arg(summary.known)
                .arg(summary.refused.size());
    if (summary.stopped)
        text += QLatin1Char('\n') + translated(QStringLiteral("Stopped before the end."));
    for (qsizetype i = 0; i < summary.refused.size() && i < RefusalsNamed; ++i)
        text += QLatin1Char('\n') + QDir::toNativeSeparators(summary.refused[i].file)
                + QStringLiteral(": ") + translated(summary.refused[i].reason);
    if (summary.refused.size() > RefusalsNamed)
        text += QLatin1Char('\n')
                + translated(QStringLiteral("and %1 more")).arg(summary.refused.size() - RefusalsNamed);
    m_prompts.message(this, failure.isEmpty() ? QMessageBox::Information : QMessageBox::Critical,
                      windowTitle(), text, QMessageBox::Ok);
    emit importFinished();
}

void TfmVoiceLibrary::btnTryClick()
{
    const VoiceBank voices = VoiceBank::parse(currentBytes());
    if (!voices.voices.isEmpty())
        m_main.tryVoice(voices.voices.first());
}

void TfmVoiceLibrary::done(int result)
{
    // An import stops at its next file; what it kept stays kept.
    waitForImport();
    // The scratch slot gets back what it held before the first try.
    m_guard.run([this] { m_main.endTry(); });
    QDialog::done(result);
}

void TfmVoiceLibrary::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls() && !m_worker)
        event->acceptProposedAction();
}

void TfmVoiceLibrary::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    importPaths(paths);
}
