// Collection templates: CArray and CMap.
//
// Both are header-only, so their memory comes from ::operator new in whichever module
// instantiates them. That is still one heap: every module links the same msvcrt.dll,
// whose malloc serves operator new everywhere. The library can therefore build a
// CMap<CString, LPCTSTR, CString, CString&> that the host reads and deletes.
//
// A bad index or count throws std::out_of_range (std::invalid_argument for a bad size)
// before the collection is changed; it never reads or writes outside the elements.
#pragma once

#include "afxver_.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "afxstr.h"

#ifndef ZVFW_POSITION_DEFINED
#define ZVFW_POSITION_DEFINED
// An opaque iteration cursor; NULL once the last element has been returned.
struct __POSITION {};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION ((POSITION)-1L)
#endif

template <class TYPE, class ARG_TYPE>
BOOL AFXAPI CompareElements(const TYPE* pElement1, const ARG_TYPE* pElement2) {
  return *pElement1 == *pElement2;
}

// Integral and pointer keys.
template <class ARG_KEY>
inline UINT AFXAPI HashKey(ARG_KEY key) {
  return (DWORD)(((DWORD_PTR)key) >> 4);
}

// The original's string hash, kept because CMap's iteration order follows from it.
template <>
inline UINT AFXAPI HashKey<LPCWSTR>(LPCWSTR key) {
  UINT nHash = 0;
  while (*key) nHash = (nHash << 5) + nHash + *key++;
  return nHash;
}

template <>
inline UINT AFXAPI HashKey<const CString&>(const CString& key) {
  return HashKey<LPCWSTR>(key.GetString());
}

// ---------------------------------------------------------------------------

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
 public:
  CArray() = default;
  CArray(const CArray&) = delete;
  CArray& operator=(const CArray&) = delete;
  ~CArray() { RemoveAll(); }

  INT_PTR GetSize() const { return m_nSize; }
  INT_PTR GetCount() const { return m_nSize; }
  BOOL IsEmpty() const { return m_nSize == 0; }

  // nGrowBy: how many elements each reallocation adds; -1 keeps the current
  // setting, 0 (the default) grows by an eighth of the size, 4 to 1024 elements.
  void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
  void RemoveAll() { SetSize(0, -1); }

  const TYPE& GetAt(INT_PTR nIndex) const { return m_pData[CheckIndex(nIndex)]; }
  TYPE& GetAt(INT_PTR nIndex) { return m_pData[CheckIndex(nIndex)]; }
  void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_pData[CheckIndex(nIndex)] = newElement; }
  const TYPE& ElementAt(INT_PTR nIndex) const { return m_pData[CheckIndex(nIndex)]; }
  TYPE& ElementAt(INT_PTR nIndex) { return m_pData[CheckIndex(nIndex)]; }
  const TYPE& operator[](INT_PTR nIndex) const { return m_pData[CheckIndex(nIndex)]; }
  TYPE& operator[](INT_PTR nIndex) { return m_pData[CheckIndex(nIndex)]; }

  const TYPE* GetData() const { return m_pData; }
  TYPE* GetData() { return m_pData; }

  void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement);
  INT_PTR Add(ARG_TYPE newElement) {
    const INT_PTR nIndex = m_nSize;
    SetAtGrow(nIndex, newElement);
    return nIndex;
  }
  // src may be this array, which then stays as it is.
  void Copy(const CArray& src);

  // An index past the end first grows the array to reach it.
  void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1);
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);

 private:
  INT_PTR CheckIndex(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= m_nSize) throw std::out_of_range("CArray: index out of range");
    return nIndex;
  }
  void Reallocate(INT_PTR nNewMax);

  TYPE* m_pData = nullptr;
  INT_PTR m_nSize = 0;
  INT_PTR m_nMaxSize = 0;
  INT_PTR m_nGrowBy = 0;
};

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Reallocate(INT_PTR nNewMax) {
  if (static_cast<size_t>(nNewMax) > PTRDIFF_MAX / sizeof(TYPE)) throw std::length_error("CArray: too many elements");
  TYPE* pNewData = nNewMax ? static_cast<TYPE*>(::operator new(nNewMax * sizeof(TYPE))) : nullptr;
  if constexpr (std::is_nothrow_move_constructible_v<TYPE>) {
    std::uninitialized_move_n(m_pData, m_nSize, pNewData);
  } else {
    try {
      std::uninitialized_copy_n(m_pData, m_nSize, pNewData);
    } catch (...) {
      ::operator delete(pNewData);
      throw;
    }
  }
  std::destroy_n(m_pData, m_nSize);
  ::operator delete(m_pData);
  m_pData = pNewData;
  m_nMaxSize = nNewMax;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetSize(INT_PTR nNewSize, INT_PTR nGrowBy) {
  if (nNewSize < 0) throw std::invalid_argument("CArray::SetSize: negative size");
  if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
  if (nNewSize == 0) {
    std::destroy_n(m_pData, m_nSize);
    ::operator delete(m_pData);
    m_pData = nullptr;
    m_nSize = m_nMaxSize = 0;
    return;
  }
  if (nNewSize > m_nMaxSize) {
    INT_PTR nGrow = m_nGrowBy;
    if (nGrow == 0) nGrow = std::min<INT_PTR>(std::max<INT_PTR>(m_nSize / 8, 4), 1024);
    // The first allocation takes exactly what is asked unless a larger step was set.
    const INT_PTR nStep = m_pData ? m_nMaxSize + nGrow : m_nGrowBy;
    Reallocate(nNewSize > nStep ? nNewSize : nStep);
  }
  if (nNewSize > m_nSize) {
    std::uninitialized_value_construct_n(m_pData + m_nSize, nNewSize - m_nSize);
  } else {
    std::destroy_n(m_pData + nNewSize, m_nSize - nNewSize);
  }
  m_nSize = nNewSize;
}

// newElement may refer to an element of this array, which growing would move: take a copy first.
template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
  if (nIndex < 0) throw std::out_of_range("CArray::SetAtGrow: negative index");
  if (nIndex < m_nSize) {
    m_pData[nIndex] = newElement;
    return;
  }
  TYPE value(newElement);
  SetSize(nIndex + 1, -1);
  m_pData[nIndex] = std::move(value);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Copy(const CArray& src) {
  if (this == &src) return;
  SetSize(src.m_nSize, -1);
  for (INT_PTR i = 0; i < m_nSize; ++i) m_pData[i] = src.m_pData[i];
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount) {
  if (nIndex < 0 || nCount < 0) throw std::out_of_range("CArray::InsertAt: negative index or count");
  if (nCount == 0) return;
  TYPE value(newElement);
  const INT_PTR nOldSize = m_nSize;
  if (nIndex >= nOldSize) {
    SetSize(nIndex + nCount, -1);
  } else {
    SetSize(nOldSize + nCount, -1);
    std::move_backward(m_pData + nIndex, m_pData + nOldSize, m_pData + nOldSize + nCount);
  }
  for (INT_PTR i = nIndex; i < nIndex + nCount; ++i) m_pData[i] = value;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::RemoveAt(INT_PTR nIndex, INT_PTR nCount) {
  if (nIndex < 0 || nCount < 0 || nCount > m_nSize - nIndex)
    throw std::out_of_range("CArray::RemoveAt: range outside the array");
  std::move(m_pData + nIndex + nCount, m_pData + m_nSize, m_pData + nIndex);
  std::destroy_n(m_pData + m_nSize - nCount, nCount);
  m_nSize -= nCount;
}

// ---------------------------------------------------------------------------

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap {
 public:
  class CPair {
   public:
    const KEY key;
    VALUE value;

   protected:
    explicit CPair(ARG_KEY keyval) : key(keyval), value() {}
  };

  // Entries are carved out of blocks of nBlockSize, recycled through a free list and
  // released together when the map becomes empty.
  explicit CMap(INT_PTR nBlockSize = 10) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}
  CMap(const CMap&) = delete;
  CMap& operator=(const CMap&) = delete;
  ~CMap() { RemoveAll(); }

  INT_PTR GetCount() const { return m_nCount; }
  INT_PTR GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }
  UINT GetHashTableSize() const { return m_nHashTableSize; }

  // Sizes the bucket table (a prime suits the hash best). On a map that already
  // holds entries they are redistributed over the new table.
  void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE);

  BOOL Lookup(ARG_KEY key, VALUE& rValue) const;
  const CPair* PLookup(ARG_KEY key) const;
  CPair* PLookup(ARG_KEY key);
  // Adds the key with a value-initialised value when it is missing.
  VALUE& operator[](ARG_KEY key);
  void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
  BOOL RemoveKey(ARG_KEY key);
  void RemoveAll();

  // Order: bucket by bucket, each bucket's chain newest first.
  POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
  void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const;

 private:
  class CAssoc : public CPair {
   public:
    CAssoc(ARG_KEY keyval, UINT hashValue) : CPair(keyval), nHashValue(hashValue) {}
    CAssoc* pNext = nullptr;
    UINT nHashValue;
  };
  // A block of entries; the entries follow the header.
  struct CPlex {
    CPlex* pNext;
  };
  // What an unused entry slot holds.
  struct CFreeSlot {
    CFreeSlot* pNext;
  };
  static constexpr size_t kPlexHeader = (sizeof(CPlex) + alignof(CAssoc) - 1) / alignof(CAssoc) * alignof(CAssoc);

  CAssoc* GetAssocAt(ARG_KEY key, UINT& nHashBucket, UINT& nHashValue) const;
  CAssoc* NewAssoc(ARG_KEY key, UINT nHashValue);
  void FreeAssoc(CAssoc* pAssoc);

  CAssoc** m_pHashTable = nullptr;
  UINT m_nHashTableSize = 17;
  INT_PTR m_nCount = 0;
  CFreeSlot* m_pFreeList = nullptr;
  CPlex* m_pBlocks = nullptr;
  INT_PTR m_nBlockSize;
};

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::InitHashTable(UINT hashSize, BOOL bAllocNow) {
  if (hashSize == 0) throw std::invalid_argument("CMap::InitHashTable: zero size");
  CAssoc** pNewTable = nullptr;
  if (bAllocNow || m_nCount > 0) {
    pNewTable = new CAssoc*[hashSize]();
    for (UINT nBucket = 0; m_pHashTable && nBucket < m_nHashTableSize; ++nBucket) {
      for (CAssoc* pAssoc = m_pHashTable[nBucket]; pAssoc;) {
        CAssoc* pNext = pAssoc->pNext;
        CAssoc*& rHead = pNewTable[pAssoc->nHashValue % hashSize];
        pAssoc->pNext = rHead;
        rHead = pAssoc;
        pAssoc = pNext;
      }
    }
  }
  delete[] m_pHashTable;
  m_pHashTable = pNewTable;
  m_nHashTableSize = hashSize;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
typename CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::CAssoc* CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::GetAssocAt(
    ARG_KEY key, UINT& nHashBucket, UINT& nHashValue) const {
  nHashValue = HashKey<ARG_KEY>(key);
  nHashBucket = nHashValue % m_nHashTableSize;
  if (!m_pHashTable) return nullptr;
  for (CAssoc* pAssoc = m_pHashTable[nHashBucket]; pAssoc; pAssoc = pAssoc->pNext) {
    if (pAssoc->nHashValue == nHashValue && CompareElements(&pAssoc->key, &key)) return pAssoc;
  }
  return nullptr;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
BOOL CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::Lookup(ARG_KEY key, VALUE& rValue) const {
  const CPair* pPair = PLookup(key);
  if (!pPair) return FALSE;
  rValue = pPair->value;
  return TRUE;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
const typename CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::CPair* CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::PLookup(
    ARG_KEY key) const {
  UINT nHashBucket, nHashValue;
  return GetAssocAt(key, nHashBucket, nHashValue);
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
typename CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::CPair* CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::PLookup(ARG_KEY key) {
  UINT nHashBucket, nHashValue;
  return GetAssocAt(key, nHashBucket, nHashValue);
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
VALUE& CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::operator[](ARG_KEY key) {
  UINT nHashBucket, nHashValue;
  if (CAssoc* pAssoc = GetAssocAt(key, nHashBucket, nHashValue)) return pAssoc->value;
  if (!m_pHashTable) InitHashTable(m_nHashTableSize, TRUE);
  CAssoc* pAssoc = NewAssoc(key, nHashValue);
  pAssoc->pNext = m_pHashTable[nHashBucket];
  m_pHashTable[nHashBucket] = pAssoc;
  return pAssoc->value;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
BOOL CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveKey(ARG_KEY key) {
  if (!m_pHashTable) return FALSE;
  const UINT nHashValue = HashKey<ARG_KEY>(key);
  for (CAssoc** ppLink = &m_pHashTable[nHashValue % m_nHashTableSize]; *ppLink; ppLink = &(*ppLink)->pNext) {
    CAssoc* pAssoc = *ppLink;
    if (pAssoc->nHashValue == nHashValue && CompareElements(&pAssoc->key, &key)) {
      *ppLink = pAssoc->pNext;
      FreeAssoc(pAssoc);
      return TRUE;
    }
  }
  return FALSE;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveAll() {
  if (m_pHashTable) {
    for (UINT nBucket = 0; nBucket < m_nHashTableSize; ++nBucket) {
      for (CAssoc* pAssoc = m_pHashTable[nBucket]; pAssoc;) {
        CAssoc* pNext = pAssoc->pNext;
        pAssoc->~CAssoc();
        pAssoc = pNext;
      }
    }
    delete[] m_pHashTable;
    m_pHashTable = nullptr;
  }
  m_nCount = 0;
  m_pFreeList = nullptr;
  while (m_pBlocks) {
    CPlex* pNext = m_pBlocks->pNext;
    ::operator delete(m_pBlocks);
    m_pBlocks = pNext;
  }
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
  if (!rNextPosition || !m_pHashTable) throw std::invalid_argument("CMap::GetNextAssoc: no next position");
  CAssoc* pAssocRet = reinterpret_cast<CAssoc*>(rNextPosition);
  if (rNextPosition == BEFORE_START_POSITION) {
    pAssocRet = nullptr;
    for (UINT nBucket = 0; !pAssocRet && nBucket < m_nHashTableSize; ++nBucket) pAssocRet = m_pHashTable[nBucket];
  }
  CAssoc* pAssocNext = pAssocRet->pNext;
  for (UINT nBucket = pAssocRet->nHashValue % m_nHashTableSize + 1; !pAssocNext && nBucket < m_nHashTableSize;
       ++nBucket) {
    pAssocNext = m_pHashTable[nBucket];
  }
  rNextPosition = reinterpret_cast<POSITION>(pAssocNext);
  rKey = pAssocRet->key;
  rValue = pAssocRet->value;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
typename CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::CAssoc* CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::NewAssoc(ARG_KEY key,
                                                                                                      UINT nHashValue) {
  if (!m_pFreeList) {
    auto* pBlock = static_cast<CPlex*>(::operator new(kPlexHeader + m_nBlockSize * sizeof(CAssoc)));
    pBlock->pNext = m_pBlocks;
    m_pBlocks = pBlock;
    // Chained so that the free list hands out the block's entries in address order.
    BYTE* pEntries = reinterpret_cast<BYTE*>(pBlock) + kPlexHeader;
    for (INT_PTR i = m_nBlockSize - 1; i >= 0; --i)
      m_pFreeList = ::new (pEntries + i * sizeof(CAssoc)) CFreeSlot{m_pFreeList};
  }
  CFreeSlot* pSlot = m_pFreeList;
  m_pFreeList = pSlot->pNext;
  try {
    CAssoc* pAssoc = ::new (static_cast<void*>(pSlot)) CAssoc(key, nHashValue);
    ++m_nCount;
    return pAssoc;
  } catch (...) {
    m_pFreeList = ::new (static_cast<void*>(pSlot)) CFreeSlot{m_pFreeList};
    throw;
  }
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::FreeAssoc(CAssoc* pAssoc) {
  pAssoc->~CAssoc();
  m_pFreeList = ::new (static_cast<void*>(pAssoc)) CFreeSlot{m_pFreeList};
  if (--m_nCount == 0) RemoveAll();
}
