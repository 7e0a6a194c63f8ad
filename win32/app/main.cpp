// Tarnwick for Windows: the rule book under a native Win32 front-end.

#include "ClockRandomSource.h"
#include "CuePlayer.h"
#include "Main_form.h"
#include "Win32Api.h"
#include "Win32ProgramControl.h"

#include <commctrl.h>

namespace {

/// Cues stay silent until the sound worker is wired in.
class SilentCues final : public tarnwick::CuePlayer {
public:
    void playCue(tarnwick::Cue /*cue*/) override { }
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show)
{
    // Themed push buttons (common controls 6, asked for in the manifest).
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);

    SilentCues cues;
    tarnwick::ClockRandomSource random;
    tarnwick::Win32ProgramControl program;
    tarnwick::Main_form form(instance, cues, random, program);
    form.show(show);

    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.pressFocusedButtonOnEnter(message)) {
            continue;
        }
        // Tab, Space and the arrow keys move between and press the buttons as
        // in a dialog. Esc and Enter become IDCANCEL and IDOK, which no
        // control uses, so Esc does nothing.
        HWND top = GetAncestor(message.hwnd, GA_ROOT);
        if (top != nullptr && IsDialogMessageW(top, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
