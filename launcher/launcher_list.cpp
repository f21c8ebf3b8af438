#include "launcher_list.h"

#include <algorithm>

namespace zv::launcher {

std::vector<KeyDefinition> ReadKeyDefinitions(const unsigned char* records, int count) {
  std::vector<KeyDefinition> definitions;
  if (records == nullptr || count < 1) return definitions;
  definitions.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const unsigned char* record = records + static_cast<std::size_t>(i) * kKeyRecordSize;
    KeyDefinition definition;
    for (int b = 3; b >= 0; --b) definition.code = definition.code << 8 | record[b];
    for (std::size_t c = 0; c < kKeyNameChars; ++c) {
      const unsigned char* unit = record + kKeyNameOffset + 2 * c;
      const auto ch = static_cast<char16_t>(unit[0] | unit[1] << 8);
      if (ch == 0) break;
      definition.name.push_back(ch);
    }
    definitions.push_back(std::move(definition));
  }
  return definitions;
}

std::size_t FindKeyIndex(std::span<const KeyDefinition> definitions, std::u16string_view name) {
  if (name.empty()) return definitions.size();
  const auto found = std::find_if(definitions.begin(), definitions.end(),
                                  [&](const KeyDefinition& definition) { return definition.name == name; });
  return static_cast<std::size_t>(found - definitions.begin());
}

std::u16string_view KeyOfRow(std::span<const KeyDefinition> definitions, std::size_t row) {
  return row < definitions.size() ? std::u16string_view(definitions[row].name) : std::u16string_view();
}

KeyPress ChooseByKey(std::span<const KeyDefinition> definitions, std::span<const std::u16string_view> keys,
                     int selected, std::uint32_t code) {
  const int count = static_cast<int>(keys.size());
  const int start = std::clamp(selected, -1, count - 1) + 1;
  for (const KeyDefinition& definition : definitions) {
    if (definition.code != code || definition.name.empty()) continue;
    int matches = 0, first = -1;
    for (int step = 0; step < count; ++step) {
      const int entry = (start + step) % count;
      if (keys[static_cast<std::size_t>(entry)] != definition.name) continue;
      if (matches++ == 0) first = entry;
    }
    if (matches == 1) return {KeyPress::Action::kRun, first};
    if (matches > 1) return {KeyPress::Action::kSelect, first};
  }
  return {};
}

ListChange AddEntry(EntryStore& store, const EntryFields& fields) {
  const int at = store.Count();
  store.Insert(at, fields);
  // Every row is filled again: the entry count is also the index of "no image".
  return {true, -1, 0, at, at};
}

ListChange EditEntry(EntryStore& store, int focused, const EntryFields* edited) {
  if (focused < 0 || focused >= store.Count()) return {};
  if (edited == nullptr) return {false, -1, 0, -1, focused};
  store.SetFields(focused, *edited);
  // An icon gained or lost moves the image index of every later entry.
  return {true, -1, focused, store.Count() - 1, focused};
}

ListChange DeleteEntry(EntryStore& store, int focused) {
  if (focused < 0 || focused >= store.Count()) return {};
  store.Remove(focused);
  const int last = store.Count() - 1;
  return {true, focused, focused, last, std::min(focused, last)};
}

ListChange MoveEntry(EntryStore& store, int focused, int step) {
  const int other = focused + step;
  if (focused < 0 || focused >= store.Count() || other < 0 || other >= store.Count()) return {};
  store.Swap(focused, other);
  return {true, -1, std::min(focused, other), std::max(focused, other), other};
}

bool AssignKey(EntryStore& store, std::span<const KeyDefinition> definitions, int focused, int row) {
  if (focused < 0 || focused >= store.Count() || row < 0 || static_cast<std::size_t>(row) > definitions.size()) {
    return false;
  }
  store.SetKey(focused, KeyOfRow(definitions, static_cast<std::size_t>(row)));
  return true;
}

bool ShowsKeyColumn(const EntryStore& store) {
  for (int i = 0; i < store.Count(); ++i) {
    if (store.HasKey(i)) return true;
  }
  return false;
}

std::vector<ColumnLayout> Columns(bool keyColumn, int keyWidth, int listClientWidth, int scrollBarWidth) {
  const int shownKeyWidth = keyColumn ? keyWidth : 0;
  // A list narrower than the fixed columns leaves no room for the parameters, not a negative width.
  const int paramsWidth = std::max(0, listClientWidth - 400 - shownKeyWidth - scrollBarWidth);
  std::vector<ColumnLayout> columns = {{Column::kName, u"ファイル名", 150},
                                       {Column::kPath, u"フルパス", 250},
                                       {Column::kParams, u"パラメータ", paramsWidth}};
  if (keyColumn) columns.push_back({Column::kKey, u"キー", keyWidth});
  columns.push_back({Column::kDir, u"作業ディレクトリ", 150});
  return columns;
}

int SubItemOf(Column column, bool keyColumn) {
  switch (column) {
    case Column::kName:
      return 0;
    case Column::kPath:
      return 1;
    case Column::kParams:
      return 2;
    case Column::kKey:
      return keyColumn ? 3 : -1;
    case Column::kDir:
      return keyColumn ? 4 : 3;
  }
  return -1;
}

int KeyColumnWidth(int bracketsWidth, std::span<const int> nameWidths) {
  int widest = bracketsWidth;
  for (const int width : nameWidths) widest = std::max(widest, width);
  return widest + bracketsWidth + 10;
}

}  // namespace zv::launcher
