#include "tag_file.h"

#include <algorithm>
#include <new>
#include <utility>

#include "tag_record.h"
#include "zvutil.h"

CString TagFilePath(const FILEENTRY& entry) {
  CString path;
  path.Format(L"%s\\%s", entry.szDir, entry.findData.cFileName);
  return path;
}

// Reading shares with readers only; rewriting lets other readers and writers in.
TagFile::TagFile(LPCWSTR path, ULONGLONG size, Access access)
    : m_file(access == kRead
                 ? CreateFileNoRedirect(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr)
                 : CreateFileNoRedirect(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr)),
      m_nSize(size) {}

bool TagFile::MoveTo(ULONGLONG offset) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN) != FALSE;
}

bool TagFile::ReadAt(ULONGLONG offset, void* buffer, ULONGLONG count) {
  if (offset <= m_head.size() && count <= m_head.size() - offset) {
    std::copy_n(m_head.data() + offset, count, static_cast<BYTE*>(buffer));
    return true;
  }
  if (!MoveTo(offset)) return false;
  auto* bytes = static_cast<BYTE*>(buffer);
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<ULONGLONG>(count, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(m_file.Get(), bytes, chunk, &read, nullptr) || read != chunk) return false;
    bytes += chunk;
    count -= chunk;
  }
  return true;
}

bool TagFile::CacheHead(std::size_t limit) {
  std::vector<std::uint8_t> head;
  try {
    head.resize(static_cast<std::size_t>(std::min<ULONGLONG>(m_nSize, limit)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!ReadAt(0, head.data(), head.size())) return false;
  m_head = std::move(head);
  return true;
}

bool TagFile::ReadHead(std::size_t limit, std::vector<std::uint8_t>& head) {
  head.resize(static_cast<std::size_t>(std::min<ULONGLONG>(m_nSize, limit)));
  return ReadAt(0, head.data(), head.size());
}

bool TagFile::WriteAt(ULONGLONG offset, const void* bytes, DWORD count) {
  DWORD written = 0;
  return MoveTo(offset) && ::WriteFile(m_file.Get(), bytes, count, &written, nullptr) && written == count;
}

bool TagFile::TruncateAt(ULONGLONG offset) { return MoveTo(offset) && ::SetEndOfFile(m_file.Get()); }

bool TagFile::CurrentLength(ULONGLONG& length) const {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(m_file.Get(), &size)) return false;
  length = static_cast<ULONGLONG>(size.QuadPart);
  return true;
}
