// CArray, the typed arrays and CMap: growth and removal at the edges, element
// lifetimes, sources that live inside the collection, CMap's iteration order and the
// block allocation that its nBlockSize argument asks for.
#include <afxcoll.h>
#include <afxtempl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>
#include <vector>

// Counts this executable's operator new calls while a test asks for it; CArray and CMap
// are templates, so their allocations are made here.
namespace {
bool g_countAllocations = false;
int g_allocations = 0, g_liveAllocations = 0;
[[gnu::noinline]] void Release(void* p) noexcept {  // else GCC pairs the inlined free() with new
  if (g_countAllocations && p) --g_liveAllocations;
  std::free(p);
}
}  // namespace
void* operator new(std::size_t size) {
  if (g_countAllocations) ++g_allocations, ++g_liveAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }

void PrintTo(const CString& s, std::ostream* os) { *os << ::testing::PrintToString(std::wstring(s, s.GetLength())); }

namespace {

template <class Array>
auto Items(const Array& a) {
  std::vector<std::remove_cvref_t<decltype(a[0])>> items;
  for (INT_PTR i = 0; i < a.GetSize(); ++i) items.push_back(a[i]);
  return items;
}

using IntArray = CArray<int, int>;
using Ints = std::vector<int>;

// Bad indexes throw and leave the array as it was.
TEST(CArray, EditsAtTheEdges) {
  struct Case {
    const char* name;
    std::function<void(IntArray&)> edit;
    Ints expected;
    bool throws;
  };
  const Case cases[] = {
      {"InsertAt front", [](IntArray& a) { a.InsertAt(0, 9); }, {9, 1, 2, 3}, false},
      {"InsertAt end twice", [](IntArray& a) { a.InsertAt(3, 9, 2); }, {1, 2, 3, 9, 9}, false},
      {"InsertAt past end", [](IntArray& a) { a.InsertAt(5, 9); }, {1, 2, 3, 0, 0, 9}, false},
      {"InsertAt itself", [](IntArray& a) { a.InsertAt(1, &a); }, {1, 1, 2, 3, 2, 3}, false},
      {"Append itself", [](IntArray& a) { EXPECT_EQ(a.Append(a), 3); }, {1, 2, 3, 1, 2, 3}, false},
      {"Copy itself", [](IntArray& a) { a.Copy(a); }, {1, 2, 3}, false},
      {"RemoveAt front", [](IntArray& a) { a.RemoveAt(0); }, {2, 3}, false},
      {"RemoveAt all", [](IntArray& a) { a.RemoveAt(0, 3); }, {}, false},
      {"RemoveAt none at end", [](IntArray& a) { a.RemoveAt(3, 0); }, {1, 2, 3}, false},
      {"SetSize regrows new elements",
       [](IntArray& a) {
         a.SetSize(1);
         a.SetSize(3);
       },
       {1, 0, 0},
       false},
      {"const [3]", [](IntArray& a) { std::as_const(a)[3]; }, {1, 2, 3}, true},
      {"SetAt(3)", [](IntArray& a) { a.SetAt(3, 5); }, {1, 2, 3}, true},
      {"SetAtGrow(-1)", [](IntArray& a) { a.SetAtGrow(-1, 5); }, {1, 2, 3}, true},
      {"InsertAt(-1)", [](IntArray& a) { a.InsertAt(-1, 9); }, {1, 2, 3}, true},
      {"RemoveAt(2,2)", [](IntArray& a) { a.RemoveAt(2, 2); }, {1, 2, 3}, true},
      {"RemoveAt(1,-1)", [](IntArray& a) { a.RemoveAt(1, -1); }, {1, 2, 3}, true},
      {"RemoveAt(4,0)", [](IntArray& a) { a.RemoveAt(4, 0); }, {1, 2, 3}, true},
  };
  for (const Case& c : cases) {
    IntArray a;
    for (int v : {1, 2, 3}) a.Add(v);
    bool threw = false;
    try {
      c.edit(a);
    } catch (const std::out_of_range&) {
      threw = true;
    }
    EXPECT_EQ(threw, c.throws) << c.name;
    EXPECT_EQ(Items(a), c.expected) << c.name;
  }
  IntArray a;
  EXPECT_THROW(a.SetSize(-1), std::invalid_argument);
}

struct Tracked {
  static inline int live = 0;
  Tracked() { ++live; }
  Tracked(const Tracked&) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};

TEST(CArray, ConstructsAndDestroysEveryElementOnce) {
  {
    CArray<Tracked> a;
    a.SetSize(10, 3);
    a.SetSize(4);
    a.InsertAt(2, Tracked(), 5);
    a.RemoveAt(1, 6);
    EXPECT_EQ(Tracked::live, 3);
    a.SetAtGrow(20, Tracked());
    a.FreeExtra();
    EXPECT_EQ(Tracked::live, 21);
  }
  EXPECT_EQ(Tracked::live, 0);
}

// The argument refers to an element that reallocation or shifting moves.
TEST(CArray, ElementsOfItselfAsSources) {
  CArray<CString> a;
  a.Add(L"first");
  for (int i = 0; i < 100; ++i) a.Add(a[0]);
  a.SetAtGrow(150, a[1]);
  a.InsertAt(0, a[150], 3);
  ASSERT_EQ(a.GetSize(), 154);
  for (INT_PTR i = 0; i < a.GetSize(); ++i) EXPECT_EQ(a[i], i < 104 || i == 153 ? L"first" : L"") << i;
  CPtrArray pointers;  // an array pointer is an element here, not a source array
  pointers.InsertAt(1, &a);
  EXPECT_EQ(Items(pointers), (std::vector<void*>{nullptr, &a}));
}

TEST(CMap, LookupInsertAndRemove) {
  CMap<CString, LPCTSTR, CString, CString&> map;
  CString value;
  map[L"two"] = L"2";
  map.SetAt(L"one", map[L"two"]);
  EXPECT_TRUE(map.Lookup(L"one", value));
  EXPECT_EQ(value, L"2");
  EXPECT_FALSE(map.RemoveKey(L"ONE"));
  EXPECT_TRUE(map.RemoveKey(L"one"));
}

TEST(CMap, IterationVisitsEveryKeyOnceAfterRemovals) {
  CMap<int, int, int, int> map(7);
  map.InitHashTable(31);
  for (int i = 0; i < 300; ++i) map[i] = i * 10;
  for (int i = 0; i < 300; i += 3) EXPECT_TRUE(map.RemoveKey(i));
  map.InitHashTable(101);  // redistributes what is there
  std::map<int, int> visits;
  int key = 0, value = 0;
  for (POSITION pos = map.GetStartPosition(); pos;) {
    map.GetNextAssoc(pos, key, value);
    ++visits[key];
    EXPECT_EQ(value, key * 10);
  }
  EXPECT_EQ(map.GetCount(), 200);
  ASSERT_EQ(visits.size(), 200u);
  for (const auto& [visitedKey, count] : visits) EXPECT_EQ(count, 1) << visitedKey;
  EXPECT_EQ(visits.count(0), 0u);

  // Buckets in order, newest first in each chain; an int key k hashes to k >> 4 of 17 buckets.
  CMap<int, int, int, int> small;
  for (int k : {16, 0, 1, 272}) small[k] = k;
  std::vector<int> order;
  for (POSITION pos = small.GetStartPosition(); pos; order.push_back(key)) small.GetNextAssoc(pos, key, value);
  EXPECT_EQ(order, (Ints{272, 1, 0, 16}));
  POSITION none = nullptr;
  EXPECT_THROW(small.GetNextAssoc(none, key, value), std::invalid_argument);
}

TEST(CMap, AllocatesEntriesInBlocksOfTheGivenSize) {
  g_allocations = g_liveAllocations = 0;
  g_countAllocations = true;
  {
    CMap<int, int, int, int> map(4);
    map.InitHashTable(17);
    EXPECT_EQ(g_allocations, 1) << "the bucket table";
    for (int i = 0; i < 10; ++i) map[i] = i;
    EXPECT_EQ(g_allocations, 1 + 3) << "ten entries in blocks of four";
    map.RemoveKey(3);
    map.RemoveKey(4);
    map[100] = map[101] = 1;
    EXPECT_EQ(g_allocations, 4) << "removed entries are reused";
    for (int k : {0, 1, 2, 5, 6, 7, 8, 9, 100, 101}) EXPECT_TRUE(map.RemoveKey(k)) << k;
    EXPECT_EQ(g_liveAllocations, 0) << "an emptied map keeps nothing";
    map[1] = 1;
    EXPECT_EQ(map.GetCount(), 1);
  }
  g_countAllocations = false;
  EXPECT_EQ(g_liveAllocations, 0);
}

}  // namespace
