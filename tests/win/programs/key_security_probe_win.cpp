// A console program for harness tests: reads or sets the DACL of a registry
// key below HKEY_LOCAL_MACHINE in the 64-bit view, as SDDL. Wine keeps a
// key's DACL only while the machine's wineserver runs, so the harness asks
// this program inside the running machine.
//
//   key_security_probe get "SOFTWARE\Key"         -> D:(A;CI;KA;;;BA)(A;;KR;;;WD)...
//   key_security_probe set "SOFTWARE\Key" SDDL     creates the key when missing
// Exit status 0 on success, 1 otherwise (with the error code on standard
// output).
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <stdio.h>
#include <string.h>

namespace
{
constexpr REGSAM kAccess = READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY;

int Fail(const char* step, DWORD error)
{
    printf("%s error=%lu\n", step, static_cast<unsigned long>(error));
    return 1;
}

int PrintDacl(HKEY key)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                       nullptr, nullptr, &descriptor);
    if (read != ERROR_SUCCESS)
    {
        return Fail("GetSecurityInfo", read);
    }
    char* text = nullptr;
    const BOOL converted = ConvertSecurityDescriptorToStringSecurityDescriptorA(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (!converted)
    {
        return Fail("ConvertSecurityDescriptorToStringSecurityDescriptor", error);
    }
    printf("%s\n", text);
    LocalFree(text);
    return 0;
}

int SetDacl(HKEY key, const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
    {
        return Fail("ConvertStringSecurityDescriptorToSecurityDescriptor", GetLastError());
    }
    const LSTATUS set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return set == ERROR_SUCCESS ? 0 : Fail("RegSetKeySecurity", static_cast<DWORD>(set));
}
} // namespace

int main(int argc, char** argv)
{
    const bool get = argc == 3 && strcmp(argv[1], "get") == 0;
    const bool set = argc == 4 && strcmp(argv[1], "set") == 0;
    if (!get && !set)
    {
        fputs("usage: key_security_probe get KEY | set KEY SDDL\n", stderr);
        return 2;
    }
    HKEY key = nullptr;
    const LSTATUS opened =
        get ? RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[2], 0, kAccess, &key)
            : RegCreateKeyExA(HKEY_LOCAL_MACHINE, argv[2], 0, nullptr, 0, kAccess, nullptr, &key, nullptr);
    if (opened != ERROR_SUCCESS)
    {
        return Fail("open", static_cast<DWORD>(opened));
    }
    const int result = get ? PrintDacl(key) : SetDacl(key, argv[3]);
    RegCloseKey(key);
    return result;
}
