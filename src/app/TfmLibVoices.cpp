#include "TfmLibVoices.h"

#include "ui_TfmLibVoices.h"

#include "TfmLibVoicesRowDelegate.h"

#include <QColor>
#include <QFont>
#include <QKeyEvent>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

TfmLibVoices::TfmLibVoices(QWidget *owner)
    : QDialog(owner), m_ui(std::make_unique<Ui::TfmLibVoices>())
{
    m_ui->setupUi(this);
    // Small caption with a close box, not resizable.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());

    QFont windowFont(QStringLiteral("MS Shell Dlg 2"));
    windowFont.setStyleHint(QFont::SansSerif);
    windowFont.setPixelSize(WindowFontPixels);
    setFont(windowFont);

    QFont listFont(ListFontFamily);
    listFont.setStyleHint(QFont::TypeWriter);
    listFont.setFixedPitch(true);
    listFont.setBold(true);
    listFont.setPixelSize(ListFontPixels);
    m_ui->lstVoices->setFont(listFont);
    QPalette listPalette = m_ui->lstVoices->palette();
    listPalette.setColor(QPalette::Base, QColor(ListRed, ListGreen, ListBlue));
    m_ui->lstVoices->setPalette(listPalette);
    m_ui->lstVoices->setItemDelegate(new TfmLibVoicesRowDelegate(ItemHeight, m_ui->lstVoices));

    m_ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    m_ui->BitBtn1->setAutoDefault(true);
    m_ui->BitBtn1->setDefault(true);
    connect(m_ui->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->lstVoices, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *) { lstVoicesDblClick(); });
}

TfmLibVoices::~TfmLibVoices() = default;

QListWidget *TfmLibVoices::lstVoices() const
{
    return m_ui->lstVoices;
}

int TfmLibVoices::selectedIndex() const
{
    const QList<QListWidgetItem *> selected = m_ui->lstVoices->selectedItems();
    return selected.isEmpty() ? -1 : m_ui->lstVoices->row(selected.first());
}

void TfmLibVoices::lstVoicesDblClick()
{
    accept();
}

void TfmLibVoices::keyPressEvent(QKeyEvent *event)
{
    // No Cancel button, so Escape has nothing to press.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
