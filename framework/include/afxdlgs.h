// The system's common dialogs behind the framework's classes.
#pragma once

#include "afxwin.h"

#include <commdlg.h>

// The open and save dialogs. Callers may change m_ofn (initial folder, title,
// flags) between construction and DoModal.
class ZVFW_API CFileDialog : public CDialog {
 public:
  // lpszFilter in the framework's form: "説明|パターン|…||".
  explicit CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt = nullptr, LPCWSTR lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR lpszFilter = nullptr,
                       CWnd* pParentWnd = nullptr);

  // IDOK when a file was chosen, IDCANCEL when the dialog was cancelled or failed.
  INT_PTR DoModal() override;

  // The chosen file: its full path, and its name with the extension.
  CString GetPathName() const;
  CString GetFileName() const;

  OPENFILENAMEW m_ofn;

 protected:
  BOOL m_bOpenFileDialog;

 private:
  CString m_strDefExt;
  CString m_strFilter;    // NUL-separated, as the system reads it
  CString m_strFileName;  // m_ofn.lpstrFile points into this buffer
};

// The font dialog on a caller's LOGFONTW, which receives the chosen font on OK
// and stays as it was on cancel.
class ZVFW_API CFontDialog : public CDialog {
 public:
  // With a printer DC the fonts listed are those of that printer.
  explicit CFontDialog(LPLOGFONTW lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                       CDC* pdcPrinter = nullptr, CWnd* pParentWnd = nullptr);

  // IDOK when a font was chosen, IDCANCEL otherwise.
  INT_PTR DoModal() override;

  CHOOSEFONTW m_cf;

 private:
  LOGFONTW m_lf;  // the font chosen when the caller gave none
};

// The print dialog, or the default printer without a dialog.
class ZVFW_API CPrintDialog : public CDialog {
 public:
  explicit CPrintDialog(BOOL bPrintSetupOnly,
                        DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                        PD_NOSELECTION,
                        CWnd* pParentWnd = nullptr);
  ~CPrintDialog() override;

  // IDOK when the user confirmed a printer, IDCANCEL otherwise.
  INT_PTR DoModal() override;
  // The default printer without showing anything; FALSE when there is none.
  BOOL GetDefaults();
  // The DC made for the chosen printer, now the caller's to delete.
  HDC GetPrinterDC() const { return m_pd.hDC; }
  CString GetDeviceName() const;

  PRINTDLGW m_pd;
};

// The colour dialog. As the framework's own, it always runs with its hook
// (CC_ENABLEHOOK), and a non-zero initial colour adds CC_RGBINIT.
class ZVFW_API CColorDialog : public CDialog {
 public:
  explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd* pParentWnd = nullptr);

  // IDOK when the user confirmed a colour, IDCANCEL otherwise.
  INT_PTR DoModal() override;
  COLORREF GetColor() const { return m_cc.rgbResult; }
  // The sixteen custom colours, shared by every colour dialog of the process.
  static COLORREF* PASCAL GetSavedCustomColors();

  CHOOSECOLORW m_cc;
};
