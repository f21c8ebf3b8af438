// Reads the tags and frame summary of every .mp3 file of a folder through
// ReadMpegTagData, as the host does for its file list, and the same files with
// a bare open-read-close loop (the I/O ceiling under Wine).
//   tags_bench FOLDER library|ceiling RUNS
// Prints the best time in seconds and the number of files.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "support.h"
#include "tag_record.h"

namespace {

std::vector<WIN32_FIND_DATAW> ListFiles(const std::wstring& folder) {
  std::vector<WIN32_FIND_DATAW> files;
  WIN32_FIND_DATAW find;
  HANDLE search = ::FindFirstFileW((folder + L"\\*.mp3").c_str(), &find);
  if (search == INVALID_HANDLE_VALUE) return files;
  do files.push_back(find);
  while (::FindNextFileW(search, &find));
  ::FindClose(search);
  return files;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: tags_bench FOLDER library|ceiling RUNS\n");
    return 2;
  }
  const std::wstring folder = argv[1], mode = argv[2];
  const auto read =
      zvtest::GetExport<int(WINAPI*)(FILEENTRY*, MPEGAUDIOINFO*)>(::LoadLibraryW(L"ZvDll.dll"), "ReadMpegTagData");
  const std::vector<WIN32_FIND_DATAW> files = ListFiles(folder);
  if (!read || files.empty()) {
    std::fprintf(stderr, "tags_bench: no library or no files\n");
    return 1;
  }
  std::vector<BYTE> buffer(65536);
  double best = 1e9;
  for (int run = 0; run < _wtoi(argv[3]); ++run) {
    int failures = 0;
    const double start = Now();
    for (const WIN32_FIND_DATAW& find : files) {
      if (mode == L"ceiling") {
        const std::wstring path = folder + L"\\" + find.cFileName;
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        DWORD got = 0;
        if (file == INVALID_HANDLE_VALUE || !::ReadFile(file, buffer.data(), 65536, &got, nullptr)) ++failures;
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
        continue;
      }
      FILEENTRY entry{};
      entry.findData = find;
      wcsncpy_s(entry.szDir, std::size(entry.szDir), folder.c_str(), _TRUNCATE);
      MPEGAUDIOINFO info{};
      if (!read(&entry, &info) || entry.nTagKind != (TAGKIND_ID3V1 | TAGKIND_ID3V2) || !info.bFound) ++failures;
      delete entry.pId3v1;
      delete entry.pInfoMap;
      delete entry.pId3v2TextMap;
      delete entry.pId3v2CommentMap;
    }
    const double seconds = Now() - start;
    if (failures) {
      std::fprintf(stderr, "tags_bench: %d files were not read as expected\n", failures);
      return 1;
    }
    if (seconds < best) best = seconds;
  }
  std::printf("%.4f %zu\n", best, files.size());
  return 0;
}
