// Keeps Wine's desktop process running while the benchmark runs. Wine starts
// it for the first program that needs a window station and ends it shortly
// after the last such program; on Windows the desktop is always there, so
// each start of a windowed program would otherwise pay for Wine's desktop
// coming up. Runs until its machine is shut down.
#include <windows.h>

int main()
{
    if (GetDesktopWindow() == nullptr)
    {
        return 1;
    }
    Sleep(INFINITE);
    return 0;
}
