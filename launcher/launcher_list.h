// What the launcher decides, apart from its controls: the key definitions read
// out of the host's records, the entry a key press picks, what each button does
// to the host's four parallel arrays, and the list's columns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::launcher {

// The host's KEYASSIGN records: 6624 bytes each, laid end to end; the
// virtual-key code (32-bit, little-endian) at 0, the NUL-terminated UTF-16 name
// from 4. The rest of a record is the host's.
inline constexpr std::size_t kKeyRecordSize = 6624;
inline constexpr std::size_t kKeyNameOffset = 4;
inline constexpr std::size_t kKeyNameChars = (kKeyRecordSize - kKeyNameOffset) / 2;

struct KeyDefinition {
  std::uint32_t code = 0;
  std::u16string name;
  bool operator==(const KeyDefinition&) const = default;
};

// count records from records; a name that fills its record without a NUL ends
// with the record. A count below 1 or no records give no definitions.
std::vector<KeyDefinition> ReadKeyDefinitions(const unsigned char* records, int count);

// The combo box row of a key string: the first definition of that name
// (case-sensitive), or definitions.size(), the "無し" row, for an empty string
// and for a name no definition has.
std::size_t FindKeyIndex(std::span<const KeyDefinition> definitions, std::u16string_view name);

// The key string a combo box row gives an entry: the definition's name, or empty
// for the "無し" row.
std::u16string_view KeyOfRow(std::span<const KeyDefinition> definitions, std::size_t row);

// What a key press on the list does.
struct KeyPress {
  enum class Action { kPass, kRun, kSelect };
  Action action = Action::kPass;  // kPass: the key is not the launcher's
  int entry = -1;                 // the entry to run or select
  bool operator==(const KeyPress&) const = default;
};

// The definitions are tried in order; the first whose code is the key's and
// whose name some entry carries decides. Entries are searched from the one
// after selected (-1 for none) round to selected itself: a name carried once
// runs that entry, a name carried more often selects the first found, so
// repeated presses cycle. A definition with an empty name matches nothing: an
// empty key string means no key.
KeyPress ChooseByKey(std::span<const KeyDefinition> definitions, std::span<const std::u16string_view> keys,
                     int selected, std::uint32_t code);

// One entry's texts besides its key.
struct EntryFields {
  std::u16string path, params, dir;
  bool operator==(const EntryFields&) const = default;
};

// The host's four arrays as the buttons edit them; an entry is one index in all four.
class EntryStore {
 public:
  virtual ~EntryStore() = default;
  virtual int Count() const = 0;
  // Inserts the fields and an empty key at index at of every array.
  virtual void Insert(int at, const EntryFields& fields) = 0;
  virtual void Remove(int at) = 0;
  virtual void Swap(int a, int b) = 0;
  virtual void SetFields(int at, const EntryFields& fields) = 0;
  virtual void SetKey(int at, std::u16string_view key) = 0;
  virtual bool HasKey(int at) const = 0;
};

// What the list must show after an edit of the arrays.
struct ListChange {
  bool arraysChanged = false;  // the icons are built anew
  int removedRow = -1;         // the row to delete first, -1 none
  int firstRow = 0;            // rows to fill from the arrays, none when lastRow < firstRow
  int lastRow = -1;
  int select = -1;  // the entry to select, -1 none
  bool operator==(const ListChange&) const = default;
};

// 追加: appended at the end, with an empty key.
ListChange AddEntry(EntryStore& store, const EntryFields& fields);
// 編集 of the focused entry (-1 none); edited is null when the editor was cancelled.
// The rows from it to the last are filled again.
ListChange EditEntry(EntryStore& store, int focused, const EntryFields* edited);
// 削除 of the focused entry: the entry that moves into its place is selected, or
// the new last one.
ListChange DeleteEntry(EntryStore& store, int focused);
// ↑ (step -1) and ↓ (step +1) of the focused entry.
ListChange MoveEntry(EntryStore& store, int focused, int step);

// キー割り当て: the focused entry (-1 none) gets the key of the combo box row
// (-1 none). True when a key string was set.
bool AssignKey(EntryStore& store, std::span<const KeyDefinition> definitions, int focused, int row);
// The キー column is shown while any entry has a key.
bool ShowsKeyColumn(const EntryStore& store);

// The list's columns, left to right.
enum class Column { kName, kPath, kParams, kKey, kDir };
struct ColumnLayout {
  Column column;
  std::u16string_view header;
  int width;
  bool operator==(const ColumnLayout&) const = default;
};
std::vector<ColumnLayout> Columns(bool keyColumn, int keyWidth, int listClientWidth, int scrollBarWidth);
// The sub-item (column index) of each column that a row fills; -1 when not shown.
int SubItemOf(Column column, bool keyColumn);
// The キー column's width: the widest of "[]" and every name with "無し", then
// room for "[]" again and 10 pixels.
int KeyColumnWidth(int bracketsWidth, std::span<const int> nameWidths);

}  // namespace zv::launcher
