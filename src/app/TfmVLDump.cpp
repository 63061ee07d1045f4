#include "TfmVLDump.h"

#include "ui_TfmVLDump.h"

#include "BackupJob.h"
#include "BankSender.h"
#include "ButtonGlyphs.h"
#include "DeviceComboBox.h"
#include "DialogParts.h"
#include "DumpFile.h"
#include "EventWait.h"
#include "FileDialog.h"
#include "FrontPanelRemote.h"
#include "GuardedWriteRun.h"
#include "InstrumentBackup.h"
#include "LibraryKeeper.h"
#include "MidiErrorText.h"
#include "Prompts.h"
#include "RegEdit.h"
#include "Sleeper.h"
#include "TMIDIKeys.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "TVlLibReader.h"
#include "TfmAbout.h"
#include "TfmBankReceive.h"
#include "TfmBankSend.h"
#include "TfmBankVoices.h"
#include "TfmFoundInstruments.h"
#include "TfmLibVoices.h"
#include "TfmMidiIn.h"
#include "TfmMidiLog.h"
#include "TfmVoiceLibrary.h"
#include "TfmWriteHistory.h"
#include "TranslationService.h"
#include "VentaroError.h"
#include "VoiceCatalogue.h"
#include "VoiceDump.h"
#include "VoiceImporter.h"
#include "VoiceSource.h"
#include "WriteHistory.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace {

const QString DeviceKey = QStringLiteral("VL70-m");
const QString MidiKeySuffix = QStringLiteral("\\Midi");
const QString IdValue = QStringLiteral("ID");
constexpr int LastDeviceRow = 15;
constexpr int LastPromRow = VoiceCatalogue::PromTypeCount - 1;
// Spacing after the patch list is filled, so that a bank select and program
// change never follow another message too closely.
constexpr int PatchWaitMs = 150;
// Spacing after a voice dump, before the next message.
constexpr int SendWaitMs = 150;
// An input device whose name holds this is opened at start-up.
const QString OpenAtStartMarker = QStringLiteral("CBX");
const QColor WhiteKeys(205, 255, 149);
// Files of this extension (any case of letters) are voice libraries.
const QString LibraryExtension = QStringLiteral("lib");
// How long the device lists wait for a burst of changes (a client bringing
// its ports, a server going down with all of them) to end before they are
// taken anew.
constexpr int DevicesSettleMs = 250;
// The line under the keyboard strip that says what was kept in the library.
constexpr int KeptLineTop = 308;
constexpr int KeptLineHeight = 16;
// Follows the name of a remembered device that is not there now.
const QString NotConnected = QStringLiteral("(not connected)");

// The rows of a port's list: its devices as last listed, each row holding
// the device's name, the chosen one selected. A chosen device that is not
// listed gets a greyed row of its own, marked as not connected: the user
// sees what is remembered, never another device in its place.
template <typename Port>
void fillDeviceRows(QComboBox *box, const Port &port, const QString &notConnected)
{
    const QSignalBlocker quiet(box);
    box->clear();
    for (const QString &name : port.DeviceNames())
        box->addItem(name, name);
    if (port.deviceAbsent()) {
        box->addItem(port.DeviceName() + QLatin1Char(' ') + notConnected, port.DeviceName());
        box->setItemData(box->count() - 1, box->palette().brush(QPalette::Disabled, QPalette::Text),
                         Qt::ForegroundRole);
        box->setCurrentIndex(box->count() - 1);
    } else {
        box->setCurrentIndex(port.DeviceID());
    }
}

// Takes the device of the row the user picked, by its name: the port's list
// may have changed since the rows were shown. False when no row is picked.
template <typename Port>
bool chooseDeviceRow(QComboBox *box, Port &port, bool input)
{
    const int row = box->currentIndex();
    if (row < 0)
        return false;
    const QString name = box->itemData(row).toString();
    if (name.compare(port.DeviceName(), Qt::CaseInsensitive) != 0) {
        port.refreshDevices();
        const int id = port.DeviceNames().indexOf(name);
        if (id < 0)
            throw VentaroError(
                midiPortErrorMessage(MidiPlatform::NotConnected, input, name, nullptr));
        port.setDeviceID(id);
    }
    return true;
}

QString settingsKey()
{
    return RegSettingsRoot + DeviceKey;
}
QString midiSettingsKey()
{
    return settingsKey() + MidiKeySuffix;
}

// A stored row: above `last` falls back to row 0; a negative one selects
// nothing.
int storedRow(qint32 value, int last)
{
    if (value > last)
        return 0;
    return value < 0 ? -1 : value;
}

// The window-modal progress window of a long run, shown at once, kept up
// to the end (the run closes it) and stoppable by its button.
} // namespace

TfmVLDump::TfmVLDump(const Services &services, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfmVLDump>()), m_platform(services.platform),
      m_prompts(services.prompts), m_sleeper(services.sleeper), m_settings(services.settings),
      m_translation(services.translation),
      m_guard(services.prompts, this, TranslationService::translator(services.translation)),
      m_slotNames(services.slotFolder), m_library(services.library)
{
    m_ui->setupUi(this);
    // One line below everything laid out, so that no control moves.
    m_kept = new QLabel(this);
    m_kept->setObjectName(QStringLiteral("lblKept"));
    m_kept->setGeometry(8, KeptLineTop, width() - 16, KeptLineHeight);
    setMinimumHeight(KeptLineTop + KeptLineHeight);
    setMaximumHeight(KeptLineTop + KeptLineHeight);
    resize(width(), KeptLineTop + KeptLineHeight);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    setWindowTitle(initialCaption());
    setWindowIcon(ButtonGlyphs::icon(ButtonGlyphs::Window));
    m_ui->btnOpen->setIcon(ButtonGlyphs::icon(ButtonGlyphs::Open));
    m_ui->btnSave->setIcon(ButtonGlyphs::icon(ButtonGlyphs::Save));
    m_ui->btnImport->setIcon(ButtonGlyphs::icon(ButtonGlyphs::Import));
    m_ui->btnExport->setIcon(ButtonGlyphs::icon(ButtonGlyphs::Send));
    m_ui->BitBtn1->setIcon(ButtonGlyphs::icon(ButtonGlyphs::Close));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_manager = new TVLManager(this, &services.platform, m_settings);
    m_manager->setObjectName(QStringLiteral("VLManager1"));
    createFileDialogs();
    m_remote = new FrontPanelRemote(m_ui->pnlRemote, m_manager, m_sleeper, m_guard,
                                    FrontPanelRemote::MainWindowTiming);

    placeKeyboard(services.platform);
    auto *more = new QMenu(m_ui->btnMore);
    more->setObjectName(QStringLiteral("mnuMore"));
    m_actFind = more->addAction(QStringLiteral("Find the Instrument..."));
    m_actFind->setObjectName(QStringLiteral("actFind"));
    m_actGetVoices = more->addAction(QStringLiteral("Get Several Voices..."));
    m_actGetVoices->setObjectName(QStringLiteral("actGetVoices"));
    m_actBackup = more->addAction(QStringLiteral("Back Up the Instrument..."));
    m_actBackup->setObjectName(QStringLiteral("actBackup"));
    m_actMidiLog = more->addAction(QStringLiteral("MIDI Log..."));
    m_actMidiLog->setObjectName(QStringLiteral("actMidiLog"));
    m_actMidiLog->setVisible(services.midiTap != nullptr);
    m_midiTap = services.midiTap;
    if (m_library) {
        m_actLibrary = more->addAction(QStringLiteral("Voice Library..."));
        m_actLibrary->setObjectName(QStringLiteral("actLibrary"));
        m_actUndoWrite = more->addAction(QStringLiteral("Undo Last Write..."));
        m_actUndoWrite->setObjectName(QStringLiteral("actUndoWrite"));
        m_actHistory = more->addAction(QStringLiteral("Write History..."));
        m_actHistory->setObjectName(QStringLiteral("actHistory"));
        m_actKeepSlots = more->addAction(
            QStringLiteral("Keep what a slot holds before writing over it"));
        m_actKeepSlots->setObjectName(QStringLiteral("actKeepSlots"));
        m_actKeepSlots->setCheckable(true);
        m_actKeepSlots->setChecked(m_library->keepsSlots());
    }
    m_ui->btnMore->setMenu(more);
    // Until an output device is chosen, its list says where to find one.
    m_ui->cbxMidiOut->setPlaceholderText(translated(QStringLiteral("Not chosen: see ...")));
    m_ui->cbxMidiOut->setToolTip(translated(
        QStringLiteral("The device the instrument's MIDI IN is connected to. \"...\" > \"Find the "
                       "Instrument...\" looks for it on every device.")));
    // The button is too narrow for its text and the menu arrow both.
    m_ui->btnMore->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    connectHandlers();
    m_guard.run([this] { FormCreate(); });
    m_ui->btnOpen->setFocus();
    // Devices that come and go show in the lists at once; the platform calls
    // on a thread of its own, a burst of changes makes one refresh.
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(DevicesSettleMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &TfmVLDump::devicesChanged);
    m_platform.setDevicesChanged([this] {
        if (!m_refreshQueued.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_refreshQueued = false;
                    m_refreshTimer->start();
                },
                Qt::QueuedConnection);
    });
}

TfmVLDump::~TfmVLDump()
{
    // No call of the handler runs or comes once this returns.
    m_platform.setDevicesChanged({});
}

void TfmVLDump::devicesChanged()
{
    if (m_ui->cbxMidiIn->view()->isVisible() || m_ui->cbxMidiOut->view()->isVisible())
        return;
    // Not under a write: listing opens MIDI clients, and a write that fails
    // because its MIDI system is ending must not have them opened meanwhile.
    if (m_writing) {
        m_refreshTimer->start();
        return;
    }
    m_guard.run([this] { refreshDeviceLists(); });
}

QString TfmVLDump::initialCaption()
{
    return QStringLiteral("Ventaro - freeware by Tervalinduna");
}

void TfmVLDump::connectHandlers()
{
    // The device lists show the machine as it is when the user opens them.
    for (DeviceComboBox *box : {m_ui->cbxMidiIn, m_ui->cbxMidiOut})
        box->onPopup = [this] { m_guard.run([this] { refreshDeviceLists(); }); };
    connect(m_ui->cbxMidiIn, &QComboBox::activated, this, guarded<int>(&TfmVLDump::cbxMidiInSelect));
    connect(m_ui->cbxMidiOut, &QComboBox::activated, this,
            guarded<int>(&TfmVLDump::cbxMidiOutSelect));
    connect(m_ui->cbxDevNo, &QComboBox::activated, this, guarded<int>(&TfmVLDump::cbxDevNoSelect));
    connect(m_ui->cbxProm, &QComboBox::activated, this, guarded<int>(&TfmVLDump::cbxPromSelect));
    connect(m_ui->cbxBank, &QComboBox::activated, this, guarded<int>(&TfmVLDump::cbxBankSelect));
    connect(m_actGetVoices, &QAction::triggered, this,
            guarded<bool>(&TfmVLDump::btnGetVoicesClick));
    connect(m_actFind, &QAction::triggered, this, guarded<bool>(&TfmVLDump::btnFindClick));
    connect(m_actBackup, &QAction::triggered, this, guarded<bool>(&TfmVLDump::btnBackupClick));
    connect(m_actMidiLog, &QAction::triggered, this, guarded<bool>(&TfmVLDump::btnMidiLogClick));
    if (m_actLibrary)
        connect(m_actLibrary, &QAction::triggered, this,
                guarded<bool>(&TfmVLDump::btnLibraryClick));
    if (m_actUndoWrite)
        connect(m_actUndoWrite, &QAction::triggered, this,
                guarded<bool>(&TfmVLDump::undoLastWrite));
    if (m_actHistory)
        connect(m_actHistory, &QAction::triggered, this,
                guarded<bool>(&TfmVLDump::showWriteHistory));
    if (m_actKeepSlots)
        connect(m_actKeepSlots, &QAction::toggled, this,
                [this](bool keep) { m_library->setKeepsSlots(keep); });
    connect(m_ui->cbxSendBank, &QComboBox::activated, this,
            guarded<int>(&TfmVLDump::cbxSendBankSelect));
    connect(m_ui->btnExport, &QPushButton::clicked, this, guarded<bool>(&TfmVLDump::btnExportClick));
    connect(m_ui->btnImport, &QPushButton::clicked, this, guarded<bool>(&TfmVLDump::btnImportClick));
    connect(m_ui->btnOpen, &QPushButton::clicked, this, guarded<bool>(&TfmVLDump::btnOpenClick));
    connect(m_ui->btnSave, &QPushButton::clicked, this, guarded<bool>(&TfmVLDump::btnSaveClick));
    connect(m_ui->BitBtn1, &QPushButton::clicked, this, &QWidget::close);
}

void TfmVLDump::placeKeyboard(MidiPlatform &platform)
{
    // The layout keeps the strip's place; the control needs the platform.
    QWidget *place = m_ui->MIDIKeys1;
    MIDIKeys1 = new TMIDIKeys(&platform, this);
    MIDIKeys1->setGeometry(place->geometry());
    MIDIKeys1->setToolTip(place->toolTip());
    MIDIKeys1->setBlackBrush(Qt::black);
    MIDIKeys1->setWhiteBrush(WhiteKeys);
    MIDIKeys1->setShowHint(true);
    MIDIKeys1->setMIDIDevice(TMIDIKeys::DefaultDevice);
    delete place;
    m_ui->MIDIKeys1 = nullptr;
    MIDIKeys1->setObjectName(QStringLiteral("MIDIKeys1"));
    // The window's handlers replace the control's own output.
    MIDIKeys1->OnNoteOn = [this](QObject *, int note, int velocity) {
        // The error box is modal: the mouse's release went to it, and the
        // key would stay held. Nothing sounds, so no Note Off follows.
        if (!m_guard.run([&] { MIDIKeys1NoteOn(note, velocity); })
            && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
            MIDIKeys1->ReleaseNote(note, false);
    };
    MIDIKeys1->OnNoteOff = [this](QObject *, int note, int velocity) {
        m_guard.run([&] { MIDIKeys1NoteOff(note, velocity); });
    };
}

void TfmVLDump::MIDIKeys1NoteOn(int note, int velocity)
{
    m_manager->SendShortMessage(TMIDIKeys::NoteOnStatus, quint8(note), quint8(velocity));
}

void TfmVLDump::MIDIKeys1NoteOff(int note, int velocity)
{
    m_manager->SendShortMessage(TMIDIKeys::NoteOffStatus, quint8(note), quint8(velocity));
}

void TfmVLDump::bindPatchSelect()
{
    m_patchSelect =
        connect(m_ui->cbxPatch, &QComboBox::activated, this, guarded<int>(&TfmVLDump::SelectPatch));
}

void TfmVLDump::FormCreate()
{
    // 1. Translate every text but the lists' rows.
    if (m_translation) {
        if (!m_translation->isIgnored(m_ui->cbxProm))
            m_translation->IgnoreClassGlobally(QComboBox::staticMetaObject);
        m_translation->TranslateWindow(this);
    }
    // 2, 3. Device number and PROM type as stored.
    m_ui->cbxDevNo->setCurrentIndex(
        storedRow(ReadRegInteger(m_settings, midiSettingsKey(), IdValue, 0), LastDeviceRow));
    m_ui->cbxProm->setCurrentIndex(
        storedRow(ReadRegInteger(m_settings, settingsKey(), VoiceCatalogue::PromSettingValue, 0), LastPromRow));
    // 4, 5. The ports' devices, the remembered ones selected.
    showDeviceLists();
    // 6 - 8.
    LoadSlotNames();
    showInputUsable();
    cbxBankSelect();
    // 9. Some interfaces want their input open from the start; one that is
    // remembered but not plugged in is opened when it comes back.
    if (!m_manager->MidiIn()->deviceAbsent()
        && m_ui->cbxMidiIn->currentText().contains(OpenAtStartMarker, Qt::CaseSensitive))
        m_manager->MidiIn()->Open(false);
}

void TfmVLDump::cbxMidiInSelect()
{
    if (chooseDeviceRow(m_ui->cbxMidiIn, *m_manager->MidiIn(), true))
        m_manager->MidiIn()->Open(false);
}

void TfmVLDump::cbxMidiOutSelect()
{
    if (chooseDeviceRow(m_ui->cbxMidiOut, *m_manager->MidiOut(), false))
        m_manager->MidiOut()->Open();
}

void TfmVLDump::refreshDeviceLists()
{
    m_manager->MidiIn()->refreshDevices();
    m_manager->MidiOut()->refreshDevices();
    // An open input whose device is back (plugged in again) takes from it.
    m_manager->MidiIn()->reconnect();
    showDeviceLists();
    showInputUsable();
}

void TfmVLDump::showInputUsable()
{
    // A greyed row of a device not plugged in gets no voice.
    const TMidiCorvoIn &input = *m_manager->MidiIn();
    m_ui->btnImport->setEnabled(!input.DeviceNames().isEmpty() && !input.deviceAbsent());
}

void TfmVLDump::showDeviceLists()
{
    fillDeviceRows(m_ui->cbxMidiIn, *m_manager->MidiIn(), translated(NotConnected));
    fillDeviceRows(m_ui->cbxMidiOut, *m_manager->MidiOut(), translated(NotConnected));
}

void TfmVLDump::cbxDevNoSelect()
{
    const int row = m_ui->cbxDevNo->currentIndex();
    if (row < 0)
        return;
    WriteRegInteger(m_settings, midiSettingsKey(), IdValue, row);
    if (row != m_manager->DeviceID())
        SaveSlotNames();
    m_manager->setDeviceID(quint8(row));
    LoadSlotNames();
    const int bank = m_ui->cbxBank->currentIndex();
    if (bank == VoiceCatalogue::Custom || bank == VoiceCatalogue::Internal)
        cbxBankSelect();
}

void TfmVLDump::FormCloseQuery()
{
    m_manager->CloseOutput();
}

void TfmVLDump::FormClose()
{
    SaveSlotNames();
}

void TfmVLDump::closeEvent(QCloseEvent *event)
{
    // A port that refuses to close is reported; the slot names are saved and
    // the window closes all the same.
    m_guard.run([this] { FormCloseQuery(); });
    m_guard.run([this] { FormClose(); });
    event->accept();
}

bool TfmVLDump::isAboutArea(const QWidget *widget) const
{
    return widget == nullptr || widget == m_ui->GroupBox4 || widget == m_ui->GroupBox1;
}

void TfmVLDump::mousePressEvent(QMouseEvent *event)
{
    // Presses that no control took (on the background, a group box or a
    // label) arrive here; remember where a right press began.
    if (event->button() == Qt::RightButton)
        m_rightPressInAboutArea = isAboutArea(childAt(event->position().toPoint()));
    QWidget::mousePressEvent(event);
}

void TfmVLDump::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        const bool show =
            m_rightPressInAboutArea && isAboutArea(childAt(event->position().toPoint()));
        m_rightPressInAboutArea = false;
        if (show)
            m_guard.run([this] { FormMouseUp(); });
    }
    QWidget::mouseReleaseEvent(event);
}

void TfmVLDump::FormMouseUp()
{
    TfmAbout::WindowTranslator translate;
    if (m_translation)
        translate = [t = m_translation](QWidget *window) { t->TranslateWindow(window); };
    TfmAbout about(QStringLiteral(VENTARO_VERSION), this, translate);
    m_prompts.execModal(&about);
}

void TfmVLDump::cbxPromSelect()
{
    if (isVisible())
        WriteRegInteger(m_settings, settingsKey(), VoiceCatalogue::PromSettingValue, m_ui->cbxProm->currentIndex());
    cbxBankSelect();
}

void TfmVLDump::cbxBankSelect()
{
    showPatchList();
    // Before the window is shown nothing is sent, so nothing needs spacing.
    if (isVisible()) {
        SelectPatch();
        m_sleeper.sleep(PatchWaitMs);
    }
}

void TfmVLDump::showPatchList()
{
    const int remembered = m_ui->cbxPatch->currentIndex();
    disconnect(m_patchSelect);
    m_ui->cbxPatch->clear();

    const auto bank = VoiceCatalogue::Bank(qMax(m_ui->cbxBank->currentIndex(), 0));
    const int promRow = m_ui->cbxProm->currentIndex();
    const auto prom = VoiceCatalogue::PromType(promRow < 0 ? 0 : promRow);
    const std::optional<QStringList> *slotNames = bank == VoiceCatalogue::Custom ? &m_customNames
                                                  : bank == VoiceCatalogue::Internal
                                                      ? &m_internalNames
                                                      : nullptr;
    if (slotNames && slotNames->has_value()) {
        m_ui->cbxPatch->addItems(**slotNames);
    } else {
        m_ui->cbxPatch->addItems(
            VoiceCatalogue::patchEntries(VoiceCatalogue::builtInNames(prom, bank)));
        // A slot of the user's shown with the factory's name: the instrument
        // never said it holds that voice, and the list says so.
        if (slotNames) {
            QFont unconfirmed = m_ui->cbxPatch->font();
            unconfirmed.setItalic(true);
            const QString why = TranslationService::translator(m_translation)(
                QStringLiteral("The factory's name: the instrument has not said what this slot "
                               "holds (Back Up the Instrument reads it)."));
            for (int row = 0; row < m_ui->cbxPatch->count(); ++row) {
                m_ui->cbxPatch->setItemData(row, unconfirmed, Qt::FontRole);
                m_ui->cbxPatch->setItemData(row, why, Qt::ToolTipRole);
            }
        }
    }

    m_ui->cbxPatch->setCurrentIndex(remembered >= 0 && remembered < m_ui->cbxPatch->count() ? remembered
                                                                                        : 0);
    bindPatchSelect();
}

void TfmVLDump::SelectPatch()
{
    const auto bank = VoiceCatalogue::Bank(qMax(m_ui->cbxBank->currentIndex(), 0));
    const int row = m_ui->cbxPatch->currentIndex();
    if (row < 0)
        return;
    for (const auto &m : VoiceCatalogue::patchSelectMessages(bank, row))
        m_manager->SendShortMessage(m.status, m.data1, m.data2);
}

void TfmVLDump::LoadSlotNames()
{
    // The device number as shown; none shown counts as device number 1.
    const int deviceNumber = qMax(m_ui->cbxDevNo->currentIndex(), 0) + 1;
    QStringList unreadable;
    const auto load = [&](VoiceCatalogue::Bank bank, std::optional<QStringList> &names) {
        names.reset();
        try {
            names = m_slotNames.load(bank, deviceNumber);
        } catch (const VentaroError &e) {
            unreadable << e.text();
        }
    };
    load(VoiceCatalogue::Custom, m_customNames);
    load(VoiceCatalogue::Internal, m_internalNames);
    // A file that cannot be read leaves the built-in names; the window goes
    // on and the file is left as it is.
    for (const QString &text : unreadable)
        m_prompts.showError(this, text);
}

void TfmVLDump::SaveSlotNames()
{
    const int deviceNumber = m_manager->DeviceID() + 1;
    const auto save = [&](VoiceCatalogue::Bank bank, std::optional<QStringList> &names) {
        if (!names)
            return;
        try {
            m_slotNames.save(bank, deviceNumber, *names);
        } catch (const VentaroError &e) {
            m_prompts.message(this, QMessageBox::Critical, QStringLiteral("Error"), e.text(),
                              QMessageBox::Ok);
        }
        names.reset();
    };
    save(VoiceCatalogue::Custom, m_customNames);
    save(VoiceCatalogue::Internal, m_internalNames);
}

QString TfmVLDump::translated(const QString &text) const
{
    return TranslationService::translator(m_translation)(text);
}

void TfmVLDump::btnImportClick()
{
    // From here on no voice is held, also when the import fails.
    VoiceData = QByteArray();
    UpdateVoiceControls(false);
    {
        // The user makes the instrument dump its voice; the window collects
        // it into VoiceData. A port that cannot be opened ends the handler.
        TfmMidiIn importWindow(m_manager, &VoiceData, m_prompts, m_sleeper, m_translation, this);
        importWindow.execute();
        // Kept even when the window was cancelled after the voice arrived.
        VoiceSource source;
        source.kind = importWindow.asked() ? VoiceSource::Kind::Fetched : VoiceSource::Kind::Panel;
        keepVoice(VoiceData, source);
    }
    // A cancelled, incomplete or foreign dump is refused without a message.
    UpdateVoiceControls(m_manager->LoadVoice(VoiceData));
}

void TfmVLDump::UpdateVoiceControls(bool loaded)
{
    if (!loaded) {
        setWindowTitle(initialCaption());
        m_ui->btnSave->setText(translated(QStringLiteral("Save File as...")));
        m_ui->btnExport->setEnabled(false);
        m_ui->btnSave->setEnabled(false);
        m_ui->lblDest->setText(QStringLiteral("Destination: "));
        return;
    }
    // The name as stored, trailing blanks included.
    const QString name = m_manager->VoiceName();
    m_ui->btnExport->setEnabled(true);
    m_ui->btnSave->setEnabled(true);
    m_ui->btnSave->setText(translated(QStringLiteral("Save ")) + name + QStringLiteral("..."));
    setWindowTitle(QStringLiteral("Ventaro - ") + name);
    m_ui->lblDest->setText(QStringLiteral("Destination \"") + name + QStringLiteral("\": "));
    // A full voice may go anywhere; a custom or internal one only to its own
    // kind of slot.
    switch (m_manager->SourceKind()) {
    case TVLManager::SourceFull:
        m_ui->cbxSendBank->setEnabled(true);
        m_ui->cbxSendBank->setCurrentIndex(SendCurrent);
        break;
    case TVLManager::SourceCustom:
        m_ui->cbxSendBank->setEnabled(false);
        m_ui->cbxSendBank->setCurrentIndex(SendCustom);
        break;
    default:
        m_ui->cbxSendBank->setEnabled(false);
        m_ui->cbxSendBank->setCurrentIndex(SendInternal);
        break;
    }
    cbxSendBankSelect();
}

void TfmVLDump::cbxSendBankSelect()
{
    m_ui->cbxSendPatch->clear();
    const int destination = m_ui->cbxSendBank->currentIndex();
    const bool toSlot = destination != SendCurrent;
    m_ui->cbxSendPatch->setEnabled(toSlot);
    const int slotCount = destination == SendCustom     ? VoiceDump::CustomSlotCount
                          : destination == SendInternal ? VoiceDump::InternalSlotCount
                                                        : 0;
    // Each slot with the voice it holds as far as the patch list knows.
    QStringList rows;
    if (toSlot) {
        const VoiceCatalogue::Bank bank =
            destination == SendCustom ? VoiceCatalogue::Custom : VoiceCatalogue::Internal;
        const std::optional<QStringList> &names =
            bank == VoiceCatalogue::Custom ? m_customNames : m_internalNames;
        rows = names ? *names
                     : VoiceCatalogue::patchEntries(VoiceCatalogue::builtInNames(
                           VoiceCatalogue::PromType(qMax(m_ui->cbxProm->currentIndex(), 0)), bank));
    }
    for (int slot = 1; slot <= slotCount; ++slot)
        m_ui->cbxSendPatch->addItem(rows.value(slot - 1, QString::number(slot)));
    if (toSlot && slotCount > 0) {
        // A voice that came from a slot of this kind goes back there unless
        // the user says otherwise.
        const quint8 kind = m_manager->SourceKind();
        const bool ownKind =
            (kind == TVLManager::SourceCustom && destination == SendCustom)
            || (kind == TVLManager::SourceInternal && destination == SendInternal);
        const int own = m_manager->SlotNumber();
        m_ui->cbxSendPatch->setCurrentIndex(ownKind && own >= 1 && own <= slotCount ? own - 1 : 0);
    }
}

void TfmVLDump::btnExportClick()
{
    const auto translate = TranslationService::translator(m_translation);
    const int destination = m_ui->cbxSendBank->currentIndex();
    const bool toSlot = destination == SendCustom || destination == SendInternal;
    const int slot = toSlot ? m_ui->cbxSendPatch->currentIndex() + 1 : 0;
    if (toSlot && slot < 1)
        return; // no slot chosen: nothing to send
    const bool custom = destination == SendCustom;
    const VoiceDump::Form form = !toSlot ? VoiceDump::Form::Full
                                 : custom ? VoiceDump::Form::Custom
                                          : VoiceDump::Form::Internal;

    // The voice as the window holds it, so that the library knows it as the
    // same voice as the file's; the bytes that leave are the manager's own.
    VoiceBank held = VoiceBank::parse(VoiceData);
    if (held.voices.size() != 1)
        held.voices = {{VoiceDump::Form::Full, 0, m_manager->VoiceName(), m_manager->Dump()}};
    BankSendPlan plan;
    plan.steps.append({0, form, slot});
    const BankSender::Send writeVoice = [this, form, slot](const QByteArray &) {
        // The manager's own send: its slot number and header follow.
        if (form == VoiceDump::Form::Full)
            m_manager->SendToCurrent();
        else if (form == VoiceDump::Form::Custom)
            m_manager->SendToCustom(slot);
        else
            m_manager->SendToInternal(slot);
    };
    GuardedWriteRun write(writeServices(), this);
    m_writing = true;
    const auto written = qScopeGuard([this] { m_writing = false; });
    const GuardedWrite::Result result =
        write.run(held, plan, WriteRecord::Kind::Send, translate(QStringLiteral("Send")),
                  QStringLiteral("SendProgress"), BankSender::DefaultGapMs, 0, writeVoice);
    const WriteRecord::PlaceState state = result.places.value(0).state;
    const bool reached =
        state == WriteRecord::PlaceState::Written || state == WriteRecord::PlaceState::Verified;
    if (!reached) {
        // A port that cannot be opened ends the handler here, names untouched.
        if (!result.failure.isEmpty())
            throw VentaroError(translate(result.failure));
        if (state == WriteRecord::PlaceState::NotTaken)
            throw VentaroError(write.notTakenText(result));
        return; // stopped, or skipped by the user
    }
    if (m_library && !m_library->keepsVoices())
        m_kept->clear();
    showKept(write.report(held, plan, result));
    m_sleeper.sleep(SendWaitMs);
    if (!toSlot)
        return;
    const VoiceCatalogue::Bank bank = custom ? VoiceCatalogue::Custom : VoiceCatalogue::Internal;
    // The dump was delivered: the slot holds the voice now, whatever becomes
    // of the patch select that follows.
    const bool listWasBuiltIn = !(custom ? m_customNames : m_internalNames);
    renameSlot(bank, slot, m_manager->VoiceName());
    try {
        if (listWasBuiltIn) {
            // The patch list shows the bank before it ends on the slot.
            m_ui->cbxBank->setCurrentIndex(bank);
            cbxBankSelect();
        }
        m_sleeper.sleep(SendWaitMs);
        // The patch list shows the new name, and the instrument ends on the
        // slot just written.
        m_ui->cbxBank->setCurrentIndex(bank);
        cbxBankSelect();
        m_ui->cbxPatch->setCurrentIndex(slot - 1);
        SelectPatch();
    } catch (const VentaroError &error) {
        m_ui->cbxBank->setCurrentIndex(bank);
        showPatchList();
        m_ui->cbxPatch->setCurrentIndex(slot - 1);
        throw VentaroError(
            translate(QStringLiteral("The voice was written to %1, but the instrument could not "
                                     "be switched to it."))
                .arg(translate(BankSendPlan::placeText(form, slot)))
            + QLatin1Char('\n') + error.text());
    }
}

GuardedWriteRun::Services TfmVLDump::writeServices()
{
    return {*m_manager, m_prompts, m_sleeper, m_library,
            TranslationService::translator(m_translation)};
}

void TfmVLDump::btnMidiLogClick()
{
    if (!m_midiTap)
        return;
    if (!m_midiLog) {
        const auto patchName = [this](int bankRow, int patch) -> QString {
            if (bankRow < 0 || bankRow >= VoiceCatalogue::BankCount)
                return {};
            const auto bank = VoiceCatalogue::Bank(bankRow);
            if (bank >= VoiceCatalogue::Custom)
                return heldName(bank, patch + 1).name;
            const auto prom = VoiceCatalogue::PromType(qMax(m_ui->cbxProm->currentIndex(), 0));
            return VoiceCatalogue::builtInNames(prom, bank).value(patch);
        };
        m_midiLog = new TfmMidiLog(
            TfmMidiLog::Services{*m_midiTap, m_prompts,
                                 [this] { return int(m_manager->DeviceID()); }, patchName,
                                 TranslationService::translator(m_translation)},
            this);
    }
    m_midiLog->show();
    m_midiLog->raise();
    m_midiLog->activateWindow();
}

void TfmVLDump::renameSlot(int bank, int slot, const QString &name)
{
    std::optional<QStringList> &names =
        bank == VoiceCatalogue::Custom ? m_customNames : m_internalNames;
    if (!names) {
        // The list starts as the built-in names the patch list shows.
        const int promRow = m_ui->cbxProm->currentIndex();
        names = VoiceCatalogue::patchEntries(VoiceCatalogue::builtInNames(
            VoiceCatalogue::PromType(qMax(promRow, 0)), VoiceCatalogue::Bank(bank)));
    }
    if (slot >= 1 && slot <= names->size())
        (*names)[slot - 1] = VoiceCatalogue::patchEntry(slot, name);
}

TfmVLDump::HeldName TfmVLDump::heldName(int bank, int slot) const
{
    const std::optional<QStringList> &names =
        bank == VoiceCatalogue::Custom ? m_customNames : m_internalNames;
    if (names) // "N: name" rows
        return {names->value(slot - 1).section(QStringLiteral(": "), 1), true};
    const auto prom = VoiceCatalogue::PromType(qMax(m_ui->cbxProm->currentIndex(), 0));
    return {VoiceCatalogue::builtInNames(prom, VoiceCatalogue::Bank(bank)).value(slot - 1), false};
}

QString TfmVLDump::replacedText(const VoiceBank &bank, const BankSendPlan::Options &options) const
{
    const auto translate = TranslationService::translator(m_translation);
    BankSendPlan plan;
    try {
        plan = BankSendPlan::make(bank, options, translate);
    } catch (const VentaroError &error) {
        return error.text(); // what stands in the way, before Send is pressed
    }
    constexpr int shown = 4;
    QStringList named;
    int replaced = 0;
    bool factoryNames = false;
    for (const BankSendPlan::Step &step : plan.steps) {
        if (step.to == VoiceDump::Form::Full)
            continue;
        if (++replaced > shown)
            continue;
        const HeldName held = heldName(
            step.to == VoiceDump::Form::Custom ? VoiceCatalogue::Custom : VoiceCatalogue::Internal,
            step.slot);
        factoryNames = factoryNames || !held.confirmed;
        named << translate(QStringLiteral("%1 (%2)"))
                     .arg(translate(BankSendPlan::placeText(step.to, step.slot)),
                          held.name.trimmed() + (held.confirmed ? QString() : QStringLiteral("*")));
    }
    if (replaced == 0)
        return translate(QStringLiteral("No voice of the instrument's slots is replaced."));
    QString text = translate(QStringLiteral("Replaces %1 voices of the instrument: %2"))
                       .arg(replaced)
                       .arg(named.join(QStringLiteral(", ")));
    if (replaced > shown)
        text += translate(QStringLiteral(" and %1 more")).arg(replaced - shown);
    if (factoryNames)
        text += QLatin1Char('\n')
                + translate(QStringLiteral("* the factory's name: the instrument never said it "
                                           "holds it."));
    text += QLatin1Char('\n')
            + (m_library && m_library->keepsSlots()
                   ? translate(QStringLiteral("What they hold is kept in the voice library first."))
                   : translate(QStringLiteral("Keeping is off: what they hold is not kept.")));
    return text;
}

void TfmVLDump::sendAllVoices(const VoiceBank &bank)
{
    const auto translate = TranslationService::translator(m_translation);
    int fullVoices = 0;
    for (const VoiceBank::Voice &voice : bank.voices)
        fullVoices += voice.form == VoiceDump::Form::Full ? 1 : 0;
    TfmBankSend where(bank.voices.size(), fullVoices, BankSender::storedGapMs(m_settings),
                      translate, this,
                      [this, &bank](const BankSendPlan::Options &options) {
                          return replacedText(bank, options);
                      });
    int answer = m_prompts.execModal(&where);
    while (answer == TfmBankSend::BackUpFirst) {
        // The window comes back with the names the backup read.
        btnBackupClick();
        where.refresh();
        answer = m_prompts.execModal(&where);
    }
    if (answer != QDialog::Accepted)
        return;
    BankSender::storeGapMs(m_settings, where.gapMs());
    // A voice that cannot go where asked stops everything before the first byte.
    const BankSendPlan plan = BankSendPlan::make(bank, where.options(), translate);
    if (plan.steps.isEmpty())
        return;
    writeBank(bank, plan, WriteRecord::Kind::SendAll, translate(QStringLiteral("Send all voices")),
              QStringLiteral("SendAllProgress"), where.gapMs());
}

void TfmVLDump::writeBank(const VoiceBank &bank, const BankSendPlan &plan, WriteRecord::Kind kind,
                          const QString &title, const QString &objectName, int gapMs,
                          qint64 restores, qint64 *entry)
{
    const auto translate = TranslationService::translator(m_translation);
    GuardedWriteRun write(writeServices(), this);
    m_writing = true;
    auto written = qScopeGuard([this] { m_writing = false; });
    const GuardedWrite::Result result = write.run(bank, plan, kind, title, objectName, gapMs, restores);
    if (entry)
        *entry = result.entry;
    written.dismiss();
    m_writing = false;
    int reached = 0;
    for (int i = 0; i < plan.steps.size(); ++i) {
        const BankSendPlan::Step &step = plan.steps[i];
        const WriteRecord::PlaceState state = result.places[i].state;
        if (state != WriteRecord::PlaceState::Written
            && state != WriteRecord::PlaceState::Verified)
            continue;
        ++reached;
        // Only a slot that holds the voice (as far as can be known) is renamed.
        if (step.to != VoiceDump::Form::Full)
            renameSlot(step.to == VoiceDump::Form::Custom ? VoiceCatalogue::Custom
                                                          : VoiceCatalogue::Internal,
                       step.slot, bank.voices[step.voice].name);
    }
    showKept(write.report(bank, plan, result));
    // What was sent is kept: the slots renamed so far reach their files now.
    SaveSlotNames();
    LoadSlotNames();
    // The patch list shows the new names; nothing more is sent.
    showPatchList();
    QStringList problems;
    if (!result.failure.isEmpty())
        problems << translate(result.failure);
    if (const QString notTaken = write.notTakenText(result); !notTaken.isEmpty())
        problems << notTaken;
    if (!problems.isEmpty())
        throw VentaroError(
            problems.join(QLatin1Char('\n')) + QLatin1Char('\n')
            + translate(QStringLiteral("Voices sent: %1 of %2.")).arg(reached).arg(plan.steps.size()));
}

void TfmVLDump::btnGetVoicesClick()
{
    TfmBankReceive window(m_manager, m_prompts, m_saveDialog, m_translation, this);
    // Each voice is kept the moment it arrives, saved to a file or not.
    window.onVoiceReceived = [this](const VoiceBank::Voice &voice) {
        VoiceSource source;
        source.kind = VoiceSource::Kind::Panel;
        source.slot = voice.slot;
        keepVoices({voice}, source);
        nameHeldSlot(voice);
    };
    window.execute();
    showPatchList();
}

void TfmVLDump::nameHeldSlot(const VoiceBank::Voice &voice)
{
    // A voice that came from a slot is what that slot holds now: the patch
    // list names it.
    if (voice.form == VoiceDump::Form::Custom)
        renameSlot(VoiceCatalogue::Custom, voice.slot, voice.name);
    else if (voice.form == VoiceDump::Form::Internal)
        renameSlot(VoiceCatalogue::Internal, voice.slot, voice.name);
}

void TfmVLDump::btnFindClick()
{
    const auto translate = TranslationService::translator(m_translation);
    const auto window = DialogParts::progressWindow(this, QStringLiteral("FindProgress"),
                                       translate(QStringLiteral("Find the Instrument")),
                                       translate(QStringLiteral("Looking for the instrument...")),
                                       translate(QStringLiteral("Stop")), 0);
    QProgressDialog &progress = *window;
    InstrumentFinder finder(m_platform);
    const QList<InstrumentFinder::Found> found = finder.run(
        [&](int milliseconds) {
            EventWait::forMs(milliseconds);
            return !progress.wasCanceled();
        },
        [&](int index, int count, const QString &output) {
            progress.setMaximum(count);
            progress.setValue(index);
            progress.setLabelText(translate(QStringLiteral("Asking on %1...")).arg(output));
            return !progress.wasCanceled();
        });
    const bool stopped = progress.wasCanceled();
    progress.close();
    if (found.isEmpty()) {
        if (!stopped)
            m_prompts.message(
                this, QMessageBox::Information, translate(QStringLiteral("Find the Instrument")),
                translate(InstrumentFinder::NoAnswerText),
                QMessageBox::Ok);
        return;
    }
    TfmFoundInstruments list(found, translate, this);
    const int result = m_prompts.execModal(&list);
    const int row = list.selectedIndex();
    if (result != QDialog::Accepted || row < 0)
        return;
    // As if the user had chosen each in its list.
    const InstrumentFinder::Found &chosen = found[row];
    refreshDeviceLists();
    const auto choose = [](QComboBox *box, const QString &name) {
        const int index = box->findText(name);
        if (index >= 0)
            box->setCurrentIndex(index);
        return index >= 0;
    };
    if (choose(m_ui->cbxMidiIn, chosen.input))
        cbxMidiInSelect();
    if (choose(m_ui->cbxMidiOut, chosen.output))
        cbxMidiOutSelect();
    m_ui->cbxDevNo->setCurrentIndex(chosen.deviceNumber);
    cbxDevNoSelect();
}

void TfmVLDump::btnBackupClick()
{
    const auto translate = TranslationService::translator(m_translation);
    const QList<InstrumentBackup::Slot> places = InstrumentBackup::allSlots();
    const auto window = DialogParts::progressWindow(
        this, QStringLiteral("BackupProgress"), translate(QStringLiteral("Back Up the Instrument")),
        translate(QStringLiteral("Asking the instrument for its voices...")),
        translate(QStringLiteral("Stop")), int(places.size()));
    QProgressDialog &progress = *window;

    const BackupJob::Io io{[this](const QByteArray &request) { m_manager->sendSysEx(request); },
                           [&](int milliseconds) {
                               EventWait::forMs(milliseconds);
                               return !progress.wasCanceled();
                           },
                           m_sleeper, *m_manager->MidiIn(), {}};
    const InstrumentBackup::Result result = BackupJob::run(
        io, m_manager->DeviceID(),
        [&](int index, int, const QString &text) {
            progress.setValue(index);
            progress.setLabelText(text);
            return !progress.wasCanceled();
        },
        translate);
    progress.close();
    if (result.fetched == 0) {
        if (!result.failure.isEmpty())
            throw VentaroError(result.failure);
        if (!result.stopped)
            throw VentaroError(translate(VoiceFetcher::NotAnsweredText));
        return;
    }
    {
        VoiceSource source;
        source.kind = VoiceSource::Kind::Backup;
        source.device = m_manager->DeviceID();
        QList<VoiceStore::Met> met;
        for (const VoiceBank::Voice &voice : VoiceBank::parse(result.bank).voices) {
            source.slot = voice.slot;
            met.append({voice, source});
            nameHeldSlot(voice);
        }
        showPatchList();
        if (m_library)
            showKept(m_library->keep(met, this));
    }
    QString report = translate(QStringLiteral("Voices fetched: %1 of %2."))
                         .arg(result.fetched)
                         .arg(places.size());
    for (const QString &line : BackupJob::lines(result, translate))
        report += QLatin1Char('\n') + line;
    if (!result.failure.isEmpty())
        report += QLatin1Char('\n') + translate(result.failure.section(QLatin1Char('\n'), 0, 0));
    report += QLatin1Char('\n') + saveBackup(result.bank, result.fetched);
    m_prompts.message(this, QMessageBox::Information,
                      translate(QStringLiteral("Back Up the Instrument")), report, QMessageBox::Ok);
}

QString TfmVLDump::saveBackup(const QByteArray &bank, int voices)
{
    const auto translate = TranslationService::translator(m_translation);
    const QString title = translate(QStringLiteral("Back Up the Instrument"));
    // The voices exist nowhere else yet: a cancelled dialog or a failed
    // write asks before they are dropped.
    for (;;) {
        const QString fileName = m_saveDialog->execute(
            m_prompts, this, QStringLiteral("VL70-m backup.") + m_saveDialog->DefaultExt());
        QString problem;
        if (!fileName.isEmpty()) {
            try {
                DumpFile::write(fileName, bank);
                return translate(QStringLiteral("Saved to %1"))
                    .arg(QDir::toNativeSeparators(fileName));
            } catch (const VentaroError &error) {
                problem = error.text() + QLatin1Char('\n');
            }
        }
        const QString question =
            problem
            + translate(QStringLiteral("The %1 voices fetched are not saved. Save them now?"))
                  .arg(voices);
        if (m_prompts.message(this, QMessageBox::Warning, title, question,
                              QMessageBox::Save | QMessageBox::Discard)
            != QMessageBox::Save)
            return translate(QStringLiteral("Nothing was saved."));
    }
}

void TfmVLDump::createFileDialogs()
{
    m_openDialog =
        new FileDialog(FileDialog::Kind::Open, QStringLiteral("Choose SysEx file"),
                       QStringLiteral("SysEx Files (*.syx)|*.syx|VLEditor Files (*.lib)|*.lib"),
                       DumpFile::Extension, this);
    m_openDialog->setObjectName(QStringLiteral("OpenDialog1"));
    m_saveDialog =
        new FileDialog(FileDialog::Kind::Save, QStringLiteral("Save SysEx as..."),
                       QStringLiteral("SysEx Files (*.syx)|*.syx"), DumpFile::Extension, this);
    m_saveDialog->setObjectName(QStringLiteral("SaveDialog1"));
}

void TfmVLDump::btnOpenClick()
{
    // The voice held stays held until another file has been read: a
    // cancelled dialog, a refused library, a picker closed without a choice
    // or an unreadable file leave it, and what "Save" writes, as they were.
    const QString fileName = m_openDialog->execute(m_prompts, this);
    if (fileName.isEmpty())
        return;
    openVoiceFile(fileName);
}

void TfmVLDump::openFile(const QString &fileName)
{
    m_guard.run([&] { openVoiceFile(fileName); });
}

void TfmVLDump::openVoiceFile(const QString &fileName)
{
    // Every voice of the file was met, whichever one the user picks.
    keepFile(fileName);
    QByteArray opened;
    if (QFileInfo(fileName).suffix().toLower() == LibraryExtension) {
        std::optional<QByteArray> voice = pickLibraryVoice(fileName);
        if (!voice)
            return;
        opened = std::move(*voice);
    } else {
        // A file of several voices offers them in a picker; anything else is
        // read as one voice.
        bool bank = false;
        std::optional<QByteArray> voice = pickBankVoice(fileName, &bank);
        if (bank && !voice)
            return;
        opened = bank ? std::move(*voice) : DumpFile::read(fileName);
    }

    // Only a voice the manager took is held, so "Save" never writes bytes
    // that "Send" would not send. A refused file changes nothing: the manager
    // keeps its voice, and so does the window.
    if (!m_manager->LoadVoice(opened)) {
        const QString text = QStringLiteral("This is not a valid voice for VL70-m");
        m_prompts.message(this, QMessageBox::Critical, QStringLiteral("Error"),
                          m_translation ? m_translation->Translate(text) : text, QMessageBox::Ok);
        return;
    }
    VoiceData = opened;
    UpdateVoiceControls(true);
}

std::optional<QByteArray> TfmVLDump::pickBankVoice(const QString &fileName, bool *isBank)
{
    *isBank = false;
    VoiceBank bank;
    try {
        bank = VoiceBank::read(fileName);
    } catch (const VentaroError &) {
        return std::nullopt; // too large or unreadable: read as one voice says why
    }
    if (bank.voices.size() < 2)
        return std::nullopt;
    *isBank = true;
    TfmBankVoices::Try tryRow;
    if (m_library)
        tryRow = [this, &bank](int row) {
            m_guard.run([this, &bank, row] { tryVoice(bank.voices[row]); });
        };
    TfmBankVoices picker(bank, TranslationService::translator(m_translation), this, tryRow);
    const int result = m_prompts.execModal(&picker);
    // Whatever the choice, the scratch slot gets back what it held.
    m_guard.run([this] { endTry(); });
    if (result == TfmBankVoices::SendAllResult) {
        sendAllVoices(bank);
        return std::nullopt;
    }
    const int row = picker.selectedIndex();
    if (result != QDialog::Accepted || row < 0)
        return std::nullopt;
    return bank.voices[row].bytes;
}

std::optional<QByteArray> TfmVLDump::pickLibraryVoice(const QString &fileName)
{
    TVlLibReader reader(this);
    if (!reader.OpenLibrary(fileName))
        return std::nullopt;
    TfmLibVoices picker(this);
    picker.lstVoices()->addItems(reader.VoiceNames());
    const int result = m_prompts.execModal(&picker);
    const int row = picker.selectedIndex();
    if (result != QDialog::Accepted || row < 0)
        return std::nullopt;
    // Empty when the voice is cut short by the end of the file; the manager
    // then refuses it.
    return reader.GetVoice(row)->readAll();
}

void TfmVLDump::btnSaveClick()
{
    // Nothing is written unless a voice is held.
    if (VoiceData.isEmpty())
        return;
    const QString fileName = m_saveDialog->execute(
        m_prompts, this,
        DumpFile::proposedName(m_manager->VoiceName(), m_saveDialog->DefaultExt()));
    if (fileName.isEmpty())
        return;
    // A failed write raises before the caption changes; the old file stays.
    DumpFile::write(fileName, VoiceData);
    setWindowTitle(QStringLiteral("Ventaro - ")
                   + QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()));
}

void TfmVLDump::keepVoices(const QList<VoiceBank::Voice> &voices, const VoiceSource &source)
{
    if (!m_library)
        return;
    QList<VoiceStore::Met> met;
    for (const VoiceBank::Voice &voice : voices)
        met.append({voice, source});
    showKept(m_library->keep(met, this));
}

void TfmVLDump::keepVoice(const QByteArray &bytes, const VoiceSource &source)
{
    if (m_library && !bytes.isEmpty())
        showKept(m_library->keep(bytes, source, this));
}

void TfmVLDump::keepFile(const QString &fileName)
{
    if (!m_library || !m_library->keepsVoices())
        return;
    QList<VoiceStore::Met> met;
    try {
        met = VoiceImporter::read(fileName);
    } catch (const VentaroError &) {
        return; // no whole voice: opening it says what is wrong
    }
    showKept(m_library->keep(met, this));
}

void TfmVLDump::showKept(const QString &notice)
{
    if (!notice.isEmpty())
        m_kept->setText(notice);
}

bool TfmVLDump::holdVoice(const QByteArray &bytes)
{
    if (!m_manager->LoadVoice(bytes))
        return false;
    VoiceData = bytes;
    UpdateVoiceControls(true);
    return true;
}

void TfmVLDump::sendHeldVoice(int destination, int slot)
{
    // Only a full voice may choose; the others go to their own kind of slot.
    if (!m_ui->cbxSendBank->isEnabled() && destination != m_ui->cbxSendBank->currentIndex())
        throw VentaroError(translated(QStringLiteral("This voice cannot go there.")));
    m_ui->cbxSendBank->setCurrentIndex(destination);
    cbxSendBankSelect();
    if (destination != SendCurrent)
        m_ui->cbxSendPatch->setCurrentIndex(slot - 1);
    btnExportClick();
}

void TfmVLDump::undoLastWrite()
{
    const auto translate = TranslationService::translator(m_translation);
    const QString title = translate(QStringLiteral("Undo Last Write"));
    VoiceStore *store = m_library ? m_library->store(this) : nullptr;
    if (!store)
        return;
    const std::optional<WriteRecord> last = WriteHistory(*store).lastRestorable();
    if (!last) {
        m_prompts.message(this, QMessageBox::Information, title,
                          translate(QStringLiteral("No write kept what it wrote over.")),
                          QMessageBox::Ok);
        return;
    }
    restoreWrite(*last, title);
}

void TfmVLDump::restoreWrite(const WriteRecord &record, const QString &title)
{
    const auto translate = TranslationService::translator(m_translation);
    VoiceStore *store = m_library ? m_library->store(this) : nullptr;
    if (!store)
        return;
    const GuardedWrite::Restore restore = GuardedWrite::restoreOf(record, *store);
    // Said before anything is written: what goes back where.
    QStringList lines;
    for (const BankSendPlan::Step &step : restore.plan.steps)
        lines << translate(QStringLiteral("%1 to %2"))
                     .arg(restore.bank.voices[step.voice].name.trimmed(),
                          translate(BankSendPlan::placeText(step.to, step.slot)));
    constexpr int shown = 8;
    QString text =
        translate(QStringLiteral("Put back what the write of %1 replaced (device %2)?"))
            .arg(QLocale().toString(record.started, QLocale::ShortFormat))
            .arg(record.device + 1)
        + QLatin1Char('\n') + lines.mid(0, shown).join(QLatin1Char('\n'));
    if (lines.size() > shown)
        text += QLatin1Char('\n')
                + translate(QStringLiteral("... and %1 more")).arg(lines.size() - shown);
    if (m_prompts.message(this, QMessageBox::Question, title, text,
                          QMessageBox::Ok | QMessageBox::Cancel)
        != QMessageBox::Ok)
        return;
    if (m_manager->DeviceID() != record.device) {
        m_ui->cbxDevNo->setCurrentIndex(record.device);
        cbxDevNoSelect();
    }
    writeBank(restore.bank, restore.plan, WriteRecord::Kind::Restore, title,
              QStringLiteral("RestoreProgress"), BankSender::storedGapMs(m_settings), record.id);
}

void TfmVLDump::tryVoice(const VoiceBank::Voice &voice)
{
    const auto translate = TranslationService::translator(m_translation);
    const QString title = translate(QStringLiteral("Try"));
    if (voice.form != VoiceDump::Form::Internal)
        throw VentaroError(translate(QStringLiteral(
            "Only an internal voice can be tried: it goes to an Internal slot.")));
    if (!m_library)
        return;
    int slot = m_library->trySlot().value_or(0);
    if (slot == 0) {
        // Chosen once: the first try says where voices go.
        slot = LibraryKeeper::DefaultTrySlot;
        if (m_prompts.message(
                this, QMessageBox::Question, title,
                translate(QStringLiteral("Voices are tried in %1: what it holds is kept first "
                                         "and put back when the list closes. Try voices there?"))
                    .arg(translate(BankSendPlan::placeText(VoiceDump::Form::Internal, slot))),
                QMessageBox::Ok | QMessageBox::Cancel)
            != QMessageBox::Ok)
            return;
        m_library->setTrySlot(slot);
    }
    VoiceBank tried;
    tried.voices.append(voice);
    BankSendPlan plan;
    plan.steps.append({0, VoiceDump::Form::Internal, slot});
    qint64 entry = 0;
    const auto remember = qScopeGuard([this, &entry] {
        // Only the first try kept what the slot held before trying began.
        if (m_tryEntry == 0)
            m_tryEntry = entry;
    });
    writeBank(tried, plan, WriteRecord::Kind::Try, title, QStringLiteral("TryProgress"),
              BankSender::DefaultGapMs, 0, &entry);
    // The instrument plays the slot just written, selected once.
    m_ui->cbxBank->setCurrentIndex(VoiceCatalogue::Internal);
    showPatchList();
    m_ui->cbxPatch->setCurrentIndex(slot - 1);
    SelectPatch();
}

void TfmVLDump::endTry()
{
    const qint64 tried = std::exchange(m_tryEntry, 0);
    VoiceStore *store = m_library && tried != 0 ? m_library->store(this) : nullptr;
    if (!store)
        return;
    const std::optional<WriteRecord> record = WriteHistory(*store).entry(tried);
    if (!record || record->restorable().isEmpty())
        return; // nothing was kept: the user chose to write over the slot
    const GuardedWrite::Restore restore = GuardedWrite::restoreOf(*record, *store);
    writeBank(restore.bank, restore.plan, WriteRecord::Kind::TryBack,
              TranslationService::translator(m_translation)(QStringLiteral("Try")),
              QStringLiteral("TryBackProgress"), BankSender::DefaultGapMs, tried);
}

void TfmVLDump::showWriteHistory()
{
    const auto translate = TranslationService::translator(m_translation);
    VoiceStore *store = m_library ? m_library->store(this) : nullptr;
    if (!store)
        return;
    TfmWriteHistory::Actions actions;
    actions.restore = [this, translate](const WriteRecord &record) {
        m_guard.run([&] { restoreWrite(record, translate(QStringLiteral("Restore"))); });
    };
    actions.showLibrary = [this, store] {
        TfmVoiceLibrary window(*m_library, *store, *this, m_prompts, m_translation, this);
        window.showSource(VoiceSource::Kind::Held);
        m_prompts.execModal(&window);
    };
    TfmWriteHistory window(*store, actions, translate, this);
    m_prompts.execModal(&window);
}

void TfmVLDump::btnLibraryClick()
{
    VoiceStore *store = m_library ? m_library->store(this) : nullptr;
    if (!store)
        return;
    TfmVoiceLibrary window(*m_library, *store, *this, m_prompts, m_translation, this);
    m_prompts.execModal(&window);
}
