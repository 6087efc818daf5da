#include "environment/elevation_dialog_win.h"

#include "diagnostics/log.h"
#include "environment/elevation.h"
#include "environment/shell_start_win.h"
#include "foundation/text_limits.h"
#include "resources/resource_ids.h"
#include "ui/bitmap_mask_win.h"
#include "ui/dialogs.h"

#include <commctrl.h>

namespace
{
constexpr int kPromptCapacity = 100;
constexpr int kMessageControl = -1;
constexpr INT_PTR kElevationStarted = 1;
constexpr UINT kExitElevationStarted = 1;

// The shield and its mask, made when the dialog opens and painted until it
// closes.
struct ShieldPicture
{
    GdiObject<HBITMAP> Colour;
    GdiObject<HBITMAP> Mask;
};
ShieldPicture Shield;

void InitializeDialog(HWND dialog)
{
    char prompt[kPromptCapacity] = "";
    LoadStringA(GetModuleHandleA(nullptr), IDS_ELEVATE_PROMPT, prompt, kPromptCapacity);
    SetDlgItemTextA(dialog, kMessageControl, prompt);
    SendDlgItemMessageA(dialog, IDC_ELEVATE_BUTTON, BCM_SETSHIELD, 0, TRUE);
    Shield.Colour.Reset(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ELEVATION_SHIELD)));
    Shield.Mask = CreateBitmapMask(Shield.Colour.Get());
}

// The picture control shows the shield with black as its transparent
// colour, so the dialog's face shows around it.
void PaintShield(HWND dialog)
{
    HWND picture = GetDlgItem(dialog, IDC_SHIELD_PICTURE);
    if (picture == nullptr)
    {
        return;
    }
    // The dialog's own face first, so that erasing it cannot cover the
    // shield afterwards.
    PAINTSTRUCT face;
    BeginPaint(dialog, &face);
    EndPaint(dialog, &face);

    PAINTSTRUCT paint;
    HDC dc = BeginPaint(picture, &paint);
    if (dc != nullptr)
    {
        DrawMaskedBitmap(dc, 0, 0, Shield.Colour.Get(), Shield.Mask.Get());
    }
    EndPaint(picture, &paint);
}

// Starts the elevated copy of the launcher and ends this one; when the copy
// cannot be started, the person is told and may try again or cancel.
void RestartElevated(HWND dialog)
{
    char launcher[kPathCapacity];
    if (GetModuleFileNameA(nullptr, launcher, sizeof(launcher)) == 0)
    {
        return;
    }
    char parameters[kPathCapacity];
    FormatRestartParameters(parameters, sizeof(parameters));
    if (ExecuteAppEx(dialog, launcher, parameters, false, false) == -1)
    {
        ShowErrorDialog("The application could not be spawned. Check logs for more information.");
        return;
    }
    DebugLogText("Restarting application to elevate process...");
    EndDialog(dialog, kElevationStarted);
    // The elevated copy does the work now: none of this launcher's clean-up
    // may run.
    ExitProcess(kExitElevationStarted);
}

INT_PTR CALLBACK ElevationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
        case WM_INITDIALOG:
            InitializeDialog(dialog);
            break;
        case WM_PAINT:
            PaintShield(dialog);
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_ELEVATE_BUTTON)
            {
                RestartElevated(dialog);
            }
            else if (LOWORD(wParam) == IDC_CANCEL_BUTTON)
            {
                DebugLogText("CheckRights: ERROR: The user has refused elevation.");
                ElevationRefused = true;
                EndDialog(dialog, kElevationCancelled);
            }
            // Escape and the close box arrive as IDCANCEL, which no button
            // of this dialog carries: only a choice ends it.
            break;
        case WM_DESTROY:
            Shield.Mask.Reset();
            Shield.Colour.Reset();
            break;
        default:
            break;
    }
    return 0;
}
} // namespace

INT_PTR ShowElevationDialog(HWND owner)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), "ELEVATEDIALOG", owner, ElevationDialogProc,
                           reinterpret_cast<LPARAM>(owner));
}
