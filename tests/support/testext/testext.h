// Resource ids shared by the test extension DLL and the test host: the same
// numbers on both sides, different texts, so a test sees whose resource it got.
#pragma once

#define IDD_SAME_ID 131
#define IDS_SAME_ID 7001
#define IDC_WHOSE_TEXT 1001
