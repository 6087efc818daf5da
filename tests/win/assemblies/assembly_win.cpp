// A test COM assembly: a library that is nothing but its version resource,
// for the tests of the COM assembly step and its registration utility.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
