// The main dialog's answer to a notification area that was started anew.
#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/settings.h"
#include "tray/tray.h"

namespace {

std::vector<DWORD> gMessages;

BOOL WINAPI RecordNotify(DWORD message, NOTIFYICONDATAA*)
{
    gMessages.push_back(message);
    return TRUE;
}

TEST(MainDialog, ARestartedTaskbarGetsTheIconAgain)
{
    gShellNotifyIcon = RecordNotify;
    gSettings.Mondphasen = 1;
    const HWND window = HWND(0x4711);
    UpdateTrayIcon(window, 1, 0);
    UpdateTrayIcon(window, 1, 0);
    // Explorer broadcasts this registered message to every top-level window when it starts.
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    EXPECT_EQ(MainDialogProc(window, taskbarCreated, 0, 0), TRUE);
    UpdateTrayIcon(window, 1, 0);
    std::vector<DWORD> expected = {NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY};
    EXPECT_EQ(gMessages, expected);
    RemoveTrayIcon(window);
    gShellNotifyIcon = Shell_NotifyIconA;
}

}  // namespace
