#include "frm_Rules.h"

#include "CentringArithmetic.h"
#include "DpiGeometry.h"
#include "GdiDrawing.h"
#include "MessageParams.h"
#include "PushButtons.h"
#include "RulesWindowLayout.h"
#include "UiFace.h"
#include "WideText.h"
#include "WindowTexts.h"

#include <algorithm>
#include <string>

namespace tarnwick {

namespace {

constexpr const wchar_t* kClassName = L"TarnwickRules";
// Not 1 or 2: the dialog keys would treat those as IDOK and IDCANCEL.
constexpr int kOkButtonId = 201;
constexpr int kTextId = 202;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

std::wstring allLines()
{
    std::wstring text;
    for (const std::string_view line : kRulesLines) {
        text += wideText(line) + L"\r\n";
    }
    return text;
}

} // namespace

frm_Rules::frm_Rules(HINSTANCE instance, HWND gameWindow)
    : m_instance(instance)
    , m_teal(CreateSolidBrush(RGB(kTealRed, kTealGreen, kTealBlue)))
{
    // The system's default window icon, not the game's.
    registerWindowClass<frm_Rules>(instance, kClassName, LoadIconW(nullptr, IDI_APPLICATION));
    // No owner window: the game stays playable beside the rules.
    CreateWindowExW(0, kClassName, wideText(kRulesCaption).c_str(), kStyle, CW_USEDEFAULT,
        CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, this);
    m_text = CreateWindowExW(0, L"STATIC", allLines().c_str(),
        WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | SS_NOPREFIX, 0, 0, 0, 0, m_window.get(),
        controlId(kTextId), instance, nullptr);
    m_okButton = createPushButton(m_window.get(), kOkCaption, kOkButtonId);
    Form_Load(gameWindow);
    ShowWindow(m_window.get(), SW_SHOW);
    SetFocus(m_okButton);
}

frm_Rules::~frm_Rules()
{
    // The window first: it uses the fonts and the brush until it is gone.
    m_window.reset();
}

void frm_Rules::raise() const
{
    SetWindowPos(m_window.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_window.get());
}

void frm_Rules::Form_Load(HWND gameWindow)
{
    const UINT dpi = GetDpiForWindow(gameWindow);
    layOut(dpi);
    // Centred on the whole monitor, taskbar included, as the rules window
    // always was; the monitor is the one the game is on.
    MONITORINFO monitor {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(gameWindow, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT outer = outerRect(dpi);
    const RECT& screen = monitor.rcMonitor;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const auto screenDpi = static_cast<int>(dpi);
    const int left
        = screen.left + centredOffsetPixels(screen.right - screen.left, width, screenDpi);
    const int top = screen.top + centredOffsetPixels(screen.bottom - screen.top, height, screenDpi);
    placeWindow(m_window.get(), { left, top, left + width, top + height });
}

RECT frm_Rules::outerRect(UINT dpi) const
{
    RECT outer = pixelRect(kRulesClientTwips, dpi);
    AdjustWindowRectExForDpi(&outer, kStyle, FALSE, 0, dpi);
    return outer;
}

void frm_Rules::layOut(UINT dpi)
{
    const RECT client = pixelRect(kRulesClientTwips, dpi);
    const RECT ok = pixelRect(kOkButtonTwips, dpi);

    // The largest size up to the intended one at which every line fits the
    // width and all eleven lines end above OK.
    HDC screen = GetDC(m_window.get());
    for (int height = kPrintFont.pixelsAt(pictureDpi(dpi)); height > 0; --height) {
        m_printFont = uiFont(kPrintFont, dpi, height);
        const HGDIOBJ previous = SelectObject(screen, m_printFont.get());
        TEXTMETRICW metrics {};
        GetTextMetricsW(screen, &metrics);
        m_lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
        LONG widest = 0;
        for (const std::string_view line : kRulesLines) {
            const std::wstring wide = wideText(line);
            SIZE extent {};
            GetTextExtentPoint32W(screen, wide.c_str(), static_cast<int>(wide.size()), &extent);
            widest = std::max(widest, extent.cx);
        }
        SelectObject(screen, previous);
        const auto lines = static_cast<LONG>(kRulesLines.size());
        if (widest <= client.right && lines * m_lineHeight <= ok.top) {
            break;
        }
    }
    ReleaseDC(m_window.get(), screen);

    placeWindow(m_text, { 0, 0, client.right, ok.top });
    placeWindow(m_okButton, ok);
    setButtonFont(m_buttonFont, { &m_okButton, 1 }, dpi);
}

void frm_Rules::Form_Paint(HDC target) const
{
    RECT area {};
    GetClientRect(m_text, &area);
    FillRect(target, &area, m_teal.get());
    SetBkMode(target, TRANSPARENT);
    SetTextColor(target, RGB(0, 0, 0));
    const HGDIOBJ previous = SelectObject(target, m_printFont.get());
    // Printed afresh from the top-left corner every time, line by line.
    int top = 0;
    for (const std::string_view line : kRulesLines) {
        const std::wstring wide = wideText(line);
        TextOutW(target, 0, top, wide.c_str(), static_cast<int>(wide.size()));
        top += m_lineHeight;
    }
    SelectObject(target, previous);
}

void frm_Rules::btn_OK_Click()
{
    DestroyWindow(m_window.get());
}

LRESULT frm_Rules::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kOkButtonId && HIWORD(wParam) == BN_CLICKED) {
            btn_OK_Click();
        }
        // Anything else, Esc's IDCANCEL included, does nothing.
        return 0;
    case WM_CLOSE:
        // The close box unloads the window as OK does.
        btn_OK_Click();
        return 0;
    case WM_DRAWITEM: {
        const auto* item = messageStructure<const DRAWITEMSTRUCT>(lParam);
        if (item->CtlID == kTextId) {
            Form_Paint(item->hDC);
            return TRUE;
        }
        break;
    }
    case WM_ERASEBKGND: {
        RECT client {};
        GetClientRect(m_window.get(), &client);
        FillRect(messageDeviceContext(wParam), &client, m_teal.get());
        return 1;
    }
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(m_teal.get());
    case WM_SETFOCUS:
        // The focus belongs on OK, the one control; kept off the window itself,
        // or a click on OK that activates the window would lose its press.
        SetFocus(m_okButton);
        return 0;
    case WM_DPICHANGED:
        return followDpiChange(m_window.get(), wParam, lParam, [this](UINT dpi) {
            layOut(dpi);
            return outerRect(dpi);
        });
    default:
        break;
    }
    return DefWindowProcW(m_window.get(), message, wParam, lParam);
}

} // namespace tarnwick
