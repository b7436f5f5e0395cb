#include "afxcoll.h"
#include "afxtempl.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
template <class A> std::vector<int> Items(const A& a)
{
    std::vector<int> v;
    for (INT_PTR i = 0; i < a.GetSize(); ++i)
        v.push_back(static_cast<int>(a[i]));
    return v;
}

template <class L> std::vector<std::string> Forward(const L& list)
{
    std::vector<std::string> v;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        v.emplace_back(list.GetNext(pos).GetString());
    return v;
}

template <class L> std::vector<std::string> Backward(const L& list)
{
    std::vector<std::string> v;
    for (POSITION pos = list.GetTailPosition(); pos;)
        v.emplace_back(list.GetPrev(pos).GetString());
    return v;
}

typedef std::vector<std::string> Strings;
} // namespace

TEST(CArray, GrowInsertRemove)
{
    CArray<int, int> a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetData(), nullptr);
    EXPECT_EQ(a.GetUpperBound(), -1);
    EXPECT_EQ(a.Add(1), 0);
    EXPECT_EQ(a.Add(2), 1);
    a.InsertAt(1, 9, 2);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 9, 9, 2}));
    a.InsertAt(6, 5); // past the end: grows with zeros first
    EXPECT_EQ(Items(a), (std::vector<int>{1, 9, 9, 2, 0, 0, 5}));
    a.RemoveAt(1, 2);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 2, 0, 0, 5}));
    a.RemoveAt(4);
    a.RemoveAt(0, 0);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 2, 0, 0}));

    a.SetAtGrow(6, 7);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 2, 0, 0, 0, 0, 7}));
    a.SetAt(2, 3);
    a.ElementAt(3) = 4;
    a[4] = 5;
    EXPECT_EQ(a.GetAt(2) + a.GetAt(3) + a.GetAt(4), 12);
    EXPECT_EQ(a.GetData()[6], 7);

    a.SetSize(2);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 2}));
    a.SetSize(4, 16);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 2, 0, 0}));

    CArray<int, int> b;
    b.Add(8);
    a.InsertAt(1, &b);
    EXPECT_EQ(Items(a), (std::vector<int>{1, 8, 2, 0, 0}));
    EXPECT_EQ(a.Append(b), 5);
    b.Copy(a);
    EXPECT_EQ(Items(b), (std::vector<int>{1, 8, 2, 0, 0, 8}));
    b.Append(b); // appending to itself doubles it
    b.InsertAt(0, &b);
    EXPECT_EQ(b.GetSize(), 24);
    a.RemoveAll();
    EXPECT_EQ(a.GetSize(), 0);
}

TEST(CArray, ElementsReferringIntoTheArray)
{
    CStringArray a;
    a.Add("first");
    // Each of these may reallocate while its argument still points into the old storage.
    for (int i = 0; i < 20; ++i)
        a.Add(a[0]);
    a.SetAtGrow(100, a[0]);
    a.InsertAt(0, a[100], 50);
    EXPECT_EQ(a.GetSize(), 151);
    EXPECT_EQ(a[0], "first");
    EXPECT_EQ(a[150], "first");
    EXPECT_TRUE(a[99].IsEmpty());
}

TEST(CArray, FixedTypeArrays)
{
    CStringArray s;
    s.Add("a");
    s.Add(CString("b"));
    s.SetAtGrow(3, "d");
    EXPECT_EQ(s.GetSize(), 4);
    EXPECT_EQ(s[2], "");
    EXPECT_EQ(s.GetAt(3), "d");

    CByteArray bytes;
    bytes.SetSize(3);
    bytes[1] = 0xFF;
    EXPECT_EQ(bytes.GetData()[1], 0xFF);
    EXPECT_EQ(bytes.GetData()[2], 0);

    CDWordArray d;
    d.Add(0xFFFFFFFFu);
    CUIntArray u;
    u.Add(7u);
    CWordArray w;
    w.Add(0xFFFF);
    EXPECT_EQ(d[0] + u[0] + w[0], 0xFFFFFFFFu + 7u + 0xFFFFu);

    int x = 0;
    CPtrArray p;
    p.Add(&x);
    CObArray o;
    o.Add(nullptr);
    EXPECT_EQ(p[0], &x);
    EXPECT_EQ(o.GetAt(0), nullptr);
}

TEST(CArrayDeathTest, BadIndexesAbort)
{
    CArray<int, int> a;
    a.Add(1);
    EXPECT_DEATH(a.GetAt(1), "out of range");
    EXPECT_DEATH(a[-1], "out of range");
    EXPECT_DEATH(a.RemoveAt(0, 2), "out of range");
    EXPECT_DEATH(a.SetAtGrow(-1, 0), "out of range");
}

TEST(CList, AddInsertAndWalkBothWays)
{
    CStringList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    list.AddTail("b");
    list.AddHead("a");
    const POSITION c = list.AddTail("c");
    list.InsertBefore(c, "b2");
    list.InsertAfter(c, "d");
    list.InsertBefore(nullptr, "head");
    list.InsertAfter(nullptr, "tail");
    EXPECT_EQ(Forward(list), (Strings{"head", "a", "b", "b2", "c", "d", "tail"}));
    EXPECT_EQ(Backward(list), (Strings{"tail", "d", "c", "b2", "b", "a", "head"}));
    EXPECT_EQ(list.GetCount(), 7);
    EXPECT_EQ(list.GetHead(), "head");
    EXPECT_EQ(list.GetTail(), "tail");
    EXPECT_EQ(list.GetAt(c), "c");
    list.SetAt(c, "C");
    EXPECT_EQ(list.GetAt(list.FindIndex(4)), "C");
    EXPECT_EQ(list.FindIndex(7), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);

    EXPECT_EQ(list.RemoveHead(), "head");
    EXPECT_EQ(list.RemoveTail(), "tail");
    EXPECT_EQ(Forward(list), (Strings{"a", "b", "b2", "C", "d"}));

    CStringList other;
    other.AddTail("x");
    other.AddTail("y");
    list.AddHead(&other);
    list.AddTail(&other);
    EXPECT_EQ(Forward(list), (Strings{"x", "y", "a", "b", "b2", "C", "d", "x", "y"}));
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
}

TEST(CList, RemoveAndInsertWhileIterating)
{
    CList<int, int> list;
    for (int i = 1; i <= 6; ++i)
        list.AddTail(i);
    // Remove the even numbers and put ten times each odd one after it, in one pass. GetNext has
    // already moved past the current element, so the new ones are not visited.
    for (POSITION pos = list.GetHeadPosition(); pos;)
    {
        const POSITION cur = pos;
        const int v = list.GetNext(pos);
        if (v % 2 == 0)
            list.RemoveAt(cur);
        else
            list.InsertAfter(cur, v * 10);
    }
    std::vector<int> items;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        items.push_back(list.GetNext(pos));
    EXPECT_EQ(items, (std::vector<int>{1, 10, 3, 30, 5, 50}));

    // Removing head and tail keeps both ends linked.
    list.RemoveAt(list.GetHeadPosition());
    list.RemoveAt(list.GetTailPosition());
    EXPECT_EQ(list.GetHead(), 10);
    EXPECT_EQ(list.GetTail(), 5);
    EXPECT_EQ(list.GetCount(), 4);
    items.clear();
    for (POSITION pos = list.GetTailPosition(); pos;)
        items.push_back(list.GetPrev(pos));
    EXPECT_EQ(items, (std::vector<int>{5, 30, 3, 10}));
}

TEST(CList, FindFromAPosition)
{
    CStringList list;
    list.AddTail("a");
    const POSITION firstB = list.AddTail("b");
    list.AddTail("a");
    const POSITION secondB = list.AddTail("b");
    EXPECT_EQ(list.Find("b"), firstB);
    EXPECT_EQ(list.Find("b", firstB), secondB);
    EXPECT_EQ(list.Find("b", secondB), nullptr);
    EXPECT_EQ(list.Find("z"), nullptr);

    int a = 0, b = 0;
    CPtrList ptrs;
    ptrs.AddTail(&a);
    const POSITION pb = ptrs.AddTail(&b);
    EXPECT_EQ(ptrs.Find(&b), pb);
}

TEST(CListDeathTest, EmptyListAndNullPositionAbort)
{
    CList<int, int> list;
    EXPECT_DEATH(list.RemoveHead(), "empty");
    EXPECT_DEATH(list.GetTail(), "empty");
    POSITION pos = nullptr;
    EXPECT_DEATH(list.GetNext(pos), "no element");
}

TEST(CMap, CStringKeysLookupSetRemove)
{
    CMap<CString, LPCTSTR, int, int> map;
    int v = -1;
    EXPECT_FALSE(map.Lookup("a", v));
    EXPECT_EQ(v, -1);
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    map.SetAt("alpha", 1);
    map["beta"] = 2;
    map.SetAt(CString("alpha"), 10); // replaces
    EXPECT_EQ(map.GetCount(), 2);
    EXPECT_TRUE(map.Lookup(CString("al") + "pha", v));
    EXPECT_EQ(v, 10);
    EXPECT_EQ(map["gamma"], 0); // created value-initialised
    EXPECT_EQ(map.GetCount(), 3);
    EXPECT_TRUE(map.RemoveKey("gamma"));
    EXPECT_FALSE(map.RemoveKey("gamma"));
    EXPECT_FALSE(map.Lookup("ALPHA", v)); // keys are case-sensitive
    ASSERT_NE(map.PLookup("beta"), nullptr);
    EXPECT_EQ(map.PLookup("beta")->value, 2);

    CMap<CString, const CString&, CString, const CString&> byRef;
    byRef[CString("k")] = "v";
    CString out;
    EXPECT_TRUE(byRef.Lookup(CString("k"), out));
    EXPECT_EQ(out, "v");

    CMap<CString, CString&, int, int> byMutableRef;
    CString key("m");
    byMutableRef[key] = 3;
    int m = 0;
    EXPECT_TRUE(byMutableRef.Lookup(key, m));
    EXPECT_EQ(m, 3);
}

TEST(CMap, ManyEntriesIterateAndRemoveWhileIterating)
{
    CMap<int, int, int, int> map;
    for (int i = 0; i < 1000; ++i)
        map[i * 7] = i;
    EXPECT_EQ(map.GetCount(), 1000);
    for (int i = 0; i < 1000; ++i)
    {
        int v = -1;
        ASSERT_TRUE(map.Lookup(i * 7, v));
        ASSERT_EQ(v, i);
    }

    // Every entry is visited exactly once, and removing the current one is safe.
    std::map<int, int> seen;
    POSITION pos = map.GetStartPosition();
    while (pos)
    {
        int key, value;
        map.GetNextAssoc(pos, key, value);
        ++seen[key];
        EXPECT_EQ(key, value * 7);
        if (value % 2)
        {
            EXPECT_TRUE(map.RemoveKey(key));
        }
    }
    EXPECT_EQ(seen.size(), 1000u);
    for (const auto& [key, count] : seen)
        EXPECT_EQ(count, 1) << key;
    EXPECT_EQ(map.GetCount(), 500);

    // The raw entry walk sees the same entries.
    int walked = 0;
    for (auto* pair = map.PGetFirstAssoc(); pair; pair = map.PGetNextAssoc(pair))
    {
        EXPECT_EQ(pair->value % 2, 0);
        ++walked;
    }
    EXPECT_EQ(walked, 500);

    map.InitHashTable(3); // rehashing keeps the entries
    EXPECT_EQ(map.GetHashTableSize(), 3u);
    int v = 0;
    EXPECT_TRUE(map.Lookup(14, v));
    EXPECT_EQ(v, 2);
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

namespace
{
struct GridCell
{
    int row, col;
};
} // namespace

// A key type without operator== or a built-in hash: both customisation points are used.
template <> inline UINT HashKey<const GridCell&>(const GridCell& key)
{
    return static_cast<UINT>(key.row * 31 + key.col);
}
template <> inline BOOL CompareElements<GridCell, GridCell>(const GridCell* a, const GridCell* b)
{
    return a->row == b->row && a->col == b->col;
}

TEST(CMap, CustomKeyType)
{
    CMap<GridCell, const GridCell&, CString, LPCTSTR> cells;
    cells.SetAt(GridCell{1, 2}, "b1");
    cells.SetAt(GridCell{2, 1}, "a2");
    cells.SetAt(GridCell{1, 2}, "B1");
    CString s;
    EXPECT_EQ(cells.GetCount(), 2);
    EXPECT_TRUE(cells.Lookup(GridCell{1, 2}, s));
    EXPECT_EQ(s, "B1");
    EXPECT_FALSE(cells.Lookup(GridCell{3, 3}, s));
}

TEST(CMap, FixedTypeMaps)
{
    CMapStringToString names;
    names.SetAt("key", "value");
    names["other"] = "x";
    CString value;
    EXPECT_TRUE(names.Lookup("key", value));
    EXPECT_EQ(value, "value");
    std::map<std::string, std::string> all;
    for (POSITION pos = names.GetStartPosition(); pos;)
    {
        CString k, v;
        names.GetNextAssoc(pos, k, v);
        all[k.GetString()] = v.GetString();
    }
    EXPECT_EQ(all, (std::map<std::string, std::string>{{"key", "value"}, {"other", "x"}}));

    int a = 1, b = 2;
    CMapStringToPtr ptrs;
    ptrs.SetAt("a", &a);
    void* p = nullptr;
    EXPECT_TRUE(ptrs.Lookup("a", p));
    EXPECT_EQ(p, &a);

    CMapPtrToPtr pp;
    pp[&a] = &b;
    EXPECT_TRUE(pp.Lookup(&a, p));
    EXPECT_EQ(p, &b);
    EXPECT_FALSE(pp.Lookup(&b, p));

    CMapWordToPtr wp;
    wp.SetAt(0xFFFF, &b);
    EXPECT_TRUE(wp.Lookup(0xFFFF, p));
    EXPECT_FALSE(wp.Lookup(0, p));

    CMapStringToOb obs;
    obs.SetAt("none", nullptr);
    CObject* ob = reinterpret_cast<CObject*>(&a);
    EXPECT_TRUE(obs.Lookup("none", ob));
    EXPECT_EQ(ob, nullptr);
}

namespace
{
struct Probe
{
    int id;
};
} // namespace

TEST(CTypedPtr, CollectionsHandOutTheirType)
{
    Probe p1{1}, p2{2}, p3{3};

    CTypedPtrArray<CPtrArray, Probe*> arr;
    arr.Add(&p1);
    arr.SetAtGrow(2, &p3);
    arr.InsertAt(1, &p2);
    EXPECT_EQ(arr.GetSize(), 4);
    EXPECT_EQ(arr[0]->id + arr.GetAt(1)->id + arr[3]->id, 6);
    arr.ElementAt(2) = &p2;
    EXPECT_EQ(arr[2]->id, 2);

    CTypedPtrList<CPtrList, Probe*> list;
    list.AddTail(&p2);
    list.AddHead(&p1);
    list.AddTail(&p3);
    int sum = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        sum = sum * 10 + list.GetNext(pos)->id;
    EXPECT_EQ(sum, 123);
    EXPECT_EQ(list.RemoveTail()->id, 3);
    EXPECT_EQ(list.GetHead()->id, 1);

    CTypedPtrMap<CMapStringToPtr, CString, Probe*> map;
    map.SetAt("one", &p1);
    map["two"] = &p2;
    Probe* found = nullptr;
    EXPECT_TRUE(map.Lookup("two", found));
    EXPECT_EQ(found->id, 2);
    int keys = 0;
    for (POSITION pos = map.GetStartPosition(); pos;)
    {
        CString key;
        Probe* value;
        map.GetNextAssoc(pos, key, value);
        EXPECT_EQ(key, value->id == 1 ? "one" : "two");
        ++keys;
    }
    EXPECT_EQ(keys, 2);
    EXPECT_TRUE(map.RemoveKey("one"));
    EXPECT_FALSE(map.Lookup("one", found));
}
