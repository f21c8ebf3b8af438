// The host's key records on arbitrary bytes, as many whole records as the input
// holds: every name stays inside its record and holds no NUL, and a key press
// over entries carrying those names picks an entry that carries the name of a
// definition with that code.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "launcher_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zv::launcher;
  const int count = static_cast<int>(size / kKeyRecordSize);
  const auto definitions = ReadKeyDefinitions(data, count);
  if (definitions.size() != static_cast<std::size_t>(count)) std::abort();
  std::vector<std::u16string_view> keys;
  for (const KeyDefinition& definition : definitions) {
    if (definition.name.size() > kKeyNameChars || definition.name.find(u'\0') != std::u16string::npos) std::abort();
    keys.push_back(definition.name);
    keys.push_back(u"");
  }
  for (int selected = -1; selected <= static_cast<int>(keys.size()); ++selected) {
    const std::uint32_t code =
        definitions.empty() ? 0 : definitions[static_cast<std::size_t>(selected + 1) % definitions.size()].code;
    const KeyPress press = ChooseByKey(definitions, keys, selected, code);
    if (press.action == KeyPress::Action::kPass) continue;
    if (press.entry < 0 || press.entry >= static_cast<int>(keys.size())) std::abort();
    bool named = false;
    for (const KeyDefinition& definition : definitions)
      named = named || (definition.code == code && definition.name == keys[static_cast<std::size_t>(press.entry)]);
    if (!named || keys[static_cast<std::size_t>(press.entry)].empty()) std::abort();
  }
  return 0;
}
