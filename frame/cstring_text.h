// A framework string as the portable core's UTF-16 text and back, for the tools
// whose dialogs hand CStrings to their core.
#pragma once

#include <afxstr.h>

#include <string_view>

#include "zvutil.h"

inline std::u16string_view AsUtf16(const CString& text) {
  return AsUtf16(text.GetString(), static_cast<size_t>(text.GetLength()));
}
inline CString ToCString(std::u16string_view text) {
  return CString(reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()));
}
