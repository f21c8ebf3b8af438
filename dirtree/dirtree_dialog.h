// The directory tree dialog: the folders of a drive as indented lines with the
// files of the selected one, copied to the clipboard or chosen for the host.
// The path list behind the lines comes from the host's cache, the drive's
// cache file or a scan, and goes back to the host's cache or is freed when the
// dialog goes.
#pragma once

#include <afxwin.h>

#include <string>
#include <vector>

#include "dirtree_ids.h"
#include "dirtree_param.h"
#include "tree_lines.h"

class CDirtreeDlg : public CDialog {
 public:
  enum { IDD = IDD_DIRTREE };

  explicit CDirtreeDlg(CWnd* pParent = nullptr);
  ~CDirtreeDlg() override;

  BOOL m_bUseTreeFile = FALSE;
  BOOL m_bKeepTree = FALSE;
  TREEPATH** m_ppTreeCache = nullptr;
  const wchar_t* m_pszTreeFileDir = nullptr;
  CString m_strRoot;
  CString m_strResult;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  void OnSelectTree();
  void OnGoto();
  void OnCopy();
  void OnReload();

  DECLARE_MESSAGE_MAP()

 private:
  // Appends a node for path; false, with the message shown, when memory ran out.
  BOOL AppendPath(const CString& path);
  // Plans where the list comes from and fills it and the lines from the
  // host's cache or the cache file; false when the caller must scan instead.
  BOOL LoadTree();
  // Lists dir's subfolders and everything below them; false stops the caller's level.
  BOOL ScanDirectory(const CString& dir, int depth);
  // Scans the root with the tree list's painting held until the end.
  void ScanRoot();
  BOOL ReadTreeFile(const CString& path);
  // Empties the tree list down to the root's line 0.
  void StartLines();
  // Adds the lines to the tree list, painted once at the end, and widens its
  // scroll range to the widest line.
  void AddLines(const std::vector<std::u16string>& lines);
  // The drive letter's slot in the host's cache, or null when the root is no drive root.
  TREEPATH** CacheSlot() const;
  // Gives the list to the host's cache or frees it, however the dialog ended.
  void SettleList();
  // The folder of tree line index: the root for line 0.
  bool PathOfLine(int index, CString& path) const;
  void Message(const wchar_t* text) { MessageBox(text, nullptr, MB_OK); }

  bool m_moreBelow[zv::dirtree::kMaxDepth] = {};
  int m_nTreeExtent = 0;                       // pixels of the widest tree line
  std::vector<std::u16string> m_scannedLines;  // of the scan under way, added to the list at its end
  TREEPATH* m_pHead = nullptr;
  TREEPATH* m_pTail = nullptr;
  CWnd* m_pTreeList = nullptr;
  CWnd* m_pFileList = nullptr;
  bool m_bStarted = false;  // the list is the dialog's to settle
  zv::dirtree::TreePlan m_plan = {zv::dirtree::TreeSource::kScan, false};
};

// Shows the tree of pParam->szRoot; 1 with the chosen folder in szResult, else 0.
extern "C" int WINAPI ZvDirTreeDlg(DIRTREEPARAM* pParam) noexcept;
