// The tag dialog driven as a person drives it, through ZvTagMakeDlg with the
// host's array of records: what it shows, what it asks, and the tag bytes it
// leaves on disk.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "support.h"
#include "tag_bytes.h"
#include "tag_make_dialog.h"
#include "support.h"

namespace {

using namespace zvtest;
using namespace tag_bytes;

constexpr wchar_t kTitle[] = L"タグの入力";
using TagDialog = INT_PTR(WINAPI*)(int, CFileEntryArray*);

TagDialog Dialog() {
  static const TagDialog function = GetExport<TagDialog>(::LoadLibraryW(L"ZvDll.dll"), "ZvTagMakeDlg");
  return function;
}

// Answers the message box that must come next with button, checking its caption and text.
void ExpectMessage(int button, const std::wstring& caption, const std::wstring& text) {
  const auto box = AnswerMessageBox(button);
  Require(box.has_value(), "no message box: " + Utf8(text));
  EXPECT_EQ(box->caption, caption);
  EXPECT_EQ(box->text, text);
}

void ClickAndWaitForName(HWND dlg, int button, const std::wstring& name) {
  Require(Click(dlg, button), "click");
  Require(WaitForText(dlg, IDC_TAG_FILENAME, name), "file name " + Utf8(name) + " not shown");
}

class TagDialogTest : public ::testing::Test {
 protected:
  ~TagDialogTest() override { FreeRecords(); }

  // A new folder and an empty list, for the next case of a table.
  void Reset() {
    FreeRecords();
    temp_ = std::make_unique<TempDir>();
  }
  void FreeRecords() {
    for (INT_PTR i = 0; i < files_.GetCount(); ++i) {
      FILEENTRY* entry = files_[i];
      delete entry->pId3v1;
      delete entry->pInfoMap;
      delete entry->pId3v2TextMap;
      delete entry->pId3v2CommentMap;
      delete entry;
    }
    files_.RemoveAll();
  }

  // Writes the file and adds the host's record of it, never read, to the list.
  FILEENTRY& Add(const std::wstring& name, const Bytes& bytes) {
    EXPECT_TRUE(WriteBytes(temp_->Path(name), bytes));
    auto* entry = new FILEENTRY{};
    HANDLE search = ::FindFirstFileW(temp_->Path(name).c_str(), &entry->findData);
    EXPECT_NE(search, INVALID_HANDLE_VALUE);
    ::FindClose(search);
    wcscpy_s(entry->szDir, temp_->Dir().c_str());
    files_.Add(entry);
    return *entry;
  }

  // Runs the dialog while person plays the user; the dialog's result. What
  // comes before the dialog shows (a message from its opening) is answered first.
  INT_PTR Run(bool allAtOnce, const std::function<void(HWND)>& person, const std::function<void()>& beforeShown = {}) {
    UiScript script([&] {
      if (beforeShown) beforeShown();
      person(RequireDialog(kTitle));
    });
    const INT_PTR result = Dialog()(allAtOnce, &files_);
    EXPECT_TRUE(script.Join()) << script.Failure();
    return result;
  }

  Bytes Disk(const std::wstring& name) const { return ReadBytes(temp_->Path(name)); }
  std::wstring Message(const std::wstring& name, const wchar_t* what) const {
    return temp_->Dir() + L"\\" + name + what;
  }

  std::unique_ptr<TempDir> temp_ = std::make_unique<TempDir>();
  CFileEntryArray files_;
};

TEST_F(TagDialogTest, FileByFileShowsEachFileAndWritesOnlyTheOneShown) {
  const Bytes a = MpegFrames(2) + Id3v1({.title = "A", .genre = 17});
  const Bytes b = Riff(101, Bytes{0} + InfoList({{"INAM", "B"}}));
  Add(L"a.mp3", a);
  Add(L"b.wav", b);
  FILEENTRY& c = Add(L"c.mp3", MpegFrames(2));

  const INT_PTR result = Run(false, [&](HWND dlg) {
    EXPECT_EQ(GetText(dlg, IDC_TAG_FULLPATH), temp_->Path(L"a.mp3"));
    EXPECT_EQ(GetText(dlg, IDC_TAG_FILENAME), L"a.mp3");
    EXPECT_EQ(GetText(dlg, IDC_TAG_TITLE), L"A");
    EXPECT_EQ(GetText(dlg, IDC_TAG_GENRE), L"Rock");
    EXPECT_EQ(Items(dlg, IDC_TAG_GENRE).size(), 149u);
    EXPECT_EQ(Items(dlg, IDC_TAG_GENRE).back(), L"未定");
    EXPECT_TRUE(IsChecked(dlg, IDC_TAG_KIND_ID3));
    EXPECT_EQ(Items(dlg, IDC_TAG_OTHER_FILES), (std::vector<std::wstring>{L"b.wav", L"c.mp3"}));
    EXPECT_EQ(GetText(dlg, IDC_TAG_OTHER_FILES), L"b.wav");
    for (int id : {IDC_TAG_PREVIOUS, IDC_TAG_USE_TITLE, IDC_TAG_USE_INFO_NAME, IDC_TAG_KIND_INFO, IDC_TAG_KIND_BOTH,
                   IDC_TAG_INFO_NAME, IDC_TAG_INFO_ENGINEER, IDC_TAG_COPY_TO_INFO, IDC_TAG_COPY_TO_ID3}) {
      EXPECT_FALSE(IsEnabled(dlg, id)) << id;
    }

    ClickAndWaitForName(dlg, IDC_TAG_SKIP, L"b.wav");
    for (int id : {IDC_TAG_PREVIOUS, IDC_TAG_KIND_INFO, IDC_TAG_INFO_NAME, IDC_TAG_COPY_TO_ID3}) {
      EXPECT_TRUE(IsEnabled(dlg, id)) << id;
    }
    EXPECT_TRUE(IsChecked(dlg, IDC_TAG_KIND_INFO));
    EXPECT_EQ(GetText(dlg, IDC_TAG_INFO_NAME), L"B");
    EXPECT_EQ(GetText(dlg, IDC_TAG_TITLE), L"");
    EXPECT_EQ(GetText(dlg, IDC_TAG_GENRE), L"未定");

    ClickAndWaitForName(dlg, IDC_TAG_PREVIOUS, L"a.mp3");
    EXPECT_FALSE(IsEnabled(dlg, IDC_TAG_PREVIOUS));
    ClickAndWaitForName(dlg, IDC_TAG_SKIP, L"b.wav");
    ClickAndWaitForName(dlg, IDC_TAG_SKIP, L"c.mp3");
    EXPECT_TRUE(IsChecked(dlg, IDC_TAG_KIND_NONE));

    // The edits stop at 30 characters (the year at 4), Japanese or not.
    Require(TypeKeys(dlg, IDC_TAG_TITLE, L"a" + std::wstring(31, L'あ')), "type the title");
    Require(TypeKeys(dlg, IDC_TAG_YEAR, L"20261"), "type the year");
    Require(WaitForText(dlg, IDC_TAG_YEAR, L"2026"), "year cut at 4");
    EXPECT_EQ(GetText(dlg, IDC_TAG_TITLE), L"a" + std::wstring(29, L'あ'));
    Require(Click(dlg, IDC_TAG_KIND_ID3) && Click(dlg, IDOK), "write");
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(Disk(L"a.mp3"), a);
  EXPECT_EQ(Disk(L"b.wav"), b);
  // 30 bytes of Shift-JIS hold "a" and 14 あ: the 15th would be cut in half.
  const std::string title = "a" + Sjis(std::wstring(14, L'あ'));
  EXPECT_EQ(Disk(L"c.mp3"), MpegFrames(2) + Id3v1({.title = title, .year = "2026"}));
  ASSERT_NE(c.pId3v1, nullptr) << "the host's record is read afresh";
  EXPECT_EQ(std::wstring(c.pId3v1->szTitle), L"a" + std::wstring(14, L'あ'));
}

TEST_F(TagDialogTest, RenamesThroughTheFileNameEdit) {
  const struct {
    const wchar_t* typed;
    const wchar_t* nameAfter;  // the file's name on disk afterwards
    bool fails;
  } cases[] = {
      {L"Song.MP3", L"song.mp3", false},
      {L"新しい歌.mp3", L"新しい歌.mp3", false},
      {L"taken.mp3", L"song.mp3", true},
      {L"", L"song.mp3", false},  // an emptied name keeps the name
      {L"a?b.mp3", L"song.mp3", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.typed));
    Reset();
    const Bytes taken = MpegFrames(1) + Id3v1({.title = "taken"});
    ASSERT_TRUE(WriteBytes(temp_->Path(L"taken.mp3"), taken));
    // Genre 200 is no genre of the list: shown as 未定 and written as 255.
    FILEENTRY& song = Add(L"song.mp3", MpegFrames(1) + Id3v1({.title = "Song", .genre = 200}));

    const INT_PTR result = Run(false, [&](HWND dlg) {
      Require(WaitForText(dlg, IDC_TAG_TITLE, L"Song"), "tags shown");
      EXPECT_EQ(GetText(dlg, IDC_TAG_GENRE), L"未定");
      Require(SetText(dlg, IDC_TAG_FILENAME, c.typed) && Click(dlg, IDOK), "write");
      if (c.fails) ExpectMessage(IDOK, L"ZvDll", Message(c.typed, L"の書き込みに失敗しました"));
    });
    EXPECT_EQ(result, IDOK);
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(temp_->Path(c.nameAfter).c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    ::FindClose(search);
    EXPECT_STREQ(found.cFileName, c.nameAfter);
    EXPECT_EQ(Id3v1Of(Disk(c.nameAfter)), Id3v1({.title = "Song", .genre = 255}));
    EXPECT_STREQ(song.findData.cFileName, c.nameAfter);
    EXPECT_EQ(Disk(L"taken.mp3"), taken);
  }
}

TEST_F(TagDialogTest, CopyButtonsAndTheTagsOfAnotherFile) {
  const Bytes x = Riff(100, InfoList({{"INAM", Sjis(L"名前")},
                                      {"IART", "Singer"},
                                      {"IPRD", "Album"},
                                      {"ICRD", "1999"},
                                      {"ICMT", "note"},
                                      {"IGNR", "Rock"}}));
  Add(L"x.wav", x);
  Add(L"y.wav", Riff(100, InfoList({{"IGNR", "rock"}})));
  Add(L"z.mp3", MpegFrames(1) + Id3v1({.title = "Z", .artist = "Zed", .genre = 8}));

  const INT_PTR result = Run(false, [&](HWND dlg) {
    Require(WaitForText(dlg, IDC_TAG_INFO_GENRE, L"Rock"), "x.wav shown");
    Require(Click(dlg, IDC_TAG_COPY_TO_ID3), "copy to ID3");
    Require(WaitForText(dlg, IDC_TAG_TITLE, L"名前"), "title copied");
    EXPECT_EQ(GetText(dlg, IDC_TAG_ARTIST), L"Singer");
    EXPECT_EQ(GetText(dlg, IDC_TAG_ALBUM), L"Album");
    EXPECT_EQ(GetText(dlg, IDC_TAG_YEAR), L"1999");
    EXPECT_EQ(GetText(dlg, IDC_TAG_COMMENT), L"note");
    EXPECT_EQ(GetText(dlg, IDC_TAG_GENRE), L"Rock");

    // The tags of y.wav, then its genre: the lookup is exact, so "rock" is no genre.
    Require(SelectIndex(dlg, IDC_TAG_OTHER_FILES, 0) && Click(dlg, IDC_TAG_COPY_FROM_FILE), "copy from y");
    Require(WaitForText(dlg, IDC_TAG_INFO_GENRE, L"rock"), "y's tags shown");
    EXPECT_EQ(GetText(dlg, IDC_TAG_INFO_NAME), L"");
    Require(SelectIndex(dlg, IDC_TAG_GENRE, 0) && Click(dlg, IDC_TAG_COPY_TO_ID3), "copy to ID3");
    Require(WaitForText(dlg, IDC_TAG_GENRE, L"未定"), "no genre");

    Require(SelectIndex(dlg, IDC_TAG_OTHER_FILES, 1) && Click(dlg, IDC_TAG_COPY_FROM_FILE), "copy from z");
    Require(WaitForText(dlg, IDC_TAG_TITLE, L"Z"), "z's tags shown");
    EXPECT_EQ(GetText(dlg, IDC_TAG_FILENAME), L"x.wav") << "still on x.wav";
    EXPECT_TRUE(IsChecked(dlg, IDC_TAG_KIND_INFO)) << "the radios stay";
    Require(Click(dlg, IDC_TAG_COPY_TO_INFO), "copy to RIFF");
    Require(WaitForText(dlg, IDC_TAG_INFO_NAME, L"Z"), "name copied");
    EXPECT_EQ(GetText(dlg, IDC_TAG_INFO_ARTIST), L"Zed");
    EXPECT_EQ(GetText(dlg, IDC_TAG_INFO_GENRE), L"Jazz");
    Require(Click(dlg, IDCANCEL), "cancel");
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(Disk(L"x.wav"), x);
}

TEST_F(TagDialogTest, FileByFileReadAndWriteFailures) {
  const Bytes tagged = MpegFrames(1) + Id3v1({.title = "T"});
  Add(L"locked.mp3", tagged);
  Add(L"gone.mp3", tagged);
  Add(L"later.mp3", tagged);
  FileLock lock(temp_->Path(L"locked.mp3"));
  ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
  ASSERT_TRUE(::DeleteFileW(temp_->Path(L"gone.mp3").c_str()));

  std::unique_ptr<FileLock> lateLock;
  const auto openingMessage = [&] { ExpectMessage(IDOK, L"ZvDll", Message(L"locked.mp3", L"の読み込みに失敗しました")); };
  const INT_PTR result = Run(false, [&](HWND dlg) {
    EXPECT_TRUE(IsChecked(dlg, IDC_TAG_KIND_NONE));
    Require(Click(dlg, IDC_TAG_SKIP), "skip");
    ExpectMessage(IDOK, L"ZvDll", Message(L"gone.mp3", L"の読み込みに失敗しました"));
    ClickAndWaitForName(dlg, IDC_TAG_SKIP, L"later.mp3");
    // Taken by another program after it was shown: both tries fail, one message.
    lateLock = std::make_unique<FileLock>(temp_->Path(L"later.mp3"));
    Require(lateLock->Held(), "lock later.mp3");
    Require(SetText(dlg, IDC_TAG_TITLE, L"New") && Click(dlg, IDOK), "write");
    ExpectMessage(IDOK, L"ZvDll", Message(L"later.mp3", L"の書き込みに失敗しました"));
  }, openingMessage);
  EXPECT_EQ(result, IDOK);
  lateLock.reset();
  EXPECT_EQ(Disk(L"later.mp3"), tagged);
  EXPECT_FALSE(FileExists(temp_->Path(L"gone.mp3")));
}

// Only the ticked fields of the chosen kind's tags change; the rest of each
// file stays as it was, the genre byte included.
TEST_F(TagDialogTest, AllAtOnceWritesTheTickedFieldsIntoEveryFile) {
  using Info = std::map<std::string, std::string>;
  const struct {
    int kindRadio;
    std::vector<int> ticks;
    Bytes p, q;    // what the two MP3 files hold afterwards
    Info rInfo;    // and the WAV file
    Bytes rId3v1;
  } cases[] = {
      {IDC_TAG_KIND_ID3,
       {IDC_TAG_USE_TITLE},
       MpegFrames(1) + Id3v1({"New", "Artist", "Album", "2001", "cp", 17}),
       MpegFrames(1) + Id3v1({.title = "New"}),
       {{"(none)", ""}},
       Id3v1({.title = "New", .genre = 200})},
      {IDC_TAG_KIND_INFO,
       {IDC_TAG_USE_INFO_NAME, IDC_TAG_USE_INFO_COMMENT},
       MpegFrames(1),
       MpegFrames(1),
       {{"INAM", Sjis(L"名前")}, {"IKEY", "keep"}},
       {}},
      {IDC_TAG_KIND_BOTH,
       {IDC_TAG_USE_GENRE, IDC_TAG_USE_YEAR},
       MpegFrames(1) + Id3v1({"P", "Artist", "Album", "1990", "cp", 123}),
       MpegFrames(1) + Id3v1({.year = "1990", .genre = 123}),
       {{"INAM", "r"}, {"ICMT", "c"}, {"IKEY", "keep"}},
       {}},  // a RIFF file carries one of the two: the INFO list
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kindRadio);
    Reset();
    Add(L"p.mp3", MpegFrames(1) + Id3v1({"P", "Artist", "Album", "2001", "cp", 17}));
    FILEENTRY& q = Add(L"q.mp3", MpegFrames(1));
    ASSERT_TRUE(::SetFileAttributesW(temp_->Path(L"q.mp3").c_str(), FILE_ATTRIBUTE_READONLY));
    q.findData.dwFileAttributes = FILE_ATTRIBUTE_READONLY;
    Add(L"r.wav", Riff(100, InfoList({{"INAM", "r"}, {"ICMT", "c"}, {"IKEY", "keep"}}) + Id3v1({.title = "R", .genre = 200})));

    const INT_PTR result = Run(true, [&](HWND dlg) {
      for (int id = IDC_TAG_USE_ALBUM; id <= IDC_TAG_USE_INFO_SOURCE; ++id) {
        EXPECT_TRUE(IsChecked(dlg, id)) << id;
        const bool wanted = std::find(c.ticks.begin(), c.ticks.end(), id) != c.ticks.end();
        if (!wanted) Require(Click(dlg, id), "untick");
      }
      EXPECT_TRUE(IsChecked(dlg, IDC_TAG_KIND_ID3));
      EXPECT_EQ(GetText(dlg, IDC_TAG_FILENAME), L"選択ファイル");
      EXPECT_EQ(GetText(dlg, IDC_TAG_FULLPATH), L"");
      EXPECT_EQ(Selection(dlg, IDC_TAG_GENRE), 0);
      for (int id : {IDC_TAG_PREVIOUS, IDC_TAG_SKIP, IDC_TAG_OTHER_FILES, IDC_TAG_COPY_FROM_FILE}) {
        EXPECT_FALSE(IsEnabled(dlg, id)) << id;
      }
      Require(SetText(dlg, IDC_TAG_TITLE, L"New") && SetText(dlg, IDC_TAG_YEAR, L"1990") &&
                  SetText(dlg, IDC_TAG_INFO_NAME, L"名前") && SetText(dlg, IDC_TAG_INFO_COMMENT, L"") &&
                  Click(dlg, c.kindRadio) && Click(dlg, IDOK),
              "fill and write");
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Disk(L"p.mp3"), c.p);
    EXPECT_EQ(Disk(L"q.mp3"), c.q);
    EXPECT_TRUE(::GetFileAttributesW(temp_->Path(L"q.mp3").c_str()) & FILE_ATTRIBUTE_READONLY) << "stays read-only";
    EXPECT_TRUE(q.bTagRead);
    const Bytes r = Disk(L"r.wav");
    EXPECT_EQ(InfoOf(r), c.rInfo);
    EXPECT_EQ(Id3v1Of(r), c.rId3v1);
    ::SetFileAttributesW(temp_->Path(L"q.mp3").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(TagDialogTest, AllAtOnceAsksWhetherToGoOnAfterAFailure) {
  const Bytes tagged = MpegFrames(1) + Id3v1({.title = "Old"});
  for (const wchar_t* name : {L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}) Add(name, tagged);
  FileLock lock(temp_->Path(L"2.mp3"));
  ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
  ASSERT_TRUE(::DeleteFileW(temp_->Path(L"3.mp3").c_str()));

  const INT_PTR result = Run(true, [&](HWND dlg) {
    Require(SetText(dlg, IDC_TAG_TITLE, L"New") && Click(dlg, IDOK), "write");
    ExpectMessage(IDYES, L"確認", Message(L"2.mp3", L"の読み込みに失敗しました。続けますか？"));
    ExpectMessage(IDYES, L"確認", Message(L"2.mp3", L"の書き込みに失敗しました。続けますか？"));
    ExpectMessage(IDNO, L"確認", Message(L"3.mp3", L"の読み込みに失敗しました。続けますか？"));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(Id3v1Of(Disk(L"1.mp3")), Id3v1({.title = "New", .genre = 123}));
  lock.Release();
  EXPECT_EQ(Disk(L"2.mp3"), tagged);
  EXPECT_EQ(Disk(L"4.mp3"), tagged) << "No ends the pass";
}

TEST_F(TagDialogTest, AnEmptyListEndsAtOnce) {
  std::atomic<bool> done = false;
  UiScript watcher([&] {
    if (WaitForCondition([&] { return done || !ProcessDialogs().empty(); }, 20000) && !done) Fail("a dialog opened");
  });
  for (CFileEntryArray* list : {&files_, static_cast<CFileEntryArray*>(nullptr)}) {
    EXPECT_EQ(Dialog()(FALSE, list), IDOK);
    EXPECT_EQ(Dialog()(TRUE, list), IDOK);
  }
  done = true;
  EXPECT_TRUE(watcher.Join()) << watcher.Failure();
}

// The dialog's copies of each file's block and map live for one write: a pass
// over many files that left them behind would keep megabytes.
TEST_F(TagDialogTest, CopiesOfTheTagsDoNotOutliveTheWrite) {
  const Bytes file = Riff(64, InfoList({{"INAM", "n"}, {"IART", "a"}, {"ICMT", "c"}})) + Id3v1({.title = "t"});
  for (int i = 0; i < 1000; ++i) Add(std::to_wstring(i) + L".wav", file);
  const auto pass = [&] {
    return Run(true, [&](HWND dlg) {
      Require(Click(dlg, IDC_TAG_KIND_BOTH) && SetText(dlg, IDC_TAG_INFO_NAME, L"name") && Click(dlg, IDOK), "write");
    });
  };
  const auto committedBytes = [] {
    PROCESS_MEMORY_COUNTERS counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
  };
  ASSERT_EQ(pass(), IDOK);  // the records now hold what the writer read back
  const SIZE_T before = committedBytes();
  ASSERT_EQ(pass(), IDOK);
  const SIZE_T after = committedBytes();  // may also be a little less than before
  EXPECT_LT(after, before + SIZE_T{512 * 1024}) << "grew from " << before << " to " << after;
  EXPECT_EQ(InfoOf(Disk(L"999.wav")).at("INAM"), "name");
}

}  // namespace
