#pragma once

#include "Win32Api.h"

#include <utility>

namespace tarnwick {

/// Owns one GDI or USER handle and releases it with @p Release when it goes,
/// so no path through the program can leak or double-free one.
template <typename Handle, auto Release> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle)
        : m_handle(handle)
    { }
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr))
    { }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.m_handle, nullptr));
        }
        return *this;
    }

    [[nodiscard]] Handle get() const { return m_handle; }

    /// Releases the handle held, if any, and holds @p handle instead.
    void reset(Handle handle = nullptr)
    {
        if (m_handle != nullptr) {
            Release(m_handle);
        }
        m_handle = handle;
    }

    /// Gives up the handle without releasing it: for a window that Windows
    /// has already destroyed.
    Handle release() { return std::exchange(m_handle, nullptr); }

private:
    Handle m_handle = nullptr;
};

namespace handle_release {
inline void gdiObject(HGDIOBJ object)
{
    DeleteObject(object);
}
inline void icon(HICON icon)
{
    DestroyIcon(icon);
}
inline void cursor(HCURSOR cursor)
{
    DestroyCursor(cursor);
}
inline void window(HWND window)
{
    DestroyWindow(window);
}
} // namespace handle_release

using FontHandle = UniqueHandle<HFONT, handle_release::gdiObject>;
using BitmapHandle = UniqueHandle<HBITMAP, handle_release::gdiObject>;
using BrushHandle = UniqueHandle<HBRUSH, handle_release::gdiObject>;
using IconHandle = UniqueHandle<HICON, handle_release::icon>;
using CursorHandle = UniqueHandle<HCURSOR, handle_release::cursor>;
using WindowHandle = UniqueHandle<HWND, handle_release::window>;

} // namespace tarnwick
