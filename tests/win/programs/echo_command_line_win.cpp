// A GUI-subsystem program for harness tests, like the launcher: prints the
// argument text its entry received, its whole command line and its current
// folder to standard output, then ends with exit code 7.
#include <windows.h>

#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    printf("arguments=[%s]\ncommand_line=[%s]\nfolder=[%s]\n", arguments, GetCommandLineA(), folder);
    return 7;
}
