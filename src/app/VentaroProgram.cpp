#include "VentaroProgram.h"

#include "CloseOnSignal.h"
#include "LibraryKeeper.h"
#include "ProgramMidi.h"
#include "RegEdit.h"
#include "RegRoot.h"
#include "SimulatedVl70mDevice.h"
#include "SlotNameStore.h"
#include "SystemSleeper.h"
#include "TfmVLDump.h"
#include "TranslationService.h"
#include "VentaroError.h"
#include "VoiceBank.h"
#include "VoiceStore.h"
#include "WidgetPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QStandardPaths>
#include <QTimer>

VentaroProgram::VentaroProgram(QApplication &app)
{
    // Before anything lasting is made, so that no signal ends the program
    // without the window's closing.
    m_closeOnSignal = std::make_unique<CloseOnSignal>([this] {
        if (m_window)
            m_window->close();
    });
    substituteDialogFont();

    m_translation = std::make_unique<TranslationService>();
    m_translation->AddResourceStringDomain(TranslationService::ToolkitDomain);
    m_translation->installToolkitTranslations(app);

    m_midi = std::make_unique<ProgramMidi>();
    const QString simulatorBank = qEnvironmentVariable(SimulatorBankVariable);
    m_prompts = std::make_unique<WidgetPrompts>();

    const QString slotFolder = SlotNameStore::programFolder();
    m_translation->setErrorReporter(
        [prompts = m_prompts.get()](const QString &text) { prompts->showError(nullptr, text); });
    const RegRoot settings = RegRoot::currentUser();
    if (regFileUnreadable(settings)) {
        // Told once: every read then gives the defaults and nothing is written.
        const QString text = QStringLiteral(
            "The settings file cannot be read: Ventaro starts with its defaults and leaves "
            "the file as it is.");
        m_prompts->showError(nullptr, m_translation->Translate(text) + QLatin1Char('\n')
                                          + QDir::toNativeSeparators(settings.settingsFileName()));
    }
    if (!simulatorBank.isEmpty()) {
        // The simulated instrument's slots from a bank file, for trying banks
        // without the instrument; a file that cannot be read is said once.
        try {
            m_midi->simulator().instrument().loadBank(VoiceBank::read(simulatorBank));
        } catch (const VentaroError &e) {
            m_prompts->showError(nullptr, e.text());
        }
    }
    m_library = std::make_unique<LibraryKeeper>(
        VoiceStore::defaultPath(), settings, *m_prompts,
        TranslationService::translator(m_translation.get()));
    m_window = std::make_unique<TfmVLDump>(TfmVLDump::Services{
        m_midi->platform(), *m_prompts, m_midi->sleeper(), settings, slotFolder,
        m_translation.get(), &m_midi->tap(), m_library.get()});
}

SimulatedVl70mDevice &VentaroProgram::simulator()
{
    return m_midi->simulator();
}

void VentaroProgram::substituteDialogFont()
{
    // The windows are laid out for the Windows dialog font; elsewhere take a
    // face of about its width.
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg 2"),
                               {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Arial"), QStringLiteral("DejaVu Sans Condensed")});
}

void VentaroProgram::openFileArgument(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString path = arguments.at(i);
        if (!QFileInfo(path).isFile())
            continue;
        QTimer::singleShot(0, m_window.get(),
                           [window = m_window.get(), path] { window->openFile(path); });
        return;
    }
}

VentaroProgram::~VentaroProgram()
{
    m_closeOnSignal.reset();
    // The window closes its ports before the devices go.
    m_window.reset();
}
