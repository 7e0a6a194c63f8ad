#pragma once

#include "UniqueHandle.h"
#include "Win32Api.h"
#include "WindowProcedure.h"

namespace tarnwick {

/// The window that explains the game: a fixed teal window without an owner,
/// captioned "Tarnwick Rules", that prints the rules at every paint and is
/// unloaded (destroyed) by OK or its close box.
class frm_Rules {
public:
    /// Creates the window, centres it on the whole of the monitor that holds
    /// @p gameWindow (Form_Load), and shows it with the focus on OK.
    frm_Rules(HINSTANCE instance, HWND gameWindow);
    ~frm_Rules();

    frm_Rules(const frm_Rules&) = delete;
    frm_Rules& operator=(const frm_Rules&) = delete;

    /// False once OK or the close box has unloaded the window.
    [[nodiscard]] bool isOpen() const { return m_window.get() != nullptr; }

    /// Brings the open window to the front; it is not centred again.
    void raise() const;

private:
    friend LRESULT CALLBACK windowProcedure<frm_Rules>(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void Form_Load(HWND gameWindow);
    void Form_Paint(HDC target) const;
    void btn_OK_Click();
    void layOut(UINT dpi);
    [[nodiscard]] RECT outerRect(UINT dpi) const;

    WindowHandle m_window;
    HINSTANCE m_instance;
    HWND m_okButton = nullptr;
    HWND m_text = nullptr;
    FontHandle m_printFont;
    FontHandle m_buttonFont;
    BrushHandle m_teal;
    int m_lineHeight = 0;
};

} // namespace tarnwick
