// CStringArray: CArray<CString> instantiated once, here, behind exported members.
#include <afxcoll.h>

CStringArray::CStringArray() = default;
CStringArray::~CStringArray() = default;

INT_PTR CStringArray::GetSize() const { return m_items.GetSize(); }
INT_PTR CStringArray::GetCount() const { return m_items.GetCount(); }
BOOL CStringArray::IsEmpty() const { return m_items.IsEmpty(); }
void CStringArray::RemoveAll() { m_items.RemoveAll(); }

const CString& CStringArray::GetAt(INT_PTR nIndex) const { return m_items.GetAt(nIndex); }
CString& CStringArray::GetAt(INT_PTR nIndex) { return m_items.GetAt(nIndex); }
void CStringArray::SetAt(INT_PTR nIndex, const CString& newElement) { m_items.SetAt(nIndex, newElement); }
const CString& CStringArray::ElementAt(INT_PTR nIndex) const { return m_items.ElementAt(nIndex); }
CString& CStringArray::ElementAt(INT_PTR nIndex) { return m_items.ElementAt(nIndex); }
const CString& CStringArray::operator[](INT_PTR nIndex) const { return m_items[nIndex]; }
CString& CStringArray::operator[](INT_PTR nIndex) { return m_items[nIndex]; }

INT_PTR CStringArray::Add(const CString& newElement) { return m_items.Add(newElement); }
void CStringArray::InsertAt(INT_PTR nIndex, const CString& newElement, INT_PTR nCount) {
  m_items.InsertAt(nIndex, newElement, nCount);
}
void CStringArray::RemoveAt(INT_PTR nIndex, INT_PTR nCount) { m_items.RemoveAt(nIndex, nCount); }
