#include "support/dialog_dismisser.h"

#include <string.h>

namespace
{
constexpr int kMessageTextId = 0xFFFF; // the static control of a message box

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM found)
{
    char className[16] = "";
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    GetClassNameA(window, className, sizeof(className));
    if (process == GetCurrentProcessId() && strcmp(className, "#32770") == 0 && IsWindowVisible(window))
    {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

DialogDismisser::DialogDismisser() : thread_([this] { Run(); }) {}

DialogDismisser::~DialogDismisser()
{
    stop_ = true;
    thread_.join();
}

std::vector<std::string> DialogDismisser::Texts() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

void DialogDismisser::Run()
{
    HWND last = nullptr;
    while (!stop_)
    {
        HWND dialog = nullptr;
        EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog != nullptr && dialog != last)
        {
            char text[2048] = "";
            GetDlgItemTextA(dialog, kMessageTextId, text, sizeof(text));
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                texts_.push_back(text);
            }
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            last = dialog;
        }
        Sleep(50);
    }
}
