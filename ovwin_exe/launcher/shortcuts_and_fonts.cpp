#include "launcher/shortcuts_and_fonts.h"

const ShortcutSpec kBriselShortcut = {"Altavy Brisel.LNK", "-i", "Altavy Brisel OV"};
const ShortcutSpec kDiagnosticModeShortcut = {"Altavy Brisel (Diagnostic Mode).LNK", "-d -i",
                                              "Starts the Brisel OV launcher program in diagnostic mode."};
const ShortcutSpec kClearUsersShortcut = {
    "Altavy Brisel (Clear Users).LNK", "-i CLEAR",
    "Starts the Brisel OV launcher program and force clears all active users from the system."};

const char* const kFontFiles[kFontFileCount] = {
    "Fonts\\Oskelt Narrow Normal.ttf",
    "Fonts\\oskeltnarrowbold.ttf",
    "Fonts\\Oskeltnarrowsemibold.ttf",
    "Fonts\\CODE128W.ttf",
};
