#include "Peg_Pics.h"

#include "DpiGeometry.h"

namespace tarnwick {

HBITMAP loadBitmapResource(HINSTANCE instance, const wchar_t* name)
{
    return static_cast<HBITMAP>(
        LoadImageW(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

Peg_Pics::Peg_Pics(HINSTANCE instance, UINT dpi)
    : m_peg(loadBitmapResource(instance, pictureResource(L"PEG", dpi).c_str()))
    , m_nopeg(loadBitmapResource(instance, pictureResource(L"NOPEG", dpi).c_str()))
{ }

} // namespace tarnwick
