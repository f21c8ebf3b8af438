#include "page_limits.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>

namespace zv::print {
namespace {

constexpr std::int64_t kUnitsPerInch = 144;
constexpr std::int64_t kHimetricPerInch = 2540;

int Pin(std::int64_t value) {
  return static_cast<int>(
      std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int MillimetresToUnits(int millimetres) { return Pin(std::int64_t{millimetres} * 1440 / 254); }

}  // namespace

UnitExtents ExtentsFor(int himetricX, int himetricY) {
  // The scale in lowest terms: with the extents as large as they come (about
  // 1.2 and 2.5 million), Wine's printer driver overflows and realises every
  // font at one size.
  const std::int64_t windowX = himetricX * kUnitsPerInch, windowY = himetricY * kUnitsPerInch;
  const std::int64_t viewport = 1000 * kHimetricPerInch;
  const std::int64_t divisorX = std::max<std::int64_t>(std::gcd(windowX, viewport), 1);
  const std::int64_t divisorY = std::max<std::int64_t>(std::gcd(windowY, viewport), 1);
  return {Pin(windowX / divisorX), Pin(windowY / divisorY), Pin(viewport / divisorX), Pin(viewport / divisorY)};
}

PageLimits ComputeLimits(const LimitInputs& in) {
  PageLimits out;
  out.marginLeft = MillimetresToUnits(in.marginLeft);
  out.marginTop = MillimetresToUnits(in.marginTop);
  out.marginRight = MillimetresToUnits(in.marginRight);
  out.marginBottom = MillimetresToUnits(in.marginBottom);
  // Margins are measured from the edges of the printable area, not the paper.
  const std::int64_t width = in.horzRes * (in.himetricX * kUnitsPerInch) / (1000 * kHimetricPerInch);
  const std::int64_t height = in.vertRes * (in.himetricY * kUnitsPerInch) / (1000 * kHimetricPerInch);
  out.printWidth = Pin(width - (std::int64_t{out.marginLeft} + out.marginRight));
  out.printHeight = Pin(height - (std::int64_t{out.marginTop} + out.marginBottom));

  // A font the driver could not measure still gives a usable page.
  const int headerHeight = in.headerLineHeight < 0 ? 12 : in.headerLineHeight;
  const int bodyHeight = in.bodyLineHeight <= 0 ? 12 : in.bodyLineHeight;
  const int bodyWidth = in.bodyCharWidth <= 0 ? 6 : in.bodyCharWidth;

  // Two columns share the width less two cells.
  std::int64_t maxChars =
      in.twoColumns ? (out.printWidth - 2 * std::int64_t{bodyWidth}) / bodyWidth / 2 : out.printWidth / bodyWidth;
  if (in.lineNumbers) maxChars -= 6;
  const int headerLines = (in.fileName ? 2 : 0) + (in.pageNumber ? 2 : 0);
  out.maxLineChars = Pin(maxChars);
  out.maxPageLines = Pin((out.printHeight - std::int64_t{headerLines} * headerHeight) / bodyHeight);
  return out;
}

const wchar_t* RefusalOf(const PrintChoice& choice, const PageLimits& limits) {
  if (choice.lineChars < 1 || choice.lineChars > limits.maxLineChars) return L"一行の文字数が不正です";
  if (choice.pageLines < 1 || choice.pageLines > limits.maxPageLines) return L"１ページの行数が不正です";
  if (choice.pageRange && (choice.firstPage < 1 || choice.lastPage < 1 || choice.firstPage > choice.lastPage)) {
    return L"ページの設定が不正です";
  }
  if (choice.tabColumns < 1 || choice.tabColumns > 100) return L"タブカラム数が不正です";
  return nullptr;
}

}  // namespace zv::print
