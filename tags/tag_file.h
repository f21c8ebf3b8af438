// An open tag file with the few positioned reads and writes the tag reader
// and writer need. Sizes come from the host's record, as the host saw the file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include <afxstr.h>

#include "scoped_handle.h"

struct FILEENTRY;

// "%s\%s" from the record's folder and file name.
CString TagFilePath(const FILEENTRY& entry);

class TagFile {
 public:
  enum Access { kRead, kReadWrite };

  TagFile(LPCWSTR path, ULONGLONG size, Access access);

  bool IsOpen() const { return m_file.IsValid(); }
  ULONGLONG Size() const { return m_nSize; }

  // Exactly count bytes at offset; false on a failed move or a short read.
  // Bytes inside the cached head come from memory.
  bool ReadAt(ULONGLONG offset, void* buffer, ULONGLONG count);
  // Reads the first min(size, limit) bytes once and keeps them: the MPEG frame
  // scan reads them anyway, and a small file's tags then cost no further reads.
  bool CacheHead(std::size_t limit);
  const std::vector<std::uint8_t>& CachedHead() const { return m_head; }
  // The first min(size, limit) bytes.
  bool ReadHead(std::size_t limit, std::vector<std::uint8_t>& head);
  bool WriteAt(ULONGLONG offset, const void* bytes, DWORD count);
  // Makes the file end at offset.
  bool TruncateAt(ULONGLONG offset);
  // The file's length on disk now.
  bool CurrentLength(ULONGLONG& length) const;

 private:
  bool MoveTo(ULONGLONG offset);

  ScopedHandle m_file;
  ULONGLONG m_nSize;
  std::vector<std::uint8_t> m_head;
};
