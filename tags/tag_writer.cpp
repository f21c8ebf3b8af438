// WriteMpegTagData: the wanted tags of a working record into the file of the
// host's record, in place, then the rename, the attributes and a fresh read.
#include <vector>

#include "id3v1.h"
#include "riff_info.h"
#include "system_codec.h"
#include "tag_file.h"
#include "tag_record.h"
#include "zvutil.h"

namespace {

std::array<std::uint8_t, zv::tags::kId3v1Size> BuildTag(const ID3V1BLOCK* pBlock) {
  return zv::tags::BuildId3v1(pBlock ? Id3v1FieldsOf(*pBlock) : zv::tags::Id3v1Fields{}, SystemCodec());
}

std::vector<std::uint8_t> BuildList(const CTagTextMap* pMap) {
  return zv::tags::BuildInfoList(pMap ? InfoEntriesOf(*pMap) : zv::tags::InfoEntries{}, SystemCodec());
}

// Replaces everything behind the audio data of a RIFF file.
bool WriteRiffTail(TagFile& file, const FILEENTRY& work) {
  std::vector<std::uint8_t> head;
  if (!file.ReadHead(zv::tags::kRiffSearchSize, head) || !zv::tags::ByteReader(head).StartsWith("RIFF")) {
    return false;
  }
  const auto chunk = zv::tags::FindDataChunk(head);
  ULONGLONG length = 0;
  if (!chunk || !file.CurrentLength(length) || length < chunk->AudioEnd()) return false;
  const ULONGLONG audioEnd = chunk->AudioEnd();

  // Nothing for kind 0, the ID3v1 tag for kind 1, the INFO list for any kind
  // with its bit; any other kind leaves the file as it is.
  ULONGLONG newLength = audioEnd;
  if (work.nTagKind == TAGKIND_ID3V1) {
    const auto tag = BuildTag(work.pId3v1);
    if (!file.WriteAt(audioEnd, tag.data(), static_cast<DWORD>(tag.size()))) return false;
    newLength += tag.size();
  } else if (work.nTagKind & TAGKIND_INFO) {
    const std::vector<std::uint8_t> list = BuildList(work.pInfoMap);
    if (!file.WriteAt(audioEnd, list.data(), static_cast<DWORD>(list.size()))) return false;
    newLength += list.size();
  } else if (work.nTagKind != 0) {
    return true;
  }
  if (!file.TruncateAt(newLength)) return false;
  const DWORD riffSize = static_cast<DWORD>(newLength - 8);
  const std::uint8_t sizeBytes[4] = {static_cast<std::uint8_t>(riffSize), static_cast<std::uint8_t>(riffSize >> 8),
                                     static_cast<std::uint8_t>(riffSize >> 16),
                                     static_cast<std::uint8_t>(riffSize >> 24)};
  return file.WriteAt(4, sizeBytes, sizeof sizeBytes);
}

// Puts, replaces or removes the ID3v1 tag at the end of an MPEG file.
bool WriteMpegEnd(TagFile& file, const FILEENTRY& work, const FILEENTRY& entry) {
  ULONGLONG length = 0;
  if (!file.CurrentLength(length)) return false;
  const bool hasTag = (entry.nTagKind & TAGKIND_ID3V1) != 0;
  if (hasTag && length < zv::tags::kId3v1Size) return false;
  const ULONGLONG at = hasTag ? length - zv::tags::kId3v1Size : length;
  if (!(work.nTagKind & TAGKIND_ID3V1)) return file.TruncateAt(at);
  const auto tag = BuildTag(work.pId3v1);
  return file.WriteAt(at, tag.data(), static_cast<DWORD>(tag.size()));
}

int WriteTags(const FILEENTRY& work, FILEENTRY& entry) {
  const CString path = TagFilePath(entry);
  const LPCWSTR name = entry.findData.cFileName;
  const bool mpeg = HasExtension(name, L"MP3") || HasExtension(name, L"MP2");
  const bool riff = HasExtension(name, L"WAV") || HasExtension(name, L"RMP");
  if (!mpeg && !riff) return 1;

  ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);  // a read-only file must open for writing
  {
    TagFile file(path, FindDataFileSize(work.findData), TagFile::kReadWrite);
    if (!file.IsOpen()) return 0;
    if (!(riff ? WriteRiffTail(file, work) : WriteMpegEnd(file, work, entry))) return 0;
  }
  delete entry.pId3v1;
  delete entry.pInfoMap;
  entry.pId3v1 = nullptr;
  entry.pInfoMap = nullptr;

  CString newPath = path;
  const LPCWSTR wanted = work.findData.cFileName;
  if (wanted[0] != L'\0' && _wcsicmp(wanted, name) != 0) {
    newPath.Format(L"%s\\%s", entry.szDir, wanted);
    if (!::MoveFileW(path, newPath)) return 0;
  }
  if (!::SetFileAttributesW(newPath, entry.findData.dwFileAttributes)) return 0;

  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileNoRedirect(newPath, &found);
  if (search != INVALID_HANDLE_VALUE) {
    entry.findData = found;
    FindCloseNoRedirect(&search);
  }
  ReadMpegTagData(&entry, nullptr);
  return 1;
}

}  // namespace

extern "C" int WINAPI WriteMpegTagData(const FILEENTRY* pWork, FILEENTRY* pEntry) noexcept {
  if (!pWork || !pEntry) return 0;
  try {
    return WriteTags(*pWork, *pEntry);
  } catch (...) {  // no memory for the list or a map entry
    return 0;
  }
}
