#pragma once

#include "LoopbackRig.h"
#include "MainWindowControls.h"
#include "TranslationService.h"

// The main window over loopback devices (none until a test adds them), with
// its own settings, slot folder and clock. The window goes first when the
// rig goes, before anything it uses. Needs ventaro::app.
struct MainWindowRig : LoopbackRig, MainWindowControls
{
    TfmVLDump &open(TranslationService *translation = nullptr, LibraryKeeper *library = nullptr)
    {
        window = std::make_unique<TfmVLDump>(TfmVLDump::Services{
            platform, prompts, sleeper, settings, dir.path(), translation, nullptr, library});
        return *window;
    }
};
