#include "launcher_dialog.h"

#include <afxdllx.h>
#include <imm.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "edit_launcher_dialog.h"
#include "cstring_text.h"

namespace {

using namespace zv::launcher;

// The host's four arrays as the buttons edit them. Entries are as many as the
// shortest array holds: nothing past any array's end is read, and a longer
// array's surplus stays behind the entries (an entry is inserted, not appended).
class HostArrays final : public EntryStore {
 public:
  HostArrays(CStringArray* path, CStringArray* param, CStringArray* dir, CStringArray* key)
      : m_arrays{path, param, dir, key} {}

  int Count() const override {
    INT_PTR count = m_arrays[0]->GetCount();
    for (const CStringArray* array : m_arrays) count = std::min(count, array->GetCount());
    return static_cast<int>(count);
  }
  void Insert(int at, const EntryFields& fields) override {
    m_arrays[0]->InsertAt(at, ToCString(fields.path));
    m_arrays[1]->InsertAt(at, ToCString(fields.params));
    m_arrays[2]->InsertAt(at, ToCString(fields.dir));
    m_arrays[3]->InsertAt(at, CString());
  }
  void Remove(int at) override {
    for (CStringArray* array : m_arrays) array->RemoveAt(at);
  }
  void Swap(int a, int b) override {
    for (CStringArray* array : m_arrays) {
      const CString held = array->GetAt(a);
      array->SetAt(a, array->GetAt(b));
      array->SetAt(b, held);
    }
  }
  void SetFields(int at, const EntryFields& fields) override {
    m_arrays[0]->SetAt(at, ToCString(fields.path));
    m_arrays[1]->SetAt(at, ToCString(fields.params));
    m_arrays[2]->SetAt(at, ToCString(fields.dir));
  }
  void SetKey(int at, std::u16string_view key) override { m_arrays[3]->SetAt(at, ToCString(key)); }
  bool HasKey(int at) const override { return !m_arrays[3]->GetAt(at).IsEmpty(); }

 private:
  CStringArray* m_arrays[4];
};

// The shell's small icon of a file, or null: a missing file has none, and a
// path beyond the platform's limit is not handed to the shell at all.
HICON GetSmallIcon(const CString& strPath) {
  if (strPath.IsEmpty() || strPath.GetLength() >= MAX_PATH) return nullptr;
  SHFILEINFOW info = {};
  if (!::SHGetFileInfoW(strPath, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON)) return nullptr;
  return info.hIcon;
}

CString NamePart(const CString& strPath) {
  std::vector<wchar_t> dir(static_cast<size_t>(strPath.GetLength()) + 1);
  std::vector<wchar_t> name(dir.size());
  SplitPathName(strPath, dir.data(), name.data());
  return CString(name.data());
}

}  // namespace

BEGIN_MESSAGE_MAP(CLancherDlg, CDialog)
ON_BN_CLICKED(IDC_LAUNCHER_ADD, &CLancherDlg::OnBnClickedAddEntry)
ON_BN_CLICKED(IDC_LAUNCHER_DOWN, &CLancherDlg::OnBnClickedEntryDown)
ON_BN_CLICKED(IDC_LAUNCHER_EDIT, &CLancherDlg::OnBnClickedEditEntry)
ON_BN_CLICKED(IDC_LAUNCHER_UP, &CLancherDlg::OnBnClickedEntryUp)
ON_BN_CLICKED(IDC_LAUNCHER_DELETE, &CLancherDlg::OnBnClickedDeleteEntry)
ON_NOTIFY(NM_DBLCLK, IDC_LAUNCHER_LIST, &CLancherDlg::OnNmDblclkList)
ON_BN_CLICKED(IDC_LAUNCHER_ASSIGN_KEY, &CLancherDlg::OnBnClickedAssignKey)
ON_NOTIFY(LVN_ITEMCHANGED, IDC_LAUNCHER_LIST, &CLancherDlg::OnLvnItemchangedList)
END_MESSAGE_MAP()

CLancherDlg::CLancherDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CLancherDlg::~CLancherDlg() = default;

int CLancherDlg::EntryCount() const { return HostArrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey).Count(); }

BOOL CLancherDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pList = GetDlgItem(IDC_LAUNCHER_LIST);
  m_keyDefinitions = ReadKeyDefinitions(reinterpret_cast<const unsigned char*>(m_pKeyDef), m_nKeyDef);

  std::vector<int> nameWidths;
  for (const KeyDefinition& definition : m_keyDefinitions) {
    const CString strName = ToCString(definition.name);
    ::SendDlgItemMessageW(m_hWnd, IDC_LAUNCHER_KEY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strName.GetString()));
    nameWidths.push_back(StringWidth(strName));
  }
  ::SendDlgItemMessageW(m_hWnd, IDC_LAUNCHER_KEY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"無し"));
  nameWidths.push_back(StringWidth(L"無し"));
  m_nKeyColWidth = KeyColumnWidth(StringWidth(L"[]"), nameWidths);

  BuildImageList();
  m_nSelect = -1;
  UpdateKeyColumnFlag();
  List(LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(-1), LVS_EX_FULLROWSELECT);
  BuildColumns();
  SelectEntry(0);
  UpdateKeyCombo();
  return TRUE;
}

int CLancherDlg::StringWidth(LPCWSTR lpszText) const {
  return static_cast<int>(List(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(lpszText)));
}

void CLancherDlg::BuildImageList() {
  m_imageList.DeleteImageList();
  m_aIconIndex.RemoveAll();
  const int nCount = EntryCount();
  m_imageList.Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), ILC_COLOR32 | ILC_MASK, nCount,
                     nCount);
  m_imageList.SetBkColor(RGB(255, 255, 255));
  for (int i = 0; i < nCount; ++i) {
    HICON hIcon = GetSmallIcon(m_pastrPath->GetAt(i));
    if (hIcon) {
      m_aIconIndex.Add(static_cast<DWORD>(m_imageList.GetImageCount()));
      m_imageList.Add(hIcon);
      ::DestroyIcon(hIcon);
    } else {
      m_aIconIndex.Add(static_cast<DWORD>(nCount));  // no image has this index: the row shows none
    }
  }
  List(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_imageList.GetSafeHandle()));
}

void CLancherDlg::BuildColumns() {
  while (List(LVM_DELETECOLUMN, 0)) {
  }
  RECT client = {};
  m_pList->GetClientRect(&client);
  int nColumn = 0;
  for (const ColumnLayout& layout :
       Columns(m_bKeyColumn, m_nKeyColWidth, client.right - client.left, ::GetSystemMetrics(SM_CXVSCROLL))) {
    const CString strHeader = ToCString(layout.header);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = layout.width;
    column.pszText = const_cast<LPWSTR>(strHeader.GetString());
    column.iSubItem = nColumn;
    List(LVM_INSERTCOLUMNW, nColumn++, reinterpret_cast<LPARAM>(&column));
  }
  FillRows(0, EntryCount() - 1);
}

void CLancherDlg::FillRows(int nFirst, int nLast) {
  const int nRows = static_cast<int>(List(LVM_GETITEMCOUNT));
  for (int i = nFirst; i <= nLast; ++i) {
    const CString strName = NamePart(m_pastrPath->GetAt(i));
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<LPWSTR>(strName.GetString());
    item.iImage = static_cast<int>(m_aIconIndex.GetAt(i));
    List(i < nRows ? LVM_SETITEMW : LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetRowText(i, Column::kPath, m_pastrPath->GetAt(i));
    SetRowText(i, Column::kParams, m_pastrParam->GetAt(i));
    SetRowText(i, Column::kDir, m_pastrDir->GetAt(i));
    if (m_bKeyColumn) SetRowText(i, Column::kKey, m_pastrKey->GetAt(i));
  }
}

void CLancherDlg::SetRowText(int nRow, Column column, const CString& strText) {
  LVITEMW item = {};
  item.iSubItem = SubItemOf(column, m_bKeyColumn);
  item.pszText = const_cast<LPWSTR>(strText.GetString());
  List(LVM_SETITEMTEXTW, nRow, reinterpret_cast<LPARAM>(&item));
}

BOOL CLancherDlg::UpdateKeyColumnFlag() {
  const BOOL bBefore = m_bKeyColumn;
  m_bKeyColumn = ShowsKeyColumn(HostArrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey));
  return bBefore != m_bKeyColumn;
}

void CLancherDlg::UpdateKeyCombo() {
  const int nSelected = FindItem(LVNI_SELECTED);
  if (nSelected < 0 || nSelected >= EntryCount()) return;
  const CString& strKey = m_pastrKey->GetAt(nSelected);
  const size_t nRow = FindKeyIndex(m_keyDefinitions, AsUtf16(strKey, strKey.GetLength()));
  ::SendDlgItemMessageW(m_hWnd, IDC_LAUNCHER_KEY, CB_SETCURSEL, nRow, 0);
}

int CLancherDlg::FindItem(UINT nFlags) const {
  return static_cast<int>(List(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(nFlags, 0)));
}

void CLancherDlg::SelectEntry(int nIndex) {
  if (nIndex < 0 || nIndex >= static_cast<int>(List(LVM_GETITEMCOUNT))) return;
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  List(LVM_SETITEMSTATE, nIndex, reinterpret_cast<LPARAM>(&item));
  // A key that cycles through a long list must show where it landed.
  List(LVM_ENSUREVISIBLE, nIndex, FALSE);
}

void CLancherDlg::ShowChange(const ListChange& change) {
  if (change.arraysChanged) BuildImageList();
  if (change.removedRow >= 0) List(LVM_DELETEITEM, change.removedRow);
  FillRows(change.firstRow, change.lastRow);
  SelectEntry(change.select);
}

bool CLancherDlg::RunEditor(EntryFields& fields) {
  CEditLancherDlg editor;
  editor.m_strPath = ToCString(fields.path);
  editor.m_strParam = ToCString(fields.params);
  editor.m_strDir = ToCString(fields.dir);
  if (editor.DoModal() != IDOK) return false;
  fields = {std::u16string(AsUtf16(editor.m_strPath, editor.m_strPath.GetLength())),
            std::u16string(AsUtf16(editor.m_strParam, editor.m_strParam.GetLength())),
            std::u16string(AsUtf16(editor.m_strDir, editor.m_strDir.GetLength()))};
  return true;
}

void CLancherDlg::OnBnClickedAddEntry() {
  EntryFields fields;
  if (!RunEditor(fields)) return;
  HostArrays arrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey);
  ShowChange(AddEntry(arrays, fields));
}

void CLancherDlg::OnBnClickedEditEntry() {
  const int nFocused = FindItem(LVNI_FOCUSED);
  if (nFocused < 0 || nFocused >= EntryCount()) return;
  EntryFields fields{std::u16string(AsUtf16(m_pastrPath->GetAt(nFocused))),
                     std::u16string(AsUtf16(m_pastrParam->GetAt(nFocused))),
                     std::u16string(AsUtf16(m_pastrDir->GetAt(nFocused)))};
  const bool bEdited = RunEditor(fields);
  HostArrays arrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey);
  ShowChange(EditEntry(arrays, nFocused, bEdited ? &fields : nullptr));
}

void CLancherDlg::OnBnClickedDeleteEntry() {
  HostArrays arrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey);
  ShowChange(DeleteEntry(arrays, FindItem(LVNI_FOCUSED)));
}

void CLancherDlg::OnBnClickedEntryUp() {
  HostArrays arrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey);
  ShowChange(MoveEntry(arrays, FindItem(LVNI_FOCUSED), -1));
}

void CLancherDlg::OnBnClickedEntryDown() {
  HostArrays arrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey);
  ShowChange(MoveEntry(arrays, FindItem(LVNI_FOCUSED), 1));
}

void CLancherDlg::OnBnClickedAssignKey() {
  const int nFocused = FindItem(LVNI_FOCUSED);
  const int nRow = static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_LAUNCHER_KEY, CB_GETCURSEL, 0, 0));
  HostArrays arrays(m_pastrPath, m_pastrParam, m_pastrDir, m_pastrKey);
  if (!AssignKey(arrays, m_keyDefinitions, nFocused, nRow)) return;
  if (UpdateKeyColumnFlag()) BuildColumns();
  if (m_bKeyColumn) SetRowText(nFocused, Column::kKey, m_pastrKey->GetAt(nFocused));
}

void CLancherDlg::OnNmDblclkList(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  OnOK();
}

void CLancherDlg::OnLvnItemchangedList(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
  if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_FOCUSED)) UpdateKeyCombo();
  *pResult = 0;
}

void CLancherDlg::OnOK() {
  const int nFocused = FindItem(LVNI_FOCUSED);
  if (nFocused < 0) {
    MessageBox(L"実行ファイルが選択されていません");
    return;
  }
  m_nSelect = nFocused;
  EndDialog(IDOK);
}

BOOL CLancherDlg::PreTranslateMessage(MSG* pMsg) {
  const bool bKeyDown = pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN;
  if (!bKeyDown || !m_pList || ::GetFocus() != m_pList->m_hWnd) return CDialog::PreTranslateMessage(pMsg);
  // An input method holds the key: the key it stands for is asked of it.
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_PROCESSKEY) pMsg->wParam = ::ImmGetVirtualKey(pMsg->hwnd);

  const int nCount = EntryCount();
  std::vector<std::u16string_view> keys;
  keys.reserve(static_cast<size_t>(nCount));
  for (int i = 0; i < nCount; ++i) {
    const CString& strKey = m_pastrKey->GetAt(i);
    keys.push_back(AsUtf16(strKey, strKey.GetLength()));
  }
  const KeyPress press =
      ChooseByKey(m_keyDefinitions, keys, FindItem(LVNI_SELECTED), static_cast<std::uint32_t>(pMsg->wParam));
  if (press.action == KeyPress::Action::kPass) return CDialog::PreTranslateMessage(pMsg);
  SelectEntry(press.entry);
  if (press.action == KeyPress::Action::kRun) {
    m_nSelect = press.entry;
    EndDialog(IDOK);
  } else {
    UpdateKeyCombo();
  }
  return TRUE;
}

int WINAPI OnLancher(CStringArray* pastrPath, CStringArray* pastrParam, CStringArray* pastrDir, CStringArray* pastrKey,
                     int nKeyDef, const KEYASSIGN* pKeyDef) noexcept {
  return ExportBoundary<int>(-1, [&]() -> int {
    // Every entry is an element of all four arrays: without one of them there are none to show.
    if (!pastrPath || !pastrParam || !pastrDir || !pastrKey) return -1;
    CLancherDlg dialog;
    dialog.m_pastrPath = pastrPath;
    dialog.m_pastrParam = pastrParam;
    dialog.m_pastrDir = pastrDir;
    dialog.m_pastrKey = pastrKey;
    dialog.m_nKeyDef = pKeyDef ? nKeyDef : 0;
    dialog.m_pKeyDef = pKeyDef;
    return dialog.DoModal() == IDOK ? dialog.m_nSelect : -1;
  });
}
