// ReadMpegTagData: the tags of one file into the host's record.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "id3v1.h"
#include "id3v2.h"
#include "mpeg_frame.h"
#include "riff_info.h"
#include "system_codec.h"
#include "tag_file.h"
#include "tag_record.h"
#include "zvutil.h"

namespace {

using zv::tags::Bytes;

// The answer of each tag reader: a failed seek or read ends the whole read.
enum class Answer { kFailed, kFound, kNotFound };

constexpr std::size_t kFrameScanBytes = 65536;

CTagTextMap* MapOf(CTagTextMap*& map) {
  if (!map) map = new CTagTextMap(kTagMapBlockSize);
  return map;
}

template <class Entries>
void Store(CTagTextMap& map, const Entries& entries) {
  for (const auto& [key, text] : entries) {
    CString value(AsWide(text));
    map.SetAt(CString(key.c_str()), value);
  }
}

Answer ReadId3v1(TagFile& file, FILEENTRY& entry) {
  std::uint8_t tag[zv::tags::kId3v1Size];
  if (!file.ReadAt(file.Size() - sizeof tag, tag, sizeof tag)) return Answer::kFailed;
  const auto fields = zv::tags::ParseId3v1(tag, SystemCodec());
  if (!fields) return Answer::kNotFound;
  if (!entry.pId3v1) entry.pId3v1 = NewId3v1Block();
  StoreId3v1Fields(*fields, *entry.pId3v1);
  return Answer::kFound;
}

Answer ReadInfoList(TagFile& file, FILEENTRY& entry) {
  std::vector<std::uint8_t> head;
  if (!file.ReadHead(zv::tags::kRiffSearchSize, head)) return Answer::kFailed;
  const Bytes headBytes(head);
  if (!zv::tags::ByteReader(headBytes).StartsWith("RIFF")) return Answer::kNotFound;
  const auto chunk = zv::tags::FindDataChunk(headBytes);
  if (!chunk || chunk->AudioEnd() >= file.Size()) return Answer::kNotFound;
  // The tail behind the audio data, sized by the file, never by a field in it.
  const ULONGLONG tailSize = file.Size() - chunk->AudioEnd();
  std::unique_ptr<std::uint8_t[]> tail(new (std::nothrow) std::uint8_t[tailSize + 1]());
  if (!tail || !file.ReadAt(chunk->AudioEnd(), tail.get(), tailSize)) return Answer::kNotFound;
  const auto entries = zv::tags::ParseInfoList(Bytes(tail.get(), tailSize), SystemCodec());
  if (!entries) return Answer::kNotFound;
  Store(*MapOf(entry.pInfoMap), *entries);
  return Answer::kFound;
}

Answer ReadId3v2(TagFile& file, FILEENTRY& entry) {
  if (file.Size() < zv::tags::kId3v2HeaderSize) return Answer::kNotFound;
  std::uint8_t header[zv::tags::kId3v2HeaderSize];
  if (!file.ReadAt(0, header, sizeof header)) return Answer::kFailed;
  const auto bodySize = zv::tags::ParseId3v2Header(header);
  if (!bodySize || file.Size() < ULONGLONG{*bodySize} + sizeof header) return Answer::kNotFound;
  std::unique_ptr<std::uint8_t[]> body(new (std::nothrow) std::uint8_t[std::size_t{*bodySize} + 1]());
  if (!body || !file.ReadAt(sizeof header, body.get(), *bodySize)) return Answer::kNotFound;
  const auto frames = zv::tags::ParseId3v2Body(Bytes(body.get(), *bodySize), SystemCodec());
  Store(*MapOf(entry.pId3v2TextMap), frames.texts);
  Store(*MapOf(entry.pId3v2CommentMap), frames.comments);
  return Answer::kFound;
}

void ScanFrames(TagFile& file, MPEGAUDIOINFO& info) {
  if (!file.CacheHead(kFrameScanBytes)) return;
  const zv::tags::MpegSummary summary = zv::tags::ScanMpegFrames(file.CachedHead());
  static_assert(sizeof summary == sizeof info);
  std::memcpy(&info, &summary, sizeof info);
}

int ReadTags(FILEENTRY& entry, MPEGAUDIOINFO* pInfo) {
  entry.nTagKind = 0;
  ClearTagStores(entry);
  if (pInfo) *pInfo = MPEGAUDIOINFO{};

  const LPCWSTR name = entry.findData.cFileName;
  const bool mp3 = HasExtension(name, L"MP3"), mp2 = HasExtension(name, L"MP2");
  const bool riff = HasExtension(name, L"WAV") || HasExtension(name, L"RMP");
  if (FindDataFileSize(entry.findData) < zv::tags::kId3v1Size || !(mp3 || mp2 || riff)) {
    entry.bTagRead = TRUE;
    return 1;
  }
  TagFile file(TagFilePath(entry), FindDataFileSize(entry.findData), TagFile::kRead);
  if (!file.IsOpen()) return 0;
  if (pInfo && mp3) ScanFrames(file, *pInfo);
  entry.bTagRead = TRUE;

  const struct {
    bool applies;
    Answer (*read)(TagFile&, FILEENTRY&);
    UINT bit;
  } readers[] = {
      {true, ReadId3v1, TAGKIND_ID3V1},
      {!mp2 && !mp3, ReadInfoList, TAGKIND_INFO},
      {mp3, ReadId3v2, TAGKIND_ID3V2},
  };
  for (const auto& reader : readers) {
    if (!reader.applies) continue;
    const Answer answer = reader.read(file, entry);
    if (answer == Answer::kFailed) return 0;
    if (answer == Answer::kFound) entry.nTagKind |= reader.bit;
  }
  return 1;
}

}  // namespace

extern "C" int WINAPI ReadMpegTagData(FILEENTRY* pEntry, MPEGAUDIOINFO* pInfo) noexcept {
  if (!pEntry) return 0;
  try {
    return ReadTags(*pEntry, pInfo);
  } catch (...) {  // no memory for a map entry: the host sees a failed read
    return 0;
  }
}
