// The host's eight diagnostic switches and its debug mode, shown and written
// back on OK; what each switch does is the host's business.
#pragma once

#include <afxwin.h>

#include "frame_ids.h"

class CDebugDlg : public CDialog {
 public:
  enum { IDD = IDD_DEBUG };
  static constexpr int kSwitches = 8;

  explicit CDebugDlg(CWnd* pParent = nullptr);
  ~CDebugDlg() override;

  int* m_pSwitches = nullptr;
  int* m_pDebugMode = nullptr;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  DECLARE_MESSAGE_MAP()

 private:
  CCheckListBox m_listSwitches;
};

extern "C" {
// Lets the user set the host's eight switches and debug mode.
void WINAPI OnDebug(int* pSwitches, int* pDebugMode) noexcept;
}
