// CString: the framework's UTF-16 string. Every allocation and every free happens
// inside zvfw.dll, so a string built by one module can be changed or destroyed by
// another (the host and the extension DLLs pass CString objects to each other).
#pragma once

#include "afxver_.h"

#include <compare>
#include <cstdarg>

// Invalid indexes and lengths throw std::out_of_range or std::invalid_argument
// before anything is changed; they never touch memory outside the string.
//
// No reference counting: every CString owns its buffer (an empty one points at a
// shared static terminator and owns nothing). GetBuffer therefore always hands out
// this object's own storage, which stays valid until the next non-const call.
//
// GCC passes a class object through "..." by hidden reference, so Format(L"%s", str)
// does not work as with the original compiler: pass str.GetString() or (LPCWSTR)str.
class ZVFW_API CString {
 public:
  CString() noexcept;
  CString(const CString& stringSrc);
  CString(CString&& stringSrc) noexcept;
  CString(const wchar_t* psz);  // null gives an empty string
  CString(const wchar_t* pch, int nLength);
  CString(wchar_t ch, int nRepeat = 1);
  CString(const char* psz);  // converted from the ANSI code page
  ~CString();

  CString& operator=(const CString& stringSrc);
  CString& operator=(CString&& stringSrc) noexcept;
  CString& operator=(const wchar_t* psz);
  CString& operator=(const char* psz);
  CString& operator=(wchar_t ch);

  CString& operator+=(const CString& string);
  CString& operator+=(const wchar_t* psz);
  CString& operator+=(wchar_t ch);

  int GetLength() const noexcept { return m_nDataLength; }
  bool IsEmpty() const noexcept { return m_nDataLength == 0; }
  void Empty() noexcept;
  const wchar_t* GetString() const noexcept { return m_pszData; }
  operator LPCWSTR() const noexcept { return m_pszData; }

  // Index GetLength() is allowed and reads the terminator.
  wchar_t GetAt(int iChar) const;
  wchar_t operator[](int iChar) const { return GetAt(iChar); }
  void SetAt(int iChar, wchar_t ch);

  // A null pointer compares as an empty string.
  int Compare(const wchar_t* psz) const;        // wcscmp
  int CompareNoCase(const wchar_t* psz) const;  // _wcsicmp: folds to lower case

  CString Mid(int iFirst) const;
  CString Mid(int iFirst, int nCount) const;
  CString Left(int nCount) const;
  CString Right(int nCount) const;

  int Find(wchar_t ch, int iStart = 0) const;
  int Find(const wchar_t* pszSub, int iStart = 0) const;
  int ReverseFind(wchar_t ch) const;

  // printf with the platform's wide rules: %s takes a wchar_t*, %S a char*.
  void Format(const wchar_t* pszFormat, ...);
  void FormatV(const wchar_t* pszFormat, va_list args);

  // Room for at least nMinBufferLength characters plus a terminator.
  wchar_t* GetBuffer(int nMinBufferLength);
  wchar_t* GetBuffer();
  // -1: the length runs up to the first NUL within the buffer.
  void ReleaseBuffer(int nNewLength = -1);

 private:
  void Assign(const wchar_t* pch, int nLength);
  void Append(const wchar_t* pch, int nLength);
  void Reserve(int nMinAlloc, bool exact);
  bool OwnsBuffer() const noexcept;
  bool Overlaps(const wchar_t* p) const noexcept;

  wchar_t* m_pszData;
  int m_nDataLength;
  int m_nAllocLength;  // characters, excluding the terminator
};

ZVFW_API CString operator+(const CString& string1, const CString& string2);
ZVFW_API CString operator+(const CString& string, const wchar_t* psz);
ZVFW_API CString operator+(const wchar_t* psz, const CString& string);
ZVFW_API CString operator+(const CString& string, wchar_t ch);
ZVFW_API CString operator+(wchar_t ch, const CString& string);

// C++20 derives the reversed forms and !=, <, >, <=, >= from these.
inline bool operator==(const CString& s1, const CString& s2) { return s1.Compare(s2) == 0; }
inline bool operator==(const CString& s1, const wchar_t* s2) { return s1.Compare(s2) == 0; }
inline std::strong_ordering operator<=>(const CString& s1, const CString& s2) { return s1.Compare(s2) <=> 0; }
inline std::strong_ordering operator<=>(const CString& s1, const wchar_t* s2) { return s1.Compare(s2) <=> 0; }
