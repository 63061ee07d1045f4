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
    : QDialog(owner), ui(std::make_unique<Ui::TfmLibVoices>())
{
    ui->setupUi(this);
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
    ui->lstVoices->setFont(listFont);
    QPalette listPalette = ui->lstVoices->palette();
    listPalette.setColor(QPalette::Base, QColor(ListRed, ListGreen, ListBlue));
    ui->lstVoices->setPalette(listPalette);
    ui->lstVoices->setItemDelegate(new TfmLibVoicesRowDelegate(ItemHeight, ui->lstVoices));

    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn1->setAutoDefault(true);
    ui->BitBtn1->setDefault(true);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->lstVoices, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *) { lstVoicesDblClick(); });
}

TfmLibVoices::~TfmLibVoices() = default;

QListWidget *TfmLibVoices::lstVoices() const
{
    return ui->lstVoices;
}

int TfmLibVoices::selectedIndex() const
{
    const QList<QListWidgetItem *> selected = ui->lstVoices->selectedItems();
    return selected.isEmpty() ? -1 : ui->lstVoices->row(selected.first());
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
