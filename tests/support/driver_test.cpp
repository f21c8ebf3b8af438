// The support library under Wine: a dialog made in memory is run modally on the
// test's thread while a UiScript plays the person.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "dialog_driver.h"
#include "test_files.h"

using namespace zvtest;

namespace {

enum : int {
    kName = 100,
    kSave = 101,
    kAsk = 102,
    kDisabled = 103,
    kKind = 104,
    kList = 105,
    kLabel = -1,  // labels carry the id -1, like the message box text
};

const wchar_t* const kTitle = L"ドライバ試験";

// A DLGTEMPLATE with its items, laid out as DialogBoxIndirectParamW reads it.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* title, short cx, short cy)
    {
        const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        Dword(style);
        Dword(0);
        words_.push_back(0);  // item count, patched by Add
        Short(0);
        Short(0);
        Short(cx);
        Short(cy);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // standard dialog class
        String(title);
        words_.push_back(9);
        String(L"ＭＳ ゴシック");
    }

    void Add(WORD classAtom, DWORD style, short x, short y, short cx, short cy, int id, const wchar_t* text)
    {
        if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Short(x);
        Short(y);
        Short(cx);
        Short(cy);
        words_.push_back(static_cast<WORD>(id));
        words_.push_back(0xFFFF);
        words_.push_back(classAtom);
        String(text);
        words_.push_back(0);  // no creation data
        ++words_[4];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Dword(DWORD value)
    {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void Short(short value) { words_.push_back(static_cast<WORD>(value)); }
    void String(const wchar_t* text)
    {
        words_.insert(words_.end(), text, text + wcslen(text));
        words_.push_back(0);
    }

    std::vector<WORD> words_;  // WORD-aligned storage keeps the template's alignment
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kListBox = 0x0083, kComboBox = 0x0085;

// What the dialog procedure received.
struct DialogRecord {
    std::wstring nameAtOk;
    bool savedAtOk = false;
    int askAnswer = 0;
    int disabledClicks = 0;
    int nameChanges = 0;
    int kindAtChange = -1;
    int listAtChange = -1;
};

INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* record = reinterpret_cast<DialogRecord*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        for (const wchar_t* item : {L"一", L"二", L"三"}) {
            SendDlgItemMessageW(dlg, kKind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            SendDlgItemMessageW(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        return TRUE;
    case WM_COMMAND:
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
        case kDisabled:
            ++record->disabledClicks;
            return TRUE;
        case kName:
            if (HIWORD(wParam) == EN_CHANGE) ++record->nameChanges;
            return TRUE;
        case kKind:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                record->kindAtChange = static_cast<int>(SendDlgItemMessageW(dlg, kKind, CB_GETCURSEL, 0, 0));
            return TRUE;
        case kList:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                record->listAtChange = static_cast<int>(SendDlgItemMessageW(dlg, kList, LB_GETCURSEL, 0, 0));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR RunTestDialog(DialogRecord& record)
{
    DialogTemplate dialog(kTitle, 220, 150);
    dialog.Add(kStatic, SS_LEFT, 7, 9, 40, 10, kLabel, L"名前:");
    dialog.Add(kEdit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 50, 7, 160, 14, kName, L"");
    dialog.Add(kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 7, 26, 100, 10, kSave, L"保存する");
    dialog.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 7, 42, 60, 14, kAsk, L"確認...");
    dialog.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 72, 42, 60, 14, kDisabled, L"無効");
    dialog.Add(kComboBox, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 62, 100, 60, kKind, L"");
    dialog.Add(kListBox, LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 112, 62, 100, 40, kList, L"");
    dialog.Add(kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 106, 128, 50, 14, IDOK, L"OK");
    dialog.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 162, 128, 50, 14, IDCANCEL, L"キャンセル");
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), nullptr, TestDialogProc,
                                   reinterpret_cast<LPARAM>(&record));
}

TEST(DialogDriver, FillsChecksAndAnswersLikeAPerson)
{
    DialogRecord record;
    std::optional<SeenMessageBox> box;
    std::vector<std::wstring> kinds, listItems;
    bool disabledClickAccepted = true;
    UiScript script([&] {
        HWND dlg = RequireDialog(kTitle);
        Require(WindowText(dlg) == kTitle, "the caption reads back");
        Require(TypeKeys(dlg, kName, L"abc漢字"), "typing into the name");
        Require(WaitForText(dlg, kName, L"abc漢字"), "the typed name shows");
        Require(SetText(dlg, kName, L"山田 太郎"), "setting the name");
        Require(!IsChecked(dlg, kSave), "the box starts unchecked");
        Require(Click(dlg, kSave), "clicking the check box");
        Require(WaitForCondition([&] { return IsChecked(dlg, kSave); }, 5000), "the box gets checked");
        Require(!IsEnabled(dlg, kDisabled), "the disabled button reads disabled");
        disabledClickAccepted = Click(dlg, kDisabled);
        kinds = ComboItems(dlg, kKind);
        listItems = ListItems(dlg, kList);
        Require(SelectComboIndex(dlg, kKind, 2), "choosing a kind");
        Require(SelectListIndex(dlg, kList, 1), "choosing a list item");
        Require(WaitForCondition([&] { return ComboSelection(dlg, kKind) == 2 && ListSelection(dlg, kList) == 1; },
                                 5000),
                "the selections show");
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
    EXPECT_GE(record.nameChanges, 2);
    EXPECT_FALSE(disabledClickAccepted);
    EXPECT_EQ(record.disabledClicks, 0);
    EXPECT_EQ(kinds, (std::vector<std::wstring>{L"一", L"二", L"三"}));
    EXPECT_EQ(listItems, (std::vector<std::wstring>{L"一", L"二", L"三"}));
    EXPECT_EQ(record.kindAtChange, 2);
    EXPECT_EQ(record.listAtChange, 1);
    EXPECT_EQ(record.askAnswer, IDYES);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, L"確認");
    EXPECT_EQ(box->text, L"上書きしますか？");
}

// The library's worker threads own dialogs too; the test's own thread drives them.
TEST(DialogDriver, DrivesADialogOfAnotherThread)
{
    DialogRecord record;
    std::atomic<bool> ended{false};
    INT_PTR result = 0;
    std::thread ui([&] {
        result = RunTestDialog(record);
        ended = true;
    });
    HWND dlg = WaitForDialog(kTitle);
    const bool driven = dlg && TypeKeys(dlg, kName, L"別スレッド") && WaitForText(dlg, kName, L"別スレッド") &&
                        Click(dlg, kSave) && WaitForCondition([&] { return IsChecked(dlg, kSave); }) &&
                        Click(dlg, IDOK);
    if (!WaitForCondition([&] { return ended.load(); })) CloseProcessDialogs();
    ui.join();

    EXPECT_TRUE(driven);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(record.nameAtOk, L"別スレッド");
    EXPECT_TRUE(record.savedAtOk);
}

TEST(DialogDriver, EndsTheDialogTheWaysAPersonCan)
{
    struct Case {
        const char* name;
        std::function<bool(HWND)> end;
        INT_PTR expected;
    };
    const Case cases[] = {
        {"click OK", [](HWND dlg) { return Click(dlg, IDOK); }, IDOK},
        {"click Cancel", [](HWND dlg) { return Click(dlg, IDCANCEL); }, IDCANCEL},
        {"Enter presses the default button", [](HWND dlg) { return PressKey(dlg, VK_RETURN); }, IDOK},
        {"Esc cancels", [](HWND dlg) { return PressKey(dlg, VK_ESCAPE); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogRecord record;
        UiScript script([&] { Require(c.end(RequireDialog(kTitle)), c.name); });
        EXPECT_EQ(RunTestDialog(record), c.expected);
        EXPECT_TRUE(script.Join()) << script.Failure();
    }
}

TEST(DialogDriver, ScreenshotShowsTheDialog)
{
    TempDir dir;
    const std::wstring shot = dir.Path(L"screen.bmp");
    RECT dialogRect{};
    DialogRecord record;
    UiScript script([&] {
        HWND dlg = RequireDialog(kTitle);
        GetWindowRect(dlg, &dialogRect);
        Require(Screenshot(shot), "taking the screenshot");
        Require(Click(dlg, IDOK), "clicking OK");
    });
    RunTestDialog(record);
    ASSERT_TRUE(script.Join()) << script.Failure();

    const std::vector<uint8_t> bmp = ReadBytes(shot);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    ASSERT_EQ(bmp.size(), 54 + stride * height);
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::memcpy(&file, bmp.data(), sizeof file);
    std::memcpy(&info, bmp.data() + sizeof file, sizeof info);
    EXPECT_EQ(file.bfType, 0x4D42);
    EXPECT_EQ(file.bfOffBits, 54u);
    EXPECT_EQ(info.biWidth, width);
    EXPECT_EQ(info.biHeight, height);
    EXPECT_EQ(info.biBitCount, 24);

    // Inside the dialog the capture holds its face colour and something drawn on it.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int facePixels = 0, otherPixels = 0;
    for (int y = dialogRect.top; y < dialogRect.bottom; ++y) {
        for (int x = dialogRect.left; x < dialogRect.right; ++x) {
            const uint8_t* p = bmp.data() + 54 + stride * (height - 1 - y) + x * 3;
            (RGB(p[2], p[1], p[0]) == face ? facePixels : otherPixels)++;
        }
    }
    const int area = (dialogRect.right - dialogRect.left) * (dialogRect.bottom - dialogRect.top);
    EXPECT_GT(facePixels, area / 2);
    EXPECT_GT(otherPixels, area / 50);
}

// Sets an environment variable for the C runtime (where _wgetenv reads) and puts it back.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        if (const wchar_t* old = _wgetenv(name)) old_ = old;
        _wputenv((name_ + L"=" + value).c_str());
    }
    ~ScopedEnv() { _wputenv((name_ + L"=" + old_).c_str()); }

private:
    std::wstring name_, old_;
};

size_t CountFiles(const std::wstring& dir)
{
    size_t count = 0;
    WIN32_FIND_DATAW find;
    HANDLE search = FindFirstFileW((dir + L"\\*.bmp").c_str(), &find);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (FindNextFileW(search, &find));
    FindClose(search);
    return count;
}

TEST(UiScript, AFailedOrStuckScriptClosesTheDialogAndLeavesEvidence)
{
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
        {"script throws", 30000,
         [] {
             RequireDialog(kTitle);
             throw std::runtime_error("thrown on purpose");
         },
         "thrown on purpose"},
        {"dialog never appears", 30000, [] { RequireDialog(L"存在しない", 500); }, "no dialog"},
        {"script outlives its deadline", 1500,
         [] {
             RequireDialog(kTitle);
             WaitForCondition([] { return false; }, 60000);
         },
         "still running after 1500 ms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir evidence;
        ScopedEnv env(L"ZVTEST_SCREENSHOTS", evidence.Dir());
        DialogRecord record;
        const ULONGLONG start = GetTickCount64();
        UiScript script(c.script, c.deadlineMs);
        EXPECT_EQ(RunTestDialog(record), IDCANCEL);
        EXPECT_FALSE(script.Join());
        EXPECT_LT(GetTickCount64() - start, 15000u);
        EXPECT_NE(script.Failure().find(c.failure), std::string::npos) << script.Failure();
        EXPECT_GE(CountFiles(evidence.Dir()), 1u);
        EXPECT_TRUE(ProcessDialogs().empty());
    }
}

TEST(FileLock, HoldsTheFileUntilReleased)
{
    TempDir dir;
    const std::wstring path = dir.Path(L"locked.bin");
    ASSERT_TRUE(WriteBytes(path, std::string_view("data")));
    DWORD pid = 0;
    {
        FileLock lock(path);
        ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
        pid = lock.ProcessId();
        const struct {
            const char* name;
            DWORD access;
        } opens[] = {{"write", GENERIC_WRITE}, {"read", GENERIC_READ}};
        for (const auto& open : opens) {
            SCOPED_TRACE(open.name);
            SetLastError(0);
            HANDLE file = CreateFileW(path.c_str(), open.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            EXPECT_EQ(file, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
    }
    // The helper is gone with the lock, and the file is open to all again, untouched.
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
        CloseHandle(process);
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'d', 'a', 't', 'a'}));
}

TEST(FileLock, ReportsWhatKeepsItFromLocking)
{
    TempDir dir;
    FileLock lock(dir.Path(L"missing folder\\file.bin"), 5000);
    EXPECT_FALSE(lock.Held());
    EXPECT_NE(lock.Error().find(L"error 3"), std::wstring::npos) << Utf8(lock.Error());  // ERROR_PATH_NOT_FOUND
}

TEST(TempDir, RemovesEverythingItHolds)
{
    std::wstring root;
    {
        TempDir dir;
        root = dir.Dir();
        EXPECT_EQ(dir.Path(L"a\\b.txt"), root + L"\\a\\b.txt");
        ASSERT_TRUE(CreateDirectoryW(dir.Path(L"a").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(dir.Path(L"a\\深い").c_str(), nullptr));
        ASSERT_TRUE(WriteBytes(dir.Path(L"a\\b.txt"), std::string_view("x")));
        ASSERT_TRUE(WriteBytes(dir.Path(L"a\\深い\\読み取り専用.txt"), std::string_view("y")));
        ASSERT_TRUE(SetFileAttributesW(dir.Path(L"a\\深い\\読み取り専用.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(SetFileAttributesW(dir.Path(L"a").c_str(), FILE_ATTRIBUTE_READONLY));
        TempDir other;
        EXPECT_NE(other.Dir(), root);
    }
    EXPECT_FALSE(FileExists(root));
}

TEST(TestFiles, BytesRoundTripAndRandomDataRepeats)
{
    TempDir dir;
    const std::vector<uint8_t> bytes{0x00, 0xFF, 0x0D, 0x0A, 0x1A, 0x00};
    ASSERT_TRUE(WriteBytes(dir.Path(L"b.bin"), bytes));
    EXPECT_EQ(ReadBytes(dir.Path(L"b.bin")), bytes);
    EXPECT_TRUE(ReadBytes(dir.Path(L"none.bin")).empty());
    EXPECT_FALSE(FileExists(dir.Path(L"none.bin")));

    const std::vector<uint8_t> a = RandomBytes(13, 42);
    EXPECT_EQ(a.size(), 13u);
    EXPECT_EQ(RandomBytes(13, 42), a);
    EXPECT_EQ(std::vector<uint8_t>(a.begin(), a.begin() + 5), RandomBytes(5, 42));
    EXPECT_NE(RandomBytes(13, 43), a);
    EXPECT_NE(RandomBytes(16, 0), std::vector<uint8_t>(16, 0));
}

TEST(TestFiles, ConvertsTestText)
{
    const struct {
        const char* utf8;
        std::wstring utf16;
        std::string sjis;
    } cases[] = {
        {"", L"", ""},
        {"abc", L"abc", "abc"},
        {"日本語", L"日本語", "\x93\xFA\x96\x7B\x8C\xEA"},
        {"ｱｲ", L"ｱｲ", "\xB1\xB2"},
        {"ソ表", L"ソ表", "\x83\x5C\x95\x5C"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf8(c.utf16), c.utf8);
        EXPECT_EQ(Sjis(c.utf16), c.sjis);
    }
}

}  // namespace
