// The genre list of the tag dialog: 148 names with their ID3v1 genre numbers,
// in the dialog's order. Index 148 of the dialog's list ("未定") stands for 255.
#pragma once

#include <array>
#include <cstdint>

namespace zv::tags {

struct Genre {
  const char16_t* name;
  std::uint16_t number;
};

extern const std::array<Genre, 148> kGenres;

}  // namespace zv::tags
