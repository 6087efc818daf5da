#include "launcher/shortcuts_and_fonts.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/file_system.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"
#include "launcher/launch_options.h"
#include "launcher/launcher_identity.h"

#include <windows.h>

#include <shlobj.h>

namespace
{
// The description of a call's result for a developer line, built only when
// such lines are written: the look-up of a code without a text counts as an
// error of its own.
const char* DescribeForDeveloper(HRESULT result, char* description, std::size_t capacity)
{
    description[0] = '\0';
    if (LogLevel < kLogDeveloper)
    {
        return description;
    }
    return FormatErrorString(static_cast<uint32_t>(result), description, capacity, kErrorKindHResult);
}

const char* Describe(HRESULT result, char* description, std::size_t capacity)
{
    return FormatErrorString(static_cast<uint32_t>(result), description, capacity, kErrorKindHResult);
}

void ConvertToWChar(const char* text, wchar_t* destination, std::size_t capacity)
{
    FunctionTrace trace("ConvertToWChar");
    DebugLogAt(kLogDeveloper, "ConvertToWChar: Multi-byte. destsize=%llu",
               static_cast<unsigned long long>(capacity));
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, destination, static_cast<int>(capacity)) == 0)
    {
        destination[0] = L'\0'; // the save then fails and says so
    }
}

// A folder of the start menu, one level: its parent is the user's.
void CreateFolderIfMissing(const char* folder)
{
    if (!DirectoryExists(folder))
    {
        CreateDirectoryA(folder, nullptr);
    }
}

// An existing link is left as it is, whatever it holds, unless the start
// repairs.
bool EnsureShortcut(const char* folder, const ShortcutSpec& shortcut)
{
    char linkPath[kPathCapacity];
    if (FormatToBuffer(linkPath, sizeof(linkPath), "%s\\%s", folder, shortcut.LinkName) < 0)
    {
        ErrorLog(
            "CreateShortcut: The shortcut \"%s\" in \"%s\" would have a path longer than 259 characters; "
            "it is not created.",
            shortcut.LinkName, folder);
        return false;
    }
    if (FileExist(linkPath) == 1 && !LaunchOptions.RepairMode.Set)
    {
        return true;
    }
    return CreateShortcut(linkPath, shortcut.Arguments, shortcut.Description);
}
} // namespace

bool CreateHelperShortcuts()
{
    bool result = true;
    DebugLogText("CreateHelperShortcuts: Checking/creating start menu shortcuts...");
    {
        LogDepthScope startMenu;
        CreateFolderIfMissing(KnownFoldersList.ProgramsDir);
        result = EnsureShortcut(KnownFoldersList.ProgramsDir, kBriselShortcut) && result;
        char diagnostics[kPathCapacity];
        FormatToBuffer(diagnostics, sizeof(diagnostics), "%s\\Diagnostics", KnownFoldersList.ProgramsDir);
        CreateFolderIfMissing(diagnostics);
        result = EnsureShortcut(diagnostics, kDiagnosticModeShortcut) && result;
    }
    DebugLogText("CreateHelperShortcuts: Checking/creating helper shortcuts...");
    LogDepthScope helpers;
    // The launcher's folder ends with a backslash: the doubled one before the
    // link's name is read as one.
    result = EnsureShortcut(KnownFoldersList.CurrDir, kDiagnosticModeShortcut) && result;
    result = EnsureShortcut(KnownFoldersList.CurrDir, kClearUsersShortcut) && result;
    return result;
}

bool CreateShortcut(const char* linkPath, const char* arguments, const char* description)
{
    DebugLog("CreateShortcut: Creating shortcut \"%s\" pointing to \"%s\" (\"%s\").", linkPath, ModulePath,
             description);
    LogDepthScope body;
    char resultText[kErrorTextCapacity];
    ComInterface<IShellLinkA> link;
    const HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                             reinterpret_cast<void**>(link.Receive()));
    if (FAILED(created))
    {
        ErrorLog("CreateShortcut: Unable to create instance of IShellLink; %s",
                 Describe(created, resultText, sizeof(resultText)));
        return false;
    }
    DeveloperLogText("CreateShortcut: CoCreateInstance for CLSID_ShellLink returned SUCCESS.");

    char target[kPathCapacity];
    char folder[kPathCapacity];
    char descriptionText[kShortcutTextCapacity];
    char argumentText[kShortcutTextCapacity];
    TraceBlockEntry("#if defined(UNICODE) == FALSE");
    CopyToBuffer(target, sizeof(target), ModulePath);
    CopyToBuffer(folder, sizeof(folder), WorkingFolder);
    CopyToBuffer(descriptionText, sizeof(descriptionText), description);
    CopyToBuffer(argumentText, sizeof(argumentText), arguments);
    TraceBlockExit("#if defined(UNICODE)");

    // A property that cannot be set leaves a link that is still worth saving.
    IShellLinkA* const shell = link.Get();
    HRESULT set = shell->SetPath(target);
    DebugLogAt(kLogDeveloper, "CreateShortcut: Call to psl->SetPath(\"%s\") result: %s", target,
               DescribeForDeveloper(set, resultText, sizeof(resultText)));
    set = shell->SetWorkingDirectory(folder);
    DebugLogAt(kLogDeveloper, "CreateShortcut: Call to psl->SetWorkingDirectory(\"%s\") result: %s", folder,
               DescribeForDeveloper(set, resultText, sizeof(resultText)));
    set = shell->SetDescription(descriptionText);
    DebugLogAt(kLogDeveloper, "CreateShortcut: Call to psl->SetDescription(\"%s\") result: %s",
               descriptionText, DescribeForDeveloper(set, resultText, sizeof(resultText)));
    set = shell->SetArguments(argumentText);
    DebugLogAt(kLogDeveloper, "CreateShortcut: Call to psl->SetArguments(\"%s\") result: %s", argumentText,
               DescribeForDeveloper(set, resultText, sizeof(resultText)));
    set = shell->SetIconLocation(target, 0);
    DebugLogAt(kLogDeveloper, "CreateShortcut: Call to psl->SetIconLocation(\"%s\", 0) result: %s", target,
               DescribeForDeveloper(set, resultText, sizeof(resultText)));

    ComInterface<IPersistFile> file;
    const HRESULT queried = shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()));
    if (FAILED(queried))
    {
        ErrorLog("CreateShortcut: Unable to query interface IPersistFile from IShellLink; %s",
                 Describe(queried, resultText, sizeof(resultText)));
        return false;
    }
    wchar_t widePath[kPathCapacity];
    ConvertToWChar(linkPath, widePath, kPathCapacity);
    const HRESULT saved = file.Get()->Save(widePath, TRUE);
    if (FAILED(saved))
    {
        ErrorLog("CreateShortcut: Call to IPersistFile::Save failed; %s",
                 Describe(saved, resultText, sizeof(resultText)));
        return false;
    }
    DebugLogText("CreateShortcut: Shortcut created successfully.");
    return true;
}
