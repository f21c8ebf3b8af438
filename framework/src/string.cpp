// CString. Buffers come from msvcrt's malloc through this module only; an empty
// string points at s_chNil and owns nothing.
#include <afxstr.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
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

bool IsTargetChar(wchar_t ch, const wchar_t* pszTargets, size_t nTargets) {
  return wmemchr(pszTargets, ch, nTargets) != nullptr;
}

// The part of [p, p + nLength) left after dropping leading and/or trailing characters that match.
template <class Pred>
std::pair<int, int> TrimmedRange(const wchar_t* p, int nLength, bool left, bool right, Pred matches) {
  int begin = 0;
  int end = nLength;
  if (left)
    while (begin < end && matches(p[begin])) ++begin;
  if (right)
    while (end > begin && matches(p[end - 1])) --end;
  return {begin, end};
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
  InsertChars(m_nDataLength, string.m_pszData, string.m_nDataLength);
  return *this;
}

CString& CString::operator+=(const wchar_t* psz) {
  InsertChars(m_nDataLength, psz, SafeLength(psz));
  return *this;
}

CString& CString::operator+=(wchar_t ch) {
  InsertChars(m_nDataLength, &ch, 1);
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

int CString::FindOneOf(const wchar_t* pszCharSet) const {
  if (!pszCharSet) return -1;
  const wchar_t* p = wcspbrk(m_pszData, pszCharSet);
  return p ? static_cast<int>(p - m_pszData) : -1;
}

// The CRT's case mapping, as CompareNoCase uses: in the "C" locale only ASCII letters change.
CString& CString::MakeUpper() {
  if (OwnsBuffer()) _wcsupr(m_pszData);
  return *this;
}

CString& CString::MakeLower() {
  if (OwnsBuffer()) _wcslwr(m_pszData);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(m_pszData, m_pszData + m_nDataLength);
  return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(wchar_t chTarget) { return TrimRight(chTarget).TrimLeft(chTarget); }
CString& CString::Trim(const wchar_t* pszTargets) { return TrimRight(pszTargets).TrimLeft(pszTargets); }

// targets null: white space; otherwise the nTargets characters at targets.
CString& CString::TrimEnds(bool left, bool right, const wchar_t* targets, size_t nTargets) {
  auto matches = [=](wchar_t c) { return targets ? IsTargetChar(c, targets, nTargets) : iswspace(c) != 0; };
  auto [begin, end] = TrimmedRange(m_pszData, m_nDataLength, left, right, matches);
  KeepRange(begin, end);
  return *this;
}

CString& CString::TrimLeft() { return TrimEnds(true, false, nullptr, 0); }
CString& CString::TrimLeft(wchar_t chTarget) { return TrimEnds(true, false, &chTarget, 1); }
CString& CString::TrimLeft(const wchar_t* pszTargets) {
  return TrimEnds(true, false, pszTargets ? pszTargets : L"", pszTargets ? wcslen(pszTargets) : 0);
}
CString& CString::TrimRight() { return TrimEnds(false, true, nullptr, 0); }
CString& CString::TrimRight(wchar_t chTarget) { return TrimEnds(false, true, &chTarget, 1); }
CString& CString::TrimRight(const wchar_t* pszTargets) {
  return TrimEnds(false, true, pszTargets ? pszTargets : L"", pszTargets ? wcslen(pszTargets) : 0);
}

int CString::Replace(wchar_t chOld, wchar_t chNew) {
  if (chOld == chNew) return 0;
  int nCount = 0;
  for (int i = 0; i < m_nDataLength; ++i) {
    if (m_pszData[i] == chOld) {
      m_pszData[i] = chNew;
      ++nCount;
    }
  }
  return nCount;
}

// Matches are found left to right and do not overlap: "aaa" with "aa" -> "b" gives "ba".
int CString::Replace(const wchar_t* pszOld, const wchar_t* pszNew) {
  const int nOld = SafeLength(pszOld);
  if (nOld == 0) return 0;
  const int nNew = SafeLength(pszNew);
  int nCount = 0;
  for (int i = 0; i + nOld <= m_nDataLength;) {
    if (wmemcmp(m_pszData + i, pszOld, nOld) == 0) {
      ++nCount;
      i += nOld;
    } else {
      ++i;
    }
  }
  if (nCount == 0) return 0;

  // Built aside: pszOld and pszNew may point into this string.
  CString result;
  result.Reserve(CheckedLength(m_nDataLength + static_cast<long long>(nCount) * (nNew - nOld)), true);
  wchar_t* out = result.m_pszData;
  for (int i = 0; i < m_nDataLength;) {
    if (i + nOld <= m_nDataLength && wmemcmp(m_pszData + i, pszOld, nOld) == 0) {
      out = std::copy_n(pszNew, nNew, out);
      i += nOld;
    } else {
      *out++ = m_pszData[i++];
    }
  }
  *out = L'\0';
  result.m_nDataLength = static_cast<int>(out - result.m_pszData);
  *this = std::move(result);
  return nCount;
}

int CString::Remove(wchar_t chRemove) {
  wchar_t* end = std::remove(m_pszData, m_pszData + m_nDataLength, chRemove);
  const int nRemoved = m_nDataLength - static_cast<int>(end - m_pszData);
  if (nRemoved > 0) KeepRange(0, m_nDataLength - nRemoved);
  return nRemoved;
}

int CString::Insert(int iIndex, wchar_t ch) {
  InsertChars(iIndex, &ch, 1);
  return m_nDataLength;
}

int CString::Insert(int iIndex, const wchar_t* psz) {
  InsertChars(iIndex, psz, SafeLength(psz));
  return m_nDataLength;
}

int CString::Delete(int iIndex, int nCount) {
  iIndex = std::max(iIndex, 0);
  nCount = std::max(nCount, 0);
  if (iIndex < m_nDataLength && nCount > 0) {
    nCount = std::min(nCount, m_nDataLength - iIndex);
    wmemmove(m_pszData + iIndex, m_pszData + iIndex + nCount, m_nDataLength - iIndex - nCount);
    m_nDataLength -= nCount;
    m_pszData[m_nDataLength] = L'\0';
  }
  return m_nDataLength;
}

void CString::Format(const wchar_t* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  const VaListEnd end{args};
  FormatV(pszFormat, args);
}

void CString::AppendFormat(const wchar_t* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  const VaListEnd end{args};
  AppendFormatV(pszFormat, args);
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

void CString::AppendFormatV(const wchar_t* pszFormat, va_list args) {
  CString formatted;
  formatted.FormatV(pszFormat, args);
  *this += formatted;
}

wchar_t* CString::GetBuffer(int nMinBufferLength) {
  if (nMinBufferLength < 0) throw std::invalid_argument("CString::GetBuffer: negative length");
  Reserve(std::max(nMinBufferLength, m_nDataLength), true);
  return m_pszData;
}

wchar_t* CString::GetBuffer() { return GetBuffer(0); }

wchar_t* CString::GetBufferSetLength(int nNewLength) {
  GetBuffer(nNewLength);
  m_nDataLength = nNewLength;
  m_pszData[nNewLength] = L'\0';
  return m_pszData;
}

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength == -1) nNewLength = static_cast<int>(wcsnlen(m_pszData, m_nAllocLength));
  if (nNewLength < 0 || nNewLength > m_nAllocLength)
    throw std::invalid_argument("CString::ReleaseBuffer: length outside the buffer");
  if (!OwnsBuffer()) return;
  m_nDataLength = nNewLength;
  m_pszData[nNewLength] = L'\0';
}

BOOL CString::LoadString(UINT nID) {
  // Strings are stored sixteen to a block; block n holds ids 16(n-1) to 16(n-1)+15.
  HINSTANCE hInstance = AfxFindResourceHandle(MAKEINTRESOURCEW((nID >> 4) + 1), RT_STRING);
  if (!hInstance) return FALSE;
  // With a zero buffer size LoadStringW stores a pointer to the resource text, which is not NUL-terminated.
  const wchar_t* pText = nullptr;
  const int nLength = ::LoadStringW(hInstance, nID, reinterpret_cast<LPWSTR>(&pText), 0);
  if (nLength <= 0 || !pText) return FALSE;
  Assign(pText, nLength);
  return TRUE;
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

void CString::InsertChars(int iIndex, const wchar_t* pch, int nLength) {
  if (nLength <= 0) return;
  if (Overlaps(pch)) {
    const CString copy(pch, nLength);
    InsertChars(iIndex, copy.m_pszData, nLength);
    return;
  }
  iIndex = std::clamp(iIndex, 0, m_nDataLength);
  Reserve(CheckedLength(static_cast<long long>(m_nDataLength) + nLength), false);
  wmemmove(m_pszData + iIndex + nLength, m_pszData + iIndex, m_nDataLength - iIndex + 1);
  wmemcpy(m_pszData + iIndex, pch, nLength);
  m_nDataLength += nLength;
  m_pszData[m_nDataLength] = L'\0';
}

void CString::KeepRange(int iBegin, int iEnd) noexcept {
  if (iBegin == 0 && iEnd == m_nDataLength) return;
  wmemmove(m_pszData, m_pszData + iBegin, iEnd - iBegin);
  m_nDataLength = iEnd - iBegin;
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
