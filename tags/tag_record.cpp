#include "tag_record.h"

#include <algorithm>
#include <cwchar>

#include "system_codec.h"
#include "zvutil.h"

namespace {

template <std::size_t N>
std::u16string FieldText(const WCHAR (&field)[N]) {
  return std::u16string(AsUtf16(field, wcsnlen(field, N - 1)));
}

template <std::size_t N>
void StoreText(const std::u16string& text, WCHAR (&field)[N]) {
  const std::size_t count = std::min(text.size(), N - 1);
  std::copy_n(text.data(), count, field);
  field[count] = L'\0';
}

}  // namespace

ID3V1BLOCK* NewId3v1Block() {
  auto* block = new ID3V1BLOCK{};
  block->byGenre = 255;
  return block;
}

void ClearTagStores(FILEENTRY& entry) {
  delete entry.pId3v1;
  delete entry.pInfoMap;
  delete entry.pId3v2TextMap;
  delete entry.pId3v2CommentMap;
  entry.pId3v1 = nullptr;
  entry.pInfoMap = entry.pId3v2TextMap = entry.pId3v2CommentMap = nullptr;
}

CTagTextMap* CopyTagTextMap(const CTagTextMap& source) {
  auto* copy = new CTagTextMap(kTagMapBlockSize);
  CString key, value;
  for (POSITION position = source.GetStartPosition(); position;) {
    source.GetNextAssoc(position, key, value);
    copy->SetAt(key, value);
  }
  return copy;
}

zv::tags::Id3v1Fields Id3v1FieldsOf(const ID3V1BLOCK& block) {
  return {FieldText(block.szTitle), FieldText(block.szArtist),  FieldText(block.szAlbum),
          FieldText(block.szYear),  FieldText(block.szComment), block.byGenre};
}

void StoreId3v1Fields(const zv::tags::Id3v1Fields& fields, ID3V1BLOCK& block) {
  StoreText(fields.title, block.szTitle);
  StoreText(fields.artist, block.szArtist);
  StoreText(fields.album, block.szAlbum);
  StoreText(fields.year, block.szYear);
  StoreText(fields.comment, block.szComment);
  block.byGenre = fields.genre;
}

zv::tags::InfoEntries InfoEntriesOf(const CTagTextMap& map) {
  zv::tags::InfoEntries entries;
  CString key, value;
  for (POSITION position = map.GetStartPosition(); position;) {
    map.GetNextAssoc(position, key, value);
    entries.emplace_back(SystemCodec().ToAnsi(AsUtf16(key)), std::u16string(AsUtf16(value)));
  }
  return entries;
}

TagWorkCopy::TagWorkCopy(const FILEENTRY& record) : m_entry(record) {
  m_entry.pId3v1 = (record.nTagKind & TAGKIND_ID3V1) && record.pId3v1 ? new ID3V1BLOCK(*record.pId3v1) : nullptr;
  m_entry.pInfoMap = (record.nTagKind & TAGKIND_INFO) && record.pInfoMap ? CopyTagTextMap(*record.pInfoMap) : nullptr;
}

TagWorkCopy::~TagWorkCopy() {
  DropId3v1();
  DropInfoMap();
}

ID3V1BLOCK& TagWorkCopy::Id3v1() {
  if (!m_entry.pId3v1) m_entry.pId3v1 = NewId3v1Block();
  return *m_entry.pId3v1;
}

CTagTextMap& TagWorkCopy::InfoMap() {
  if (!m_entry.pInfoMap) m_entry.pInfoMap = new CTagTextMap(kTagMapBlockSize);
  return *m_entry.pInfoMap;
}

void TagWorkCopy::DropId3v1() {
  delete m_entry.pId3v1;
  m_entry.pId3v1 = nullptr;
}

void TagWorkCopy::DropInfoMap() {
  delete m_entry.pInfoMap;
  m_entry.pInfoMap = nullptr;
}
