// Finding the differing bytes of two equal-length blocks a vector at a time:
// equal stretches cost a few instructions per 64 bytes, and only a vector that
// holds a difference is looked at byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zv::compare {

// Index of the first byte at or after from where the blocks differ, or length
// when they agree to the end.
std::size_t FindDifference(const std::uint8_t* block1, const std::uint8_t* block2, std::size_t from,
                           std::size_t length);

}  // namespace zv::compare
