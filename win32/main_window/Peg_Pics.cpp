#include "Peg_Pics.h"

#include "DpiGeometry.h"
#include "GdiDrawing.h"

namespace tarnwick {

Peg_Pics::Peg_Pics(HINSTANCE instance, UINT dpi)
    : m_peg(loadBitmapResource(instance, pictureResource(L"PEG", dpi).c_str()))
    , m_nopeg(loadBitmapResource(instance, pictureResource(L"NOPEG", dpi).c_str()))
{ }

} // namespace tarnwick
