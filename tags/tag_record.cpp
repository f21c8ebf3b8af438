#include "tag_record.h"

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
