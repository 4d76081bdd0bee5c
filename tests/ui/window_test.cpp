// The main window and its 33 controls as created, and the two pages.
#include <gtest/gtest.h>

#include <string>

#include "app/dispatch.h"
#include "app/main_window.h"
#include "ui_test_helper.h"

namespace corvane::uitest {
namespace {

class WindowTest : public MainWindowTest {};

TEST_F(WindowTest, MainWindowIsCentredWithFixedFrame) {
    HWND window = App().MainWindow;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"MyAppClass");
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Corvane");

    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & 0x00CF0000, 0x00CA0000);  // caption, system menu, minimise; no sizing
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 800) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 600) / 2);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 600);
}

}  // namespace
}  // namespace corvane::uitest
