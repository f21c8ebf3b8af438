// The tag entry dialog: edits the ID3v1 and RIFF INFO tags of the host's
// selected files, either one file after the other (with renaming) or, ticking
// the fields to set, for all files in one pass.
#pragma once

#include <afxwin.h>

#include <initializer_list>

#include "tag_record.h"

// Control ids of dialog 181.
constexpr int IDC_TAG_ALBUM = 1572;
constexpr int IDC_TAG_ARTIST = 1573;
constexpr int IDC_TAG_COMMENT = 1574;
constexpr int IDC_TAG_FILENAME = 1575;
constexpr int IDC_TAG_FULLPATH = 1576;
constexpr int IDC_TAG_GENRE = 1577;
constexpr int IDC_TAG_YEAR = 1579;
constexpr int IDC_TAG_TITLE = 1580;

constexpr int IDC_TAG_USE_ALBUM = 1288;
constexpr int IDC_TAG_USE_ARTIST = 1289;
constexpr int IDC_TAG_USE_COMMENT = 1290;
constexpr int IDC_TAG_USE_GENRE = 1291;
constexpr int IDC_TAG_USE_YEAR = 1292;
constexpr int IDC_TAG_USE_TITLE = 1293;
constexpr int IDC_TAG_USE_INFO_ALBUM = 1294;
constexpr int IDC_TAG_USE_INFO_ARTIST = 1295;
constexpr int IDC_TAG_USE_INFO_COMMENT = 1296;
constexpr int IDC_TAG_USE_INFO_COPYRIGHT = 1297;
constexpr int IDC_TAG_USE_INFO_ENGINEER = 1298;
constexpr int IDC_TAG_USE_INFO_GENRE = 1299;
constexpr int IDC_TAG_USE_INFO_NAME = 1300;
constexpr int IDC_TAG_USE_INFO_YEAR = 1301;
constexpr int IDC_TAG_USE_INFO_SOFTWARE = 1302;
constexpr int IDC_TAG_USE_INFO_SOURCE = 1303;

constexpr int IDC_TAG_INFO_ALBUM = 1728;
constexpr int IDC_TAG_INFO_ARTIST = 1729;
constexpr int IDC_TAG_INFO_COMMENT = 1730;
constexpr int IDC_TAG_INFO_COPYRIGHT = 1731;
constexpr int IDC_TAG_INFO_ENGINEER = 1732;
constexpr int IDC_TAG_INFO_GENRE = 1733;
constexpr int IDC_TAG_INFO_YEAR = 1734;
constexpr int IDC_TAG_INFO_SOFTWARE = 1735;
constexpr int IDC_TAG_INFO_SOURCE = 1736;
constexpr int IDC_TAG_INFO_NAME = 1737;

constexpr int IDC_TAG_KIND_NONE = 1929;
constexpr int IDC_TAG_KIND_ID3 = 1444;
constexpr int IDC_TAG_KIND_INFO = 1739;
constexpr int IDC_TAG_KIND_BOTH = 1443;
constexpr int IDC_TAG_COPY_TO_INFO = 1177;
constexpr int IDC_TAG_COPY_TO_ID3 = 1179;
constexpr int IDC_TAG_OTHER_FILES = 1742;
constexpr int IDC_TAG_COPY_FROM_FILE = 1184;
constexpr int IDC_TAG_PREVIOUS = 1069;
constexpr int IDC_TAG_SKIP = 1854;

class CTagMakeDlg : public CDialog {
 public:
  enum { IDD = 181 };

  explicit CTagMakeDlg(CWnd* pParent = nullptr);
  ~CTagMakeDlg() override;

  CString m_strAlbum;
  CString m_strArtist;
  CString m_strComment;
  CString m_strFileName;
  CString m_strYear;
  CString m_strTitle;
  CFileEntryArray* m_pFiles = nullptr;
  BOOL m_bAllAtOnce = FALSE;
  int m_nIndex = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  void OnPrevious();
  void OnSkip();
  void OnCopyToInfo();
  void OnCopyToId3();
  void OnCopyFromFile();

  DECLARE_MESSAGE_MAP()

 private:
  INT_PTR FileCount() const;
  FILEENTRY& File(INT_PTR nIndex) const;
  void ShowAllAtOnce();
  void LoadCurrentFile();
  void FillFields(const FILEENTRY& entry);
  void FillOtherFiles();
  void EnableRiffControls(BOOL bEnable);
  void CheckKind(UINT nKind);
  UINT CheckedKind() const;
  struct TextCopy {
    int nFrom, nTo;  // edit (or the genre list) to edit
  };
  void CopyTexts(std::initializer_list<TextCopy> copies);
  void SelectGenre(BYTE byGenre);
  BYTE SelectedGenre() const;
  // One file's write; false when the user chose to stop.
  bool WriteFile(FILEENTRY& record, const BOOL (&bUse)[16], const CString (&strTexts)[16]);
};

// Shows the tag dialog for the host's files; IDOK when it ran to its end,
// IDCANCEL when the user stopped it.
extern "C" INT_PTR WINAPI ZvTagMakeDlg(int bAllAtOnce, CFileEntryArray* pFiles) noexcept;
