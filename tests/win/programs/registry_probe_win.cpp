// A console program for harness tests: prints a registry value below
// HKEY_LOCAL_MACHINE in the 64-bit view exactly as stored, type, size and
// bytes, which `reg query` does not show.
//
//   registry_probe "SOFTWARE\Key" ValueName
//   -> type=1 size=260 data=433a5c...
// Exit status 0 when the value was read, 1 otherwise (with the error code).
#include <windows.h>

#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        fputs("usage: registry_probe KEY VALUE\n", stderr);
        return 2;
    }
    HKEY key = nullptr;
    LSTATUS result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[1], 0, KEY_READ | KEY_WOW64_64KEY, &key);
    if (result != ERROR_SUCCESS)
    {
        printf("error=%ld\n", static_cast<long>(result));
        return 1;
    }
    static BYTE data[65536];
    DWORD type = 0;
    DWORD size = sizeof(data);
    result = RegQueryValueExA(key, argv[2], nullptr, &type, data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
    {
        printf("error=%ld\n", static_cast<long>(result));
        return 1;
    }
    printf("type=%lu size=%lu data=", type, size);
    for (DWORD i = 0; i < size; ++i)
    {
        printf("%02x", data[i]);
    }
    printf("\n");
    return 0;
}
