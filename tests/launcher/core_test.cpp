// What the launcher decides: key definitions out of the host's record bytes,
// the entry a key press picks, the buttons' edits of the four arrays, the columns.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "launcher_list.h"

namespace zv::launcher {
namespace {

using Action = KeyPress::Action;

TEST(KeyDefinitions, ReadFromTheHostsRecords) {
  std::vector<unsigned char> bytes(3 * kKeyRecordSize, 0x30);  // the third record's name fills it: 3310 × 〰
  const unsigned char heads[][10] = {{0x71, 0, 0, 0, 'F', 0, '2', 0, 0, 0}, {0x78, 0x56, 0x34, 0x12, 0x42, 0x30, 0, 0}};
  std::copy(heads[0], heads[0] + 10, bytes.begin());
  std::copy(heads[1], heads[1] + 10, bytes.begin() + kKeyRecordSize);
  EXPECT_EQ(ReadKeyDefinitions(bytes.data(), 3),
            (std::vector<KeyDefinition>{
                {0x71, u"F2"}, {0x12345678, u"あ"}, {0x30303030, std::u16string(kKeyNameChars, u'\u3030')}}));
  EXPECT_EQ(ReadKeyDefinitions(bytes.data(), 1).size(), 1u);
  EXPECT_TRUE(ReadKeyDefinitions(bytes.data(), 0).empty());
  EXPECT_TRUE(ReadKeyDefinitions(bytes.data(), -3).empty());
  EXPECT_TRUE(ReadKeyDefinitions(nullptr, 2).empty());
}

const std::vector<KeyDefinition> kDefinitions = {{0x70, u"F1"}, {0x71, u"F2"}, {0x71, u"F2b"},
                                                 {0x72, u""},   {0x73, u"F1"}, {0x74, u"f5"}};

TEST(KeyPresses, RunAUniqueKeyAndCycleThroughAShared) {
  const std::vector<std::u16string_view> keys = {u"F2", u"", u"F1", u"F2", u"f5", u"F2", u"F2b"};
  const struct {
    int selected;
    std::uint32_t code;
    KeyPress expected;
  } cases[] = {
      {-1, 0x70, {Action::kRun, 2}},     // F1 once
      {2, 0x70, {Action::kRun, 2}},      // also when it is the selected entry
      {-1, 0x71, {Action::kSelect, 0}},  // F2 three times: the first after the selection
      {0, 0x71, {Action::kSelect, 3}},
      {3, 0x71, {Action::kSelect, 5}},
      {5, 0x71, {Action::kSelect, 0}},   // round to the start
      {42, 0x71, {Action::kSelect, 0}},  // a selection past the end counts as the last
      {0, 0x72, {}},                     // an empty name is no key: keyless entries are not its
      {0, 0x73, {Action::kRun, 2}},      // a second code of the name F1
      {0, 0x75, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChooseByKey(kDefinitions, keys, c.selected, c.code), c.expected) << c.selected << " " << c.code;
  // F2 carried by no entry: the next definition of that code decides.
  const std::vector<std::u16string_view> onlyB = {u"F1", u"F2b"};
  EXPECT_EQ(ChooseByKey(kDefinitions, onlyB, 0, 0x71), (KeyPress{Action::kRun, 1}));
  EXPECT_EQ(ChooseByKey(kDefinitions, {}, -1, 0x70), KeyPress{});
}

// The four arrays as one vector of entries: path, parameters, folder, key.
struct VectorStore : EntryStore {
  std::vector<std::array<std::u16string, 4>> entries = {
      {u"C:\\a.exe", u"-a", u"C:\\", u"F1"}, {u"C:\\b.exe", u"", u"D:\\b", u""}, {u"C:\\c.exe", u"-c", u"", u"F2"}};
  int Count() const override { return static_cast<int>(entries.size()); }
  void Insert(int at, const EntryFields& f) override {
    entries.insert(entries.begin() + at, {f.path, f.params, f.dir, u""});
  }
  void Remove(int at) override { entries.erase(entries.begin() + at); }
  void Swap(int x, int y) override { std::swap(entries[x], entries[y]); }
  void SetFields(int at, const EntryFields& f) override { entries[at] = {f.path, f.params, f.dir, entries[at][3]}; }
  void SetKey(int at, std::u16string_view key) override { entries[at][3] = key; }
  bool HasKey(int at) const override { return !entries[at][3].empty(); }
  // One entry per string: "path|params|dir|key".
  std::vector<std::u16string> Rows() const {
    std::vector<std::u16string> rows;
    for (const auto& entry : entries) rows.push_back(entry[0] + u"|" + entry[1] + u"|" + entry[2] + u"|" + entry[3]);
    return rows;
  }
};

TEST(Buttons, EditTheFourArraysAtOnce) {
  const EntryFields added{u"C:\\新しい.exe", u"/x", u"C:\\w"};
  enum Op { kAdd, kEdit, kCancelEdit, kDelete, kUp, kDown };
  const std::vector<std::u16string> unchanged = VectorStore().Rows();
  const struct {
    Op op;
    int focused;
    ListChange change;
    std::vector<std::u16string> rows;
  } cases[] = {
      {kAdd, -1, {true, -1, 0, 3, 3}, {unchanged[0], unchanged[1], unchanged[2], u"C:\\新しい.exe|/x|C:\\w|"}},
      {kEdit, 1, {true, -1, 1, 2, 1}, {unchanged[0], u"C:\\新しい.exe|/x|C:\\w|", unchanged[2]}},
      {kEdit, 0, {true, -1, 0, 2, 0}, {u"C:\\新しい.exe|/x|C:\\w|F1", unchanged[1], unchanged[2]}},  // the key stays
      {kCancelEdit, 2, {false, -1, 0, -1, 2}, unchanged},
      {kEdit, -1, {}, unchanged},
      {kEdit, 3, {}, unchanged},
      {kDelete, 0, {true, 0, 0, 1, 0}, {unchanged[1], unchanged[2]}},
      {kDelete, 2, {true, 2, 2, 1, 1}, {unchanged[0], unchanged[1]}},  // the last: the new last is selected
      {kDelete, -1, {}, unchanged},
      {kUp, 2, {true, -1, 1, 2, 1}, {unchanged[0], unchanged[2], unchanged[1]}},
      {kUp, 0, {}, unchanged},
      {kDown, 0, {true, -1, 0, 1, 1}, {unchanged[1], unchanged[0], unchanged[2]}},
      {kDown, 2, {}, unchanged},
      {kDown, -1, {}, unchanged},
  };
  for (const auto& c : cases) {
    VectorStore store;
    ListChange change;
    if (c.op == kAdd) change = AddEntry(store, added);
    if (c.op == kEdit) change = EditEntry(store, c.focused, &added);
    if (c.op == kCancelEdit) change = EditEntry(store, c.focused, nullptr);
    if (c.op == kDelete) change = DeleteEntry(store, c.focused);
    if (c.op == kUp || c.op == kDown) change = MoveEntry(store, c.focused, c.op == kUp ? -1 : 1);
    const std::string name = "op " + std::to_string(c.op) + " on " + std::to_string(c.focused);
    EXPECT_EQ(change, c.change) << name;
    EXPECT_EQ(store.Rows(), c.rows) << name;
  }
}

TEST(Buttons, AssignKeysAndShowTheKeyColumnWhileOneIsSet) {
  EXPECT_EQ(FindKeyIndex(kDefinitions, u"F1"), 0u);  // the first of two of that name
  EXPECT_EQ(FindKeyIndex(kDefinitions, u"f1"), 6u);  // case counts: the 無し row
  VectorStore store;
  for (auto& entry : store.entries) entry[3].clear();
  EXPECT_FALSE(ShowsKeyColumn(store));
  const struct {
    int focused, row;
    bool assigned;
    std::vector<std::u16string> keys;
    bool column;
  } steps[] = {
      {0, 1, true, {u"F2", u"", u""}, true},   {2, 1, true, {u"F2", u"", u"F2"}, true},
      {0, 6, true, {u"", u"", u"F2"}, true},  // 無し
      {1, -1, false, {u"", u"", u"F2"}, true}, {-1, 0, false, {u"", u"", u"F2"}, true},
      {1, 7, false, {u"", u"", u"F2"}, true},  // past the 無し row
      {2, 3, true, {u"", u"", u""}, false},    // a definition without a name is no key
  };
  for (const auto& s : steps) {
    EXPECT_EQ(AssignKey(store, kDefinitions, s.focused, s.row), s.assigned) << s.focused << " " << s.row;
    std::vector<std::u16string> keys;
    for (const auto& entry : store.entries) keys.push_back(entry[3]);
    EXPECT_EQ(keys, s.keys) << s.focused << " " << s.row;
    EXPECT_EQ(ShowsKeyColumn(store), s.column) << s.focused << " " << s.row;
  }
}

TEST(Columns, WidthsAndHeaders) {
  const ColumnLayout name{Column::kName, u"ファイル名", 150}, path{Column::kPath, u"フルパス", 250};
  const ColumnLayout dir{Column::kDir, u"作業ディレクトリ", 150};
  using C = std::vector<ColumnLayout>;
  EXPECT_EQ(Columns(false, 60, 700, 16), (C{name, path, {Column::kParams, u"パラメータ", 284}, dir}));
  EXPECT_EQ(Columns(true, 60, 700, 16),
            (C{name, path, {Column::kParams, u"パラメータ", 224}, {Column::kKey, u"キー", 60}, dir}));
  EXPECT_EQ(Columns(true, 60, 300, 16)[2].width, 0);
  EXPECT_EQ(KeyColumnWidth(12, std::vector<int>{30, 48, 24}), 70);  // 48 + 12 + 10
  EXPECT_EQ(KeyColumnWidth(12, std::vector<int>{5}), 34);           // "[]" is the widest
}

}  // namespace
}  // namespace zv::launcher
