#include "print_thread.h"

#include <commctrl.h>
#include <mbctype.h>

#include <new>

namespace {

using zv::print::CommandKind;
using zv::print::LayoutCommand;
using zv::print::RowEnd;

// Room for the UTF-16 units of one double-byte character.
constexpr int kUnitsPerCharacter = 5;

std::wstring Widen(const char* ascii, std::size_t length) { return std::wstring(ascii, ascii + length); }

}  // namespace

BEGIN_MESSAGE_MAP(CTextPrintThread, CWinThread)
END_MESSAGE_MAP()

CTextPrintThread::CTextPrintThread() = default;
CTextPrintThread::~CTextPrintThread() = default;

BOOL CTextPrintThread::InitInstance() {
  m_docInfo = {};
  m_docInfo.cbSize = sizeof m_docInfo;
  m_docInfo.lpszDocName = m_strFileName;
  m_pDC->SetTextColor(RGB(0, 0, 0));
  m_pDC->SetBkColor(RGB(255, 255, 255));

  zv::print::PageMetrics metrics{.marginLeft = m_rcMargin.left,
                                 .marginTop = m_rcMargin.top,
                                 .printWidth = m_nPrintWidth,
                                 .printHeight = m_nPrintHeight};
  // The fonts do not change while the document prints: measured once.
  Measure(m_pHeaderFont, metrics.headerLineHeight, metrics.headerCharWidth);
  Measure(m_pBodyFont, metrics.rowHeight, metrics.cellWidth);
  m_nCellWidth = metrics.cellWidth;
  const zv::print::PageSettings settings{.rows = {m_nLineChars, m_nTabColumns},
                                         .pageLines = m_nPageLines,
                                         .twoColumns = m_bTwoColumns != FALSE,
                                         .printFileName = m_bPrintFileName != FALSE,
                                         .printPageNumber = m_bPrintPageNumber != FALSE,
                                         .printLineNumbers = m_bPrintLineNumbers != FALSE,
                                         .pageRange = m_bPageRange != FALSE,
                                         .firstPage = m_nFirstPage,
                                         .lastPage = m_nLastPage};
  const zv::print::Text text(m_pText, m_pText && m_nTextSize > 0 ? static_cast<std::size_t>(m_nTextSize) : 0);
  m_pPaginator = std::make_unique<zv::print::Paginator>(text, settings, metrics,
                                                        zv::print::LeadBytes::From([](std::uint8_t byte) {
                                                          return _ismbblead(byte) != 0;
                                                        }));
  m_nState = kStartDocument;
  return TRUE;
}

int CTextPrintThread::ExitInstance() { return CWinThread::ExitInstance(); }

BOOL CTextPrintThread::OnIdle(LONG) {
  if (m_bCancel) Abort();
  switch (m_nState) {
    case kStartDocument:
      // A document that cannot start ends quietly: the dialog closes as after a print.
      if (m_pDC->StartDoc(&m_docInfo) <= 0) AfxEndThread(0);
      m_pPaginator->Next(m_command);
      m_nState = kBeginPage;
      break;
    case kBeginPage:
      // A page the spooler refuses now is asked for again at the next call.
      if (m_command.printed && m_pDC->StartPage() <= 0) break;
      m_nState = kPageHeader;
      break;
    case kPageHeader:
      PrintHeader();
      m_nState = kPrintBody;
      break;
    case kPrintBody:
      PrintBody();
      m_nState = kPageFooter;
      break;
    case kPageFooter:
      PrintFooter();
      m_nState = kFinishPage;
      break;
    case kFinishPage:
      FinishPage();
      break;
    case kEndDocument:
      if (m_pDC->EndDoc() <= 0) Abort();
      m_pDC->DeleteDC();
      AfxEndThread(0);
  }
  return TRUE;
}

void CTextPrintThread::Abort() {
  m_pDC->AbortDoc();
  AfxEndThread(static_cast<UINT>(-1));
}

void CTextPrintThread::Measure(CFont* pFont, int& nLineHeight, int& nCharWidth) {
  CFont* pOldFont = m_pDC->SelectObject(pFont);
  TEXTMETRICW metrics{};
  m_pDC->GetTextMetrics(&metrics);
  nLineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  nCharWidth = metrics.tmAveCharWidth;
  m_pDC->SelectObject(pOldFont);
}

void CTextPrintThread::PrintHeader() {
  if (!m_command.printed || !m_command.decorated) return;
  CFont* pOldFont = m_pDC->SelectObject(m_pHeaderFont);
  m_pDC->TextOut(m_command.decorationAt.x, m_command.decorationAt.y, m_strFileName, m_strFileName.GetLength());
  m_pDC->SelectObject(pOldFont);
}

void CTextPrintThread::PrintBody() {
  const int nTextSize = m_nTextSize > 0 ? m_nTextSize : 0;
  CFont* pOldFont = m_command.printed ? m_pDC->SelectObject(m_pBodyFont) : nullptr;
  try {
    while (m_pPaginator->Next(m_command) && m_command.kind != CommandKind::kPageEnd) {
      if (m_command.kind != CommandKind::kRow) continue;
      if (m_command.printed) DrawRow(m_command);
      if (m_command.end != RowEnd::kFormFeed && m_command.end != RowEnd::kEndOfText && !m_bCancel) {
        ShowProgress(zv::print::ProgressPercent(m_command.consumed, static_cast<std::uint64_t>(nTextSize)));
      }
    }
  } catch (const std::bad_alloc&) {
    if (pOldFont) m_pDC->SelectObject(pOldFont);
    Abort();
  }
  if (pOldFont) m_pDC->SelectObject(pOldFont);
}

void CTextPrintThread::PrintFooter() {
  if (!m_command.printed || !m_command.decorated) return;
  CFont* pOldFont = m_pDC->SelectObject(m_pHeaderFont);
  const std::wstring footer = Widen(m_command.footer, m_command.footerLength);
  m_pDC->TextOut(m_command.decorationAt.x, m_command.decorationAt.y, footer.c_str(), static_cast<int>(footer.size()));
  m_pDC->SelectObject(pOldFont);
}

void CTextPrintThread::FinishPage() {
  if (m_command.printed && m_pDC->EndPage() <= 0) return;  // asked for again at the next call
  if (m_command.lastPage) {
    if (m_command.printed && !m_bCancel) {
      m_nShownPercent = -1;
      ShowProgress(100);
    }
    m_nState = kEndDocument;
    return;
  }
  m_pPaginator->Next(m_command);
  m_nState = kBeginPage;
}

// Every character sits at its own cell whatever the font's own widths: one
// call per row, each character advanced by the cells it takes.
void CTextPrintThread::DrawRow(const LayoutCommand& row) {
  if (m_bPrintLineNumbers) {
    char digits[5];
    zv::print::FormatRowNumber(row.rowNumber, digits);
    const std::wstring number = Widen(digits, 5);
    m_pDC->TextOut(row.rowAt.x, row.rowAt.y, number.c_str(), 5);
  }
  if (row.cells.empty()) return;
  m_rowText.resize(row.cells.size() * kUnitsPerCharacter);
  m_rowAdvance.resize(m_rowText.size());
  int units = 0;
  for (std::size_t i = 0; i < row.cells.size();) {
    const std::size_t length = m_pPaginator->Rows().CharacterLength(row.cells, i);
    const int converted =
        ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<LPCCH>(row.cells.data() + i), static_cast<int>(length),
                              m_rowText.data() + units, kUnitsPerCharacter);
    // A byte sequence the code page cannot convert leaves its cells blank.
    const int count = converted > 0 ? converted : 1;
    if (converted <= 0) m_rowText[units] = L' ';
    for (int unit = 0; unit < count; ++unit) m_rowAdvance[units + unit] = 0;
    units += count;
    m_rowAdvance[units - 1] = static_cast<int>(length) * m_nCellWidth;
    i += length;
  }
  if (units > 0) m_pDC->ExtTextOut(row.textAt.x, row.textAt.y, m_rowText.data(), units, m_rowAdvance.data());
}

void CTextPrintThread::ShowProgress(int nPercent) {
  // The bar and the text only change with the percentage: one message pair per
  // step of it instead of two per row.
  if (nPercent == m_nShownPercent || !m_pDialog) return;
  m_nShownPercent = nPercent;
  CString strPercent;
  strPercent.Format(L"%d%c", nPercent, L'%');
  const HWND hDialog = m_pDialog->m_hWnd;
  ::SendDlgItemMessageW(hDialog, IDC_PRINT_PROGRESS, PBM_SETPOS, nPercent, 0);
  ::SetWindowTextW(::GetDlgItem(hDialog, IDC_PRINT_PERCENT), strPercent);
}
