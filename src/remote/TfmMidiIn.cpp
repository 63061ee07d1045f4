#include "TfmMidiIn.h"

#include "ui_TfmMidiIn.h"

#include "EventWait.h"
#include "FrontPanelRemote.h"
#include "MidiErrorText.h"
#include "MidiPlatform.h"
#include "Prompts.h"
#include "TMidiCorvoIn.h"
#include "TVLManager.h"
#include "TranslationService.h"
#include "VentaroError.h"
#include "VoiceDump.h"
#include "VoiceFetcher.h"

#include <QColor>
#include <QPalette>
#include <QTimer>

namespace {

const QColor Background(214, 194, 177);

} // namespace

TfmMidiIn::TfmMidiIn(TVLManager *manager, QByteArray *stream, Prompts &prompts, Sleeper &sleeper,
                     TranslationService *translation, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmMidiIn>()), m_prompts(prompts),
      m_translation(translation),
      m_guard(prompts, this, TranslationService::translator(translation)), m_stream(stream),
      m_manager(manager), m_clock(sleeper)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Background);
    setPalette(palette);
    setAutoFillBackground(true);

    m_remote = new FrontPanelRemote(m_ui->pnlRemote, manager, sleeper, m_guard,
                                    FrontPanelRemote::ImportWindowTiming);
    connect(m_ui->BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->btnAsk, &QPushButton::clicked, this,
            [this] { m_guard.run([this] { btnAskClick(); }); });
    m_deviceCheck = new QTimer(this);
    m_deviceCheck->setInterval(DeviceCheckMs);
    connect(m_deviceCheck, &QTimer::timeout, this, &TfmMidiIn::checkDevice);
    m_guard.run([this] { FormCreate(); });
}

void TfmMidiIn::checkDevice()
{
    if (m_toldDeviceGone || !m_port || m_port->deviceState() != MidiPlatform::DeviceGone)
        return;
    m_toldDeviceGone = true;
    m_deviceCheck->stop();
    m_guard.run([this] {
        throw VentaroError(
            midiPortErrorMessage(MidiPlatform::DeviceGone, true, m_port->DeviceName(), nullptr));
    });
}

TfmMidiIn::~TfmMidiIn()
{
    // Shown but never closed (the caller gave up): nothing may reach the
    // window once it is gone.
    if (m_attached) {
        try {
            m_port->Stop();
        } catch (const std::exception &) {
        }
        detach();
    }
}

void TfmMidiIn::FormCreate()
{
    if (m_translation)
        m_translation->TranslateWindow(this);
}

int TfmMidiIn::execute()
{
    FormShow();
    int result = QDialog::Rejected;
    try {
        result = m_prompts.execModal(this);
    } catch (...) {
        m_guard.run([this] { FormCloseQuery(); });
        detach();
        throw;
    }
    // A window closed without passing through done() still lets go.
    if (m_attached) {
        m_guard.run([this] { FormCloseQuery(); });
        detach();
    }
    return result;
}

void TfmMidiIn::FormShow()
{
    m_port = m_manager->MidiIn();
    m_streamStart = m_stream->size();
    m_port->OnSysexReceived = [this](QObject *sender, const quint8 *data, qint32 len) {
        TfmMidiIn *const window = this;
        ++window->m_delivering;
        window->m_guard.run([&] { window->MidiInputSyx1MidiInput(sender, data, len); });
        // Closed meanwhile: let go of the port now. This replaces the very
        // handler that is running, so nothing of it is touched afterwards.
        if (--window->m_delivering == 0 && window->m_detachAfterDelivery)
            window->detach();
    };
    m_attached = true;
    try {
        m_port->Open(true);
    } catch (...) {
        detach();
        throw;
    }
    m_deviceCheck->start();
}

void TfmMidiIn::FormCloseQuery()
{
    if (m_port)
        m_port->Stop();
}

void TfmMidiIn::done(int result)
{
    m_closed = true;
    m_deviceCheck->stop();
    // Closing is always allowed, also when the port refuses to stop.
    m_guard.run([this] { FormCloseQuery(); });
    // Inside a delivery the handler is let go when that delivery ends; the
    // port is stopped, so nothing more arrives meanwhile.
    if (m_delivering == 0)
        detach();
    else
        m_detachAfterDelivery = true;
    QDialog::done(result);
}

void TfmMidiIn::detach()
{
    if (!m_attached)
        return;
    m_port->OnSysexReceived = nullptr;
    m_attached = false;
    m_detachAfterDelivery = false;
}

void TfmMidiIn::MidiInputSyx1MidiInput(QObject *sender, const quint8 *data, qint32 len)
{
    Q_UNUSED(sender);
    if (!data || len < MinimumBlockLength)
        return;
    if (m_fetcher)
        m_fetcher->take(QByteArrayView(data, len));
    if (data[VoiceDump::DeviceOffset] != m_manager->DeviceID())
        return;
    m_stream->append(reinterpret_cast<const char *>(data), len);
    m_bytesRead += len;
    m_ui->lblBytes->setText(QString::number(m_bytesRead));
    // `data` belongs to the port and goes away when it stops: closing is
    // the last thing done here.
    if (isComplete())
        accept();
}

void TfmMidiIn::btnAskClick()
{
    if (m_fetcher || !m_attached)
        return;
    // What arrived before from the panel is no part of the voice asked for.
    m_stream->truncate(m_streamStart);
    m_bytesRead = 0;
    m_asked = true;
    m_ui->lblBytes->setText(QString::number(m_bytesRead));
    m_ui->btnAsk->setEnabled(false);
    VoiceFetcher fetcher([this](const QByteArray &request) { m_manager->sendSysEx(request); },
                         [this](int milliseconds) {
                             EventWait::forMs(milliseconds);
                             return !m_closed;
                         },
                         m_manager->DeviceID(), m_clock);
    m_fetcher = &fetcher;
    VoiceFetcher::Result result;
    try {
        result = fetcher.fetch(VoiceDump::Form::Full);
    } catch (...) {
        m_fetcher = nullptr;
        m_ui->btnAsk->setEnabled(true);
        throw;
    }
    m_fetcher = nullptr;
    if (m_closed)
        return; // the voice completed the window, or the user closed it
    m_ui->btnAsk->setEnabled(true);
    if (result.outcome == VoiceFetcher::Outcome::NotAnswered) {
        m_asked = false; // what comes now is from the panel
        const QString &text = VoiceFetcher::NotAnsweredText;
        m_prompts.message(this, QMessageBox::Information, windowTitle(),
                          m_translation ? m_translation->Translate(text) : text, QMessageBox::Ok);
    }
}

bool TfmMidiIn::isComplete() const
{
    switch (m_bytesRead) {
    case VoiceDump::InternalLength:
        // An internal voice, or only the first block of a custom voice.
        return quint8(m_stream->at(m_streamStart + VoiceDump::AddressHighOffset))
               >= LowestInternalAddress;
    case VoiceDump::CustomLength:
    case VoiceDump::FullLength:
        return true;
    default:
        return false;
    }
}
