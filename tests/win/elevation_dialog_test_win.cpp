// The shield on the elevation dialog's "Elevate" button: Wine's buttons do
// not draw it, so only the request for it can be seen, here, in the
// dialog's own thread. What the dialog shows and does is read by the
// end-to-end tests.
#include "environment/elevation.h"
#include "environment/elevation_dialog_win.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <utility>
#include <vector>

namespace
{
std::vector<std::pair<int, LPARAM>> ShieldRequests;

LRESULT CALLBACK RecordShieldRequests(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == BCM_SETSHIELD)
    {
        ShieldRequests.emplace_back(GetDlgCtrlID(message->hwnd), message->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Chooses "Cancel" once the dialog is up, as a person would.
void CALLBACK ChooseCancel(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowA("#32770", "Orvanta - Elevation Required");
    if (dialog != nullptr && IsWindowVisible(dialog))
    {
        KillTimer(nullptr, timer);
        SendDlgItemMessageA(dialog, IDC_CANCEL_BUTTON, BM_CLICK, 0, 0);
    }
}
} // namespace

TEST(ElevationDialog, ElevateButtonCarriesTheShield)
{
    ShieldRequests.clear();
    ElevationRefused = false;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordShieldRequests, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ChooseCancel);
    const INT_PTR choice = ShowElevationDialog(nullptr);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(choice, kElevationCancelled);
    EXPECT_TRUE(ElevationRefused);
    EXPECT_EQ(ShieldRequests, (std::vector<std::pair<int, LPARAM>>{{IDC_ELEVATE_BUTTON, TRUE}}));
    ElevationRefused = false;
}
