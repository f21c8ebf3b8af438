// CStringArray: CArray<CString> instantiated once, here, behind exported members.
#include <afxcoll.h>

CStringArray::CStringArray() = default;
CStringArray::~CStringArray() = default;

INT_PTR CStringArray::GetSize() const { return m_items.GetSize(); }
INT_PTR CStringArray::GetCount() const { return m_items.GetCount(); }
BOOL CStringArray::IsEmpty() const { return m_items.IsEmpty(); }
INT_PTR CStringArray::GetUpperBound() const { return m_items.GetUpperBound(); }
void CStringArray::SetSize(INT_PTR nNewSize, INT_PTR nGrowBy) { m_items.SetSize(nNewSize, nGrowBy); }
void CStringArray::FreeExtra() { m_items.FreeExtra(); }
void CStringArray::RemoveAll() { m_items.RemoveAll(); }

const CString& CStringArray::GetAt(INT_PTR nIndex) const { return m_items.GetAt(nIndex); }
CString& CStringArray::GetAt(INT_PTR nIndex) { return m_items.GetAt(nIndex); }
void CStringArray::SetAt(INT_PTR nIndex, const CString& newElement) { m_items.SetAt(nIndex, newElement); }
const CString& CStringArray::ElementAt(INT_PTR nIndex) const { return m_items.ElementAt(nIndex); }
CString& CStringArray::ElementAt(INT_PTR nIndex) { return m_items.ElementAt(nIndex); }
const CString& CStringArray::operator[](INT_PTR nIndex) const { return m_items[nIndex]; }
CString& CStringArray::operator[](INT_PTR nIndex) { return m_items[nIndex]; }
const CString* CStringArray::GetData() const { return m_items.GetData(); }
CString* CStringArray::GetData() { return m_items.GetData(); }

void CStringArray::SetAtGrow(INT_PTR nIndex, const CString& newElement) { m_items.SetAtGrow(nIndex, newElement); }
INT_PTR CStringArray::Add(const CString& newElement) { return m_items.Add(newElement); }
INT_PTR CStringArray::Append(const CStringArray& src) { return m_items.Append(src.m_items); }
void CStringArray::Copy(const CStringArray& src) { m_items.Copy(src.m_items); }
void CStringArray::InsertAt(INT_PTR nIndex, const CString& newElement, INT_PTR nCount) {
  m_items.InsertAt(nIndex, newElement, nCount);
}
void CStringArray::InsertAt(INT_PTR nStartIndex, const CStringArray* pNewArray) {
  m_items.InsertAt(nStartIndex, pNewArray ? &pNewArray->m_items : nullptr);
}
void CStringArray::RemoveAt(INT_PTR nIndex, INT_PTR nCount) { m_items.RemoveAt(nIndex, nCount); }
