#include "environment/known_folders.h"

#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "foundation/win32_owners_win.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <initializer_list>

namespace
{
using CoTaskText = Owner<NullEmptyTraits<PWSTR, CoTaskMemFree>>;

const KNOWNFOLDERID* const kFolderIds[] = {
    &FOLDERID_Windows,  &FOLDERID_System,      &FOLDERID_SystemX86, &FOLDERID_LocalAppData,
    &FOLDERID_Programs, &FOLDERID_ProgramData, &FOLDERID_Fonts,
};
static_assert(sizeof(kFolderIds) / sizeof(kFolderIds[0]) == kFolderCacheParent,
              "a known folder for every kind before the cache parent");

// The cache's parent below a user folder.
constexpr const char* kCacheParentSuffix = "\\Oskelt\\Orvanta";
constexpr const wchar_t* kCacheParentSuffixW = L"\\Oskelt\\Orvanta";

// The known folder, with the suffix appended to its wide text, converted
// to the ANSI code page: S_OK, or the code of the failed look-up or
// conversion. The destination is untouched on failure.
HRESULT ReadKnownFolder(const KNOWNFOLDERID& id, const wchar_t* suffix, char* destination)
{
    // The folder's text is ours to free whether the look-up succeeded or not.
    CoTaskText folder;
    const HRESULT result = SHGetKnownFolderPath(id, 0, nullptr, folder.Receive());
    if (FAILED(result))
    {
        return result;
    }
    wchar_t joined[kPathCapacity];
    if (FormatToBufferW(joined, kPathCapacity, L"%ls%ls", folder.Get(), suffix) < 0)
    {
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    char converted[kPathCapacity];
    if (WideCharToMultiByte(CP_ACP, 0, joined, -1, converted, sizeof(converted), nullptr, nullptr) == 0)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    CopyToBuffer(destination, kPathCapacity, converted);
    return S_OK;
}

// A user folder where one can be found: the local application data from
// Windows 7 on, the roaming one named by APPDATA before; otherwise the
// Windows folder, and false.
bool GetCacheParent(char* destination)
{
    EnsureOsNamed();
    if (SystemInfoObject.IsWin7OrGreater)
    {
        if (SUCCEEDED(ReadKnownFolder(FOLDERID_LocalAppData, kCacheParentSuffixW, destination)))
        {
            return true;
        }
    }
    else
    {
        char appData[kPathCapacity];
        const DWORD length = GetEnvironmentVariableA("APPDATA", appData, sizeof(appData));
        char parent[kPathCapacity];
        if (length > 0 && length < sizeof(appData) &&
            FormatToBuffer(parent, sizeof(parent), "%s%s", appData, kCacheParentSuffix) > 0)
        {
            CopyToBuffer(destination, kPathCapacity, parent);
            return true;
        }
    }
    GetSpecialFolder(kFolderWindows, destination);
    return false;
}
} // namespace

uint32_t LookUpSpecialFolder(uint32_t kind, char* destination)
{
    const SpecialFolderRule* rule = FindSpecialFolderRule(kind);
    if (rule == nullptr)
    {
        return static_cast<uint32_t>(E_INVALIDARG);
    }
    return static_cast<uint32_t>(ReadKnownFolder(*kFolderIds[kind], rule->Suffix, destination));
}

bool GetSpecialFolder(uint32_t kind, char* destination)
{
    if (kind == kFolderCacheParent)
    {
        return GetCacheParent(destination);
    }
    const SpecialFolderRule* rule = FindSpecialFolderRule(kind);
    if (rule == nullptr)
    {
        ErrorLogText("Unknown folder type.");
        return false;
    }
    if (LookUpSpecialFolder(kind, destination) == S_OK)
    {
        return true;
    }
    if (rule->FailureLine != nullptr)
    {
        ErrorLogText(rule->FailureLine);
    }
    return false;
}

bool LoadKnownFoldersList()
{
    FunctionTrace trace("LoadKnownFoldersList");
    KnownFoldersRecord& list = KnownFoldersList;
    if (list.Loaded)
    {
        return true;
    }
    list.WinDir[0] = '\0';
    list.SysDir[0] = '\0';
    list.SysWOW64Dir[0] = '\0';
    list.FonDir[0] = '\0';
    GetSpecialFolder(kFolderWindows, list.WinDir);
    GetSpecialFolder(kFolderSystem, list.SysDir);
    GetSpecialFolder(kFolderSystemX86, list.SysWOW64Dir);
    GetSpecialFolder(kFolderFonts, list.FonDir);
    GetSpecialFolder(kFolderLocalAppData, list.UserDir);
    GetSpecialFolder(kFolderPrograms, list.ProgramsDir);
    GetSpecialFolder(kFolderProgramData, list.ProgDataDir);
    EnsureOsNamed();
    GetSpecialFolder(kFolderCacheParent, list.TCacheParentDir);

    for (char* folder : {list.WinDir, list.SysDir, list.SysWOW64Dir, list.FonDir, list.UserDir,
                         list.ProgDataDir, list.TCacheParentDir})
    {
        AppendTrailingBackslash(folder, kPathCapacity);
    }
    list.Loaded = true;
    return true;
}
