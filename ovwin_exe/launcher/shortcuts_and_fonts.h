// The launcher's shortcuts (in the start menu and beside the launcher) and
// the product's fonts, made available to the user's programs at every start.
#pragma once

// A shortcut that starts the launcher with fixed switches and engine
// commands, in the launcher's folder, with the launcher's icon.
struct ShortcutSpec
{
    const char* LinkName;
    const char* Arguments;
    const char* Description;
};

// In the start-menu folder "Altavy Solutions".
extern const ShortcutSpec kBriselShortcut;
// In its "Diagnostics" folder and beside the launcher.
extern const ShortcutSpec kDiagnosticModeShortcut;
// Beside the launcher.
extern const ShortcutSpec kClearUsersShortcut;

// The font files below the Windows folder, registered in this order.
constexpr int kFontFileCount = 4;
extern const char* const kFontFiles[kFontFileCount];

// Writes the shortcuts that are missing, or all of them in repair mode:
// false when one that was due could not be written (the others are still
// tried).
bool CreateHelperShortcuts();

// Saves a link to the launcher at linkPath: true when it was saved.
[[nodiscard]] bool CreateShortcut(const char* linkPath, const char* arguments, const char* description);

// Adds each font file for this logon session. A missing file adds nothing;
// nothing is reported either way.
void RegisterFonts();
