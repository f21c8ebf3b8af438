// The host's binding of the library's exports: looked up by undecorated name,
// as the file manager does.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <afxcoll.h>

#include "cpl_record.h"
#include "launcher_dialog.h"
#include "dirtree_param.h"
#include "print_param.h"
#include "colour_tables.h"
#include "tag_record.h"

struct ZvDllExports {
  void(WINAPI* DisableWow64FsRedirection)();
  void(WINAPI* RevertWow64FsRedirection)();
  void(WINAPI* ZvCmpBinaryDlg)(LPCWSTR curDir, LPCWSTR file1, LPCWSTR file2);
  void(WINAPI* ZvPrintTextDlg)(PRINTTEXTPARAM* param);
  int(WINAPI* ReadMpegTagData)(FILEENTRY* entry, MPEGAUDIOINFO* info);
  int(WINAPI* WriteMpegTagData)(const FILEENTRY* work, FILEENTRY* entry);
  INT_PTR(WINAPI* ZvTagMakeDlg)(int allAtOnce, CFileEntryArray* files);
  void(WINAPI* OnCdplay)(int* random, int* repeat, int* state);
  void(WINAPI* OnCdCommand)(UINT command);
  void(WINAPI* OnCdrandom)(int* flag);
  void(WINAPI* OnCdrepeat)(int* flag);
  void(WINAPI* CloseCdPlay)(void* unused);
  void(WINAPI* OnMciCdVolume)(int step);
  void(WINAPI* OnCdPlaydef)(int* random, int* repeat, int* state);
  int(WINAPI* ZvGetCplAllData)(CplAllData* records, int capacity, BOOL confirm, const CStringArray* excluded);
  void(WINAPI* OnSetNonLoadCpl)(CStringArray* list);
  int(WINAPI* OnLancher)(CStringArray* paths, CStringArray* params, CStringArray* dirs, CStringArray* keys, int keyDefs,
                         const KEYASSIGN* keyDef);
  int(WINAPI* ZvDirTreeDlg)(DIRTREEPARAM* param);
  void(WINAPI* OnAttcolor)(COLORREF* colours, BOOL* dirNoAttr);
  void(WINAPI* OnBinarycolor)(COLORREF* colours, BOOL* use);
  void(WINAPI* OnKindcolor)(zv::settings::KindColour* kinds, BOOL* use);
  void(WINAPI* OnSetwallpaper)(LPCWSTR path);
  void(WINAPI* OnDebug)(int* switches, int* debugMode);
  void(WINAPI* SetToTaskTray)(HWND window, UINT mode, UINT key);
  void(WINAPI* ReleaseToTaskTray)();
};

// Loads ZvDll.dll (from beside the host unless a path is given) and binds every
// export above. On failure returns null and says in `error` what is missing.
HMODULE LoadZvDll(ZvDllExports& exports, std::wstring& error, const wchar_t* path = L"ZvDll.dll");
