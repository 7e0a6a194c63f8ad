#include "PushButtons.h"
#include "Win32Api.h"
#include "frm_Rules.h"

#include <gtest/gtest.h>

#include <array>

namespace tarnwick {
namespace {

// One key as the message loop hands it to the dialog keys.
bool pressKey(HWND top, WPARAM key)
{
    MSG message {};
    message.hwnd = GetFocus();
    message.message = WM_KEYDOWN;
    message.wParam = key;
    return IsDialogMessageW(top, &message) != FALSE;
}

bool isDefault(HWND button)
{
    return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// Tab through three push buttons, as on the game window: the focus moves,
// and none ever becomes the default button. A plain button beside them does,
// which is what the dialog keys do unless told otherwise.
TEST(WindowKeys, TabMakesNoButtonTheDefault)
{
    HWND top = CreateWindowExW(0, L"STATIC", L"keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
        200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(top, nullptr);
    std::array<HWND, 4> buttons {};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons.at(i) = i < 3 ? createPushButton(top, "B", 101 + static_cast<int>(i))
                              : CreateWindowExW(0, L"BUTTON", L"B",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 90, 80, 25,
                                  top, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    SetFocus(buttons[0]);
    for (std::size_t step = 1; step < 3; ++step) {
        EXPECT_TRUE(pressKey(top, VK_TAB));
        EXPECT_EQ(GetFocus(), buttons.at(step));
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_FALSE(isDefault(buttons.at(i))) << "button " << i << " after " << step << " Tab";
        }
    }
    EXPECT_TRUE(pressKey(top, VK_TAB));
    EXPECT_EQ(GetFocus(), buttons[3]);
    EXPECT_TRUE(isDefault(buttons[3]));
    DestroyWindow(top);
}

// On the rules window Enter presses OK, at once and after a Tab, and OK
// never shows as the default button.
TEST(WindowKeys, EnterPressesOkOnTheRulesWindow)
{
    HWND game = CreateWindowExW(0, L"STATIC", L"game", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(game, nullptr);
    for (const int tabs : { 0, 1 }) {
        SCOPED_TRACE(tabs);
        frm_Rules rules(GetModuleHandleW(nullptr), game);
        HWND window = FindWindowW(L"TarnwickRules", nullptr);
        HWND ok = FindWindowExW(window, nullptr, L"BUTTON", nullptr);
        ASSERT_NE(ok, nullptr);
        ASSERT_EQ(GetFocus(), ok);
        for (int tab = 0; tab < tabs; ++tab) {
            EXPECT_TRUE(pressKey(window, VK_TAB));
            EXPECT_EQ(GetFocus(), ok);
        }
        EXPECT_FALSE(isDefault(ok));
        EXPECT_TRUE(rules.isOpen());
        EXPECT_TRUE(pressKey(window, VK_RETURN));
        EXPECT_FALSE(rules.isOpen());
    }
    DestroyWindow(game);
}

} // namespace
} // namespace tarnwick
