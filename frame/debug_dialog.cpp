#include "debug_dialog.h"

#include <afxdllx.h>

namespace {

// Index = position in the host's array of switches.
const wchar_t* const kSwitchLabels[CDebugDlg::kSwitches] = {
    L"SUSIE PLUGINの表示",     L"リムーバブルメディアの監視する",
    L"ASPIをすべて無視",       L"ControlPanel読み込み時確認する",
    L"Viewerエラーデバック",   L"コンテキストメニューデバック",
    L"画像サイズをログに記述", L"デバッグ用Log出力",
};

}  // namespace

BEGIN_MESSAGE_MAP(CDebugDlg, CDialog)
END_MESSAGE_MAP()

CDebugDlg::CDebugDlg(CWnd* pParent) : CDialog(IDD, pParent) {}
CDebugDlg::~CDebugDlg() = default;

void CDebugDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CDebugDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_listSwitches.SubclassDlgItem(IDC_DEBUG_SWITCHES, this);
  m_listSwitches.ResetContent();
  for (int i = 0; i < kSwitches; ++i) {
    m_listSwitches.AddString(kSwitchLabels[i]);
    // The host's value as it is: the list box decides how a value beyond 0 and 1 shows.
    m_listSwitches.SetCheck(i, m_pSwitches[i]);
  }
  SendDlgItemMessageW(m_hWnd, IDC_DEBUG_MODE, BM_SETCHECK, static_cast<WPARAM>(*m_pDebugMode), 0);
  return TRUE;
}

void CDebugDlg::OnOK() {
  for (int i = 0; i < kSwitches; ++i) m_pSwitches[i] = m_listSwitches.GetCheck(i);
  *m_pDebugMode = static_cast<int>(SendDlgItemMessageW(m_hWnd, IDC_DEBUG_MODE, BM_GETCHECK, 0, 0));
  CDialog::OnOK();
}

void WINAPI OnDebug(int* pSwitches, int* pDebugMode) noexcept {
  ExportBoundary([&] {
    if (!pSwitches || !pDebugMode) return;
    CDebugDlg dialog;
    dialog.m_pSwitches = pSwitches;
    dialog.m_pDebugMode = pDebugMode;
    dialog.DoModal();
  });
}
