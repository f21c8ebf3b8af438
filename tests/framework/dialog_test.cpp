// The framework's modal dialogs under Wine, driven from a watcher thread as a
// person would: data exchange both ways, validation messages, the modal loop's
// pre-translation, idle and posted commands, and Esc/close while Cancel is disabled.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <atomic>

#include "dialog_driver.h"
#include "probe_ids.h"

namespace {

constexpr UINT kPostedEnd = 1039;
const wchar_t kTitle[] = L"枠組みの試験";

class CProbeDlg : public CDialog {
 public:
  CProbeDlg() : CDialog(IDD_PROBE) {}

  CString m_strName;
  int m_nCount = 0;
  int m_bFlag = FALSE;
  int m_nKind = 0;
  bool m_bDisableCancel = false;

  std::atomic<int> m_nRunClicks{0};
  std::atomic<int> m_nTimerTicks{0};
  std::atomic<int> m_nF5Keys{0};
  std::atomic<int> m_nIdleCalls{0};

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDV_MaxChars(pDX, m_strName, 5);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDX_Check(pDX, IDC_FLAG, m_bFlag);
    DDX_Radio(pDX, IDC_KIND1, m_nKind);
  }

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (m_bDisableCancel) GetDlgItem(IDCANCEL)->EnableWindow(FALSE);
    return TRUE;
  }

  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F5) {
      ++m_nF5Keys;
      return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
  }

  // Posted end messages are taken ahead of the message map.
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override {
    if (nID == kPostedEnd && nCode == 0) {
      EndDialog(kPostedEnd);
      return TRUE;
    }
    return CDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
  }

  void OnRun() {
    ++m_nRunClicks;
    SetTimer(1, 10);
  }

  void OnTimer(UINT_PTR nIDEvent) {
    KillTimer(nIDEvent);
    ++m_nTimerTicks;
  }

  LRESULT OnKickIdle(WPARAM, LPARAM) {
    ++m_nIdleCalls;
    return 0;
  }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
ON_BN_CLICKED(IDC_RUN, &CProbeDlg::OnRun)
ON_WM_TIMER()
ON_MESSAGE(WM_KICKIDLE, &CProbeDlg::OnKickIdle)
END_MESSAGE_MAP()

void PostKey(HWND target, WPARAM key) {
  ::PostMessageW(target, WM_KEYDOWN, key, 1);
  ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

// Posts a click of 実行 and waits until the dialog has handled it: everything
// posted before it has then been handled too.
void Barrier(HWND dialog, CProbeDlg& probe) {
  const int before = probe.m_nRunClicks;
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), 0);
  ASSERT_TRUE(zvtest::WaitForCondition([&] { return probe.m_nRunClicks > before; }, 5000));
}

TEST(Dialog, ExchangesMembersWithControlsBothWays) {
  CProbeDlg probe;
  probe.m_strName = L"日本語";
  probe.m_nCount = 42;
  probe.m_bFlag = TRUE;
  probe.m_nKind = 1;

  zvtest::UiScript script([&] {
    HWND dialog = zvtest::WaitForDialog(kTitle);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(zvtest::GetText(dialog, IDC_NAME), L"日本語");
    EXPECT_EQ(zvtest::GetText(dialog, IDC_COUNT), L"42");
    EXPECT_TRUE(zvtest::IsChecked(dialog, IDC_FLAG));
    EXPECT_FALSE(zvtest::IsChecked(dialog, IDC_KIND1));
    EXPECT_TRUE(zvtest::IsChecked(dialog, IDC_KIND2));
    EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, IDC_NAME), EM_GETLIMITTEXT, 0, 0), 5);

    zvtest::SetText(dialog, IDC_NAME, L"かな");
    zvtest::SetText(dialog, IDC_COUNT, L" -17 ");
    zvtest::Click(dialog, IDC_FLAG);
    zvtest::Click(dialog, IDC_KIND3);
    zvtest::Click(dialog, IDOK);
  });
  EXPECT_EQ(probe.DoModal(), IDOK);
  EXPECT_TRUE(script.Join()) << script.Failure();

  EXPECT_EQ(CString(probe.m_strName), L"かな");
  EXPECT_EQ(probe.m_nCount, -17);
  EXPECT_EQ(probe.m_bFlag, FALSE);
  EXPECT_EQ(probe.m_nKind, 2);
  EXPECT_EQ(probe.m_hWnd, nullptr);
}

TEST(Dialog, InvalidNumberShowsMessageAndKeepsDialogOpen) {
  CProbeDlg probe;
  probe.m_nCount = 5;
  zvtest::UiScript script([&] {
    HWND dialog = zvtest::WaitForDialog(kTitle);
    ASSERT_TRUE(dialog);
    zvtest::SetText(dialog, IDC_COUNT, L"12x");
    zvtest::Click(dialog, IDOK);
    auto box = zvtest::AnswerMessageBox(IDOK);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"整数を入力してください。");
    EXPECT_EQ(box->caption, L"framework_window_test");
    EXPECT_TRUE(::IsWindowVisible(dialog));
    zvtest::Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(probe.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(probe.m_nCount, 5);
}

TEST(Dialog, EscapeAndCloseBoxDoNothingWhileCancelIsDisabled) {
  CProbeDlg probe;
  probe.m_bDisableCancel = true;
  zvtest::UiScript script([&] {
    HWND dialog = zvtest::WaitForDialog(kTitle);
    ASSERT_TRUE(dialog);
    PostKey(::GetDlgItem(dialog, IDC_NAME), VK_ESCAPE);
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    Barrier(dialog, probe);
    EXPECT_TRUE(::IsWindow(dialog));
    EXPECT_TRUE(::IsWindowVisible(dialog));

    ::EnableWindow(::GetDlgItem(dialog, IDCANCEL), TRUE);
    PostKey(::GetDlgItem(dialog, IDC_NAME), VK_ESCAPE);
  });
  EXPECT_EQ(probe.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Join()) << script.Failure();
}

TEST(Dialog, ModalLoopPreTranslatesIdlesAndTakesPostedCommands) {
  CProbeDlg probe;
  zvtest::UiScript script([&] {
    HWND dialog = zvtest::WaitForDialog(kTitle);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(zvtest::WaitForCondition([&] { return probe.m_nIdleCalls > 0; }, 5000));
    PostKey(::GetDlgItem(dialog, IDC_NAME), VK_F5);
    PostKey(::GetDlgItem(dialog, IDC_COUNT), VK_F5);
    zvtest::Click(dialog, IDC_RUN);
    EXPECT_TRUE(zvtest::WaitForCondition([&] { return probe.m_nTimerTicks == 1; }, 5000));
    EXPECT_EQ(probe.m_nF5Keys, 2);
    ::PostMessageW(dialog, WM_COMMAND, kPostedEnd, 0);
  });
  EXPECT_EQ(probe.DoModal(), kPostedEnd);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(probe.m_nRunClicks, 1);
}

TEST(Dialog, MissingTemplateFailsWithoutShowingAnything) {
  CDialog missing(4242);
  EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace
