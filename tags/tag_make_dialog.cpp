#include "tag_make_dialog.h"

#include <afxdllx.h>

#include <algorithm>
#include <iterator>
#include <optional>

#include "zvutil.h"

namespace {

using namespace zv::tags;

// The controls of the form's fields, in its order, and their ticks.
constexpr int kFieldControls[kFormFields] = {
    IDC_TAG_TITLE,       IDC_TAG_ARTIST,        IDC_TAG_ALBUM,          IDC_TAG_YEAR,
    IDC_TAG_GENRE,       IDC_TAG_COMMENT,       IDC_TAG_INFO_NAME,      IDC_TAG_INFO_ARTIST,
    IDC_TAG_INFO_ALBUM,  IDC_TAG_INFO_YEAR,     IDC_TAG_INFO_GENRE,     IDC_TAG_INFO_COMMENT,
    IDC_TAG_INFO_SOURCE, IDC_TAG_INFO_SOFTWARE, IDC_TAG_INFO_COPYRIGHT, IDC_TAG_INFO_ENGINEER};
constexpr int kFieldTicks[kFormFields] = {
    IDC_TAG_USE_TITLE,       IDC_TAG_USE_ARTIST,        IDC_TAG_USE_ALBUM,          IDC_TAG_USE_YEAR,
    IDC_TAG_USE_GENRE,       IDC_TAG_USE_COMMENT,       IDC_TAG_USE_INFO_NAME,      IDC_TAG_USE_INFO_ARTIST,
    IDC_TAG_USE_INFO_ALBUM,  IDC_TAG_USE_INFO_YEAR,     IDC_TAG_USE_INFO_GENRE,     IDC_TAG_USE_INFO_COMMENT,
    IDC_TAG_USE_INFO_SOURCE, IDC_TAG_USE_INFO_SOFTWARE, IDC_TAG_USE_INFO_COPYRIGHT, IDC_TAG_USE_INFO_ENGINEER};

// The radio of each tag kind, by kind.
constexpr int kKindRadios[] = {IDC_TAG_KIND_NONE, IDC_TAG_KIND_ID3, IDC_TAG_KIND_INFO, IDC_TAG_KIND_BOTH};

// What only a RIFF file can carry.
constexpr int kRiffOnlyControls[] = {
    IDC_TAG_KIND_INFO,      IDC_TAG_KIND_BOTH,     IDC_TAG_INFO_NAME,    IDC_TAG_INFO_ARTIST, IDC_TAG_INFO_ALBUM,
    IDC_TAG_INFO_YEAR,      IDC_TAG_INFO_GENRE,    IDC_TAG_INFO_COMMENT, IDC_TAG_INFO_SOURCE, IDC_TAG_INFO_SOFTWARE,
    IDC_TAG_INFO_COPYRIGHT, IDC_TAG_INFO_ENGINEER, IDC_TAG_COPY_TO_INFO, IDC_TAG_COPY_TO_ID3,
};

CString FullPath(const FILEENTRY& entry) {
  CString path;
  path.Format(L"%s\\%s", entry.szDir, entry.findData.cFileName);
  return path;
}

CString FailureMessage(LPCWSTR lpszDir, LPCWSTR lpszName, LPCWSTR lpszWhat) {
  CString message;
  message.Format(L"%s\\%s%s", lpszDir, lpszName, lpszWhat);
  return message;
}

}  // namespace

BEGIN_MESSAGE_MAP(CTagMakeDlg, CDialog)
ON_BN_CLICKED(IDC_TAG_PREVIOUS, &CTagMakeDlg::OnPrevious)
ON_BN_CLICKED(IDC_TAG_SKIP, &CTagMakeDlg::OnSkip)
ON_BN_CLICKED(IDC_TAG_COPY_TO_INFO, &CTagMakeDlg::OnCopyToInfo)
ON_BN_CLICKED(IDC_TAG_COPY_TO_ID3, &CTagMakeDlg::OnCopyToId3)
ON_BN_CLICKED(IDC_TAG_COPY_FROM_FILE, &CTagMakeDlg::OnCopyFromFile)
END_MESSAGE_MAP()

CTagMakeDlg::CTagMakeDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CTagMakeDlg::~CTagMakeDlg() = default;

void CTagMakeDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_TAG_ALBUM, m_strAlbum);
  DDV_MaxChars(pDX, m_strAlbum, 30);
  DDX_Text(pDX, IDC_TAG_ARTIST, m_strArtist);
  DDV_MaxChars(pDX, m_strArtist, 30);
  DDX_Text(pDX, IDC_TAG_COMMENT, m_strComment);
  DDV_MaxChars(pDX, m_strComment, 30);
  DDX_Text(pDX, IDC_TAG_FILENAME, m_strFileName);
  DDX_Text(pDX, IDC_TAG_YEAR, m_strYear);
  DDV_MaxChars(pDX, m_strYear, 4);
  DDX_Text(pDX, IDC_TAG_TITLE, m_strTitle);
  DDV_MaxChars(pDX, m_strTitle, 30);
}

BOOL CTagMakeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  for (int nUse = IDC_TAG_USE_ALBUM; nUse <= IDC_TAG_USE_INFO_SOURCE; ++nUse) {
    if (m_bAllAtOnce) {
      CheckDlgButton(nUse, BST_CHECKED);
    } else {
      ::EnableWindow(::GetDlgItem(m_hWnd, nUse), FALSE);
    }
  }

  m_nIndex = 0;
  for (std::size_t i = 0; i < kGenreListSize; ++i) {
    // The list's names are literals, so their views end in a NUL.
    SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GenreListName(i).data()));
  }

  if (m_bAllAtOnce) {
    ShowAllAtOnce();
    if (FileCount() == 0) EndDialog(IDOK);
  } else {
    LoadCurrentFile();
  }
  return TRUE;
}

INT_PTR CTagMakeDlg::FileCount() const { return m_pFiles ? m_pFiles->GetCount() : 0; }

FILEENTRY& CTagMakeDlg::File(INT_PTR nIndex) const { return *m_pFiles->GetAt(nIndex); }

void CTagMakeDlg::ShowAllAtOnce() {
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_TAG_PREVIOUS), FALSE);
  SetDlgItemText(IDC_TAG_FULLPATH, L"");
  SetDlgItemText(IDC_TAG_FILENAME, L"選択ファイル");
  EnableRiffControls(TRUE);
  CheckKind(TAGKIND_ID3V1);
  for (int nId : {IDC_TAG_OTHER_FILES, IDC_TAG_COPY_FROM_FILE, IDC_TAG_SKIP}) {
    ::EnableWindow(::GetDlgItem(m_hWnd, nId), FALSE);
  }
  SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_SETCURSEL, 0, 0);
}

void CTagMakeDlg::LoadCurrentFile() {
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_TAG_PREVIOUS), m_nIndex != 0);
  if (m_nIndex < 0) m_nIndex = 0;
  if (m_nIndex >= FileCount()) {
    EndDialog(IDOK);
    return;
  }

  FILEENTRY& entry = File(m_nIndex);
  SetDlgItemText(IDC_TAG_FULLPATH, FullPath(entry));
  SetDlgItemText(IDC_TAG_FILENAME, entry.findData.cFileName);
  EnableRiffControls(EnablesRiffControls(entry.findData.cFileName));

  if (!entry.bTagRead && !ReadMpegTagData(&entry, nullptr)) {
    FillOtherFiles();
    MessageBox(FailureMessage(entry.szDir, entry.findData.cFileName, L"の読み込みに失敗しました"));
    CheckKind(0);
    return;
  }
  if (const auto radio = KindRadio(entry.nTagKind)) CheckKind(*radio);
  FillFields(entry);
  FillOtherFiles();
}

void CTagMakeDlg::FillFields(const FILEENTRY& entry) {
  std::optional<Id3v1Fields> id3;
  if ((entry.nTagKind & TAGKIND_ID3V1) && entry.pId3v1) id3 = Id3v1FieldsOf(*entry.pId3v1);
  std::optional<InfoEntries> info;
  if ((entry.nTagKind & TAGKIND_INFO) && entry.pInfoMap) info = InfoEntriesOf(*entry.pInfoMap);
  TagForm form;
  ShowTags(id3 ? &*id3 : nullptr, info ? &*info : nullptr, form);
  ShowForm(form);
}

void CTagMakeDlg::FillOtherFiles() {
  const FILEENTRY& current = File(m_nIndex);
  SendDlgItemMessageW(m_hWnd, IDC_TAG_OTHER_FILES, CB_RESETCONTENT, 0, 0);
  for (INT_PTR i = 0; i < FileCount(); ++i) {
    const FILEENTRY& other = File(i);
    if (_wcsicmp(other.szDir, current.szDir) != 0 ||
        _wcsicmp(other.findData.cFileName, current.findData.cFileName) == 0) {
      continue;
    }
    SendDlgItemMessageW(m_hWnd, IDC_TAG_OTHER_FILES, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(other.findData.cFileName));
  }
  SendDlgItemMessageW(m_hWnd, IDC_TAG_OTHER_FILES, CB_SETCURSEL, 0, 0);
}

void CTagMakeDlg::EnableRiffControls(BOOL bEnable) {
  for (int nId : kRiffOnlyControls) ::EnableWindow(::GetDlgItem(m_hWnd, nId), bEnable);
}

void CTagMakeDlg::CheckKind(UINT nKind) {
  for (UINT nRadio = 0; nRadio < std::size(kKindRadios); ++nRadio) {
    CheckDlgButton(kKindRadios[nRadio], nRadio == nKind ? BST_CHECKED : BST_UNCHECKED);
  }
}

UINT CTagMakeDlg::CheckedKind() const {
  for (UINT nKind = 0; nKind < std::size(kKindRadios); ++nKind) {
    if (IsDlgButtonChecked(kKindRadios[nKind]) == BST_CHECKED) return nKind;
  }
  return 0;
}

TagForm CTagMakeDlg::ReadForm() const {
  TagForm form;
  for (std::size_t i = 0; i < kFormFields; ++i) {
    CString text;
    GetDlgItemText(kFieldControls[i], text);
    form.texts[i] = AsUtf16(text);
    form.ticks[i] = IsDlgButtonChecked(kFieldTicks[i]) == BST_CHECKED;
  }
  return form;
}

void CTagMakeDlg::ShowForm(const TagForm& form) {
  for (std::size_t i = 0; i < kFormFields; ++i) {
    if (i == kGenre) {
      const auto index = GenreListIndex(form.texts[i]);
      SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_SETCURSEL, index ? *index : static_cast<WPARAM>(-1), 0);
    } else {
      SetDlgItemText(kFieldControls[i], AsWide(form.texts[i]));
    }
  }
}

void CTagMakeDlg::OnPrevious() {
  --m_nIndex;
  LoadCurrentFile();
}

void CTagMakeDlg::OnSkip() {
  ++m_nIndex;
  LoadCurrentFile();
}

void CTagMakeDlg::OnCancel() { CDialog::OnCancel(); }

void CTagMakeDlg::OnCopyToInfo() {
  TagForm form = ReadForm();
  CopyId3ToInfo(form);
  ShowForm(form);
}

void CTagMakeDlg::OnCopyToId3() {
  TagForm form = ReadForm();
  CopyInfoToId3(form);
  ShowForm(form);
}

void CTagMakeDlg::OnCopyFromFile() {
  const auto nSelected = SendDlgItemMessageW(m_hWnd, IDC_TAG_OTHER_FILES, CB_GETCURSEL, 0, 0);
  if (nSelected < 0) return;
  CString name;
  const auto nLength = SendDlgItemMessageW(m_hWnd, IDC_TAG_OTHER_FILES, CB_GETLBTEXTLEN, nSelected, 0);
  if (nLength < 0) return;
  SendDlgItemMessageW(m_hWnd, IDC_TAG_OTHER_FILES, CB_GETLBTEXT, nSelected,
                      reinterpret_cast<LPARAM>(name.GetBuffer(static_cast<int>(nLength))));
  name.ReleaseBuffer();

  const CString dir = File(m_nIndex).szDir;
  for (INT_PTR i = 0; i < FileCount(); ++i) {
    FILEENTRY& other = File(i);
    if (dir.CompareNoCase(other.szDir) != 0 || name.CompareNoCase(other.findData.cFileName) != 0) continue;
    if (!other.bTagRead) ReadMpegTagData(&other, nullptr);
    FillFields(other);
  }
}

void CTagMakeDlg::OnOK() {
  const INT_PTR nFirst = m_nIndex;
  const INT_PTR nEnd = m_bAllAtOnce ? FileCount() : std::min<INT_PTR>(m_nIndex + 1, FileCount());
  const TagForm form = ReadForm();
  for (INT_PTR i = nFirst; i < nEnd; ++i) {
    if (!WriteFile(File(i), form)) break;
  }
  m_nIndex = static_cast<int>(nEnd);
  LoadCurrentFile();
}

bool CTagMakeDlg::WriteFile(FILEENTRY& record, const TagForm& form) {
  // A record never read is read itself, not only its copy: the writer goes by
  // the record to find the tag it replaces, and would otherwise add a second one.
  if (m_bAllAtOnce && !record.bTagRead && !ReadMpegTagData(&record, nullptr) &&
      MessageBox(FailureMessage(record.szDir, record.findData.cFileName, L"の読み込みに失敗しました。続けますか？"),
                 L"確認", MB_YESNO) == IDNO) {
    return false;
  }
  TagWorkCopy copy(record);
  FILEENTRY& work = copy.Entry();

  work.nTagKind = CheckedKind() | (work.nTagKind & TAGKIND_ID3V2);
  if (!m_bAllAtOnce) {
    CString name;
    GetDlgItemText(IDC_TAG_FILENAME, name);
    wcsncpy_s(work.findData.cFileName, std::size(work.findData.cFileName), name, _TRUNCATE);
  }

  if (work.nTagKind & TAGKIND_INFO) {
    CTagTextMap& map = copy.InfoMap();
    for (const InfoChange& change : TakeInfo(form, m_bAllAtOnce)) {
      const CString id(change.id.data());  // the identifiers are literals
      if (change.text) {
        CString text(AsWide(*change.text));
        map.SetAt(id, text);
      } else {
        map.RemoveKey(id);
      }
    }
  } else {
    copy.DropInfoMap();
  }

  if (work.nTagKind & TAGKIND_ID3V1) {
    Id3v1Fields fields = Id3v1FieldsOf(copy.Id3v1());
    TakeId3v1(form, m_bAllAtOnce, fields);
    StoreId3v1Fields(fields, copy.Id3v1());
  } else {
    copy.DropId3v1();
  }

  if (WriteMpegTagData(&work, &record)) return true;
  if (m_bAllAtOnce) {
    return MessageBox(FailureMessage(record.szDir, work.findData.cFileName, L"の書き込みに失敗しました。続けますか？"),
                      L"確認", MB_YESNO) != IDNO;
  }
  if (!WriteMpegTagData(&work, &record)) {
    MessageBox(FailureMessage(record.szDir, work.findData.cFileName, L"の書き込みに失敗しました"));
  }
  return true;
}

INT_PTR WINAPI ZvTagMakeDlg(int bAllAtOnce, CFileEntryArray* pFiles) noexcept {
  return ExportBoundary<INT_PTR>(-1, [&]() -> INT_PTR {
    // The dialog works on every record it is given: a hole in the list is refused here.
    for (INT_PTR i = 0; pFiles && i < pFiles->GetCount(); ++i) {
      if (!pFiles->GetAt(i)) return IDCANCEL;
    }
    CTagMakeDlg dialog;
    dialog.m_bAllAtOnce = bAllAtOnce;
    dialog.m_pFiles = pFiles;
    return dialog.DoModal();
  });
}
