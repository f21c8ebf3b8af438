// The support library under Wine: a dialog made in memory is run modally on the
// test's thread while a UiScript plays the person.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "dialog_driver.h"
#include "test_files.h"

using namespace zvtest;

namespace {

enum : int { kName = 100, kSave = 101, kAsk = 102 };
constexpr WORD kButton = 0x0080, kEdit = 0x0081;
const wchar_t* const kTitle = L"ドライバ試験";

// A DLGTEMPLATE with its items, laid out as DialogBoxIndirectParamW reads it.
class DialogTemplate {
 public:
  DialogTemplate(const wchar_t* title, short cx, short cy) {
    Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    Words({0, 0, 0, 0, 0, WORD(cx), WORD(cy), 0, 0});  // ex-style, item count, x, y, cx, cy, menu, class
    String(title);
    words_.push_back(9);
    String(L"ＭＳ ゴシック");
  }

  void Add(WORD classAtom, DWORD style, short x, short y, short cx, short cy, int id, const wchar_t* text) {
    if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
    Dword(style | WS_CHILD | WS_VISIBLE);
    Words({0, 0, WORD(x), WORD(y), WORD(cx), WORD(cy), WORD(id), 0xFFFF, classAtom});
    String(text);
    words_.push_back(0);  // no creation data
    ++words_[4];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD value) { Words({LOWORD(value), HIWORD(value)}); }
  void Words(std::initializer_list<WORD> words) { words_.insert(words_.end(), words); }
  void String(const wchar_t* text) { words_.insert(words_.end(), text, text + wcslen(text) + 1); }

  std::vector<WORD> words_;  // WORD-aligned storage keeps the template's alignment
};

struct DialogRecord {
  std::wstring nameAtOk;
  bool savedAtOk = false;
  int askAnswer = 0;
};

INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* record = reinterpret_cast<DialogRecord*>(GetWindowLongPtrW(dlg, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dlg, DWLP_USER, lParam);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK: {
      wchar_t name[256] = {};
      GetDlgItemTextW(dlg, kName, name, 256);
      record->nameAtOk = name;
      record->savedAtOk = IsDlgButtonChecked(dlg, kSave) == BST_CHECKED;
      EndDialog(dlg, IDOK);
      return TRUE;
    }
    case IDCANCEL:
      EndDialog(dlg, IDCANCEL);
      return TRUE;
    case kAsk:
      record->askAnswer = MessageBoxW(dlg, L"上書きしますか？", L"確認", MB_YESNO | MB_ICONQUESTION);
      return TRUE;
  }
  return FALSE;
}

INT_PTR RunTestDialog(DialogRecord& record) {
  DialogTemplate dialog(kTitle, 220, 80);
  dialog.Add(kEdit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 7, 200, 14, kName, L"");
  dialog.Add(kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 7, 26, 100, 10, kSave, L"保存する");
  dialog.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 7, 42, 60, 14, kAsk, L"確認...");
  dialog.Add(kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 106, 60, 50, 14, IDOK, L"OK");
  dialog.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 162, 60, 50, 14, IDCANCEL, L"キャンセル");
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), nullptr, TestDialogProc,
                                 reinterpret_cast<LPARAM>(&record));
}

TEST(DialogDriver, FillsChecksAndAnswersLikeAPerson) {
  DialogRecord record;
  std::optional<SeenMessageBox> box;
  UiScript script([&] {
    HWND dlg = RequireDialog(kTitle);
    Require(TypeKeys(dlg, kName, L"abc漢字"), "typing into the name");
    Require(WaitForText(dlg, kName, L"abc漢字"), "the typed name shows");
    Require(SetText(dlg, kName, L"山田 太郎"), "setting the name");
    Require(!IsChecked(dlg, kSave), "the box starts unchecked");
    Require(Click(dlg, kSave), "clicking the check box");
    Require(WaitForCondition([&] { return IsChecked(dlg, kSave); }, 5000), "the box gets checked");
    Require(Click(dlg, kAsk), "clicking the button that asks");
    box = AnswerMessageBox(IDYES);
    Require(box.has_value(), "the question is answered");
    Require(Click(dlg, IDOK), "clicking OK");
  });
  const INT_PTR result = RunTestDialog(record);
  ASSERT_TRUE(script.Join()) << script.Failure();

  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(record.nameAtOk, L"山田 太郎");
  EXPECT_TRUE(record.savedAtOk);
  EXPECT_EQ(record.askAnswer, IDYES);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, L"確認");
  EXPECT_EQ(box->text, L"上書きしますか？");
}

// Tests run side by side: another window may take the activation, and with it
// the dialog thread's focus, while a key is about to be pressed.
TEST(DialogDriver, KeysReachADialogThatLostTheActivation) {
  DialogRecord record;
  bool lostFocus = false;
  UiScript script([&] {
    HWND dlg = RequireDialog(kTitle);
    Require(WaitForCondition([&] { return FocusOf(dlg) != nullptr; }), "the dialog has the focus");
    HWND other = CreateWindowExW(0, L"STATIC", L"他の窓", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    Require(other != nullptr, "another window");
    SetForegroundWindow(other);
    lostFocus = WaitForCondition([&] { return FocusOf(dlg) == nullptr; }, 3000);
    const bool pressed = PressKey(dlg, VK_ESCAPE);
    DestroyWindow(other);
    Require(pressed, "pressing Esc");
  });
  EXPECT_EQ(RunTestDialog(record), IDCANCEL);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_TRUE(lostFocus) << "the other window never took the focus: nothing was shown";
}

TEST(UiScript, AFailedOrStuckScriptOrAModalLeftOpenClosesTheDialog) {
  struct Case {
    const char* name;
    DWORD deadlineMs;
    std::function<void()> script;
    const char* failure;
  };
  const Case cases[] = {
      {"script fails", 30000,
       [] {
         RequireDialog(kTitle);
         Fail("stopped on purpose");
       },
       "stopped on purpose"},
      {"script outlives its deadline", 1500,
       [] {
         RequireDialog(kTitle);
         WaitForCondition([] { return false; }, 60000);
       },
       "still running after 1500 ms"},
      {"script ends but leaves the dialog open", 1500, [] { RequireDialog(kTitle); },
       "the modal call had not returned 1500 ms after the script began"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DialogRecord record;
    const ULONGLONG start = GetTickCount64();
    UiScript script(c.script, c.deadlineMs);
    EXPECT_EQ(RunTestDialog(record), IDCANCEL);
    EXPECT_FALSE(script.Join());
    EXPECT_LT(GetTickCount64() - start, 15000u);
    EXPECT_NE(script.Failure().find(c.failure), std::string::npos) << script.Failure();
    EXPECT_TRUE(ProcessDialogs().empty());
  }
}

TEST(FileLock, HoldsTheFileUntilReleased) {
  TempDir dir;
  const std::wstring path = dir.Path(L"locked.bin");
  ASSERT_TRUE(WriteBytes(path, std::string_view("data")));
  const auto open = [&](DWORD access) {
    HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return error;
  };
  DWORD pid = 0;
  {
    FileLock lock(path);
    ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
    pid = lock.ProcessId();
    EXPECT_EQ(open(GENERIC_WRITE), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(open(GENERIC_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  // The helper is gone with the lock, and the file is open to all again, untouched.
  if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    CloseHandle(process);
  }
  EXPECT_EQ(open(GENERIC_WRITE), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'d', 'a', 't', 'a'}));
}

TEST(Screenshot, WritesABitmapOfTheScreen) {
  TempDir dir;
  const std::wstring shot = dir.Path(L"screen.bmp");
  ASSERT_TRUE(Screenshot(shot));
  const std::vector<uint8_t> bmp = ReadBytes(shot);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};  // rows pad to 4 bytes
  ASSERT_EQ(bmp.size(), 54 + stride * height);
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  std::memcpy(&file, bmp.data(), sizeof file);
  std::memcpy(&info, bmp.data() + sizeof file, sizeof info);
  EXPECT_EQ(file.bfType, 0x4D42);
  EXPECT_EQ(info.biWidth, width);
  EXPECT_EQ(info.biHeight, height);
  EXPECT_EQ(info.biBitCount, 24);
}

}  // namespace
