#include "launcher/shortcuts_and_fonts.h"

#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"

#include <windows.h>

void RegisterFonts()
{
    // The package installs the fonts into the Windows Fonts folder; what
    // AddFontResourceA adds lasts until the user logs off, so every start
    // adds them again.
    for (const char* font : kFontFiles)
    {
        char path[kPathCapacity];
        CopyToBuffer(path, sizeof(path), KnownFoldersList.WinDir);
        if (AppendToBuffer(path, sizeof(path), font))
        {
            AddFontResourceA(path);
        }
    }
}
