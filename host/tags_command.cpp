#include "tags_command.h"

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <memory>

#include "console.h"
#include "scoped_handle.h"
#include "tag_record.h"

namespace {

// The host's record of a file, filled as the file manager fills it.
struct Record {
  FILEENTRY entry{};
  ~Record() {
    delete entry.pId3v1;
    delete entry.pInfoMap;
    delete entry.pId3v2TextMap;
    delete entry.pId3v2CommentMap;
  }
};

std::unique_ptr<Record> RecordFor(const std::wstring& file) {
  wchar_t full[MAX_PATH];
  wchar_t* name = nullptr;
  if (!::GetFullPathNameW(file.c_str(), MAX_PATH, full, &name) || !name) return nullptr;
  auto record = std::make_unique<Record>();
  // Only the find data is wanted: the search closes at once.
  if (!ScopedFindHandle(::FindFirstFileW(full, &record->entry.findData)).IsValid()) return nullptr;
  name[-1] = L'\0';  // the folder, without the backslash
  wcsncpy_s(record->entry.szDir, std::size(record->entry.szDir), full, _TRUNCATE);
  return record;
}

void PrintMap(const wchar_t* heading, const CTagTextMap* map) {
  if (!map) return;
  Print(std::wstring(L"  ") + heading + L":\n");
  CString key, value;
  for (POSITION position = map->GetStartPosition(); position;) {
    map->GetNextAssoc(position, key, value);
    Print(std::wstring(L"    ") + key.GetString() + L" = " + value.GetString() + L"\n");
  }
}

int ReadTags(const ZvDllExports& exports, const std::vector<std::wstring>& files) {
  int status = 0;
  for (const std::wstring& file : files) {
    const std::unique_ptr<Record> record = RecordFor(file);
    MPEGAUDIOINFO info{};
    if (!record || !exports.ReadMpegTagData(&record->entry, &info)) {
      Print(file + L": 読み込めません\n", stderr);
      status = 1;
      continue;
    }
    const FILEENTRY& entry = record->entry;
    Print(file + L": タグ種別 " + std::to_wstring(entry.nTagKind) + L"\n");
    if (const ID3V1BLOCK* tag = entry.pId3v1) {
      Print(std::wstring(L"  ID3v1: ") + tag->szTitle + L" / " + tag->szArtist + L" / " + tag->szAlbum + L" / " +
            tag->szYear + L" / " + tag->szComment + L" / genre " + std::to_wstring(tag->byGenre) + L"\n");
    }
    PrintMap(L"ID3v2", entry.pId3v2TextMap);
    PrintMap(L"ID3v2 comments", entry.pId3v2CommentMap);
    PrintMap(L"INFO", entry.pInfoMap);
    if (info.bFound) {
      Print(L"  MPEG: version " + std::to_wstring(info.nVersion) + L", bit-rate index " +
            std::to_wstring(info.nBitrateIndex) + L", sampling-rate index " + std::to_wstring(info.nSampleRateIndex) +
            L"\n");
    }
  }
  return status;
}

int WriteTags(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return 2;
  const std::unique_ptr<Record> record = RecordFor(arguments[0]);
  if (!record) {
    Print(arguments[0] + L": 見つかりません\n", stderr);
    return 1;
  }
  exports.ReadMpegTagData(&record->entry, nullptr);
  FILEENTRY work = record->entry;
  ID3V1BLOCK block{};
  block.byGenre = 255;
  CTagTextMap info;
  work.pId3v1 = &block;
  work.pInfoMap = &info;
  work.pId3v2TextMap = work.pId3v2CommentMap = nullptr;
  const struct {
    const wchar_t* option;
    WCHAR* field;
    size_t size;
  } fields[] = {{L"--title", block.szTitle, 31},
                {L"--artist", block.szArtist, 31},
                {L"--album", block.szAlbum, 31},
                {L"--year", block.szYear, 5},
                {L"--comment", block.szComment, 31}};
  for (size_t i = 1; i + 1 < arguments.size(); i += 2) {
    const std::wstring& option = arguments[i];
    const std::wstring& value = arguments[i + 1];
    bool known = false;
    for (const auto& field : fields) {
      if (option == field.option) wcsncpy_s(field.field, field.size, value.c_str(), _TRUNCATE), known = true;
    }
    if (option == L"--kind") work.nTagKind = static_cast<UINT>(_wtoi(value.c_str())), known = true;
    if (option == L"--genre") block.byGenre = static_cast<BYTE>(_wtoi(value.c_str())), known = true;
    if (option == L"--rename")
      wcsncpy_s(work.findData.cFileName, std::size(work.findData.cFileName), value.c_str(), _TRUNCATE), known = true;
    if (option == L"--info" && value.find(L'=') == 4) {
      CString text(value.substr(5).c_str());
      info.SetAt(CString(value.substr(0, 4).c_str()), text);
      known = true;
    }
    if (!known) return 2;
  }
  if (!exports.WriteMpegTagData(&work, &record->entry)) {
    Print(arguments[0] + L": 書き込めません\n", stderr);
    return 1;
  }
  Print(std::wstring(L"書き込みました: ") + record->entry.szDir + L"\\" + record->entry.findData.cFileName + L"\n");
  return 0;
}

// The host's tag command: the selected files' records, unread, in one array.
int EditTags(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  const bool allAtOnce = !arguments.empty() && arguments[0] == L"--all";
  std::vector<std::unique_ptr<Record>> records;
  CFileEntryArray files;
  for (size_t i = allAtOnce ? 1 : 0; i < arguments.size(); ++i) {
    records.push_back(RecordFor(arguments[i]));
    if (!records.back()) {
      Print(arguments[i] + L": 見つかりません\n", stderr);
      return 1;
    }
    files.Add(&records.back()->entry);
  }
  const INT_PTR result = exports.ZvTagMakeDlg(allAtOnce, &files);
  Print(result == IDOK ? L"結果: IDOK\n" : result == IDCANCEL ? L"結果: IDCANCEL\n" : L"結果: 失敗\n");
  for (const auto& record : records) {
    Print(std::wstring(L"  ") + record->entry.szDir + L"\\" + record->entry.findData.cFileName + L"\n");
  }
  return result == IDOK || result == IDCANCEL ? 0 : 1;
}

}  // namespace

int RunTagsCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return 2;
  const std::vector<std::wstring> rest(arguments.begin() + 1, arguments.end());
  if (arguments[0] == L"read" && !rest.empty()) return ReadTags(exports, rest);
  if (arguments[0] == L"write") return WriteTags(exports, rest);
  if (arguments[0] == L"edit") return EditTags(exports, rest);
  return 2;
}
