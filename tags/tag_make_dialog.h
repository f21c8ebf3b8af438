// The tag entry dialog: edits the ID3v1 and RIFF INFO tags of the host's
// selected files, either one file after the other (with renaming) or, ticking
// the fields to set, for all files in one pass.
#pragma once

#include <afxwin.h>

#include "tag_record.h"
#include "tags_ids.h"

class CTagMakeDlg : public CDialog {
 public:
  enum { IDD = IDD_TAG_MAKE };

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
  // The fields' texts and ticks, and back (the ticks stay as they are).
  zv::tags::TagForm ReadForm() const;
  void ShowForm(const zv::tags::TagForm& form);
  // One file's write; false when the user chose to stop.
  bool WriteFile(FILEENTRY& record, const zv::tags::TagForm& form);
};

// Shows the tag dialog for the host's files; IDOK when it ran to its end,
// IDCANCEL when the user stopped it.
extern "C" INT_PTR WINAPI ZvTagMakeDlg(int bAllAtOnce, CFileEntryArray* pFiles) noexcept;
