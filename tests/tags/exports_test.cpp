// The three exports as the host calls them, on files laid out byte by byte:
// reads, writes, renames, held files, the tag dialog driven as a person does.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <optional>
#include <string>
#include <tuple>

#include "dialog_driver.h"
#include "import_hook.h"
#include "support.h"
#include "tag_bytes.h"
#include "tag_record.h"
#include "tags_ids.h"

namespace {

using namespace std::string_literals;
using namespace tag_bytes;
using namespace zvtest;

const HMODULE kLibrary = ::LoadLibraryW(L"ZvDll.dll");
const auto Read = GetExport<int(WINAPI*)(FILEENTRY*, MPEGAUDIOINFO*)>(kLibrary, "ReadMpegTagData");
const auto Write = GetExport<int(WINAPI*)(const FILEENTRY*, FILEENTRY*)>(kLibrary, "WriteMpegTagData");
const auto TagDialog = GetExport<INT_PTR(WINAPI*)(int, CFileEntryArray*)>(kLibrary, "ZvTagMakeDlg");

// The commit charge: Wine reports it as PagefileUsage and leaves PrivateUsage at 0.
SIZE_T CommittedBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

// Files in a folder of their own and the host's records of them, freed with what the library hung on them.
class HostFiles {
 public:
  ~HostFiles() {
    for (INT_PTR i = 0; i < list_.GetCount(); ++i) {
      delete list_[i]->pId3v1;
      for (CTagTextMap* map : {list_[i]->pInfoMap, list_[i]->pId3v2TextMap, list_[i]->pId3v2CommentMap}) delete map;
      delete list_[i];
    }
  }

  FILEENTRY& Add(const std::wstring& name, const std::string& bytes) {
    WriteBytes(Path(name), bytes);
    auto* entry = new FILEENTRY{};
    // Attributes, times and size: the find data begins as the attribute data does.
    ::GetFileAttributesExW(Path(name).c_str(), GetFileExInfoStandard, &entry->findData);
    wcscpy_s(entry->findData.cFileName, name.c_str());
    entry->findData.nFileSizeLow = static_cast<DWORD>(bytes.size());  // as the host saw it
    wcscpy_s(entry->szDir, dir_.Dir().c_str());
    list_.Add(entry);
    return *entry;
  }

  std::wstring Path(const std::wstring& name) const { return dir_.Path(name); }
  std::string Disk(const std::wstring& name) const {
    const auto bytes = ReadBytes(Path(name));
    return {bytes.begin(), bytes.end()};
  }
  CFileEntryArray& List() { return list_; }

 private:
  TempDir dir_;
  CFileEntryArray list_;
};

// What a read left in the record, in one line; each map in its own order.
std::string Described(const FILEENTRY& entry, const MPEGAUDIOINFO& info) {
  std::string out = "kind " + std::to_string(entry.nTagKind);
  if (entry.pId3v1) out += " v1 " + Utf8(entry.pId3v1->szTitle) + "/" + std::to_string(entry.pId3v1->byGenre);
  for (auto [name, map] :
       {std::pair{" v2", entry.pId3v2TextMap}, {" comm", entry.pId3v2CommentMap}, {" info", entry.pInfoMap}}) {
    CString key, value;
    if (map) out += name;
    for (POSITION at = map ? map->GetStartPosition() : nullptr; at;) {
      map->GetNextAssoc(at, key, value);
      out += " " + Utf8(key.GetString()) + "=" + Utf8(value.GetString());
    }
  }
  if (info.bFound) out += " mpeg " + std::to_string(info.nVersion) + "/" + std::to_string(info.nBitrateIndex);
  return out;
}

class TagRecordTest : public ::testing::Test {
 protected:
  // A process keeps handles for good once it converts UTF-8 text, holds a file
  // or (GoogleTest) traces a scope: these come first.
  static void SetUpTestSuite() {
    Utf8(L"あ");
    { SCOPED_TRACE("first"); }
    TempDir dir;
    FileLock(dir.Path(L"f")).Release();
  }
  void TearDown() override { EXPECT_EQ(HandlesSettleTo(handlesBefore_), handlesBefore_) << "handles leaked"; }

  const DWORD handlesBefore_ = OpenHandleCount();
};

TEST_F(TagRecordTest, ReadingAgainFreesWhatTheLastReadHung) {
  HostFiles files;
  FILEENTRY& mp3 = files.Add(L"all.mp3", "ID3\3\0\0\0\0\0\x0CTIT2\0\0\0\2\0\0\0T"s + MpegFrames(1) + Id3v1({}));
  FILEENTRY& wav = files.Add(L"all.wav", Riff(100, "LIST\x22\0\0\0INFOINAM\2\0\0\0n\0IART\2\0\0\0a\0ICMT\2\0\0\0c\0"s));
  for (int warmUp = 0; warmUp < 100; ++warmUp) ASSERT_TRUE(Read(&mp3, nullptr) && Read(&wav, nullptr));
  const SIZE_T before = CommittedBytes();
  // A block and three maps left behind per round would be megabytes by the end.
  for (int round = 0; round < 5000; ++round) ASSERT_TRUE(Read(&mp3, nullptr) && Read(&wav, nullptr));
  EXPECT_LT(CommittedBytes(), before + SIZE_T{512 * 1024});  // and may be a little less
}

enum Held { kThere, kLocked };

// Each file is read, then written with the wanted kind of tags: the ID3v1 tag
// "New"/"Artist"/"2001"/genre 3, or the INFO name "New" with an empty comment.
TEST_F(TagRecordTest, ReadsEachLayoutAndWritesTheWantedTagsInPlace) {
  const std::string audio = MpegFrames(2), old = Id3v1({.title = "Old", .genre = 1});
  const std::string tag = Id3v1({"New", "Artist", "", "2001", "", 3});
  const std::string id3v2 =
      "ID3\3\0\0\0\0\0\x36TIT2\0\0\0\x0A\0\0\0Title 2  TCON\0\0\0\x09\0\0\0(17)RockXXXX\0\0\0\5\0\0\0skip"s;
  const std::string info = "\0LIST\x1E\0\0\0INFOINAM\5\0\0\0Name\0\0ICMT\4\0\0\0odd\0"s;
  const std::string newList = "LIST\x26\0\0\0INFOINAM\5\0\0\0New\0\0\0ICMT\2\0\0\0\0\0\0"s + std::string(9, '\0');
  // The file, who else has it, what the read finds; the kind wanted, the write's result, the bytes on disk
  // (none given: the file as it was).
  const std::tuple<const wchar_t*, std::string, Held, std::string, UINT, int, std::optional<std::string>> cases[] = {
      {L"曲.mp3", id3v2 + audio + Id3v1({.title = "Title 1", .genre = 17}), kThere,
       "kind 5 v1 Title 1/17 v2 TIT2=Title 2 TCON=(17)Rock comm mpeg 3/9", 0, 1, id3v2 + audio},
      {L"replace.mp3", audio + old, kThere, "kind 1 v1 Old/1 mpeg 3/9", 1, 1, audio + tag},
      {L"kind-two.mp3", audio + old, kThere, "kind 1 v1 Old/1 mpeg 3/9", 2, 1, audio},
      {L"a.mp2", audio + old, kThere, "kind 1 v1 Old/1", 1, 1, audio + tag},
      {L"tag-only.mp3", old, kThere, "kind 1 v1 Old/1", 0, 1, ""s},
      {L"short.mp3", std::string(127, '\0'), kThere, "kind 0", 1, 1, std::string(127, '\0') + tag},
      {L"other.ogg", audio + old, kThere, "kind 0", 1, 1, {}},
      {L"huge-id3.mp3", "ID3\3\0\0\x7F\x7F\x7F\x7F"s + std::string(300, '\1'), kThere, "kind 0", 0, 1, {}},
      {L"to-id3.wav", Riff(1001, info), kThere, "kind 2 info INAM=Name ICMT=odd", 1, 1, Riff(1001, tag)},
      {L"cut.rmp", Riff(200, "LIST\4\0\0\0INFO"s), kThere, "kind 2 info", 0, 1, Riff(200, {})},
      {L"odd.wav", Riff(999, {}), kThere, "kind 0", 2, 1, Riff(999, newList)},  // no pad byte after odd audio
      {L"kind-six.wav", Riff(999, {}), kThere, "kind 0", 6, 1, Riff(999, newList)},
      // Any other kind leaves a RIFF file as it is.
      {L"kind-four.wav", Riff(1001, info), kThere, "kind 2 info INAM=Name ICMT=odd", 4, 1, {}},
      {L"kind-five.rmp", Riff(1001, info), kThere, "kind 2 info INAM=Name ICMT=odd", 5, 1, {}},
      // What the writer cannot place a tail in, or cannot open, stays as it was.
      {L"past-end.rmp", "RIFF" + Le32(40) + "WAVEdata" + Le32(5000) + audio, kThere, "kind 0", 2, 0, {}},
      {L"no-data.wav", "RIFF" + Le32(2100) + std::string(2100, 'x'), kThere, "kind 0", 2, 0, {}},
      {L"not-riff.wav", "RIFX" + Le32(900) + "WAVEdata" + Le32(10) + audio, kThere, "kind 0", 2, 0, {}},
      {L"held.mp3", audio + old, kLocked, "kind 0", 0, 0, {}},
  };
  ID3V1BLOCK block{L"New", L"Artist", L"", L"2001", L"", 3, 0};
  CTagTextMap map;
  map[L"INAM"] = L"New";
  map[L"ICMT"] = L"";
  HostFiles files;
  for (const auto& [name, before, held, found, kind, result, after] : cases) {
    SCOPED_TRACE(Utf8(name));
    FILEENTRY& entry = files.Add(name, before);
    entry.pId3v1 = new ID3V1BLOCK{};  // stale stores of an earlier read
    entry.nTagKind = 7;
    std::optional<FileLock> lock;
    if (held == kLocked) lock.emplace(files.Path(name));
    MPEGAUDIOINFO summary{7, 7, 7, 7, 7, 7};
    EXPECT_EQ(Read(&entry, &summary), held == kThere);
    EXPECT_EQ(entry.bTagRead, held == kThere);
    EXPECT_EQ(Described(entry, summary), found);
    FILEENTRY work = entry;
    work.nTagKind = kind;
    work.pId3v1 = &block;
    work.pInfoMap = &map;
    EXPECT_EQ(Write(&work, &entry), result);
    lock.reset();
    EXPECT_EQ(files.Disk(name), after.value_or(before));
    EXPECT_EQ(entry.findData.nFileSizeLow, (result ? after.value_or(before) : before).size()) << "the record";
  }
}

// How often ZvDll.dll asked for a rename.
int g_moves = 0;
BOOL WINAPI CountingMoveFileW(LPCWSTR from, LPCWSTR to) {
  ++g_moves;
  return ::MoveFileW(from, to);
}

TEST_F(TagRecordTest, RenamesAndPutsBackTheAttributes) {
  ASSERT_TRUE(ReplaceImport(kLibrary, "kernel32.dll", "MoveFileW", &CountingMoveFileW));
  const std::string taken = Id3v1({.title = "taken"});
  // Name typed, name afterwards, result, renames asked for, read-only again (only after a success).
  const std::tuple<const wchar_t*, const wchar_t*, int, int, bool> cases[] = {
      {L"新しい名前.mp3", L"新しい名前.mp3", 1, 1, true},
      {L"SONG.MP3", L"song.mp3", 1, 0, true},  // only the case differs
      {L"taken.mp3", L"song.mp3", 0, 1, false},
      {L"a?b.mp3", L"song.mp3", 0, 1, false},
  };
  for (const auto& [typed, nameAfter, result, moves, readOnly] : cases) {
    SCOPED_TRACE(Utf8(typed));
    HostFiles files;
    WriteBytes(files.Path(L"taken.mp3"), taken);
    FILEENTRY& song = files.Add(L"song.mp3", MpegFrames(1) + Id3v1({.title = "T"}));
    ASSERT_TRUE(::SetFileAttributesW(files.Path(L"song.mp3").c_str(), FILE_ATTRIBUTE_READONLY));
    song.findData.dwFileAttributes = FILE_ATTRIBUTE_READONLY;
    ASSERT_EQ(Read(&song, nullptr), 1);
    FILEENTRY work = song;
    work.nTagKind = 0;
    wcscpy_s(work.findData.cFileName, typed);
    g_moves = 0;
    EXPECT_EQ(Write(&work, &song), result);
    EXPECT_EQ(g_moves, moves);
    EXPECT_EQ(files.Disk(nameAfter), MpegFrames(1)) << "written before the rename";
    EXPECT_EQ((::GetFileAttributesW(files.Path(nameAfter).c_str()) & FILE_ATTRIBUTE_READONLY) != 0, readOnly);
    EXPECT_STREQ(song.findData.cFileName, nameAfter);
    EXPECT_EQ(files.Disk(L"taken.mp3"), taken);
  }
}

// Answers the next message box, which must be there.
void ExpectMessage(int button, const std::wstring& caption, const std::wstring& text) {
  const auto box = AnswerMessageBox(button);
  Require(box.has_value(), "no message box: " + Utf8(text));
  EXPECT_EQ(std::pair(box->caption, box->text), std::pair(caption, text));
}

// Runs the dialog over the list while person plays the user.
INT_PTR RunDialog(CFileEntryArray* list, bool allAtOnce, const auto& person) {
  UiScript script(person);
  const INT_PTR result = TagDialog(allAtOnce, list);
  EXPECT_TRUE(script.Join()) << script.Failure();
  return result;
}

void Go(HWND dlg, int button, int id, const std::wstring& text) {
  Require(Click(dlg, button) && WaitForText(dlg, id, text), Utf8(text) + " not shown");
}

TEST(TagDialog, FileByFileShowsEachFileCopiesWritesTheOneShownAndReportsFailures) {
  HostFiles files;
  const std::string a = MpegFrames(2) + Id3v1({.title = "A", .genre = 17});
  const std::string b = Riff(100, "LIST\x0E\0\0\0INFOINAM\2\0\0\0B\0"s);
  files.Add(L"locked.mp3", a);
  files.Add(L"a.mp3", a);
  files.Add(L"b.wav", b);
  FILEENTRY& c = files.Add(L"c.mp3", MpegFrames(2));
  files.Add(L"later.mp3", a);
  std::optional<FileLock> lock(std::in_place, files.Path(L"locked.mp3"));

  const INT_PTR result = RunDialog(&files.List(), false, [&] {
    ExpectMessage(IDOK, L"ZvDll", files.Path(L"locked.mp3") + L"の読み込みに失敗しました");
    HWND dlg = RequireDialog(L"タグの入力");
    EXPECT_FALSE(IsEnabled(dlg, IDC_TAG_PREVIOUS));
    Go(dlg, IDC_TAG_SKIP, IDC_TAG_FILENAME, L"a.mp3");
    EXPECT_TRUE(IsChecked(dlg, IDC_TAG_KIND_ID3));
    for (int id : {IDC_TAG_USE_TITLE, IDC_TAG_INFO_NAME}) EXPECT_FALSE(IsEnabled(dlg, id)) << id;

    Go(dlg, IDC_TAG_SKIP, IDC_TAG_INFO_NAME, L"B");
    Go(dlg, IDC_TAG_COPY_TO_ID3, IDC_TAG_TITLE, L"B");
    Require(SelectIndex(dlg, IDC_TAG_OTHER_FILES, 1), "choose a.mp3");
    Go(dlg, IDC_TAG_COPY_FROM_FILE, IDC_TAG_TITLE, L"A");
    Go(dlg, IDC_TAG_COPY_TO_INFO, IDC_TAG_INFO_GENRE, L"Rock");

    Go(dlg, IDC_TAG_PREVIOUS, IDC_TAG_FILENAME, L"a.mp3");
    for (const wchar_t* name : {L"b.wav", L"c.mp3"}) Go(dlg, IDC_TAG_SKIP, IDC_TAG_FILENAME, name);
    // The edits stop at 30 characters (the year at 4), Japanese or not.
    Require(TypeKeys(dlg, IDC_TAG_TITLE, L"a" + std::wstring(31, L'あ')) && TypeKeys(dlg, IDC_TAG_YEAR, L"20261") &&
                WaitForText(dlg, IDC_TAG_YEAR, L"2026"),
            "type title and year");
    EXPECT_EQ(GetText(dlg, IDC_TAG_TITLE), L"a" + std::wstring(29, L'あ'));
    Require(SetText(dlg, IDC_TAG_FILENAME, L"新しい歌.mp3") && Click(dlg, IDC_TAG_KIND_ID3), "rename, kind");
    Go(dlg, IDOK, IDC_TAG_FILENAME, L"later.mp3");

    // Taken by another program after it was shown: both tries fail, one message.
    lock.emplace(files.Path(L"later.mp3"));
    Require(lock->Held() && SetText(dlg, IDC_TAG_TITLE, L"New") && Click(dlg, IDOK), "write");
    ExpectMessage(IDOK, L"ZvDll", files.Path(L"later.mp3") + L"の書き込みに失敗しました");
  });
  EXPECT_EQ(result, IDOK);
  lock.reset();
  for (const wchar_t* name : {L"a.mp3", L"later.mp3"}) EXPECT_EQ(files.Disk(name), a);
  EXPECT_EQ(files.Disk(L"b.wav"), b);
  // 30 bytes of Shift-JIS hold "a" and 14 あ: the 15th would be cut in half.
  const std::string written = MpegFrames(2) + Id3v1({.title = "a" + Sjis(std::wstring(14, L'あ')), .year = "2026"});
  EXPECT_EQ(files.Disk(L"新しい歌.mp3"), written);
  EXPECT_STREQ(c.findData.cFileName, L"新しい歌.mp3");
}

// Only the ticked fields of the chosen kind's tags change; the rest of each
// file stays as it was. A failure asks whether to go on.
TEST(TagDialog, AllAtOnceWritesTheTickedFieldsIntoEveryFileAndAsksAfterAFailure) {
  HostFiles files;
  const std::string old = MpegFrames(1) + Id3v1({.title = "Old"});
  files.Add(L"p.mp3", MpegFrames(1) + Id3v1({"P", "Artist", "Album", "2001", "cp", 17}));
  files.Add(L"q.mp3", MpegFrames(1));
  files.Add(L"r.wav", Riff(100, "LIST\x24\0\0\0INFOINAM\2\0\0\0r\0ICMT\2\0\0\0c\0IKEY\4\0\0\0key\0"s));
  for (const wchar_t* name : {L"2.mp3", L"3.mp3", L"4.mp3"}) files.Add(name, old);
  FileLock lock(files.Path(L"2.mp3"));
  ASSERT_TRUE(lock.Held() && ::DeleteFileW(files.Path(L"3.mp3").c_str()));

  const INT_PTR result = RunDialog(&files.List(), true, [&] {
    HWND dlg = RequireDialog(L"タグの入力");
    for (int id = IDC_TAG_USE_ALBUM; id <= IDC_TAG_USE_INFO_SOURCE; ++id) {
      const bool kept = id == IDC_TAG_USE_TITLE || id == IDC_TAG_USE_INFO_NAME || id == IDC_TAG_USE_INFO_COMMENT;
      Require(kept || Click(dlg, id), "untick");
    }
    Require(SetText(dlg, IDC_TAG_TITLE, L"New") && SetText(dlg, IDC_TAG_ARTIST, L"unticked") &&
                SetText(dlg, IDC_TAG_INFO_NAME, L"名前") && Click(dlg, IDC_TAG_KIND_BOTH) && Click(dlg, IDOK),
            "fill and write");
    const std::wstring go = L"続けますか？";
    ExpectMessage(IDYES, L"確認", files.Path(L"2.mp3") + L"の読み込みに失敗しました。" + go);
    ExpectMessage(IDYES, L"確認", files.Path(L"2.mp3") + L"の書き込みに失敗しました。" + go);
    ExpectMessage(IDNO, L"確認", files.Path(L"3.mp3") + L"の読み込みに失敗しました。" + go);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(files.Disk(L"p.mp3"), MpegFrames(1) + Id3v1({"New", "Artist", "Album", "2001", "cp", 17}));
  EXPECT_EQ(files.Disk(L"q.mp3"), MpegFrames(1) + Id3v1({.title = "New"}));
  // A RIFF file carries the list; the emptied comment is gone, the other entry kept.
  const std::string list = "LIST\x2A\0\0\0INFOINAM\6\0\0\0"s + Sjis(L"名前") + "\0\0\0IKEY\5\0\0\0key\0\0\0"s;
  EXPECT_EQ(files.Disk(L"r.wav"), Riff(100, list + std::string(9, '\0')));
  lock.Release();
  EXPECT_EQ(files.Disk(L"2.mp3"), old);
  EXPECT_EQ(files.Disk(L"4.mp3"), old) << "No ends the pass";
}

TEST(TagDialog, AnEmptyListEndsAtOnce) {
  CFileEntryArray empty;
  for (bool allAtOnce : {false, true}) EXPECT_EQ(RunDialog(&empty, allAtOnce, [] {}), IDOK);
}

// The dialog's copies of each file's block and map live for one write: a pass
// over many files that left them behind would keep megabytes.
TEST(TagDialog, CopiesOfTheTagsDoNotOutliveTheWrite) {
  HostFiles files;
  const std::string file = Riff(64, "LIST\x22\0\0\0INFOINAM\2\0\0\0n\0IART\2\0\0\0a\0ICMT\2\0\0\0c\0"s) + Id3v1({});
  for (int i = 0; i < 1000; ++i) files.Add(std::to_wstring(i) + L".wav", file);
  const auto pass = [&] {
    return RunDialog(&files.List(), true, [&] {
      HWND dlg = RequireDialog(L"タグの入力");
      Require(Click(dlg, IDC_TAG_KIND_BOTH) && SetText(dlg, IDC_TAG_INFO_NAME, L"name") && Click(dlg, IDOK), "write");
    });
  };
  ASSERT_EQ(pass(), IDOK);  // the records now hold what the writer read back
  const SIZE_T before = CommittedBytes();
  ASSERT_EQ(pass(), IDOK);
  EXPECT_LT(CommittedBytes(), before + SIZE_T{512 * 1024});  // and may be a little less
}

}  // namespace
