#include "TfmMidiLog.h"

#include "DumpFile.h"
#include "ErrorGuard.h"
#include "FileDialog.h"
#include "MidiBytes.h"
#include "MidiLogFilter.h"
#include "MidiLogModel.h"
#include "MidiTap.h"
#include "Prompts.h"
#include "VentaroError.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int DefaultWidth = 900;
constexpr int DefaultHeight = 500;
constexpr int DetailStretch = 1;
constexpr int TableStretch = 4;
enum DirectionRow { BothDirections, InOnly, OutOnly };

} // namespace

TfmMidiLog::TfmMidiLog(const Services &services, QWidget *parent)
    : QWidget(parent, Qt::Window), m_services(services)
{
    setObjectName(QStringLiteral("MidiLog"));
    setWindowTitle(translated("MIDI Log"));
    resize(DefaultWidth, DefaultHeight);

    m_model = new MidiLogModel(MidiMessageDescription(services.patchName, services.translate),
                               services.translate, this);
    m_filter = new MidiLogFilter(this);
    m_filter->setSourceModel(m_model);

    auto *buttons = new QHBoxLayout;
    const auto button = [&](const char *name, const char *text) {
        auto *b = new QPushButton(translated(text), this);
        b->setObjectName(QLatin1String(name));
        buttons->addWidget(b);
        return b;
    };
    m_pause = button("btnPause", "Pause");
    m_pause->setCheckable(true);
    QPushButton *clear = button("btnClear", "Clear");
    m_direction = new QComboBox(this);
    m_direction->setObjectName(QStringLiteral("cbxDirection"));
    m_direction->addItems({translated("In and out"), translated("In only"), translated("Out only")});
    buttons->addWidget(m_direction);
    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("cbxPort"));
    m_port->addItem(translated("Every port"));
    m_port->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    buttons->addWidget(m_port);
    m_hideTiming = new QCheckBox(translated("Hide clock and active sensing"), this);
    m_hideTiming->setObjectName(QStringLiteral("chkHideTiming"));
    buttons->addWidget(m_hideTiming);
    buttons->addStretch();
    QPushButton *copy = button("btnCopy", "Copy");
    QPushButton *saveSysEx = button("btnSaveSysEx", "Save as .syx...");
    QPushButton *saveText = button("btnSaveText", "Save as Text...");

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("grdLog"));
    m_table->setModel(m_filter);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_detail = new QPlainTextEdit(this);
    m_detail->setObjectName(QStringLiteral("memDetail"));
    m_detail->setReadOnly(true);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_detail);
    split->setStretchFactor(0, TableStretch);
    split->setStretchFactor(1, DetailStretch);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(split);

    connect(m_pause, &QPushButton::toggled, this, &TfmMidiLog::btnPauseClick);
    connect(clear, &QPushButton::clicked, this, &TfmMidiLog::btnClearClick);
    connect(copy, &QPushButton::clicked, this, &TfmMidiLog::btnCopyClick);
    connect(saveSysEx, &QPushButton::clicked, this, &TfmMidiLog::btnSaveSysExClick);
    connect(saveText, &QPushButton::clicked, this, &TfmMidiLog::btnSaveTextClick);
    connect(m_direction, &QComboBox::activated, this, &TfmMidiLog::applyFilter);
    connect(m_port, &QComboBox::activated, this, &TfmMidiLog::applyFilter);
    connect(m_hideTiming, &QCheckBox::toggled, this, &TfmMidiLog::applyFilter);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TfmMidiLog::showCurrent);

    m_timer = new QTimer(this);
    m_timer->setInterval(ViewUpdateMs);
    connect(m_timer, &QTimer::timeout, this, &TfmMidiLog::updateView);
}

TfmMidiLog::~TfmMidiLog()
{
    if (m_services.tap.log() == &m_log)
        m_services.tap.setLog(nullptr);
}

QString TfmMidiLog::translated(const char *text) const
{
    return textIn(m_services.translate, QString::fromUtf8(text));
}

void TfmMidiLog::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_services.deviceNumber)
        m_log.setDeviceNumber(m_services.deviceNumber());
    m_services.tap.setLog(&m_log);
    m_timer->start();
}

void TfmMidiLog::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
    updateView();
    if (m_services.tap.log() == &m_log)
        m_services.tap.setLog(nullptr);
}

void TfmMidiLog::updateView()
{
    const MidiLog::Batch batch = m_log.since(m_model->lastSerial());
    QScrollBar *scroll = m_table->verticalScrollBar();
    const bool atBottom = scroll->value() == scroll->maximum();
    m_model->take(batch);
    for (const MidiLog::Entry &entry : batch.entries)
        if (m_port->findText(entry.port, Qt::MatchExactly) < 0)
            m_port->addItem(entry.port);
    if (atBottom && !batch.entries.isEmpty())
        m_table->scrollToBottom();
    // Messages from now on are checked against the device number now.
    if (m_services.deviceNumber)
        m_log.setDeviceNumber(m_services.deviceNumber());
}

void TfmMidiLog::applyFilter()
{
    const int direction = m_direction->currentIndex();
    m_filter->setDirection(direction == InOnly    ? std::optional(MidiLog::Direction::In)
                           : direction == OutOnly ? std::optional(MidiLog::Direction::Out)
                                                  : std::nullopt);
    m_filter->setPort(m_port->currentIndex() > 0 ? m_port->currentText() : QString());
    m_filter->setHideTiming(m_hideTiming->isChecked());
}

void TfmMidiLog::showCurrent()
{
    const QModelIndex current = m_filter->mapToSource(m_table->currentIndex());
    if (!current.isValid()) {
        m_detail->clear();
        return;
    }
    const MidiLogModel::Row &row = m_model->row(current.row());
    m_detail->setPlainText(row.line.text + QLatin1Char('\n')
                           + MidiMessageDescription::hex(row.entry.bytes));
}

QList<int> TfmMidiLog::selectedSourceRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << m_filter->mapToSource(index).row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString TfmMidiLog::selectedLines() const
{
    QStringList lines;
    for (const int row : selectedSourceRows())
        lines << MidiMessageDescription::tabLine(m_model->row(row).entry, m_model->row(row).line.text);
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QByteArray TfmMidiLog::selectedSysEx() const
{
    QByteArray bytes;
    for (const int row : selectedSourceRows()) {
        const QByteArray &message = m_model->row(row).entry.bytes;
        if (quint8(message.front()) == MidiBytes::SysExStart)
            bytes += message;
    }
    return bytes;
}

void TfmMidiLog::btnPauseClick(bool paused)
{
    m_log.setPaused(paused);
}

void TfmMidiLog::btnClearClick()
{
    m_log.clear();
    m_model->clear();
    m_detail->clear();
}

void TfmMidiLog::btnCopyClick()
{
    QApplication::clipboard()->setText(selectedLines());
}

void TfmMidiLog::saveFile(const QString &title, const QString &filter, const QString &ext,
                          const QByteArray &bytes)
{
    ErrorGuard guard(m_services.prompts, this);
    guard.run([&] {
        const FileDialog dialog(FileDialog::Kind::Save, title, filter, ext, nullptr);
        const QString name = dialog.execute(m_services.prompts, this);
        if (!name.isEmpty())
            DumpFile::write(name, bytes);
    });
}

void TfmMidiLog::btnSaveSysExClick()
{
    const QByteArray bytes = selectedSysEx();
    if (bytes.isEmpty()) {
        m_services.prompts.showError(this, translated("Select the SysEx messages to save first."));
        return;
    }
    saveFile(translated("Save SysEx as..."), translated("SysEx Files (*.syx)|*.syx|All (*.*)|*.*"),
             QStringLiteral("syx"), bytes);
}

void TfmMidiLog::btnSaveTextClick()
{
    QString text;
    for (int row = 0; row < m_filter->rowCount(); ++row) {
        const MidiLogModel::Row &shown = m_model->row(m_filter->mapToSource(m_filter->index(row, 0)).row());
        text += MidiMessageDescription::tabLine(shown.entry, shown.line.text) + QLatin1Char('\n');
    }
    saveFile(translated("Save Log as..."), translated("Text Files (*.txt)|*.txt|All (*.*)|*.*"),
             QStringLiteral("txt"), text.toUtf8());
}
