#pragma once

#include "UniqueHandle.h"
#include "Win32Api.h"
#include "WindowProcedure.h"

#include <functional>

namespace tarnwick {

/// One of the 15 picture cells laid over the board (`Image1(index)`), a child
/// window of its own: it shows the bitmap it is given, unscaled, reports every
/// press, and carries "Hole N, peg" or "Hole N, empty" as its window text,
/// which screen readers read as its name.
class HoleCell {
public:
    /// Called with the cell's index when a mouse button goes down over it.
    using PressHandler = std::function<void(int index)>;

    HoleCell(HINSTANCE instance, HWND parent, int index, PressHandler pressed);

    HoleCell(const HoleCell&) = delete;
    HoleCell& operator=(const HoleCell&) = delete;

    [[nodiscard]] HWND handle() const { return m_window.get(); }
    [[nodiscard]] int index() const { return m_index; }

    /// Shows @p picture (owned by the picture store); @p hasPeg keeps the name in step.
    void setPicture(HBITMAP picture, bool hasPeg);

private:
    friend LRESULT CALLBACK windowProcedure<HoleCell>(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    WindowHandle m_window;
    int m_index;
    PressHandler m_pressed;
    HBITMAP m_picture = nullptr;
};

} // namespace tarnwick
