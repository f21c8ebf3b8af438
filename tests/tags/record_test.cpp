// ReadMpegTagData and WriteMpegTagData through the library's exports, on files
// laid out byte by byte in the test: the record's tag stores, the bytes on disk
// after a write, renames, attributes and files held by another process.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <memory>
#include <string>
#include <vector>

#include "support.h"
#include "tag_bytes.h"
#include "tag_record.h"
#include "support.h"

namespace {

using namespace zvtest;
using namespace tag_bytes;

using ReadFunction = int(WINAPI*)(FILEENTRY*, MPEGAUDIOINFO*);
using WriteFunction = int(WINAPI*)(const FILEENTRY*, FILEENTRY*);

HMODULE Library() {
  static const HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  return library;
}
int Read(FILEENTRY& entry, MPEGAUDIOINFO* info = nullptr) {
  return GetExport<ReadFunction>(Library(), "ReadMpegTagData")(&entry, info);
}
int Write(const FILEENTRY& work, FILEENTRY& entry) {
  return GetExport<WriteFunction>(Library(), "WriteMpegTagData")(&work, &entry);
}

class TagRecordTest : public ::testing::Test {
 protected:
  // Wine keeps a few handles for good after a process first converts UTF-8 text
  // or starts another process; doing both first keeps them out of the counts.
  static void SetUpTestSuite() {
    Utf8(L"あ");
    TempDir temp;
    if (WriteBytes(temp.Path(L"f"), "f")) FileLock(temp.Path(L"f")).Release();
  }
  void SetUp() override {
    ASSERT_TRUE(Library());
    handlesBefore_ = HandleCount();
  }
  void TearDown() override {
    for (FILEENTRY* entry : entries_) Clear(*entry);
    EXPECT_EQ(HandlesSettleTo(handlesBefore_), handlesBefore_) << "handles leaked";
  }
  static DWORD HandleCount() { return OpenHandleCount(); }

  // A record as the host fills it for a file of the temporary folder.
  FILEENTRY& Entry(const std::wstring& name, const Bytes& bytes) {
    EXPECT_TRUE(WriteBytes(temp_.Path(name), bytes));
    return EntryFor(name);
  }
  FILEENTRY& EntryFor(const std::wstring& name) {
    auto* entry = new FILEENTRY{};
    WIN32_FIND_DATAW find;
    HANDLE search = ::FindFirstFileW(temp_.Path(name).c_str(), &find);
    if (search != INVALID_HANDLE_VALUE) {
      entry->findData = find;
      ::FindClose(search);
    } else {
      wcscpy_s(entry->findData.cFileName, name.c_str());
    }
    wcscpy_s(entry->szDir, temp_.Dir().c_str());
    entries_.push_back(entry);
    return *entry;
  }
  static void Clear(FILEENTRY& entry) {
    delete entry.pId3v1;
    delete entry.pInfoMap;
    delete entry.pId3v2TextMap;
    delete entry.pId3v2CommentMap;
    delete &entry;
  }
  static std::wstring Value(const CTagTextMap* map, const wchar_t* key) {
    CString value;
    return map && map->Lookup(key, value) ? std::wstring(value.GetString()) : L"(none)";
  }

  TempDir temp_;
  std::vector<FILEENTRY*> entries_;
  DWORD handlesBefore_ = 0;
};

TEST_F(TagRecordTest, ReadsEachLayoutIntoTheRecord) {
  FILEENTRY& mp3 = Entry(L"曲.mp3", Id3v2({{"TIT2", "Title 2  "}, {"TCON", "(17)Rock"}, {"XXXX", "skip"}}) +
                                        MpegFrames(3) + Id3v1("Title 1", std::string(30, 'c'), 17));
  MPEGAUDIOINFO info{};
  ASSERT_EQ(Read(mp3, &info), 1);
  EXPECT_TRUE(mp3.bTagRead);
  EXPECT_EQ(mp3.nTagKind, TAGKIND_ID3V1 | TAGKIND_ID3V2);
  ASSERT_NE(mp3.pId3v1, nullptr);
  EXPECT_STREQ(mp3.pId3v1->szTitle, L"Title 1");
  EXPECT_EQ(std::wstring(mp3.pId3v1->szComment), std::wstring(30, L'c'));
  EXPECT_EQ(mp3.pId3v1->byGenre, 17);
  EXPECT_EQ(Value(mp3.pId3v2TextMap, L"TIT2"), L"Title 2");
  EXPECT_EQ(Value(mp3.pId3v2TextMap, L"TCON"), L"(17)Rock");
  EXPECT_EQ(mp3.pId3v2TextMap->GetCount(), 2);
  EXPECT_EQ(mp3.pId3v2CommentMap->GetCount(), 0);
  EXPECT_EQ(mp3.pInfoMap, nullptr);
  EXPECT_EQ(info.bFound, 1u);
  EXPECT_EQ(info.nVersion, 3u);
  EXPECT_EQ(info.nBitrateIndex, 9u);
  EXPECT_EQ(info.nSampleRateIndex, 0u);

  FILEENTRY& wav = Entry(L"a.wav", Riff(1000, Bytes{0} + InfoList({{"INAM", "Name"}, {"ICMT", "odd"}})));
  ASSERT_EQ(Read(wav), 1);
  EXPECT_EQ(wav.nTagKind, TAGKIND_INFO);
  EXPECT_EQ(Value(wav.pInfoMap, L"INAM"), L"Name");
  EXPECT_EQ(Value(wav.pInfoMap, L"ICMT"), L"odd");

  FILEENTRY& emptyList = Entry(L"b.rmp", Riff(200, InfoList({})));
  ASSERT_EQ(Read(emptyList), 1);
  EXPECT_EQ(emptyList.nTagKind, TAGKIND_INFO);
  ASSERT_NE(emptyList.pInfoMap, nullptr);
  EXPECT_EQ(emptyList.pInfoMap->GetCount(), 0);

  MPEGAUDIOINFO untouched{};
  untouched.bFound = 7;
  FILEENTRY& mp2 = Entry(L"c.mp2", MpegFrames(2));
  ASSERT_EQ(Read(mp2, &untouched), 1);
  EXPECT_EQ(untouched.bFound, 0u) << "zeroed, and no scan for MP2";
}

TEST_F(TagRecordTest, ReadingARecordAgainFreesWhatTheLastReadHung) {
  FILEENTRY& mp3 = Entry(L"all.mp3", Id3v2({{"TIT2", "T"}, {"TPE1", "A"}}) + MpegFrames(1) + Id3v1("x", "y", 1));
  FILEENTRY& wav = Entry(L"all.wav", Riff(100, InfoList({{"INAM", "n"}, {"IART", "a"}, {"ICMT", "c"}})));
  // The commit charge: Wine reports it as PagefileUsage and leaves PrivateUsage at 0.
  const auto committedBytes = [] {
    PROCESS_MEMORY_COUNTERS counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
  };
  for (int warmUp = 0; warmUp < 100; ++warmUp) ASSERT_TRUE(Read(mp3) && Read(wav));
  const SIZE_T before = committedBytes();
  // A block and three maps left behind per round would be megabytes by the end.
  for (int round = 0; round < 5000; ++round) ASSERT_TRUE(Read(mp3) && Read(wav));
  EXPECT_LT(committedBytes() - before, SIZE_T{512 * 1024});
  EXPECT_EQ(mp3.nTagKind, TAGKIND_ID3V1 | TAGKIND_ID3V2);
  EXPECT_EQ(wav.pInfoMap->GetCount(), 3);
}

TEST_F(TagRecordTest, ShortForeignMissingAndLockedFiles) {
  const struct {
    const wchar_t* name;
    Bytes bytes;  // empty: the file is not created
    bool lock;
    int result;
    BOOL tagRead;
  } cases[] = {
      {L"short.mp3", Bytes(127, 0), false, 1, TRUE},
      {L"other.ogg", MpegFrames(1) + Id3v1("x", "y", 1), false, 1, TRUE},
      {L"missing.mp3", {}, false, 0, FALSE},
      {L"locked.mp3", MpegFrames(1) + Id3v1("x", "y", 1), true, 0, FALSE},
      {L"runs-to-end.wav", Riff(100, {}), false, 1, TRUE},
      {L"huge-id3.mp3", Text("ID3") + Bytes{3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F} + Bytes(300, 1), false, 1, TRUE},
      {L"id3v24.mp3",
       [] {
         Bytes version4 = Id3v2({{"TIT2", "four"}}) + Bytes(200, 0);
         version4[3] = 4;
         return version4;
       }(),
       false, 1, TRUE},
      {L"past-end.wav", Text("RIFF") + Le32(40) + Text("WAVEdata") + Le32(100000) + Bytes(200, 1), false, 1, TRUE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.name));
    FILEENTRY& entry = c.bytes.empty() ? EntryFor(c.name) : Entry(c.name, c.bytes);
    if (c.bytes.empty()) entry.findData.nFileSizeLow = 1000;  // the host saw it before it went
    entry.pId3v1 = new ID3V1BLOCK{};                          // stale stores of an earlier read
    entry.nTagKind = 7;
    std::unique_ptr<FileLock> lock;
    if (c.lock) lock = std::make_unique<FileLock>(temp_.Path(c.name));
    EXPECT_EQ(Read(entry), c.result);
    EXPECT_EQ(entry.bTagRead, c.tagRead);
    EXPECT_EQ(entry.nTagKind, 0u);
    EXPECT_EQ(entry.pId3v1, nullptr);
    if (&c == &cases[0]) handlesBefore_ = HandleCount();  // after Wine's first-use handles
  }
}

TEST_F(TagRecordTest, WritesTagsInPlaceAndReadsThemBack) {
  const Bytes audio = MpegFrames(2);
  const Bytes oldTag = Id3v1("Old", "", 1);
  ID3V1BLOCK wanted{};
  wcscpy_s(wanted.szTitle, L"New");
  wcscpy_s(wanted.szArtist, L"Artist");
  wcscpy_s(wanted.szYear, L"2001");
  wanted.byGenre = 3;
  const Bytes newTag = Id3v1("New", "", 3);
  const Bytes odd = Riff(999, {});  // odd audio: the list follows with no pad byte

  const struct {
    const wchar_t* name;
    Bytes before;
    UINT kind;
    Bytes after;
    UINT kindReadBack;
  } cases[] = {
      {L"drop.mp3", audio + oldTag, 0, audio, 0},
      {L"add.mp3", audio, 1, audio + newTag, TAGKIND_ID3V1},
      {L"replace.mp3", audio + oldTag, 1, audio + newTag, TAGKIND_ID3V1},
      {L"kind-two.mp3", audio + oldTag, 2, audio, 0},
      {L"info-to-id3.wav", Riff(1000, InfoList({{"INAM", "x"}})), 1, Riff(1000, newTag), TAGKIND_ID3V1},
      {L"odd.wav", odd, 2, Riff(999, InfoList({{"INAM", "New"}})), TAGKIND_INFO},
      {L"cut.rmp", Riff(10, Bytes(300, 7)), 0, Riff(10, {}), 0},
      {L"other.ogg", audio, 1, audio, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.name));
    FILEENTRY& entry = Entry(c.name, c.before);
    ASSERT_EQ(Read(entry), 1);
    FILEENTRY work = entry;
    work.nTagKind = c.kind;
    work.pId3v1 = &wanted;
    CTagTextMap info;
    CString title = L"New";
    info.SetAt(L"INAM", title);
    work.pInfoMap = &info;
    EXPECT_EQ(Write(work, entry), 1);
    EXPECT_EQ(ReadBytes(temp_.Path(c.name)), c.after);
    EXPECT_EQ(entry.findData.nFileSizeLow, c.after.size()) << "the record was refreshed";
    EXPECT_EQ(entry.nTagKind, c.kindReadBack) << "read back after writing";
    if (c.kindReadBack & TAGKIND_INFO) {
      EXPECT_EQ(Value(entry.pInfoMap, L"INAM"), L"New");
    }
    if (c.kindReadBack & TAGKIND_ID3V1) {
      EXPECT_STREQ(entry.pId3v1->szTitle, L"New");
    }
  }
}

TEST_F(TagRecordTest, JapaneseTextRoundTripsInShiftJis) {
  FILEENTRY& mp3 = Entry(L"日本語.mp3", MpegFrames(1));
  FILEENTRY& wav = Entry(L"日本語.wav", Riff(100, {}));
  ID3V1BLOCK block{};
  wcscpy_s(block.szTitle, L"a春の小川はさらさら行くよ岸のすみ");  // 1 + 16 × 2 = 33 bytes
  wcscpy_s(block.szArtist, L"歌手 ");
  block.byGenre = 146;
  CTagTextMap info;
  CString name = L"朗読「春」", empty;
  info.SetAt(L"INAM", name);
  info.SetAt(L"ICMT", empty);
  for (FILEENTRY* entry : {&mp3, &wav}) {
    ASSERT_EQ(Read(*entry), 1);
    FILEENTRY work = *entry;
    work.nTagKind = entry == &mp3 ? 1 : 2;
    work.pId3v1 = &block;
    work.pInfoMap = &info;
    ASSERT_EQ(Write(work, *entry), 1);
  }
  // 30 bytes hold "a" and 14 whole characters; the 15th is not split.
  EXPECT_STREQ(mp3.pId3v1->szTitle, L"a春の小川はさらさら行くよ岸の");
  EXPECT_STREQ(mp3.pId3v1->szArtist, L"歌手");
  const Bytes tag = ReadBytes(temp_.Path(L"日本語.mp3"));
  EXPECT_EQ(Bytes(tag.end() - 128 + 3, tag.end() - 128 + 7), (Bytes{'a', 0x8F, 0x74, 0x82}));  // a春の…
  EXPECT_EQ(tag[tag.size() - 128 + 3 + 29], 0) << "the title's 30th byte would be half of す";
  EXPECT_EQ(Value(wav.pInfoMap, L"INAM"), L"朗読「春」");
  EXPECT_EQ(Value(wav.pInfoMap, L"ICMT"), L"");
}

TEST_F(TagRecordTest, RenamesKeepsAttributesAndFailsOnHeldFiles) {
  const Bytes file = MpegFrames(1) + Id3v1("T", "", 1);
  FILEENTRY& readOnly = Entry(L"ro.mp3", file);
  ASSERT_TRUE(::SetFileAttributesW(temp_.Path(L"ro.mp3").c_str(), FILE_ATTRIBUTE_READONLY));
  readOnly.findData.dwFileAttributes = FILE_ATTRIBUTE_READONLY;
  ASSERT_EQ(Read(readOnly), 1);
  FILEENTRY work = readOnly;
  work.pId3v1 = nullptr;
  work.pInfoMap = nullptr;
  work.nTagKind = 0;
  wcscpy_s(work.findData.cFileName, L"新しい名前.mp3");
  EXPECT_EQ(Write(work, readOnly), 1);
  EXPECT_FALSE(FileExists(temp_.Path(L"ro.mp3")));
  EXPECT_EQ(::GetFileAttributesW(temp_.Path(L"新しい名前.mp3").c_str()) & FILE_ATTRIBUTE_READONLY,
            DWORD{FILE_ATTRIBUTE_READONLY});
  EXPECT_STREQ(readOnly.findData.cFileName, L"新しい名前.mp3");
  EXPECT_EQ(ReadBytes(temp_.Path(L"新しい名前.mp3")).size(), file.size() - 128);

  FILEENTRY& caseOnly = Entry(L"Case.mp3", file);
  FILEENTRY sameName = caseOnly;
  wcscpy_s(sameName.findData.cFileName, L"CASE.MP3");
  sameName.nTagKind = 1;
  EXPECT_EQ(Write(sameName, caseOnly), 1);
  EXPECT_STREQ(caseOnly.findData.cFileName, L"Case.mp3");

  FILEENTRY& taken = Entry(L"taken.mp3", file);
  Entry(L"existing.mp3", file);
  FILEENTRY onto = taken;
  wcscpy_s(onto.findData.cFileName, L"existing.mp3");
  onto.nTagKind = 1;
  EXPECT_EQ(Write(onto, taken), 0);
  EXPECT_EQ(ReadBytes(temp_.Path(L"existing.mp3")), file);

  // RIFF files the writer cannot place a tail in are left as they are.
  for (const auto& [name, bytes] :
       {std::pair{L"no-data.wav", Text("RIFF") + Le32(2100) + Bytes(2100, 'x')},
        {L"data-past-end.rmp", Text("RIFF") + Le32(20) + Text("WAVEdata") + Le32(5000) + Bytes(300, 1)},
        {L"not-riff.wav", Text("RIFX") + Le32(300) + Text("WAVEdata") + Le32(10) + Bytes(300, 1)}}) {
    FILEENTRY& riff = Entry(name, bytes);
    FILEENTRY wantInfo = riff;
    wantInfo.nTagKind = 2;
    EXPECT_EQ(Write(wantInfo, riff), 0) << Utf8(name);
    EXPECT_EQ(ReadBytes(temp_.Path(name)), bytes) << Utf8(name);
  }

  FILEENTRY& held = Entry(L"held.mp3", file);
  FileLock lock(temp_.Path(L"held.mp3"));
  ASSERT_TRUE(lock.Held());
  FILEENTRY dropTag = held;
  dropTag.nTagKind = 0;
  EXPECT_EQ(Write(dropTag, held), 0);
  lock.Release();
  EXPECT_EQ(ReadBytes(temp_.Path(L"held.mp3")), file);
}

}  // namespace
