// The least a windowed Win32 program can do: start and end. Its start-up
// time is the unit the launcher's own overhead is measured in.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
