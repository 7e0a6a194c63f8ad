// Tarnwick for Windows: the rule book under a native Win32 front-end.

#include "ClockRandomSource.h"
#include "CueWorker.h"
#include "Main_form.h"
#include "ProgramFolder.h"
#include "Win32Api.h"
#include "Win32ProgramControl.h"
#include "WinmmCueBackend.h"

#include <commctrl.h>

#include <memory>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show)
{
    // Themed push buttons (common controls 6, asked for in the manifest).
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);

    // Every cue is played on the worker's thread, never on the window's: a
    // stalled audio endpoint cannot freeze the game.
    tarnwick::CueWorker cues(
        std::make_unique<tarnwick::WinmmCueBackend>(tarnwick::programFolder()));
    tarnwick::ClockRandomSource random;
    tarnwick::Win32ProgramControl program;
    tarnwick::Main_form form(instance, cues, random, program);
    form.show(show);
    cues.warmUp();

    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, Space and the arrow keys move between and press the buttons as
        // in a dialog, and Enter presses the focused one (createPushButton).
        // Esc becomes IDCANCEL, which no window uses, so it does nothing.
        HWND top = GetAncestor(message.hwnd, GA_ROOT);
        if (top != nullptr && IsDialogMessageW(top, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
