// A program for harness tests: "exit_code_program CODE [MILLISECONDS]" waits
// the given time, then ends with the given exit code.
#include <windows.h>

#include <stdlib.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    char* rest = nullptr;
    const unsigned long code = strtoul(arguments, &rest, 10);
    const unsigned long wait = strtoul(rest, nullptr, 10);
    Sleep(static_cast<DWORD>(wait));
    return static_cast<int>(code);
}
