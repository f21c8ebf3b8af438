// Ids of the test host's resources. 131 and 7001 deliberately equal the test
// extension DLL's, with other texts.
#pragma once

#include "../support/testext/testext.h"

#define IDD_PROBE 200
#define IDC_NAME 1001
#define IDC_COUNT 1002
#define IDC_FLAG 1003
#define IDC_KIND1 1004
#define IDC_KIND2 1005
#define IDC_KIND3 1006
#define IDC_AFTER 1007
#define IDC_RUN 1008
