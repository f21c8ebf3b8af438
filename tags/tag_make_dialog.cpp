#include "tag_make_dialog.h"

#include <afxdllx.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <span>

#include "genres.h"
#include "path.h"
#include "zvutil.h"

namespace {

using zv::tags::kGenres;

// Index of "未定" in the genre list: no genre, byte 255.
constexpr int kNoGenreIndex = static_cast<int>(kGenres.size());
constexpr BYTE kNoGenre = 255;

// The ID3 fields in tick order; the genre has no text field.
struct Id3Field {
  int nEdit;
  int nUse;
  std::span<WCHAR> (*field)(ID3V1BLOCK&);
};
const Id3Field kId3Fields[] = {
    {IDC_TAG_TITLE, IDC_TAG_USE_TITLE, [](ID3V1BLOCK& block) { return std::span<WCHAR>(block.szTitle); }},
    {IDC_TAG_ARTIST, IDC_TAG_USE_ARTIST, [](ID3V1BLOCK& block) { return std::span<WCHAR>(block.szArtist); }},
    {IDC_TAG_ALBUM, IDC_TAG_USE_ALBUM, [](ID3V1BLOCK& block) { return std::span<WCHAR>(block.szAlbum); }},
    {IDC_TAG_YEAR, IDC_TAG_USE_YEAR, [](ID3V1BLOCK& block) { return std::span<WCHAR>(block.szYear); }},
    {IDC_TAG_GENRE, IDC_TAG_USE_GENRE, nullptr},
    {IDC_TAG_COMMENT, IDC_TAG_USE_COMMENT, [](ID3V1BLOCK& block) { return std::span<WCHAR>(block.szComment); }},
};

struct InfoField {
  int nEdit;
  int nUse;
  LPCWSTR lpszId;
};
const InfoField kInfoFields[] = {
    {IDC_TAG_INFO_NAME, IDC_TAG_USE_INFO_NAME, L"INAM"},
    {IDC_TAG_INFO_ARTIST, IDC_TAG_USE_INFO_ARTIST, L"IART"},
    {IDC_TAG_INFO_ALBUM, IDC_TAG_USE_INFO_ALBUM, L"IPRD"},
    {IDC_TAG_INFO_YEAR, IDC_TAG_USE_INFO_YEAR, L"ICRD"},
    {IDC_TAG_INFO_GENRE, IDC_TAG_USE_INFO_GENRE, L"IGNR"},
    {IDC_TAG_INFO_COMMENT, IDC_TAG_USE_INFO_COMMENT, L"ICMT"},
    {IDC_TAG_INFO_SOURCE, IDC_TAG_USE_INFO_SOURCE, L"ISRC"},
    {IDC_TAG_INFO_SOFTWARE, IDC_TAG_USE_INFO_SOFTWARE, L"ISFT"},
    {IDC_TAG_INFO_COPYRIGHT, IDC_TAG_USE_INFO_COPYRIGHT, L"ICOP"},
    {IDC_TAG_INFO_ENGINEER, IDC_TAG_USE_INFO_ENGINEER, L"IENG"},
};
constexpr size_t kId3FieldCount = std::size(kId3Fields);
// The sixteen ticks have consecutive ids.
static_assert(IDC_TAG_USE_INFO_SOURCE - IDC_TAG_USE_ALBUM + 1 == 16);
static_assert(kId3FieldCount + std::size(kInfoFields) == 16, "one tick per field");

// The radio of each tag kind, by kind.
constexpr int kKindRadios[] = {IDC_TAG_KIND_NONE, IDC_TAG_KIND_ID3, IDC_TAG_KIND_INFO, IDC_TAG_KIND_BOTH};

// What only a RIFF file can carry.
constexpr int kRiffOnlyControls[] = {
    IDC_TAG_KIND_INFO,  IDC_TAG_KIND_BOTH,       IDC_TAG_INFO_NAME,      IDC_TAG_INFO_ARTIST, IDC_TAG_INFO_ALBUM,
    IDC_TAG_INFO_YEAR,  IDC_TAG_INFO_GENRE,      IDC_TAG_INFO_COMMENT,   IDC_TAG_INFO_SOURCE, IDC_TAG_INFO_SOFTWARE,
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
  for (const auto& genre : kGenres) {
    SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(genre.name)));
  }
  SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"未定"));

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
  const LPCWSTR lpszName = entry.findData.cFileName;
  EnableRiffControls(!HasExtension(lpszName, L"MP3") && !HasExtension(lpszName, L"MP2"));

  if (!entry.bTagRead && !ReadMpegTagData(&entry, nullptr)) {
    FillOtherFiles();
    MessageBox(FailureMessage(entry.szDir, lpszName, L"の読み込みに失敗しました"));
    CheckKind(0);
    return;
  }
  CheckKind(entry.nTagKind & ~TAGKIND_ID3V2);
  FillFields(entry);
  FillOtherFiles();
}

void CTagMakeDlg::FillFields(const FILEENTRY& entry) {
  const ID3V1BLOCK* pBlock = (entry.nTagKind & TAGKIND_ID3V1) ? entry.pId3v1 : nullptr;
  ID3V1BLOCK block = pBlock ? *pBlock : ID3V1BLOCK{};
  for (const Id3Field& field : kId3Fields) {
    if (!field.field) continue;
    const std::span<WCHAR> text = field.field(block);
    text.back() = L'\0';  // a host's block filled to the last character still ends here
    SetDlgItemText(field.nEdit, text.data());
  }
  SelectGenre(pBlock ? pBlock->byGenre : kNoGenre);

  const CTagTextMap* pMap = (entry.nTagKind & TAGKIND_INFO) ? entry.pInfoMap : nullptr;
  for (const InfoField& field : kInfoFields) {
    CString text;
    if (pMap) pMap->Lookup(field.lpszId, text);
    SetDlgItemText(field.nEdit, text);
  }
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

// Kinds without a radio leave the radios as they are.
void CTagMakeDlg::CheckKind(UINT nKind) {
  if (nKind < std::size(kKindRadios)) {
    for (UINT nRadio = 0; nRadio < std::size(kKindRadios); ++nRadio) {
      CheckDlgButton(kKindRadios[nRadio], nRadio == nKind ? BST_CHECKED : BST_UNCHECKED);
    }
  }
}

UINT CTagMakeDlg::CheckedKind() const {
  for (UINT nKind = 0; nKind < std::size(kKindRadios); ++nKind) {
    if (IsDlgButtonChecked(kKindRadios[nKind]) == BST_CHECKED) return nKind;
  }
  return 0;
}

void CTagMakeDlg::SelectGenre(BYTE byGenre) {
  int nIndex = kNoGenreIndex;
  for (int i = 0; i < kNoGenreIndex; ++i) {
    if (kGenres[i].number == byGenre) {
      nIndex = i;
      break;
    }
  }
  SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_SETCURSEL, nIndex, 0);
}

BYTE CTagMakeDlg::SelectedGenre() const {
  const auto nIndex = ::SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_GETCURSEL, 0, 0);
  return nIndex >= 0 && nIndex < kNoGenreIndex ? static_cast<BYTE>(kGenres[nIndex].number) : kNoGenre;
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

void CTagMakeDlg::CopyTexts(std::initializer_list<TextCopy> copies) {
  for (const TextCopy& copy : copies) {
    CString text;
    GetDlgItemText(copy.nFrom, text);
    SetDlgItemText(copy.nTo, text);
  }
}

void CTagMakeDlg::OnCopyToInfo() {
  CopyTexts({{IDC_TAG_ALBUM, IDC_TAG_INFO_ALBUM},
             {IDC_TAG_ARTIST, IDC_TAG_INFO_ARTIST},
             {IDC_TAG_COMMENT, IDC_TAG_INFO_COMMENT},
             {IDC_TAG_GENRE, IDC_TAG_INFO_GENRE},
             {IDC_TAG_YEAR, IDC_TAG_INFO_YEAR},
             {IDC_TAG_TITLE, IDC_TAG_INFO_NAME}});
}

void CTagMakeDlg::OnCopyToId3() {
  CopyTexts({{IDC_TAG_INFO_ALBUM, IDC_TAG_ALBUM},
             {IDC_TAG_INFO_ARTIST, IDC_TAG_ARTIST},
             {IDC_TAG_INFO_COMMENT, IDC_TAG_COMMENT},
             {IDC_TAG_INFO_YEAR, IDC_TAG_YEAR},
             {IDC_TAG_INFO_NAME, IDC_TAG_TITLE}});
  // The genre names are exact: "rock" is not "Rock".
  CString genre;
  GetDlgItemText(IDC_TAG_INFO_GENRE, genre);
  int nIndex = kNoGenreIndex;
  for (int i = 0; i < kNoGenreIndex; ++i) {
    if (genre == AsWide(kGenres[i].name)) {
      nIndex = i;
      break;
    }
  }
  SendDlgItemMessageW(m_hWnd, IDC_TAG_GENRE, CB_SETCURSEL, nIndex, 0);
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

  // The ticks, ID3 fields first, and the texts they choose.
  BOOL bUse[16];
  CString strTexts[16];
  size_t nField = 0;
  for (const Id3Field& field : kId3Fields) {
    bUse[nField] = !m_bAllAtOnce || IsDlgButtonChecked(field.nUse) == BST_CHECKED;
    if (field.field) GetDlgItemText(field.nEdit, strTexts[nField]);
    ++nField;
  }
  for (const InfoField& field : kInfoFields) {
    bUse[nField] = !m_bAllAtOnce || IsDlgButtonChecked(field.nUse) == BST_CHECKED;
    GetDlgItemText(field.nEdit, strTexts[nField]);
    ++nField;
  }

  for (INT_PTR i = nFirst; i < nEnd; ++i) {
    if (!WriteFile(File(i), bUse, strTexts)) break;
  }
  m_nIndex = static_cast<int>(nEnd);
  LoadCurrentFile();
}

bool CTagMakeDlg::WriteFile(FILEENTRY& record, const BOOL (&bUse)[16], const CString (&strTexts)[16]) {
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
    for (size_t i = 0; i < std::size(kInfoFields); ++i) {
      if (!bUse[kId3FieldCount + i]) continue;
      CString text = strTexts[kId3FieldCount + i];
      if (text.IsEmpty()) {
        map.RemoveKey(kInfoFields[i].lpszId);
      } else {
        map.SetAt(kInfoFields[i].lpszId, text);
      }
    }
  } else {
    copy.DropInfoMap();
  }

  if (work.nTagKind & TAGKIND_ID3V1) {
    ID3V1BLOCK& block = copy.Id3v1();
    for (size_t i = 0; i < kId3FieldCount; ++i) {
      if (!bUse[i]) continue;
      if (kId3Fields[i].field) {
        const std::span<WCHAR> field = kId3Fields[i].field(block);
        wcsncpy_s(field.data(), field.size(), strTexts[i], _TRUNCATE);
      } else {
        block.byGenre = SelectedGenre();
      }
    }
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
