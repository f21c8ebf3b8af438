// The host's per-file record as the tag functions use it, the ID3v1 block and
// the string maps the library hangs on it, and the MPEG summary for the host.
// Host and library share these layouts byte for byte.
#pragma once

#include <afxtempl.h>
#include <afxwin.h>

#include <cstddef>

#include "tag_form.h"

// Text maps of a record: INFO identifier, ID3v2 frame identifier or comment
// language → text. Created by the library with a block size of 10.
using CTagTextMap = CMap<CString, LPCTSTR, CString, CString&>;
inline constexpr int kTagMapBlockSize = 10;

// The ID3v1 tag of a file as text; 255 in byGenre means no genre.
struct ID3V1BLOCK {
  WCHAR szTitle[31];
  WCHAR szArtist[31];
  WCHAR szAlbum[31];
  WCHAR szYear[5];
  WCHAR szComment[31];
  BYTE byGenre;
  BYTE byZero;
};
static_assert(sizeof(ID3V1BLOCK) == 260 && offsetof(ID3V1BLOCK, szArtist) == 62 &&
              offsetof(ID3V1BLOCK, szAlbum) == 124 && offsetof(ID3V1BLOCK, szYear) == 186 &&
              offsetof(ID3V1BLOCK, szComment) == 196 && offsetof(ID3V1BLOCK, byGenre) == 258);

// nTagKind bits after a read; in a working copy the low two bits are the wanted tags.
constexpr UINT TAGKIND_ID3V1 = zv::tags::kKindId3v1;
constexpr UINT TAGKIND_INFO = zv::tags::kKindInfo;
constexpr UINT TAGKIND_ID3V2 = zv::tags::kKindId3v2;

// The host's record of one file. The host lays out the bytes from szDir up to
// bTagRead; the tag functions read only the folder string there.
struct FILEENTRY {
  BYTE reserved[8];
  WIN32_FIND_DATAW findData;
  WCHAR szDir[520];  // the file's folder, without a trailing backslash
  BOOL bTagRead;     // 1 once the reader has examined the file
  UINT nTagKind;
  ID3V1BLOCK* pId3v1;
  CTagTextMap* pInfoMap;
  CTagTextMap* pId3v2TextMap;
  CTagTextMap* pId3v2CommentMap;
};
static_assert(offsetof(FILEENTRY, findData) == 8 && offsetof(FILEENTRY, findData.nFileSizeHigh) == 36 &&
              offsetof(FILEENTRY, findData.nFileSizeLow) == 40 && offsetof(FILEENTRY, findData.cFileName) == 52 &&
              offsetof(FILEENTRY, findData.cAlternateFileName) == 572 && offsetof(FILEENTRY, szDir) == 600 &&
              offsetof(FILEENTRY, bTagRead) == 1640 && offsetof(FILEENTRY, nTagKind) == 1644 &&
              offsetof(FILEENTRY, pId3v1) == 1648 && offsetof(FILEENTRY, pInfoMap) == 1656 &&
              offsetof(FILEENTRY, pId3v2TextMap) == 1664 && offsetof(FILEENTRY, pId3v2CommentMap) == 1672 &&
              sizeof(FILEENTRY) == 1680);

// What the reader found of the MPEG audio frames at the start of a file.
struct MPEGAUDIOINFO {
  UINT bFound;
  UINT nVersion;
  UINT nLayer;
  UINT nBitrateIndex;
  UINT nSampleRateIndex;
  UINT nChannelMode;
};
static_assert(sizeof(MPEGAUDIOINFO) == 24);

// Reads the tags of the record's file into the record; see tag_reader.cpp.
extern "C" int WINAPI ReadMpegTagData(FILEENTRY* pEntry, MPEGAUDIOINFO* pInfo) noexcept;
// Writes the working record's tags into the file of the host's record; see tag_writer.cpp.
extern "C" int WINAPI WriteMpegTagData(const FILEENTRY* pWork, FILEENTRY* pEntry) noexcept;

// A new block: all zero, no genre.
ID3V1BLOCK* NewId3v1Block();
// Destroys the record's ID3v1 block and maps and sets the pointers to null.
void ClearTagStores(FILEENTRY& entry);

// The host's list of selected files, as the tag dialog receives it.
using CFileEntryArray = CArray<FILEENTRY*, FILEENTRY*>;

// A duplicate of a text map, with the reader's block size.
CTagTextMap* CopyTagTextMap(const CTagTextMap& source);

// The block's texts, each ending inside its field even without its NUL, and genre.
zv::tags::Id3v1Fields Id3v1FieldsOf(const ID3V1BLOCK& block);
// The fields into the block, each text cut to what its field holds.
void StoreId3v1Fields(const zv::tags::Id3v1Fields& fields, ID3V1BLOCK& block);
// The map's entries in its order, the identifiers in the system code page.
zv::tags::InfoEntries InfoEntriesOf(const CTagTextMap& map);

// What the tag dialog writes from: a copy of a host record whose ID3v1 block
// and INFO map are the copy's own (duplicated when the record's kind has them),
// so that changing them never touches the record. The ID3v2 maps stay the
// record's and are never destroyed through the copy.
class TagWorkCopy {
 public:
  explicit TagWorkCopy(const FILEENTRY& record);
  ~TagWorkCopy();
  TagWorkCopy(const TagWorkCopy&) = delete;
  TagWorkCopy& operator=(const TagWorkCopy&) = delete;

  FILEENTRY& Entry() { return m_entry; }
  // The block or map, made (empty; the block without genre) when missing.
  ID3V1BLOCK& Id3v1();
  CTagTextMap& InfoMap();
  void DropId3v1();
  void DropInfoMap();

 private:
  FILEENTRY m_entry;
};
