// The host's applet record, one per applet file, in an array the host owns.
#pragma once

#include <windows.h>
#include <cpl.h>  // NEWCPLINFOW, packed to 1 byte

#include <cstddef>

struct CplAllData {
  WCHAR szFileName[MAX_PATH];  // as the directory search spells it, no folder
  NEWCPLINFOW info;
  DWORD dwFlag;  // 1: from a table row of a file its table lists more than once
};
static_assert(sizeof(NEWCPLINFOW) == 476 && offsetof(NEWCPLINFOW, lData) == 12, "NEWCPLINFOW must be packed");
static_assert(offsetof(CplAllData, info) == 520 && offsetof(CplAllData, info.szName) == 548 &&
              offsetof(CplAllData, info.szInfo) == 612 && offsetof(CplAllData, dwFlag) == 996 &&
              sizeof(CplAllData) == 1000);
