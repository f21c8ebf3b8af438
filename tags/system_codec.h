// The tag text conversions through the system's ANSI code page.
#pragma once

#include <windows.h>

#include "tag_text.h"

class SystemAnsiCodec final : public zv::tags::AnsiCodec {
 public:
  std::u16string ToWide(std::string_view ansi) const override;
  std::string ToAnsi(std::u16string_view text) const override;
  bool IsLeadByte(std::uint8_t byte) const override;
};

// The one codec the tag functions share; it holds no state.
const SystemAnsiCodec& SystemCodec();
