#include "wallpaper_dialog.h"

#include <afxdllx.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "wallpaper_form.h"
#include "cstring_text.h"

using namespace zv::settings;

namespace {

// The current user's desktop settings, open with full access while the object lives.
class DesktopKey {
 public:
  DesktopKey() {
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\desktop", 0, KEY_ALL_ACCESS, &m_hKey) != ERROR_SUCCESS)
      m_hKey = nullptr;
  }
  ~DesktopKey() {
    if (m_hKey) ::RegCloseKey(m_hKey);
  }
  DesktopKey(const DesktopKey&) = delete;
  DesktopKey& operator=(const DesktopKey&) = delete;

  bool IsOpen() const { return m_hKey != nullptr; }

  // The value's text as an integer (_wtoi), or nothing when it cannot be read
  // within limit bytes. limit is left as the system leaves it; a limit beyond
  // the buffer (a long value read before) is cut to it.
  std::optional<int> ReadInt(LPCWSTR name, DWORD& limit) const {
    wchar_t text[100] = {};
    limit = std::min<DWORD>(limit, sizeof text - sizeof text[0]);
    if (::RegQueryValueExW(m_hKey, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &limit) != ERROR_SUCCESS)
      return std::nullopt;
    return _wtoi(text);
  }

  void Apply(const DesktopWrite& write) const {
    LPCWSTR name = AsWide(write.name);
    if (!write.text) {
      ::RegDeleteValueW(m_hKey, name);
      return;
    }
    const DWORD bytes = static_cast<DWORD>((write.text->size() + 1) * sizeof(wchar_t));
    ::RegSetValueExW(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(AsWide(*write.text)), bytes);
  }

 private:
  HKEY m_hKey = nullptr;
};

std::u16string ItemText(HWND dialog, int id) {
  CString text;
  CWnd::FromHandle(dialog)->GetDlgItemText(id, text);
  return std::u16string(AsUtf16(text));
}

}  // namespace

BEGIN_MESSAGE_MAP(CSetWallPaperDlg, CDialog)
END_MESSAGE_MAP()

void CSetWallPaperDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_WP_X, m_nOriginX);
  DDX_Text(pDX, IDC_WP_Y, m_nOriginY);
}

BOOL CSetWallPaperDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (GetOsPlatformId() != VER_PLATFORM_WIN32_NT) ::EnableWindow(::GetDlgItem(m_hWnd, IDC_WP_STRETCH), FALSE);
  SetDlgItemText(IDC_WP_FILE, m_strPath);
  const DesktopKey key;
  if (!key.IsOpen()) return TRUE;

  // Both are read with one size variable: the second read's limit is what
  // the first left in it.
  DWORD size = 10;
  const std::optional<int> style = key.ReadInt(L"WallpaperStyle", size);
  const std::optional<int> tile = key.ReadInt(L"TileWallpaper", size);
  static constexpr int kPlacementIds[] = {IDC_WP_CENTRE, IDC_WP_TILE, IDC_WP_STRETCH};
  CheckDlgButton(kPlacementIds[static_cast<int>(PlacementFromValues(style, tile))], BST_CHECKED);

  DWORD sizeX = 100, sizeY = 100;
  const std::optional<int> x = key.ReadInt(L"WallpaperOriginX", sizeX);
  const std::optional<int> y = x ? key.ReadInt(L"WallpaperOriginY", sizeY) : std::nullopt;
  if (x && y) {
    CheckDlgButton(IDC_WP_ORIGIN, BST_CHECKED);
    CString text;
    text.Format(L"%d", *x);
    SetDlgItemText(IDC_WP_X, text);
    text.Format(L"%d", *y);
    SetDlgItemText(IDC_WP_Y, text);
  }
  return TRUE;
}

void CSetWallPaperDlg::OnOK() {
  {
    const DesktopKey key;
    if (key.IsOpen()) {
      const Placement placement = IsDlgButtonChecked(IDC_WP_STRETCH) ? Placement::kStretch
                                  : IsDlgButtonChecked(IDC_WP_TILE)  ? Placement::kTile
                                                                     : Placement::kCentre;
      for (const DesktopWrite& write : WallpaperWrites(placement, IsDlgButtonChecked(IDC_WP_ORIGIN) == BST_CHECKED,
                                                       ItemText(m_hWnd, IDC_WP_X), ItemText(m_hWnd, IDC_WP_Y)))
        key.Apply(write);
    }
  }
  // Written to the profile and broadcast, so the system reads the new
  // placement and every window hears of it. A failure is not reported.
  ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<LPWSTR>(m_strPath.GetString()),
                          SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
  CDialog::OnOK();
}

void WINAPI OnSetwallpaper(LPCWSTR pszPath) noexcept {
  ExportBoundary([&] {
    CSetWallPaperDlg dialog;
    dialog.m_strPath = pszPath ? pszPath : L"";
    dialog.DoModal();
  });
}
