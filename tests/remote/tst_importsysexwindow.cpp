#include "Bytes.h"
#include "DataColumns.h"
#include "RemoteRig.h"
#include "TMidiCorvoIn.h"
#include "TfmMidiIn.h"
#include "VentaroError.h"
#include "VoiceDump.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using Blocks = QList<QByteArray>;

namespace {

QByteArray internalDump(int device)
{
    return VoiceDump::buildInternalDump(1, QByteArray(VoiceDump::InternalCount, 0x11),
                                        quint8(device));
}

Blocks customBlocks(int device)
{
    const QByteArray dump =
        VoiceDump::buildCustomDump(2, QByteArray(VoiceDump::CustomBlockACount, 0x22),
                                   QByteArray(VoiceDump::CustomBlockBCount, 0x33), quint8(device));
    return {dump.left(VoiceDump::CustomBlockBStart), dump.mid(VoiceDump::CustomBlockBStart)};
}

Blocks fullBlocks(int device)
{
    const QByteArray dump = VoiceDump::emptyFullDump(quint8(device));
    Blocks blocks;
    for (const VoiceDump::Block &b : VoiceDump::FullBlocks)
        blocks << dump.mid(b.start, b.length());
    return blocks;
}

struct Fixture
{
    RemoteRig rig;
    QByteArray stream;
    std::unique_ptr<TfmMidiIn> window =
        std::make_unique<TfmMidiIn>(rig.manager.get(), &stream, rig.prompts, rig.sleeper);

    QLabel *lblBytes() const { return window->findChild<QLabel *>(QStringLiteral("lblBytes")); }
    // Shown as the caller would, without a modal loop of its own.
    void show()
    {
        window->FormShow();
        window->show();
    }
    // Bytes down the cable, then the window thread hands them over.
    void receive(const QByteArray &block)
    {
        rig.platform.inject(rig.devices.input, block);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    bool stoppedAndDetached() const
    {
        TMidiCorvoIn *port = rig.manager->MidiIn();
        return port->State() == TMidiCorvoIn::Opened && !port->OnSysexReceived
               && !window->isAttached();
    }
};

} // namespace

class TestMidiIn : public QObject
{
    Q_OBJECT

private slots:
    void completion_data();
    void completion();
    void everyWayOfClosingStopsThePort_data();
    void everyWayOfClosingStopsThePort();
    void openErrorEndsTheImport();
    void destroyedWindowReceivesNothing();
    void reopeningStartsAfresh();
    void realModalLoopClosesByItself();
};

void TestMidiIn::completion_data()
{
    // shown: lblBytes after each block; closesAfter: the block that completes, -1 never
    addColumns<int, Blocks, QStringList, int>("device", "blocks", "shown", "closesAfter");

    QTest::newRow("internal voice") << 0 << Blocks{internalDump(0)} << QStringList{"174"} << 0;
    QTest::newRow("custom voice: first block does not close")
        << 0 << customBlocks(0) << QStringList{"174", "1572"} << 1;
    QStringList totals;
    int total = 0;
    for (const QByteArray &b : fullBlocks(0))
        totals << QString::number(total += int(b.size()));
    QTest::newRow("full voice in fifteen blocks") << 0 << fullBlocks(0) << totals << 14;
    QTest::newRow("device number 6") << 5 << Blocks{internalDump(5)} << QStringList{"174"} << 0;
    QTest::newRow("foreign device number") << 0 << Blocks{internalDump(1)} << QStringList{""} << -1;
    QTest::newRow("foreign full voice") << 2 << fullBlocks(0) << QStringList(15, QString()) << -1;
    QTest::newRow("stray block ahead of the dump")
        << 0 << Blocks{bytes({0xF0, 0x43, 0x00, 0x57, 0, 0, 0, 0, 0xF7}), internalDump(0)}
        << QStringList{"9", "183"} << -1;
    // A foreign block after a custom voice's first block is not the second
    // block, nor an internal voice.
    QTest::newRow("foreign internal block after a custom first block")
        << 0 << Blocks{customBlocks(0)[0], internalDump(1)} << QStringList{"174", "174"} << -1;
    QTest::newRow("blocks too short to read are ignored")
        << 0
        << Blocks{bytes({0xF0, 0xF7}), bytes({0xF0, 0x43, 0x00, 0x57, 0x40, 0xF7}), internalDump(0)}
        << QStringList{"", "", "174"} << 2;
}

void TestMidiIn::completion()
{
    QFETCH(int, device);
    QFETCH(Blocks, blocks);
    QFETCH(QStringList, shown);
    QFETCH(int, closesAfter);
    Fixture f;
    f.rig.manager->setDeviceID(quint8(device));
    f.show();
    QByteArray accepted;
    for (int i = 0; i < blocks.size(); ++i) {
        f.receive(blocks[i]);
        QCOMPARE(f.lblBytes()->text(), shown[i]);
        if (!shown[i].isEmpty() && (i == 0 || shown[i] != shown[i - 1]))
            accepted += blocks[i];
        QCOMPARE(f.window->isVisible(), i < closesAfter || closesAfter < 0);
    }
    QCOMPARE(f.stream, accepted);
    QCOMPARE(f.window->BytesRead(), int(accepted.size()));
    if (closesAfter >= 0) {
        QCOMPARE(f.window->result(), int(QDialog::Accepted));
        QVERIFY(f.stoppedAndDetached());
    }
}

void TestMidiIn::everyWayOfClosingStopsThePort_data()
{
    addColumns<QString, int>("how", "result");
    QTest::newRow("completion") << "completion" << int(QDialog::Accepted);
    QTest::newRow("Cancel") << "cancel" << int(QDialog::Rejected);
    QTest::newRow("close box") << "close" << int(QDialog::Rejected);
    QTest::newRow("Escape") << "escape" << int(QDialog::Rejected);
}

void TestMidiIn::everyWayOfClosingStopsThePort()
{
    QFETCH(QString, how);
    QFETCH(int, result);
    Fixture f;
    f.show();
    QCOMPARE(f.rig.manager->MidiIn()->State(), TMidiCorvoIn::Started);
    QVERIFY(f.window->isAttached());
    // A partial dump first: it stays in the caller's stream.
    const Blocks custom = customBlocks(0);
    f.receive(custom[0]);
    if (how == QLatin1String("completion"))
        f.receive(custom[1]);
    else if (how == QLatin1String("cancel"))
        QTest::mouseClick(f.window->findChild<QPushButton *>(QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
    else if (how == QLatin1String("close"))
        f.window->close();
    else
        QTest::keyClick(f.window.get(), Qt::Key_Escape);
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.window->result(), result);
    QVERIFY(f.stoppedAndDetached());
    QCOMPARE(f.stream, how == QLatin1String("completion") ? custom[0] + custom[1] : custom[0]);
}

void TestMidiIn::openErrorEndsTheImport()
{
    Fixture f;
    f.rig.platform.unplugInput(f.rig.devices.input);
    QVERIFY_THROWS_EXCEPTION(VentaroError, f.window->execute());
    // Never shown, nothing left attached.
    QVERIFY(f.rig.prompts.shown.isEmpty());
    QVERIFY(!f.window->isAttached());
    QVERIFY(!f.rig.manager->MidiIn()->OnSysexReceived);
}

void TestMidiIn::destroyedWindowReceivesNothing()
{
    Fixture f;
    f.show();
    f.receive(customBlocks(0)[0]);
    f.window.reset();
    TMidiCorvoIn *port = f.rig.manager->MidiIn();
    QCOMPARE(port->State(), TMidiCorvoIn::Opened);
    QVERIFY(!port->OnSysexReceived);
    // The main window starts the port again later: nothing reaches the
    // window that is gone.
    port->Open(false);
    f.rig.platform.inject(f.rig.devices.input, internalDump(0));
    QCoreApplication::processEvents();
    QCOMPARE(f.stream.size(), VoiceDump::InternalLength);
}

void TestMidiIn::reopeningStartsAfresh()
{
    Fixture f;
    f.show();
    f.receive(customBlocks(0)[0]);
    f.window->reject();
    f.window.reset();

    QByteArray second;
    TfmMidiIn again(f.rig.manager.get(), &second, f.rig.prompts, f.rig.sleeper);
    QCOMPARE(again.BytesRead(), 0);
    again.FormShow();
    again.show();
    f.receive(internalDump(0));
    QCOMPARE(again.BytesRead(), VoiceDump::InternalLength);
    QVERIFY(!again.isVisible());
    QCOMPARE(second, internalDump(0));
    QCOMPARE(f.stream, customBlocks(0)[0]);
}

void TestMidiIn::realModalLoopClosesByItself()
{
    Fixture f;
    f.rig.prompts.onModal = [](QDialog *dialog) { return dialog->exec(); };
    const QByteArray dump = internalDump(0);
    QTimer::singleShot(0, [&] { f.rig.platform.inject(f.rig.devices.input, dump); });
    QCOMPARE(f.window->execute(), int(QDialog::Accepted));
    QCOMPARE(f.stream, dump);
    QVERIFY(f.stoppedAndDetached());
}

QTEST_MAIN(TestMidiIn)
#include "tst_importsysexwindow.moc"
