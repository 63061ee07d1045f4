#include "TfmWriteHistory.h"

#include "DialogParts.h"
#include "WriteHistory.h"
#include "WriteReport.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <utility>

TfmWriteHistory::TfmWriteHistory(VoiceStore &store, Actions actions,
                                 const TextTranslation &translate, QWidget *parent)
    : QDialog(parent), m_store(store), m_actions(std::move(actions)), m_translate(translate)
{
    setObjectName(QStringLiteral("TfmWriteHistory"));
    setWindowTitle(textIn(translate, QStringLiteral("Write History")));
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("tblWrites"));
    m_table->setHorizontalHeaderLabels({textIn(translate, QStringLiteral("When")),
                                        textIn(translate, QStringLiteral("Device")),
                                        textIn(translate, QStringLiteral("Kind")),
                                        textIn(translate, QStringLiteral("Slots")),
                                        textIn(translate, QStringLiteral("Written")),
                                        textIn(translate, QStringLiteral("Kept")),
                                        textIn(translate, QStringLiteral("Ended"))});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *buttons = DialogParts::buttonRow(this, QDialogButtonBox::Close);
    m_restore = buttons->addButton(textIn(translate, QStringLiteral("Restore...")),
                                   QDialogButtonBox::ActionRole);
    m_restore->setObjectName(QStringLiteral("btnRestore"));
    m_showLibrary = buttons->addButton(textIn(translate, QStringLiteral("Show in Library")),
                                       QDialogButtonBox::ActionRole);
    m_showLibrary->setObjectName(QStringLiteral("btnShowInLibrary"));
    connect(m_restore, &QPushButton::clicked, this, &TfmWriteHistory::restoreClick);
    connect(m_showLibrary, &QPushButton::clicked, this, [this] {
        if (m_actions.showLibrary)
            m_actions.showLibrary();
    });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &TfmWriteHistory::updateButtons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(860, 360);
    reload();
}

void TfmWriteHistory::reload()
{
    m_records = WriteHistory(m_store).list();
    m_table->setRowCount(int(m_records.size()));
    for (int row = 0; row < m_records.size(); ++row) {
        const WriteRecord &record = m_records[row];
        const QStringList cells{
            QLocale().toString(record.started, QLocale::ShortFormat),
            QString::number(record.device + 1),
            textIn(m_translate, WriteRecord::kindText(record.kind)),
            WriteReport::placesOf(record),
            WriteReport::writtenOf(record, m_translate),
            WriteReport::keptOf(record, m_translate),
            WriteReport::stateOf(record, m_translate)};
        for (int column = 0; column < ColumnCount; ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    m_table->resizeColumnsToContents();
    if (!m_records.isEmpty())
        m_table->selectRow(0);
    updateButtons();
}

void TfmWriteHistory::updateButtons()
{
    const int row = m_table->currentRow();
    m_restore->setEnabled(row >= 0 && row < m_records.size()
                          && !m_records[row].restorable().isEmpty());
}

void TfmWriteHistory::restoreClick()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_records.size() || !m_actions.restore)
        return;
    m_actions.restore(m_records[row]);
    reload();
}
