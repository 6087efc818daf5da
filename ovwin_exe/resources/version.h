// The launcher's identity: the one place its version numbers and the strings
// of its version resource are written down.
#pragma once

#define OVWIN_VERSION_MAJOR 1
#define OVWIN_VERSION_MINOR 0
#define OVWIN_VERSION_BUILD 3
#define OVWIN_VERSION_REVISION 12

#define OVWIN_STRINGIFY_(x) #x
#define OVWIN_STRINGIFY(x) OVWIN_STRINGIFY_(x)
#define OVWIN_VERSION_TEXT                                                                                   \
    OVWIN_STRINGIFY(OVWIN_VERSION_MAJOR)                                                                     \
    "." OVWIN_STRINGIFY(OVWIN_VERSION_MINOR) "." OVWIN_STRINGIFY(OVWIN_VERSION_BUILD) "." OVWIN_STRINGIFY(   \
        OVWIN_VERSION_REVISION)

#define OVWIN_COMPANY_NAME "Altavy Solutions Inc."
#define OVWIN_PRODUCT_NAME "Orvanta Brisel"
#define OVWIN_FILE_DESCRIPTION "OVWin Launcher"
#define OVWIN_LEGAL_COPYRIGHT "Copyright (C) 2026 Altavy Solutions Inc. All rights reserved."
#define OVWIN_ORIGINAL_FILENAME "ovwin64.exe"
