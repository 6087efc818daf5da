// A program for scenario tests that keeps a file open without sharing, as an
// application that locks its file does:
//
//   hold_file PATH
//
// opens PATH (the whole argument text) for reading and writing with share
// mode 0, then creates PATH.held to say so, and keeps the file open until
// PATH.held is deleted. Exit status 0, or 1 when PATH could not be opened.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    const std::string path = arguments;
    const std::string marker = path + ".held";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return 1;
    }
    CloseHandle(CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    while (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES)
    {
        Sleep(50);
    }
    CloseHandle(file);
    return 0;
}
