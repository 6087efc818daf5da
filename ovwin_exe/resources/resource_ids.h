// Identifiers of the launcher's own resources, shared by the resource script
// and the code that loads them.
#pragma once

#define IDS_ELEVATE_PROMPT 122
#define IDS_DIALOG_CAPTION 123
#define IDS_ERROR_HEADING 124
#define IDS_CRITICAL_FAILURE 125

#define IDB_ELEVATION_SHIELD 2002
#define IDB_SPLASH_BACKGROUND 2011

#define IDC_VERIFY_TEXT 401
#define IDC_SHIELD_PICTURE 1000
#define IDC_ELEVATE_BUTTON 1007
#define IDC_CANCEL_BUTTON 1008
