// Resource ids of the launcher's list dialog and entry editor, read by the
// resource compiler, the dialogs and their tests alike.
#pragma once

#define IDD_LAUNCHER 133
#define IDD_EDIT_LAUNCHER 134

// The list dialog; 実行 and ｷｬﾝｾﾙ are IDOK and IDCANCEL.
#define IDC_LAUNCHER_EDIT 3
#define IDC_LAUNCHER_ADD 4
#define IDC_LAUNCHER_UP 5
#define IDC_LAUNCHER_DOWN 6
#define IDC_LAUNCHER_DELETE 7
#define IDC_LAUNCHER_ASSIGN_KEY 8
#define IDC_LAUNCHER_LIST 1003
#define IDC_LAUNCHER_KEY 1007

// The entry editor; its 参照 buttons share the numbers 4 to 6 of the list's.
#define IDC_EDIT_LAUNCHER_BROWSE_PATH 4
#define IDC_EDIT_LAUNCHER_BROWSE_PARAM 5
#define IDC_EDIT_LAUNCHER_BROWSE_DIR 6
#define IDC_EDIT_LAUNCHER_PATH 1004
#define IDC_EDIT_LAUNCHER_PARAM 1005
#define IDC_EDIT_LAUNCHER_DIR 1006
