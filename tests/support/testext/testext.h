// Ids of the test resources. The test extension DLL and the test host both
// have a dialog IDD_PROBE, so a test sees whose resource it got.
#pragma once

#define IDD_PROBE 200
#define IDC_NAME 1001
#define IDC_COUNT 1002
#define IDC_FLAG 1003
#define IDC_KIND1 1004
