// The applet list: the host's records filled from the system directory's
// applet files, and the dialog of applet files not to load.
#pragma once

#include <afxcoll.h>

#include "cpl_record.h"

// The operating-system variant (0 to 5) of the cached version record.
int GetOsVariant();

// Loads one applet file and asks it for its name and description; true when
// info then holds a name. The library is freed again before returning.
bool LoadAppletInfo(LPCWSTR lpszFile, NEWCPLINFOW* info);

extern "C" {
// Writes one record per applet file of the system directory, at most nCapacity,
// and returns how many it wrote. Leaves the system directory current.
int WINAPI ZvGetCplAllData(CplAllData* pRecords, int nCapacity, BOOL bConfirm, const CStringArray* pExcluded) noexcept;
// Lets the user edit the host's ten excluded applet files.
void WINAPI OnSetNonLoadCpl(CStringArray* pList) noexcept;
}
