// The launcher: the host's programs in a list with their icons and keys, edited
// in place in the host's four arrays, and the one to run picked by 実行, a
// double click or the entry's key.
#pragma once

#include <afxwin.h>
#include <afxcmn.h>
#include <afxcoll.h>

#include <cstddef>
#include <vector>

#include "launcher_ids.h"
#include "launcher_list.h"

// The host's table of assignable keys: 6624 bytes a record.
struct KEYASSIGN {
  DWORD nKey;          // virtual-key code
  WCHAR szName[3310];  // NUL-terminated
};
static_assert(sizeof(KEYASSIGN) == zv::launcher::kKeyRecordSize);
static_assert(offsetof(KEYASSIGN, szName) == zv::launcher::kKeyNameOffset);

class CLancherDlg : public CDialog {
 public:
  enum { IDD = IDD_LAUNCHER };

  explicit CLancherDlg(CWnd* pParent = nullptr);
  ~CLancherDlg() override;

  BOOL PreTranslateMessage(MSG* pMsg) override;

  CStringArray* m_pastrPath = nullptr;
  CStringArray* m_pastrParam = nullptr;
  CStringArray* m_pastrDir = nullptr;
  int m_nSelect = -1;
  CStringArray* m_pastrKey = nullptr;
  int m_nKeyDef = 0;
  const KEYASSIGN* m_pKeyDef = nullptr;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnBnClickedAddEntry();
  void OnBnClickedEntryDown();
  void OnBnClickedEditEntry();
  void OnBnClickedEntryUp();
  void OnBnClickedDeleteEntry();
  void OnNmDblclkList(NMHDR* pNMHDR, LRESULT* pResult);
  void OnBnClickedAssignKey();
  void OnLvnItemchangedList(NMHDR* pNMHDR, LRESULT* pResult);

  DECLARE_MESSAGE_MAP()

 private:
  int EntryCount() const;
  void BuildImageList();
  void BuildColumns();
  void FillRows(int nFirst, int nLast);
  void SetRowText(int nRow, zv::launcher::Column column, const CString& strText);
  BOOL UpdateKeyColumnFlag();
  void UpdateKeyCombo();
  int FindItem(UINT nFlags) const;
  void SelectEntry(int nIndex);
  void ShowChange(const zv::launcher::ListChange& change);
  // 追加 and 編集: the editor on fields; true with the edited fields on OK.
  bool RunEditor(zv::launcher::EntryFields& fields);
  int StringWidth(LPCWSTR lpszText) const;
  LRESULT List(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_pList->m_hWnd, message, wParam, lParam);
  }

  CImageList m_imageList;
  CWnd* m_pList = nullptr;
  CDWordArray m_aIconIndex;
  BOOL m_bKeyColumn = FALSE;
  int m_nKeyColWidth = 0;
  std::vector<zv::launcher::KeyDefinition> m_keyDefinitions;
};

// Shows the launcher on the host's arrays of paths, parameters, working folders
// and key names, and its nKeyDef key definitions. The index of the entry to run,
// or -1; the arrays keep every edit either way.
extern "C" int WINAPI OnLancher(CStringArray* pastrPath, CStringArray* pastrParam, CStringArray* pastrDir,
                                CStringArray* pastrKey, int nKeyDef, const KEYASSIGN* pKeyDef) noexcept;
