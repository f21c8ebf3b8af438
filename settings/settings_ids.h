// The display settings dialogs' template and control ids: read by windres for
// resources/settings.rc and by the dialogs' code and tests.
#pragma once

#define IDD_ATT_COLOR 106
#define IDD_BINARY_COLOR 109
#define IDD_WALLPAPER 172
#define IDD_KIND_COLOR 173

// Display colours: the twenty swatches in the order of the host's array, and the option.
#define IDC_ATT_READONLY 1708
#define IDC_ATT_SYSTEM 1914
#define IDC_ATT_DIRECTORY 1231
#define IDC_ATT_HIDDEN 1437
#define IDC_ATT_ARCHIVE 1038
#define IDC_ATT_BACKGROUND 1065
#define IDC_ATT_INFO_GROUP 1448
#define IDC_ATT_INFO_NAME 1449
#define IDC_ATT_TIME 1934
#define IDC_ATT_INFO_DATA 1447
#define IDC_ATT_ALARM 1017
#define IDC_ATT_TAG 1926
#define IDC_ATT_OUTLINE 1512
#define IDC_ATT_VIEWER_TEXT 1985
#define IDC_ATT_VIEWER_CONTROL 1986
#define IDC_ATT_VIEWER_LINES 1987
#define IDC_ATT_BINARY_DIFF 1082
#define IDC_ATT_MPEG 1585
#define IDC_ATT_PREVIEW_BACK 1586
#define IDC_ATT_PREVIEW_SELECT 1587
#define IDC_ATT_DIR_NO_ATTR 1005

// Binary view colours.
#define IDC_BIN_VALUES 1643
#define IDC_BIN_SWATCH 1166
#define IDC_BIN_CHOOSE 1822
#define IDC_BIN_USE 1969

// Colours by extension: the ten slots' edits and swatches (slot 9's are out of
// numeric order), paging and the option.
#define IDC_KIND_EDIT0 1329
#define IDC_KIND_EDIT1 1331
#define IDC_KIND_EDIT2 1332
#define IDC_KIND_EDIT3 1333
#define IDC_KIND_EDIT4 1334
#define IDC_KIND_EDIT5 1335
#define IDC_KIND_EDIT6 1336
#define IDC_KIND_EDIT7 1337
#define IDC_KIND_EDIT8 1338
#define IDC_KIND_EDIT9 1330
#define IDC_KIND_SWATCH0 1468
#define IDC_KIND_SWATCH1 1470
#define IDC_KIND_SWATCH2 1471
#define IDC_KIND_SWATCH3 1472
#define IDC_KIND_SWATCH4 1473
#define IDC_KIND_SWATCH5 1474
#define IDC_KIND_SWATCH6 1475
#define IDC_KIND_SWATCH7 1476
#define IDC_KIND_SWATCH8 1477
#define IDC_KIND_SWATCH9 1469
#define IDC_KIND_BEFORE 1071
#define IDC_KIND_NEXT 1608
#define IDC_KIND_USE 1006

// Wallpaper.
#define IDC_WP_FILE 1999
#define IDC_WP_CENTRE 1123
#define IDC_WP_TILE 1029
#define IDC_WP_STRETCH 1030
#define IDC_WP_ORIGIN 1834
#define IDC_WP_X 1899
#define IDC_WP_Y 1900
