#include "print_dialog.h"

#include <afxdlgs.h>
#include <afxdllx.h>

#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

// What the user may not change while the worker prints.
constexpr int kSettingControls[] = {
    IDOK,          IDCANCEL,     IDC_PRINT_FONT,       IDC_PRINT_TWO_COLUMNS, IDC_PRINT_FILE_NAME,
    IDC_PRINT_PAGE_NUMBER,       IDC_PRINT_ALL,        IDC_PRINT_RANGE,       IDC_PRINT_LAST_PAGE,
    IDC_PRINT_FIRST_PAGE,        IDC_PRINT_LINE_CHARS, IDC_PRINT_PAGE_LINES,  IDC_PRINT_SELECT_PRINTER,
    IDC_PRINT_LINE_NUMBERS,      IDC_PRINT_TAB_COLUMNS,
};

}  // namespace

BEGIN_MESSAGE_MAP(CPrintTextDlg, CDialog)
ON_BN_CLICKED(IDC_PRINT_FILE_NAME, &CPrintTextDlg::UpdateLimits)
ON_BN_CLICKED(IDC_PRINT_PAGE_NUMBER, &CPrintTextDlg::UpdateLimits)
ON_BN_CLICKED(IDC_PRINT_TWO_COLUMNS, &CPrintTextDlg::UpdateLimits)
ON_BN_CLICKED(IDC_PRINT_LINE_NUMBERS, &CPrintTextDlg::UpdateLimits)
ON_BN_CLICKED(IDC_PRINT_FONT, &CPrintTextDlg::OnFont)
ON_BN_CLICKED(IDC_PRINT_STOP, &CPrintTextDlg::OnStop)
ON_WM_TIMER()
END_MESSAGE_MAP()

CPrintTextDlg::CPrintTextDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CPrintTextDlg::~CPrintTextDlg() {
  // Only when the dialog went by a way other than CloseWorker: its window is
  // gone, so the worker's progress messages fail at once and cannot block it.
  if (m_pThread) {
    m_pThread->m_bCancel = TRUE;
    ::WaitForSingleObject(m_pThread->m_hThread, INFINITE);
    delete m_pThread;
  }
  delete m_pBodyFont;
  delete m_pHeaderFont;
}

void CPrintTextDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_PRINT_PAGE_LINES, m_nPageLines);
  DDX_Check(pDX, IDC_PRINT_SELECT_PRINTER, m_bSelectPrinter);
}

BOOL CPrintTextDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CheckDlgButton(IDC_PRINT_SELECT_PRINTER, *m_param.pbSelectPrinter ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemText(IDC_PRINT_SHOW_FILE, m_param.szFileName);
  CheckDlgButton(IDC_PRINT_LINE_NUMBERS, *m_param.pbLineNumbers ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(IDC_PRINT_ALL, IDC_PRINT_RANGE, IDC_PRINT_ALL);
  m_bPageRange = FALSE;
  m_nFirstPage = m_nLastPage = 0;
  m_pThread = nullptr;
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_PRINT_STOP), FALSE);
  if (!ChoosePrinter()) return TRUE;

  const struct {
    int nId;
    int nValue;
  } edits[] = {
      {IDC_PRINT_MARGIN_TOP, *m_param.pnMarginTop},     {IDC_PRINT_MARGIN_BOTTOM, *m_param.pnMarginBottom},
      {IDC_PRINT_MARGIN_LEFT, *m_param.pnMarginLeft},   {IDC_PRINT_MARGIN_RIGHT, *m_param.pnMarginRight},
      {IDC_PRINT_TAB_COLUMNS, m_param.nTabColumns},     {IDC_PRINT_LINE_CHARS, m_param.nLineChars},
  };
  for (const auto& edit : edits) SetDlgItemInt(edit.nId, static_cast<UINT>(edit.nValue));

  m_lfBody = {};
  wcsncpy_s(m_lfBody.lfFaceName, std::size(m_lfBody.lfFaceName), m_param.pszFaceName, _TRUNCATE);
  m_lfBody.lfCharSet = *m_param.pbCharSet;
  m_lfBody.lfHeight = *m_param.pnFontHeight;
  m_lfBody.lfWidth = *m_param.pnFontWidth;
  m_lfBody.lfPitchAndFamily = FIXED_PITCH;
  MakeHeaderFont();
  UpdateLimits();
  // Lines per page start at the maximum at every opening.
  SetDlgItemInt(IDC_PRINT_PAGE_LINES, static_cast<UINT>(m_limits.maxPageLines));
  return TRUE;
}

// Attaches the chosen or the default printer with 144 logical units per inch;
// false, with the dialog ending, when there is none.
bool CPrintTextDlg::ChoosePrinter() {
  CPrintDialog printDialog(FALSE, PD_HIDEPRINTTOFILE | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOPAGENUMS | PD_NOSELECTION,
                           this);
  if (*m_param.pbSelectPrinter) {
    if (printDialog.DoModal() != IDOK || !printDialog.GetPrinterDC()) {
      MessageBox(L"Printerが選択されませんでした");
      EndDialog(IDCANCEL);
      return false;
    }
  } else if (!printDialog.GetDefaults() || !printDialog.GetPrinterDC()) {
    MessageBox(L"プリンターがInstallされていません");
    EndDialog(IDCANCEL);
    return false;
  }
  SetDlgItemText(IDC_PRINT_PRINTER, printDialog.GetDeviceName());
  m_dcPrinter.Attach(printDialog.GetPrinterDC());
  m_dcPrinter.SetMapMode(MM_ISOTROPIC);
  SIZE himetric{1000, 1000};
  m_dcPrinter.DPtoHIMETRIC(&himetric);
  const zv::print::UnitExtents extents = zv::print::ExtentsFor(himetric.cx, himetric.cy);
  m_dcPrinter.SetWindowExt(extents.windowX, extents.windowY);
  m_dcPrinter.SetViewportExt(extents.viewportX, extents.viewportY);
  return true;
}

// The header is the bold form of the body font the dialog opened with.
void CPrintTextDlg::MakeHeaderFont() {
  m_lfHeader = {};
  m_lfHeader.lfHeight = m_lfBody.lfHeight;
  m_lfHeader.lfWidth = m_lfBody.lfWidth;
  m_lfHeader.lfOrientation = m_lfBody.lfOrientation;
  m_lfHeader.lfWeight = FW_BOLD;
  m_lfHeader.lfItalic = m_lfBody.lfItalic;
  m_lfHeader.lfUnderline = m_lfBody.lfUnderline;
  m_lfHeader.lfStrikeOut = m_lfBody.lfStrikeOut;
  m_lfHeader.lfCharSet = m_lfBody.lfCharSet;
  m_lfHeader.lfPitchAndFamily = m_lfBody.lfPitchAndFamily;
  std::memcpy(m_lfHeader.lfFaceName, m_lfBody.lfFaceName, sizeof m_lfHeader.lfFaceName);
}

int CPrintTextDlg::ReadInt(int nId) const {
  CString text;
  GetDlgItemText(nId, text);
  return _wtoi(text);
}

void CPrintTextDlg::MakeFont(CFont*& pFont, const LOGFONTW& logFont, int& nLineHeight, int& nCharWidth) {
  delete pFont;
  pFont = new CFont;
  pFont->CreateFontIndirect(&logFont);
  CFont* pOldFont = m_dcPrinter.SelectObject(pFont);
  TEXTMETRICW metrics{};
  m_dcPrinter.GetTextMetrics(&metrics);
  if (pOldFont) m_dcPrinter.SelectObject(pOldFont);
  nLineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  nCharWidth = metrics.tmAveCharWidth;
}

void CPrintTextDlg::UpdateLimits() {
  using zv::print::LimitInputs;
  LimitInputs in;
  const struct {
    int nId;
    int* pnHostMillimetres;
    int LimitInputs::*field;
  } margins[] = {
      {IDC_PRINT_MARGIN_TOP, m_param.pnMarginTop, &LimitInputs::marginTop},
      {IDC_PRINT_MARGIN_BOTTOM, m_param.pnMarginBottom, &LimitInputs::marginBottom},
      {IDC_PRINT_MARGIN_LEFT, m_param.pnMarginLeft, &LimitInputs::marginLeft},
      {IDC_PRINT_MARGIN_RIGHT, m_param.pnMarginRight, &LimitInputs::marginRight},
  };
  for (const auto& margin : margins) *margin.pnHostMillimetres = in.*margin.field = ReadInt(margin.nId);

  SIZE himetric{1000, 1000};
  m_dcPrinter.DPtoHIMETRIC(&himetric);
  in.horzRes = m_dcPrinter.GetDeviceCaps(HORZRES);
  in.vertRes = m_dcPrinter.GetDeviceCaps(VERTRES);
  in.himetricX = himetric.cx;
  in.himetricY = himetric.cy;
  int nHeaderCharWidth = 0;
  MakeFont(m_pHeaderFont, m_lfHeader, in.headerLineHeight, nHeaderCharWidth);
  MakeFont(m_pBodyFont, m_lfBody, in.bodyLineHeight, in.bodyCharWidth);
  in.twoColumns = IsChecked(IDC_PRINT_TWO_COLUMNS);
  in.lineNumbers = IsChecked(IDC_PRINT_LINE_NUMBERS);
  in.fileName = IsChecked(IDC_PRINT_FILE_NAME);
  in.pageNumber = IsChecked(IDC_PRINT_PAGE_NUMBER);
  m_limits = zv::print::ComputeLimits(in);

  CString text;
  text.Format(L"(最大%d文字)", m_limits.maxLineChars);
  SetDlgItemText(IDC_PRINT_MAX_CHARS, text);
  text.Format(L"(最大%d行)", m_limits.maxPageLines);
  SetDlgItemText(IDC_PRINT_MAX_LINES, text);
}

void CPrintTextDlg::OnFont() {
  CFontDialog fontDialog(&m_lfBody, CF_PRINTERFONTS, &m_dcPrinter, this);
  if (fontDialog.DoModal() != IDOK) return;
  wcsncpy_s(m_param.pszFaceName, LF_FACESIZE, m_lfBody.lfFaceName, _TRUNCATE);
  *m_param.pbCharSet = m_lfBody.lfCharSet;
  *m_param.pnFontHeight = m_lfBody.lfHeight;
  *m_param.pnFontWidth = m_lfBody.lfWidth;
  UpdateLimits();
}

void CPrintTextDlg::OnOK() {
  UpdateLimits();
  const zv::print::PrintChoice choice{.lineChars = ReadInt(IDC_PRINT_LINE_CHARS),
                                      .pageLines = ReadInt(IDC_PRINT_PAGE_LINES),
                                      .pageRange = IsChecked(IDC_PRINT_RANGE),
                                      .firstPage = ReadInt(IDC_PRINT_FIRST_PAGE),
                                      .lastPage = ReadInt(IDC_PRINT_LAST_PAGE),
                                      .tabColumns = ReadInt(IDC_PRINT_TAB_COLUMNS)};
  if (const wchar_t* refusal = zv::print::RefusalOf(choice, m_limits)) {
    MessageBox(refusal);
    return;
  }
  m_param.nLineChars = choice.lineChars;
  m_nPageLines = choice.pageLines;
  m_nFirstPage = choice.firstPage;
  m_nLastPage = choice.lastPage;
  m_param.nTabColumns = choice.tabColumns;
  m_bPageRange = !IsChecked(IDC_PRINT_ALL);

  for (int nId : kSettingControls) ::EnableWindow(::GetDlgItem(m_hWnd, nId), FALSE);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_PRINT_STOP), TRUE);
  GotoDlgCtrl(GetDlgItem(IDC_PRINT_STOP));

  m_pThread = new CTextPrintThread;
  CTextPrintThread& worker = *m_pThread;
  worker.m_bAutoDelete = FALSE;
  worker.m_bTwoColumns = IsChecked(IDC_PRINT_TWO_COLUMNS);
  worker.m_bPrintFileName = IsChecked(IDC_PRINT_FILE_NAME);
  worker.m_bPrintPageNumber = IsChecked(IDC_PRINT_PAGE_NUMBER);
  worker.m_bPrintLineNumbers = IsChecked(IDC_PRINT_LINE_NUMBERS);
  worker.m_pDC = &m_dcPrinter;
  worker.m_pBodyFont = m_pBodyFont;
  worker.m_pHeaderFont = m_pHeaderFont;
  worker.m_bPageRange = m_bPageRange;
  worker.m_nFirstPage = m_nFirstPage;
  worker.m_nLastPage = m_nLastPage;
  worker.m_nLineChars = m_param.nLineChars;
  worker.m_nPageLines = m_nPageLines;
  worker.m_pText = m_param.pText;
  worker.m_nTextSize = m_param.nTextSize;
  worker.m_nTabColumns = m_param.nTabColumns;
  worker.m_strFileName = m_param.szFileName;
  worker.m_nPrintWidth = m_limits.printWidth;
  worker.m_nPrintHeight = m_limits.printHeight;
  worker.m_rcMargin = {m_limits.marginLeft, m_limits.marginTop, m_limits.marginRight, m_limits.marginBottom};
  worker.m_bCancel = FALSE;
  worker.m_pDialog = this;
  if (!worker.CreateThread()) {
    MessageBox(L"ファイルの印刷に失敗しました");
    delete m_pThread;
    m_pThread = nullptr;
    EndDialog(IDOK);
    return;
  }
  m_nPrintState = 1;
  SetTimer(kPollTimer, 20);
}

void CPrintTextDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != kPollTimer) return;
  if (m_nPrintState == 1) {
    DWORD dwExitCode = 0;
    if (::GetExitCodeThread(m_pThread->m_hThread, &dwExitCode)) {
      // Stopped while a message box is up, so its loop does not poll again.
      KillTimer(kPollTimer);
      if (dwExitCode == static_cast<DWORD>(-1)) {
        MessageBox(L"ファイルの印刷に失敗しました");
        m_nPrintState = 2;
      } else if (dwExitCode == 0) {
        m_nPrintState = 2;
      }
      SetTimer(kPollTimer, 20);
    }
  } else if (m_nPrintState == 2 && CloseWorker()) {
    KillTimer(kPollTimer);
    EndDialog(IDOK);
  }
}

void CPrintTextDlg::OnStop() {
  if (!m_pThread) return;
  m_nPrintState = 2;
  m_pThread->m_bCancel = TRUE;
}

BOOL CPrintTextDlg::CloseWorker() {
  if (m_pThread) {
    m_pThread->m_bCancel = TRUE;
    DWORD dwExitCode = 0;
    if (::GetExitCodeThread(m_pThread->m_hThread, &dwExitCode) && dwExitCode != 0 &&
        dwExitCode != static_cast<DWORD>(-1)) {
      return FALSE;
    }
    delete m_pThread;
    m_pThread = nullptr;
  }
  WriteBackSelectPrinter();
  return TRUE;
}

void CPrintTextDlg::WriteBackSelectPrinter() {
  *m_param.pbSelectPrinter = IsChecked(IDC_PRINT_SELECT_PRINTER) ? TRUE : FALSE;
}

void CPrintTextDlg::OnCancel() {
  WriteBackSelectPrinter();
  CDialog::OnCancel();
}

void WINAPI ZvPrintTextDlg(PRINTTEXTPARAM* pParam) noexcept {
  ExportBoundary([&] {
    if (!pParam) return;
    CPrintTextDlg dialog;
    std::memcpy(&dialog.m_param, pParam, sizeof dialog.m_param);
    dialog.m_param.szFileName[MAX_PATH - 1] = L'\0';
    dialog.DoModal();
  });
}
