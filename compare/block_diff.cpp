#include "block_diff.h"

#include <emmintrin.h>  // SSE2: part of every x86-64 processor

namespace zv::compare {
namespace {

// Bit i set when byte i of the two 16-byte vectors differs.
unsigned DifferMask(const std::uint8_t* block1, const std::uint8_t* block2) {
  const __m128i equal = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block1)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(block2)));
  return ~static_cast<unsigned>(_mm_movemask_epi8(equal)) & 0xFFFFu;
}

bool Equal64(const std::uint8_t* block1, const std::uint8_t* block2) {
  __m128i all = _mm_set1_epi8(-1);
  for (int lane = 0; lane < 64; lane += 16) {
    all = _mm_and_si128(all, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block1 + lane)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(block2 + lane))));
  }
  return _mm_movemask_epi8(all) == 0xFFFF;
}

}  // namespace

std::size_t FindDifference(const std::uint8_t* block1, const std::uint8_t* block2, std::size_t from,
                           std::size_t length) {
  std::size_t index = from;
  while (index < length) {
    while (index + 64 <= length && Equal64(block1 + index, block2 + index)) index += 64;
    // The difference, if any, lies in the next 64 bytes or in the short tail.
    const std::size_t end = index + 64 < length ? index + 64 : length;
    for (; index + 16 <= end; index += 16) {
      if (const unsigned mask = DifferMask(block1 + index, block2 + index)) return index + __builtin_ctz(mask);
    }
    for (; index < end; ++index) {
      if (block1[index] != block2[index]) return index;
    }
  }
  return length;
}

}  // namespace zv::compare
