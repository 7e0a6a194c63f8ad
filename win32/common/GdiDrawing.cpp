#include "GdiDrawing.h"

#include "DpiGeometry.h"
#include "UiFace.h"
#include "WideText.h"

namespace tarnwick {

FontHandle uiFont(const UiFace& font, UINT dpi, int pixels)
{
    // A negative height asks for the character height, as points measure it.
    const int height = -(pixels > 0 ? pixels : font.pixelsAt(pictureDpi(dpi)));
    return FontHandle(CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
        FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
        DEFAULT_PITCH | FF_SWISS, wideText(font.windowsFace).c_str()));
}

HBITMAP loadBitmapResource(HINSTANCE instance, const wchar_t* name)
{
    return static_cast<HBITMAP>(
        LoadImageW(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void paintBitmap(HWND window, HBITMAP bitmap)
{
    PAINTSTRUCT paint {};
    HDC target = BeginPaint(window, &paint);
    if (bitmap != nullptr) {
        HDC source = CreateCompatibleDC(target);
        const HGDIOBJ previous = SelectObject(source, bitmap);
        BITMAP size {};
        GetObjectW(bitmap, sizeof size, &size);
        BitBlt(target, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(window, &paint);
}

} // namespace tarnwick
