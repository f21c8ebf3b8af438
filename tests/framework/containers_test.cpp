// CArray, the typed arrays and CMap: growth and removal at the edges, element
// lifetimes, sources that live inside the collection, CMap's iteration order and the
// block allocation that its nBlockSize argument asks for.
#include <afxcoll.h>
#include <afxtempl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

// Counts this executable's operator new calls while a test asks for it; CArray and CMap
// are templates, so their allocations are made here.
namespace {
bool g_countAllocations = false;
int g_allocations = 0;
int g_liveAllocations = 0;

void Release(void* p) noexcept {
  if (g_countAllocations && p) --g_liveAllocations;
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) {
  if (g_countAllocations) {
    ++g_allocations;
    ++g_liveAllocations;
  }
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

void Fill(CArray<int, int>& a, std::initializer_list<int> values) {
  a.RemoveAll();
  for (int v : values) a.Add(v);
}

using Ints = std::vector<int>;

TEST(CArray, SetSizeValueInitialisesAndShrinks) {
  CArray<int, int> a;
  a.SetSize(5);
  a[4] = 7;
  a.SetSize(2);
  a.SetSize(5);
  EXPECT_EQ(Items(a), Ints(5, 0)) << "regrown elements are new ones";
  EXPECT_EQ(a.GetUpperBound(), 4);
  EXPECT_THROW(a.SetSize(-1), std::invalid_argument);
  a.RemoveAll();
  EXPECT_EQ(a.GetData(), nullptr);
}

TEST(CArray, InsertAtGrowsPastTheEnd) {
  const struct {
    const char* name;
    INT_PTR index;
    INT_PTR count;
    Ints expected;
  } cases[] = {
      {"front", 0, 1, {9, 1, 2, 3}},  {"middle twice", 1, 2, {1, 9, 9, 2, 3}}, {"at end", 3, 2, {1, 2, 3, 9, 9}},
      {"past end", 5, 1, {1, 2, 3, 0, 0, 9}}, {"count zero", 1, 0, {1, 2, 3}},
  };
  CArray<int, int> a;
  for (const auto& c : cases) {
    Fill(a, {1, 2, 3});
    a.InsertAt(c.index, 9, c.count);
    EXPECT_EQ(Items(a), c.expected) << c.name;
  }
  CArray<int, int> other;
  Fill(other, {7, 8});
  Fill(a, {1, 2, 3});
  a.InsertAt(1, &other);
  EXPECT_EQ(Items(a), (Ints{1, 7, 8, 2, 3}));
  Fill(a, {1, 2, 3});
  a.InsertAt(1, &a);
  EXPECT_EQ(Items(a), (Ints{1, 1, 2, 3, 2, 3}));
  EXPECT_THROW(a.InsertAt(-1, 9), std::out_of_range);
}

TEST(CArray, RemoveAtRanges) {
  const struct {
    INT_PTR index;
    INT_PTR count;
    Ints expected;  // {1, 2, 3, 4, 5} when the range is refused
    bool throws;
  } cases[] = {
      {0, 1, {2, 3, 4, 5}, false}, {1, 3, {1, 5}, false},         {0, 5, {}, false},
      {5, 0, {1, 2, 3, 4, 5}, false}, {4, 2, {1, 2, 3, 4, 5}, true}, {-1, 1, {1, 2, 3, 4, 5}, true},
      {2, -1, {1, 2, 3, 4, 5}, true}, {6, 0, {1, 2, 3, 4, 5}, true},
  };
  CArray<int, int> a;
  for (const auto& c : cases) {
    Fill(a, {1, 2, 3, 4, 5});
    if (c.throws) {
      EXPECT_THROW(a.RemoveAt(c.index, c.count), std::out_of_range) << c.index << "," << c.count;
    } else {
      a.RemoveAt(c.index, c.count);
    }
    EXPECT_EQ(Items(a), c.expected) << c.index << "," << c.count;
  }
}

TEST(CArray, BadIndexThrowsInsteadOfTouchingMemory) {
  CArray<int, int> a;
  Fill(a, {1, 2});
  const CArray<int, int>& ca = a;
  EXPECT_THROW(a.ElementAt(-1), std::out_of_range);
  EXPECT_THROW(ca[2], std::out_of_range);
  EXPECT_THROW(a.SetAt(2, 5), std::out_of_range);
  EXPECT_THROW(a.SetAtGrow(-1, 5), std::out_of_range);
  EXPECT_EQ(Items(a), (Ints{1, 2}));

  CStringArray strings;  // thrown inside zvfw.dll
  strings.Add(L"a");
  EXPECT_THROW(strings[1], std::out_of_range);
  EXPECT_THROW(strings.RemoveAt(0, 2), std::out_of_range);
  EXPECT_EQ(strings.GetSize(), 1);
}

struct Tracked {
  static inline int live = 0;
  int value = 0;
  Tracked() { ++live; }
  Tracked(const Tracked& other) : value(other.value) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};

TEST(CArray, ConstructsAndDestroysEveryElementOnce) {
  {
    CArray<Tracked> a;
    a.SetSize(10, 3);
    EXPECT_EQ(Tracked::live, 10);
    a.SetSize(4);
    EXPECT_EQ(Tracked::live, 4);
    a.InsertAt(2, Tracked(), 5);
    EXPECT_EQ(Tracked::live, 9);
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
  EXPECT_EQ(a.GetSize(), 154);
  for (INT_PTR i = 0; i < a.GetSize(); ++i) {
    if (i < 104 || i == 153) {
      EXPECT_EQ(a[i], L"first") << i;
    } else {
      EXPECT_TRUE(a[i].IsEmpty()) << i;
    }
  }
  CArray<int, int> n;
  Fill(n, {1, 2});
  EXPECT_EQ(n.Append(n), 2);
  EXPECT_EQ(Items(n), (Ints{1, 2, 1, 2}));
  n.Copy(n);
  EXPECT_EQ(Items(n), (Ints{1, 2, 1, 2}));
}

TEST(CStringArray, CopiesAreIndependent) {
  CStringArray a;
  EXPECT_EQ(a.Add(L"one"), 0);
  EXPECT_EQ(a.Add(CString(L"two")), 1);
  CStringArray b;
  b.Copy(a);
  a[0] = L"changed";
  a.RemoveAll();
  EXPECT_EQ(Items(b), (std::vector<CString>{L"one", L"two"}));

  EXPECT_EQ(b.Append(b), 2);
  b.InsertAt(1, L"x", 2);
  b.SetAtGrow(7, L"last");
  a.Copy(b);
  a.InsertAt(0, &b);
  EXPECT_EQ(Items(b), (std::vector<CString>{L"one", L"x", L"x", L"two", L"one", L"two", L"", L"last"}));
  EXPECT_EQ(a.GetSize(), 16);
  EXPECT_EQ(a[8], L"one");
  EXPECT_EQ(a.GetAt(15), L"last");
}

TEST(TypedArrays, PointerElementsAreNotArrays) {
  CDWordArray words;
  CPtrArray pointers;
  pointers.InsertAt(1, &words);
  EXPECT_EQ(Items(pointers), (std::vector<void*>{nullptr, &words}));
}

// ---------------------------------------------------------------------------

using StringMap = CMap<CString, LPCTSTR, CString, CString&>;
using IntMap = CMap<int, int, int, int>;

TEST(CMap, HashValues) {
  EXPECT_EQ(HashKey<LPCWSTR>(L""), 0u);
  EXPECT_EQ(HashKey<LPCWSTR>(L"ab"), 97u * 33 + 98);
  EXPECT_EQ(HashKey<LPCWSTR>(L"日"), 0x65E5u);
  EXPECT_EQ(HashKey<const CString&>(CString(L"ab")), 97u * 33 + 98);
  EXPECT_EQ(HashKey<int>(0x1234), 0x123u);
  EXPECT_EQ(HashKey<int>(15), 0u);
}

TEST(CMap, LookupInsertAndRemove) {
  StringMap map;
  CString value;
  EXPECT_FALSE(map.Lookup(L"missing", value));
  EXPECT_FALSE(map.RemoveKey(L"missing"));

  CString one(L"1");
  map.SetAt(L"one", one);
  map[L"two"] = L"2";
  EXPECT_TRUE(map[L"new"].IsEmpty());
  EXPECT_EQ(map.GetCount(), 3);
  map.SetAt(L"one", map[L"two"]);
  EXPECT_TRUE(map.Lookup(L"one", value));
  EXPECT_EQ(value, L"2");
  EXPECT_FALSE(map.RemoveKey(L"ONE"));
  EXPECT_EQ(map.GetCount(), 3);
  EXPECT_TRUE(map.RemoveKey(L"one"));
  EXPECT_FALSE(map.Lookup(L"one", value));
  EXPECT_EQ(map.GetSize(), 2);
}

TEST(CMap, IterationVisitsEveryKeyOnceAfterRemovals) {
  StringMap map(7);
  map.InitHashTable(31);
  CString key;
  CString value;
  for (int i = 0; i < 300; ++i) {
    value.Format(L"%d", i);
    map.SetAt(L"key" + value, value);
  }
  for (int i = 0; i < 300; i += 3) {
    key.Format(L"key%d", i);
    EXPECT_TRUE(map.RemoveKey(key));
  }
  map.InitHashTable(101);  // redistributes what is there

  std::map<std::wstring, int> visits;
  for (POSITION pos = map.GetStartPosition(); pos;) {
    map.GetNextAssoc(pos, key, value);
    ++visits[key.GetString()];
    EXPECT_EQ(key, L"key" + value);
  }
  EXPECT_EQ(map.GetCount(), 200);
  ASSERT_EQ(visits.size(), 200u);
  for (const auto& [visitedKey, count] : visits) EXPECT_EQ(count, 1) << testing::PrintToString(visitedKey);
  EXPECT_EQ(visits.count(L"key0"), 0u);
  EXPECT_EQ(visits.count(L"key1"), 1u);
}

TEST(CMap, IteratesBucketsInOrderNewestFirstInEachChain) {
  IntMap map;  // 17 buckets; an int key k hashes to k >> 4
  for (int key : {16, 0, 1, 272}) map[key] = key * 10;
  std::vector<std::pair<int, int>> order;
  int key = 0;
  int value = 0;
  for (POSITION pos = map.GetStartPosition(); pos;) {
    map.GetNextAssoc(pos, key, value);
    order.emplace_back(key, value);
  }
  EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{272, 2720}, {1, 10}, {0, 0}, {16, 160}}));

  POSITION none = nullptr;
  EXPECT_THROW(map.GetNextAssoc(none, key, value), std::invalid_argument);
  map.RemoveAll();
  EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(CMap, AllocatesEntriesInBlocksOfTheGivenSize) {
  g_allocations = g_liveAllocations = 0;
  g_countAllocations = true;
  {
    IntMap map(4);
    map.InitHashTable(17);
    EXPECT_EQ(g_allocations, 1) << "the bucket table";
    for (int i = 0; i < 10; ++i) map[i] = i;
    EXPECT_EQ(g_allocations, 1 + 3) << "ten entries in blocks of four";
    map.RemoveKey(3);
    map.RemoveKey(4);
    map[100] = 1;
    map[101] = 1;
    EXPECT_EQ(g_allocations, 4) << "removed entries are reused";
    for (int key : {0, 1, 2, 5, 6, 7, 8, 9, 100, 101}) EXPECT_TRUE(map.RemoveKey(key)) << key;
    EXPECT_EQ(g_liveAllocations, 0) << "an emptied map keeps nothing";
    EXPECT_EQ(map.GetHashTableSize(), 17u);
    map[1] = 1;
    EXPECT_EQ(map.GetCount(), 1);
  }
  g_countAllocations = false;
  EXPECT_EQ(g_liveAllocations, 0);
}

}  // namespace
