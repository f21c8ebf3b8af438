// The frame's resources: the debug dialog 119 with its controls, and the tray icon.
#pragma once

#define IDD_DEBUG 119
#define IDC_DEBUG_MODE 1000
#define IDC_DEBUG_SWITCHES 1206

#define IDI_TRAY 406
