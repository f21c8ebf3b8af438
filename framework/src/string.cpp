// CString. Buffers come from msvcrt's malloc through this module only; an empty
// string points at s_chNil and owns nothing.
#include <afxstr.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

const wchar_t s_chNil = L'\0';

wchar_t* NilBuffer() { return const_cast<wchar_t*>(&s_chNil); }

// Lengths are int throughout, as in the original class; a result that does not
// fit is refused before any buffer is touched.
int CheckedLength(long long nLength) {
  if (nLength < 0 || nLength >= INT_MAX) throw std::length_error("CString: string too long");
  return static_cast<int>(nLength);
}

int SafeLength(const wchar_t* psz) { return psz ? CheckedLength(static_cast<long long>(wcslen(psz))) : 0; }

wchar_t* AllocateChars(int nAlloc) {
  void* p = std::malloc((static_cast<size_t>(nAlloc) + 1) * sizeof(wchar_t));
  if (!p) throw std::bad_alloc();
  return static_cast<wchar_t*>(p);
}

// Ends a variable argument list on every way out, also when formatting throws.
struct VaListEnd {
  va_list& args;
  ~VaListEnd() { va_end(args); }
};

}  // namespace

CString::CString() noexcept : m_pszData(NilBuffer()), m_nDataLength(0), m_nAllocLength(0) {}

CString::CString(const CString& stringSrc) : CString() { Assign(stringSrc.m_pszData, stringSrc.m_nDataLength); }

CString::CString(CString&& stringSrc) noexcept
    : m_pszData(stringSrc.m_pszData), m_nDataLength(stringSrc.m_nDataLength), m_nAllocLength(stringSrc.m_nAllocLength) {
  stringSrc.m_pszData = NilBuffer();
  stringSrc.m_nDataLength = 0;
  stringSrc.m_nAllocLength = 0;
}

CString::CString(const wchar_t* psz) : CString() { Assign(psz, SafeLength(psz)); }

CString::CString(const wchar_t* pch, int nLength) : CString() {
  if (nLength < 0 || (!pch && nLength > 0)) throw std::invalid_argument("CString: invalid source length");
  Assign(pch, nLength);
}

CString::CString(wchar_t ch, int nRepeat) : CString() {
  if (nRepeat <= 0) return;
  Reserve(CheckedLength(nRepeat), true);
  wmemset(m_pszData, ch, nRepeat);
  m_nDataLength = nRepeat;
  m_pszData[nRepeat] = L'\0';
}

CString::CString(const char* psz) : CString() {
  if (!psz || !*psz) return;
  const int nWithNul = ::MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
  if (nWithNul <= 1) return;
  Reserve(nWithNul - 1, true);
  ::MultiByteToWideChar(CP_ACP, 0, psz, -1, m_pszData, nWithNul);
  m_nDataLength = nWithNul - 1;
  m_pszData[m_nDataLength] = L'\0';
}

CString::~CString() { Empty(); }

CString& CString::operator=(const CString& stringSrc) {
  if (this != &stringSrc) Assign(stringSrc.m_pszData, stringSrc.m_nDataLength);
  return *this;
}

CString& CString::operator=(CString&& stringSrc) noexcept {
  if (this != &stringSrc) {
    Empty();
    std::swap(m_pszData, stringSrc.m_pszData);
    std::swap(m_nDataLength, stringSrc.m_nDataLength);
    std::swap(m_nAllocLength, stringSrc.m_nAllocLength);
  }
  return *this;
}

CString& CString::operator=(const wchar_t* psz) {
  Assign(psz, SafeLength(psz));
  return *this;
}

CString& CString::operator=(const char* psz) { return *this = CString(psz); }

CString& CString::operator=(wchar_t ch) {
  Assign(&ch, 1);
  return *this;
}

CString& CString::operator+=(const CString& string) {
  Append(string.m_pszData, string.m_nDataLength);
  return *this;
}

CString& CString::operator+=(const wchar_t* psz) {
  Append(psz, SafeLength(psz));
  return *this;
}

CString& CString::operator+=(wchar_t ch) {
  Append(&ch, 1);
  return *this;
}

void CString::Empty() noexcept {
  if (OwnsBuffer()) std::free(m_pszData);
  m_pszData = NilBuffer();
  m_nDataLength = 0;
  m_nAllocLength = 0;
}

wchar_t CString::GetAt(int iChar) const {
  if (iChar < 0 || iChar > m_nDataLength) throw std::out_of_range("CString::GetAt: index out of range");
  return m_pszData[iChar];
}

void CString::SetAt(int iChar, wchar_t ch) {
  if (iChar < 0 || iChar >= m_nDataLength) throw std::out_of_range("CString::SetAt: index out of range");
  m_pszData[iChar] = ch;
}

int CString::Compare(const wchar_t* psz) const { return wcscmp(m_pszData, psz ? psz : L""); }

int CString::CompareNoCase(const wchar_t* psz) const { return _wcsicmp(m_pszData, psz ? psz : L""); }

CString CString::Mid(int iFirst) const { return Mid(iFirst, m_nDataLength); }

CString CString::Mid(int iFirst, int nCount) const {
  iFirst = std::max(iFirst, 0);
  nCount = std::max(nCount, 0);
  if (iFirst >= m_nDataLength) return CString();
  const int nAvailable = m_nDataLength - iFirst;
  nCount = std::min(nCount, nAvailable);
  if (iFirst == 0 && nCount == m_nDataLength) return *this;
  return CString(m_pszData + iFirst, nCount);
}

CString CString::Left(int nCount) const {
  nCount = std::max(nCount, 0);
  if (nCount >= m_nDataLength) return *this;
  return CString(m_pszData, nCount);
}

CString CString::Right(int nCount) const {
  nCount = std::max(nCount, 0);
  if (nCount >= m_nDataLength) return *this;
  return CString(m_pszData + m_nDataLength - nCount, nCount);
}

int CString::Find(wchar_t ch, int iStart) const {
  if (iStart < 0 || iStart >= m_nDataLength) return -1;
  const wchar_t* p = wcschr(m_pszData + iStart, ch);
  return p ? static_cast<int>(p - m_pszData) : -1;
}

int CString::Find(const wchar_t* pszSub, int iStart) const {
  if (!pszSub || iStart < 0 || iStart > m_nDataLength) return -1;
  // An empty pattern matches at iStart, as msvcrt's wcsstr does; Wine's returns NULL at the end of the text.
  if (!*pszSub) return iStart;
  const wchar_t* p = wcsstr(m_pszData + iStart, pszSub);
  return p ? static_cast<int>(p - m_pszData) : -1;
}

int CString::ReverseFind(wchar_t ch) const {
  const wchar_t* p = wcsrchr(m_pszData, ch);
  return p ? static_cast<int>(p - m_pszData) : -1;
}

void CString::Format(const wchar_t* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  const VaListEnd end{args};
  FormatV(pszFormat, args);
}

// msvcrt's _vscwprintf and _vsnwprintf, never mingw's own printf (which libstdc++
// switches on): only they read %s in a wide format as a wide string. The arguments
// may point into this string, so the text is formatted into a new buffer first.
void CString::FormatV(const wchar_t* pszFormat, va_list args) {
  if (!pszFormat) throw std::invalid_argument("CString::Format: null format");
  va_list measureArgs;
  va_copy(measureArgs, args);
  const int nLength = _vscwprintf(pszFormat, measureArgs);
  va_end(measureArgs);
  if (nLength < 0) throw std::invalid_argument("CString::Format: invalid format");
  if (nLength == 0) {
    Empty();
    return;
  }
  CString result;
  result.Reserve(CheckedLength(nLength), true);
  _vsnwprintf(result.m_pszData, static_cast<size_t>(nLength) + 1, pszFormat, args);
  result.m_pszData[nLength] = L'\0';
  result.m_nDataLength = nLength;
  *this = std::move(result);
}

wchar_t* CString::GetBuffer(int nMinBufferLength) {
  if (nMinBufferLength < 0) throw std::invalid_argument("CString::GetBuffer: negative length");
  Reserve(std::max(nMinBufferLength, m_nDataLength), true);
  return m_pszData;
}

wchar_t* CString::GetBuffer() { return GetBuffer(0); }

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength == -1) nNewLength = static_cast<int>(wcsnlen(m_pszData, m_nAllocLength));
  if (nNewLength < 0 || nNewLength > m_nAllocLength)
    throw std::invalid_argument("CString::ReleaseBuffer: length outside the buffer");
  if (!OwnsBuffer()) return;
  m_nDataLength = nNewLength;
  m_pszData[nNewLength] = L'\0';
}

void CString::Assign(const wchar_t* pch, int nLength) {
  if (nLength == 0) {
    Empty();
    return;
  }
  if (Overlaps(pch)) {
    *this = CString(pch, nLength);
    return;
  }
  if (!OwnsBuffer() || nLength > m_nAllocLength) {
    Empty();
    Reserve(nLength, true);
  }
  wmemcpy(m_pszData, pch, nLength);
  m_nDataLength = nLength;
  m_pszData[nLength] = L'\0';
}

void CString::Append(const wchar_t* pch, int nLength) {
  if (nLength <= 0) return;
  if (Overlaps(pch)) {
    const CString copy(pch, nLength);
    Append(copy.m_pszData, nLength);
    return;
  }
  Reserve(CheckedLength(static_cast<long long>(m_nDataLength) + nLength), false);
  wmemcpy(m_pszData + m_nDataLength, pch, nLength);
  m_nDataLength += nLength;
  m_pszData[m_nDataLength] = L'\0';
}

// Makes room for nMinAlloc characters and a terminator, keeping the contents. Appends
// ask for geometric growth so that repeated += stays linear.
void CString::Reserve(int nMinAlloc, bool exact) {
  if (OwnsBuffer() && nMinAlloc <= m_nAllocLength) return;
  int nAlloc = nMinAlloc;
  if (!exact) nAlloc = std::max(nMinAlloc, static_cast<int>(std::min(m_nAllocLength * 3LL / 2, INT_MAX - 1LL)));
  wchar_t* pNew = AllocateChars(nAlloc);
  wmemcpy(pNew, m_pszData, m_nDataLength + 1);
  if (OwnsBuffer()) std::free(m_pszData);
  m_pszData = pNew;
  m_nAllocLength = nAlloc;
}

bool CString::OwnsBuffer() const noexcept { return m_pszData != &s_chNil; }

bool CString::Overlaps(const wchar_t* p) const noexcept {
  std::less<const wchar_t*> before;
  return OwnsBuffer() && !before(p, m_pszData) && before(p, m_pszData + m_nAllocLength + 1);
}

namespace {

CString Concatenate(const wchar_t* psz1, int nLength1, const wchar_t* psz2, int nLength2) {
  const int nTotal = CheckedLength(static_cast<long long>(nLength1) + nLength2);
  CString result;
  if (nTotal == 0) return result;
  wchar_t* p = result.GetBuffer(nTotal);
  std::copy_n(psz2, nLength2, std::copy_n(psz1, nLength1, p));
  result.ReleaseBuffer(nTotal);
  return result;
}

}  // namespace

CString operator+(const CString& string1, const CString& string2) {
  return Concatenate(string1, string1.GetLength(), string2, string2.GetLength());
}

CString operator+(const CString& string, const wchar_t* psz) {
  return Concatenate(string, string.GetLength(), psz, SafeLength(psz));
}

CString operator+(const wchar_t* psz, const CString& string) {
  return Concatenate(psz, SafeLength(psz), string, string.GetLength());
}

CString operator+(const CString& string, wchar_t ch) { return Concatenate(string, string.GetLength(), &ch, 1); }

CString operator+(wchar_t ch, const CString& string) { return Concatenate(&ch, 1, string, string.GetLength()); }
