// Entry of ovwin64.exe.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, "The OVWin launcher is being built.", "OVWin", MB_OK);
    return 0;
}
