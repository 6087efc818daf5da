// A Windows program for harness tests: shows one message box and ends with
// 1000 plus the id of the button that closed it, so a test can tell an OK
// (1001) from a Cancel (1002) and sees an exit code wider than 8 bits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const int button = MessageBoxA(nullptr, "The harness can read this box.\nSecond line.", "Harness Check",
                                   MB_OKCANCEL | MB_ICONINFORMATION);
    return 1000 + button;
}
