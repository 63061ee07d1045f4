#include "DataColumns.h"
#include "DialogParts.h"

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

class DialogPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void buttonRowEndsTheDialog_data()
    {
        addColumns<int, int>("button", "result");
        QTest::newRow("OK accepts") << int(QDialogButtonBox::Ok) << int(QDialog::Accepted);
        QTest::newRow("Cancel rejects") << int(QDialogButtonBox::Cancel) << int(QDialog::Rejected);
        QTest::newRow("Close rejects") << int(QDialogButtonBox::Close) << int(QDialog::Rejected);
    }
    void buttonRowEndsTheDialog()
    {
        QFETCH(int, button);
        QFETCH(int, result);
        QDialog dialog;
        QDialogButtonBox *row = DialogParts::buttonRow(
            &dialog, QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Close);
        QCOMPARE(row->parent(), &dialog);
        // The opposite result first, so that a button that does nothing is seen.
        dialog.setResult(result == QDialog::Accepted ? QDialog::Rejected : QDialog::Accepted);
        dialog.show();
        row->button(QDialogButtonBox::StandardButton(button))->click();
        QCOMPARE(dialog.result(), result);
        QVERIFY(!dialog.isVisible());
    }

    void selectedRowOfAList()
    {
        QListWidget list;
        QCOMPARE(DialogParts::selectedRow(&list), -1);
        list.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        QCOMPARE(DialogParts::selectedRow(&list), -1); // rows, none chosen
        list.setCurrentRow(2);
        QCOMPARE(DialogParts::selectedRow(&list), 2);
        list.clearSelection();
        QCOMPARE(DialogParts::selectedRow(&list), -1); // the current row alone is no choice
    }

    // The first row is the choice from the start; a double click on a row
    // chooses it and accepts; an empty list offers no choice.
    void choiceListChoosesAndAccepts()
    {
        QDialog dialog;
        QListWidget *empty = DialogParts::choiceList(&dialog, QStringLiteral("lstEmpty"), {},
                                                     QSize(10, 10));
        QCOMPARE(DialogParts::selectedRow(empty), -1);
        QListWidget *list = DialogParts::choiceList(
            &dialog, QStringLiteral("lstRows"), {QStringLiteral("a"), QStringLiteral("b")},
            QSize(120, 90));
        QCOMPARE(list->parent(), &dialog);
        QCOMPARE(list->objectName(), QStringLiteral("lstRows"));
        QCOMPARE(list->minimumSize(), QSize(120, 90));
        QCOMPARE(list->count(), 2);
        QCOMPARE(DialogParts::selectedRow(list), 0);

        dialog.setResult(QDialog::Rejected);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        list->resize(120, 90);
        const QRect second = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(DialogParts::selectedRow(list), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(DialogPartsTest)
#include "tst_dialogparts.moc"
