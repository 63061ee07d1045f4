#pragma once

#include <QStringList>

#include <memory>

class CloseOnSignal;
class LibraryKeeper;
class ProgramMidi;
class SimulatedVl70mDevice;
class TfmVLDump;
class TranslationService;
class WidgetPrompts;
class QApplication;

// Everything the program runs on, made in order and taken down in reverse:
// the clock, the machine's MIDI devices joined with the simulated
// instrument, the prompts, the translation service, the voice library and
// the main window.
class VentaroProgram
{
public:
    // The application object must exist already and outlive the program.
    explicit VentaroProgram(QApplication &app);
    ~VentaroProgram();

    VentaroProgram(const VentaroProgram &) = delete;
    VentaroProgram &operator=(const VentaroProgram &) = delete;

    TfmVLDump &window() { return *m_window; }
    SimulatedVl70mDevice &simulator();

    // A bank file whose voices fill the simulated instrument's slots.
    static constexpr const char *SimulatorBankVariable = "VENTARO_SIM_BANK";

    // Once the event loop runs, opens the first of `arguments` after the
    // program's name that is an existing file, as "Open File..." would.
    void openFileArgument(const QStringList &arguments);

    // Faces that stand in for the dialog font the windows are laid out for,
    // for the whole process; the program sets them before any window.
    static void substituteDialogFont();

private:
    std::unique_ptr<ProgramMidi> m_midi;
    std::unique_ptr<WidgetPrompts> m_prompts;
    std::unique_ptr<TranslationService> m_translation;
    // Opens the library file at its first use only: start-up never waits on it.
    std::unique_ptr<LibraryKeeper> m_library;
    std::unique_ptr<TfmVLDump> m_window;
    // Made first, taken down first: a signal closes the window.
    std::unique_ptr<CloseOnSignal> m_closeOnSignal;
};
