// Dialog 132 and its controls, for the resource script, the dialog and the tests.
#pragma once

#define IDD_NON_LOAD_CPL 132
// Entry 0's edit and 参照 button, then entries 1 to 9's edits and buttons.
#define IDC_CPL_FILE0 1001
#define IDC_CPL_REF0 1002
#define IDC_CPL_FILE1 1006
#define IDC_CPL_FILE2 1007
#define IDC_CPL_FILE3 1008
#define IDC_CPL_FILE4 1009
#define IDC_CPL_FILE5 1010
#define IDC_CPL_FILE6 1011
#define IDC_CPL_FILE7 1012
#define IDC_CPL_FILE8 1013
#define IDC_CPL_FILE9 1014
#define IDC_CPL_REF1 1015
#define IDC_CPL_REF2 1016
#define IDC_CPL_REF3 1017
#define IDC_CPL_REF4 1018
#define IDC_CPL_REF5 1019
#define IDC_CPL_REF6 1020
#define IDC_CPL_REF7 1021
#define IDC_CPL_REF8 1022
#define IDC_CPL_REF9 1023
