// Bounds-checked reading of tag bytes. Every read either stays inside the span
// or fails without moving, so a hostile size field can never reach past the
// bytes that were actually read from the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zv::tags {

using Bytes = std::span<const std::uint8_t>;

class ByteReader {
 public:
  explicit ByteReader(Bytes bytes) : bytes_(bytes) {}

  std::size_t Position() const { return position_; }
  std::size_t Remaining() const { return bytes_.size() - position_; }
  // The unread bytes, without moving.
  Bytes Rest() const { return bytes_.subspan(position_); }

  bool Skip(std::size_t count) {
    if (count > Remaining()) return false;
    position_ += count;
    return true;
  }
  std::optional<Bytes> Take(std::size_t count) {
    if (count > Remaining()) return std::nullopt;
    const Bytes taken = bytes_.subspan(position_, count);
    position_ += count;
    return taken;
  }
  std::optional<std::uint8_t> U8() {
    if (Remaining() < 1) return std::nullopt;
    return bytes_[position_++];
  }
  std::optional<std::uint32_t> U32LE() { return Word(false); }
  std::optional<std::uint32_t> U32BE() { return Word(true); }
  // True when the unread bytes begin with text (compared byte for byte).
  bool StartsWith(std::string_view text) const {
    if (text.size() > Remaining()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (bytes_[position_ + i] != static_cast<std::uint8_t>(text[i])) return false;
    }
    return true;
  }

 private:
  std::optional<std::uint32_t> Word(bool bigEndian) {
    if (Remaining() < 4) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::uint32_t byte = bytes_[position_ + i];
      value |= bigEndian ? byte << (8 * (3 - i)) : byte << (8 * i);
    }
    position_ += 4;
    return value;
  }

  Bytes bytes_;
  std::size_t position_ = 0;
};

}  // namespace zv::tags
