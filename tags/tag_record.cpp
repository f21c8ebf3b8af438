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
