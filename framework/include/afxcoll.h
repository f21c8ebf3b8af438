// The framework's typed arrays. CStringArray is compiled into zvfw.dll, since the
// host hands its arrays to the library; the scalar arrays are CArray as they stand.
#pragma once

#include "afxver_.h"

#include "afxstr.h"
#include "afxtempl.h"

class CByteArray : public CArray<BYTE, BYTE> {};
class CDWordArray : public CArray<DWORD, DWORD> {};

// Same members and rules as CArray<CString>: a bad index throws std::out_of_range.
class ZVFW_API CStringArray {
 public:
  CStringArray();
  CStringArray(const CStringArray&) = delete;
  CStringArray& operator=(const CStringArray&) = delete;
  ~CStringArray();

  INT_PTR GetSize() const;
  INT_PTR GetCount() const;
  BOOL IsEmpty() const;
  void RemoveAll();

  const CString& GetAt(INT_PTR nIndex) const;
  CString& GetAt(INT_PTR nIndex);
  void SetAt(INT_PTR nIndex, const CString& newElement);
  const CString& ElementAt(INT_PTR nIndex) const;
  CString& ElementAt(INT_PTR nIndex);
  const CString& operator[](INT_PTR nIndex) const;
  CString& operator[](INT_PTR nIndex);

  INT_PTR Add(const CString& newElement);
  void InsertAt(INT_PTR nIndex, const CString& newElement, INT_PTR nCount = 1);
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);

 private:
  CArray<CString, const CString&> m_items;
};
