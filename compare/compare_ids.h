// Dialog 131 and its controls, for the resource script, the dialog and the tests.
#pragma once

#define IDD_CMP_BINARY 131
#define IDC_CMP_FILE1 1025
#define IDC_CMP_BROWSE1 1026
#define IDC_CMP_FILE2 1027
#define IDC_CMP_BROWSE2 1028
#define IDC_CMP_OUTFILE 1029
#define IDC_CMP_BROWSE_OUT 1030
#define IDC_CMP_MAXOUTPUT 1031
#define IDC_CMP_NOLIMIT 1032
#define IDC_CMP_DECIMAL 1033
#define IDC_CMP_HEX 1034
#define IDC_CMP_STOP 1035
#define IDC_CMP_PROGRESS 1036
#define IDC_CMP_PERCENT 1037
