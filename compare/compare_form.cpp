#include "compare_form.h"

#include <algorithm>

namespace zv::compare {
namespace {

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// What the C runtime's wide-character space test accepts.
bool IsSpace(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// The digit c stands for in any script the C runtime reads numbers in, or -1.
int DigitValue(char16_t c) {
  static constexpr char16_t kZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0C66,
                                        0x0CE6, 0x0D66, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
  for (const char16_t zero : kZeros) {
    if (c >= zero && c <= zero + 9) return c - zero;
  }
  return -1;
}

}  // namespace

std::u16string_view FormRefusal(const CompareForm& form) {
  if (form.file1.empty()) return u"File1の名前を入力してください";
  if (form.file2.empty()) return u"File2の名前を入力してください";
  if (form.outFile.empty()) return u"出力ファイルの名前を入力してください";
  if (!form.decimal && !form.hex) return u"10進表記か16進表記をチェックしてください";
  return {};
}

std::u16string_view NameInDirectory(std::u16string_view dir, std::u16string_view path) {
  if (dir.empty() || path.size() <= dir.size()) return path;
  const auto sameLetter = [](char16_t a, char16_t b) { return AsciiLower(a) == AsciiLower(b); };
  if (!std::equal(dir.begin(), dir.end(), path.begin(), sameLetter)) return path;
  const std::u16string_view rest = path.substr(dir.size());
  return rest.find(u'\\') == std::u16string_view::npos ? rest : path;
}

std::int32_t ReadRowLimit(std::u16string_view text) {
  auto at = std::find_if_not(text.begin(), text.end(), IsSpace);
  const bool negative = at != text.end() && *at == u'-';
  if (at != text.end() && (*at == u'-' || *at == u'+')) ++at;
  // Past 2^31 the value only clamps: stop growing there.
  constexpr std::int64_t kBeyond = std::int64_t{1} << 31;
  std::int64_t value = 0;
  for (int digit; at != text.end() && (digit = DigitValue(*at)) >= 0; ++at) {
    value = std::min(value * 10 + digit, kBeyond);
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace zv::compare
