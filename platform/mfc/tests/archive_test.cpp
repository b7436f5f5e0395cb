// CArchive: exact bytes of every tag and string form, reading them back, and the errors that
// damaged or foreign data must raise.
#include "mfc/Archive.h"
#include "mfc/File.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<BYTE>;

// ---- Serializable fixtures ----

class CLeaf : public CObject
{
    DECLARE_SERIAL(CLeaf)
public:
    CLeaf() = default;
    explicit CLeaf(WORD w) : m_w(w) {}
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << m_w;
        else
            ar >> m_w;
    }
    WORD m_w = 0;
};
IMPLEMENT_SERIAL(CLeaf, CObject, 2)

class CDerivedLeaf : public CLeaf
{
    DECLARE_SERIAL(CDerivedLeaf)
};
IMPLEMENT_SERIAL(CDerivedLeaf, CLeaf, 1)

// A node of a graph; the links are not owned (tests free the nodes they load).
class CNode : public CObject
{
    DECLARE_SERIAL(CNode)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
        {
            ar << m_value;
            ar << m_pNext;
        }
        else
        {
            ar >> m_value;
            m_pNext = ar.ReadObject(NULL);
        }
    }
    LONG m_value = 0;
    CObject* m_pNext = nullptr;
};
IMPLEMENT_SERIAL(CNode, CObject, 1)

// Owns what it loads, so a failure deep inside must leave nothing behind.
class COwner : public CObject
{
    DECLARE_SERIAL(COwner)
public:
    ~COwner() override { delete m_pChild; }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << m_pChild;
        else
            ar >> m_pChild;
    }
    COwner* m_pChild = nullptr;
};
IMPLEMENT_SERIAL(COwner, CObject, 1)

// Schema 3, still able to read schema 1 (which lacks the second field).
// Owns its leaves; points at a leaf it does not own (as a part of a document points at the
// document's head), then a WORD, which must not be kRefused.
class CHolder : public CObject
{
    DECLARE_SERIAL(CHolder)
public:
    ~CHolder() override
    {
        for (CLeaf* leaf : m_leaves)
            delete leaf;
    }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
        {
            ar << static_cast<WORD>(m_leaves.size());
            for (CLeaf* leaf : m_leaves)
                ar << leaf;
            ar << m_pRef << m_w;
            return;
        }
        WORD n = 0;
        ar >> n;
        for (WORD i = 0; i < n; ++i)
            m_leaves.push_back(static_cast<CLeaf*>(ar.ReadOwnedObject(RUNTIME_CLASS(CLeaf))));
        CArchiveFieldReads fields(ar);
        fields.Read(m_pRef, RUNTIME_CLASS(CLeaf));
        ar >> m_w;
        if (m_w == kRefused)
            AfxThrowArchiveException(CArchiveException::genericException);
        fields.Commit();
    }
    static constexpr WORD kRefused = 0xDEAD;
    std::vector<CLeaf*> m_leaves;
    CLeaf* m_pRef = nullptr;
    WORD m_w = 0;
};
IMPLEMENT_SERIAL(CHolder, CObject, 1)

class CVersioned : public CObject
{
    DECLARE_SERIAL(CVersioned)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
        {
            ar << m_a << m_b;
            return;
        }
        m_nSchema = ar.GetObjectSchema();
        m_nSchemaAgain = ar.GetObjectSchema();
        ar >> m_a;
        if (m_nSchema >= 2)
            ar >> m_b;
    }
    LONG m_a = 0;
    LONG m_b = 0;
    UINT m_nSchema = 0;
    UINT m_nSchemaAgain = 0;
};
IMPLEMENT_SERIAL(CVersioned, CObject, VERSIONABLE_SCHEMA | 3)

// ---- Helpers ----

Bytes Store(const std::function<void(CArchive&)>& write)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    write(ar);
    ar.Close();
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    EXPECT_EQ(file.Read(bytes.data(), static_cast<UINT>(bytes.size())), bytes.size());
    return bytes;
}

// A loading archive over a copy of the bytes.
struct LoadArchive
{
    explicit LoadArchive(const Bytes& bytes)
        : ar((file.Write(bytes.data(), static_cast<UINT>(bytes.size())), file.SeekToBegin(), &file),
             CArchive::load)
    {
    }
    CMemFile file;
    CArchive ar;
};

// Little-endian byte builders for expected streams.
void Add(Bytes& b, std::initializer_list<int> bytes)
{
    for (int v : bytes)
        b.push_back(static_cast<BYTE>(v));
}
void AddWord(Bytes& b, WORD w)
{
    Add(b, {w & 0xFF, w >> 8});
}
void AddDword(Bytes& b, DWORD dw)
{
    AddWord(b, static_cast<WORD>(dw & 0xFFFF));
    AddWord(b, static_cast<WORD>(dw >> 16));
}
void AddText(Bytes& b, const std::string& s)
{
    b.insert(b.end(), s.begin(), s.end());
}
void AddNewClass(Bytes& b, const std::string& name, WORD wSchema)
{
    AddWord(b, 0xFFFF);
    AddWord(b, wSchema);
    AddWord(b, static_cast<WORD>(name.size()));
    AddText(b, name);
}

int CauseOf(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (CArchiveException* e)
    {
        const int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return CArchiveException::none;
}

// ---- Tags ----

TEST(ArchiveTags, NullNewClassAndBackReferencesShareOneCounter)
{
    CLeaf a(0x1234), b(0x5678);
    CNode n;
    n.m_value = -2;
    n.m_pNext = &a;

    const Bytes bytes = Store(
        [&](CArchive& ar)
        {
            ar.WriteObject(nullptr); // null
            ar << &a;                // class CLeaf = 1, a = 2
            ar << &n;                // class CNode = 3, n = 4, then a again inside n
            ar << &b;                // class back-reference 1, b = 5
            ar << &n << &b;          // object back-references
        });

    Bytes expected;
    AddWord(expected, 0x0000);
    AddNewClass(expected, "CLeaf", 2);
    AddWord(expected, 0x1234);
    AddNewClass(expected, "CNode", 1);
    AddDword(expected, 0xFFFFFFFE);
    AddWord(expected, 0x0002);
    AddWord(expected, 0x8001);
    AddWord(expected, 0x5678);
    AddWord(expected, 0x0004);
    AddWord(expected, 0x0005);
    EXPECT_EQ(bytes, expected);

    LoadArchive load(bytes);
    EXPECT_EQ(load.ar.ReadObject(nullptr), nullptr);
    std::unique_ptr<CObject> pA(load.ar.ReadObject(nullptr));
    std::unique_ptr<CObject> pN(load.ar.ReadObject(nullptr));
    std::unique_ptr<CObject> pB(load.ar.ReadObject(nullptr));
    ASSERT_TRUE(pA->IsKindOf(RUNTIME_CLASS(CLeaf)));
    ASSERT_TRUE(pN->IsKindOf(RUNTIME_CLASS(CNode)));
    EXPECT_EQ(static_cast<CLeaf*>(pA.get())->m_w, 0x1234);
    EXPECT_EQ(static_cast<CLeaf*>(pB.get())->m_w, 0x5678);
    EXPECT_EQ(static_cast<CNode*>(pN.get())->m_value, -2);
    EXPECT_EQ(static_cast<CNode*>(pN.get())->m_pNext, pA.get());
    EXPECT_EQ(load.ar.ReadObject(nullptr), pN.get());
    EXPECT_EQ(load.ar.ReadObject(nullptr), pB.get());
    EXPECT_TRUE(load.ar.IsBufferEmpty());
}

TEST(ArchiveTags, BigIndicesUseTheLongFormsForObjectsAndClasses)
{
    // Class CLeaf takes index 1; leaves take 2..0x7FFF, so the last one needs the long form.
    const size_t nLeaves = 0x7FFE;
    std::vector<std::unique_ptr<CLeaf>> leaves;
    for (size_t i = 0; i < nLeaves; ++i)
        leaves.push_back(std::make_unique<CLeaf>(static_cast<WORD>(i)));
    CNode n1, n2;

    const Bytes bytes = Store(
        [&](CArchive& ar)
        {
            for (const auto& leaf : leaves)
                ar << leaf.get();
            ar << leaves[nLeaves - 2].get(); // index 0x7FFE: still one WORD
            ar << leaves[nLeaves - 1].get(); // index 0x7FFF: the long form
            ar << &n1;                       // class CNode = 0x8000, n1 = 0x8001
            ar << &n2;                       // class back-reference 0x8000: the long form
            ar << &n1;                       // object 0x8001
        });

    Bytes tail;
    AddWord(tail, 0x7FFE);
    AddWord(tail, 0x7FFF);
    AddDword(tail, 0x00007FFF);
    AddNewClass(tail, "CNode", 1);
    AddDword(tail, 0);
    AddWord(tail, 0);
    AddWord(tail, 0x7FFF);
    AddDword(tail, 0x80008000);
    AddDword(tail, 0);
    AddWord(tail, 0);
    AddWord(tail, 0x7FFF);
    AddDword(tail, 0x00008001);
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(Bytes(bytes.end() - static_cast<std::ptrdiff_t>(tail.size()), bytes.end()), tail);

    LoadArchive load(bytes);
    std::vector<std::unique_ptr<CObject>> loaded;
    for (size_t i = 0; i < nLeaves; ++i)
        loaded.emplace_back(load.ar.ReadObject(RUNTIME_CLASS(CLeaf)));
    EXPECT_EQ(static_cast<CLeaf*>(loaded.back().get())->m_w, nLeaves - 1);
    EXPECT_EQ(load.ar.ReadObject(nullptr), loaded[nLeaves - 2].get());
    EXPECT_EQ(load.ar.ReadObject(nullptr), loaded[nLeaves - 1].get());
    std::unique_ptr<CObject> pN1(load.ar.ReadObject(RUNTIME_CLASS(CNode)));
    std::unique_ptr<CObject> pN2(load.ar.ReadObject(RUNTIME_CLASS(CNode)));
    ASSERT_NE(pN2, nullptr);
    EXPECT_TRUE(pN2->IsKindOf(RUNTIME_CLASS(CNode)));
    EXPECT_EQ(load.ar.ReadObject(nullptr), pN1.get());
}

TEST(ArchiveTags, CyclesComeBackAsTheSameObjects)
{
    CNode a, b;
    a.m_pNext = &b;
    b.m_pNext = &a;
    const Bytes bytes = Store([&](CArchive& ar) { ar << &a; });

    LoadArchive load(bytes);
    CNode* pA = nullptr;
    load.ar >> pA;
    ASSERT_NE(pA, nullptr);
    CNode* pB = static_cast<CNode*>(pA->m_pNext);
    ASSERT_NE(pB, nullptr);
    EXPECT_EQ(pB->m_pNext, pA);
    delete pA;
    delete pB;
}

TEST(ArchiveTags, MapObjectMakesLaterReferencesBackReferences)
{
    CLeaf embedded(7);
    const Bytes bytes = Store(
        [&](CArchive& ar)
        {
            ar.MapObject(&embedded); // index 1
            ar << &embedded;
        });
    EXPECT_EQ(bytes, (Bytes{0x01, 0x00}));

    LoadArchive load(bytes);
    load.ar.MapObject(&embedded);
    EXPECT_EQ(load.ar.ReadObject(RUNTIME_CLASS(CLeaf)), &embedded);
}

TEST(ArchiveTags, SerializeClassWritesAndChecksTheClassAlone)
{
    const Bytes bytes = Store(
        [](CArchive& ar)
        {
            ar.SerializeClass(RUNTIME_CLASS(CLeaf));
            ar.SerializeClass(RUNTIME_CLASS(CLeaf));
        });
    Bytes expected;
    AddNewClass(expected, "CLeaf", 2);
    AddWord(expected, 0x8001);
    EXPECT_EQ(bytes, expected);

    LoadArchive load(bytes);
    load.ar.SerializeClass(RUNTIME_CLASS(CLeaf));
    EXPECT_EQ(load.ar.GetObjectSchema(), 2u);
    UINT nSchema = 0;
    EXPECT_EQ(load.ar.ReadClass(RUNTIME_CLASS(CObject), &nSchema), RUNTIME_CLASS(CLeaf));
    EXPECT_EQ(nSchema, 2u);
}

// ---- Values and strings ----

TEST(ArchiveValues, FixedWidthLittleEndian)
{
    const Bytes bytes = Store(
        [](CArchive& ar)
        {
            ar << static_cast<BYTE>(0xAB) << 'c' << static_cast<WORD>(0x1234) << static_cast<SHORT>(-2);
            ar << static_cast<LONG>(-2) << static_cast<DWORD>(0x89ABCDEF) << 7 << 8u;
            ar << static_cast<LONGLONG>(-3) << 1.0f << 2.0;
        });
    Bytes expected;
    Add(expected, {0xAB, 'c', 0x34, 0x12, 0xFE, 0xFF});
    Add(expected, {0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89, 7, 0, 0, 0, 8, 0, 0, 0});
    Add(expected, {0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    Add(expected, {0x00, 0x00, 0x80, 0x3F});
    Add(expected, {0, 0, 0, 0, 0, 0, 0, 0x40});
    EXPECT_EQ(bytes, expected);

    LoadArchive load(bytes);
    BYTE by;
    char ch;
    WORD w;
    SHORT sh;
    LONG l;
    DWORD dw;
    int i;
    UINT u;
    LONGLONG ll;
    float f;
    double d;
    load.ar >> by >> ch >> w >> sh >> l >> dw >> i >> u >> ll >> f >> d;
    EXPECT_EQ(by, 0xAB);
    EXPECT_EQ(ch, 'c');
    EXPECT_EQ(w, 0x1234);
    EXPECT_EQ(sh, -2);
    EXPECT_EQ(l, -2);
    EXPECT_EQ(dw, 0x89ABCDEFu);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(u, 8u);
    EXPECT_EQ(ll, -3);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(d, 2.0);
    EXPECT_EQ(CauseOf([&] { load.ar >> by; }), CArchiveException::endOfFile);
}

TEST(ArchiveStrings, LengthFormsAtEachBoundary)
{
    struct Case
    {
        int nLength;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.nLength);
        CString text;
        for (int i = 0; i < c.nLength; ++i)
            text += static_cast<char>('a' + i % 26);
        const Bytes bytes = Store([&](CArchive& ar) { ar << text << CString("z"); });
        ASSERT_EQ(bytes.size(), c.prefix.size() + static_cast<size_t>(c.nLength) + 2);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.prefix.size())),
                  c.prefix);

        LoadArchive load(bytes);
        CString back, next;
        load.ar >> back >> next;
        EXPECT_TRUE(back == text);
        EXPECT_STREQ(next, "z");
    }
}

TEST(ArchiveStrings, ReadsWideAndSixtyFourBitForms)
{
    Bytes bytes;
    // UTF-16: 'A', euro sign (cp1252 0x80), a CJK char and a surrogate pair (neither in cp1252).
    Add(bytes, {0xFF, 0xFE, 0xFF, 0x05});
    for (WORD u : {0x0041, 0x20AC, 0x4E2D, 0xD83D, 0xDE00})
        AddWord(bytes, u);
    // UTF-16 with the WORD length form.
    Add(bytes, {0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01});
    for (int i = 0; i < 256; ++i)
        AddWord(bytes, 0x00E9);
    // 64-bit length.
    Add(bytes, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    AddDword(bytes, 3);
    AddDword(bytes, 0);
    AddText(bytes, "abc");

    LoadArchive load(bytes);
    CString wide, longWide, big;
    load.ar >> wide >> longWide >> big;
    EXPECT_STREQ(wide, "A\x80??");
    EXPECT_TRUE(longWide == CString('\xE9', 256));
    EXPECT_STREQ(big, "abc");
}

// ---- Errors ----

Bytes LeafStream(WORD wSchema, std::initializer_list<int> data)
{
    Bytes b;
    AddNewClass(b, "CLeaf", wSchema);
    Add(b, data);
    return b;
}

TEST(ArchiveErrors, DamagedOrForeignStreamsRaiseTheirCause)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        int cause;
    };
    std::vector<Case> cases;
    {
        Bytes b;
        AddNewClass(b, "CNoSuchClass", 1);
        cases.push_back({"unknown class", b, CArchiveException::badClass});
    }
    {
        Bytes b;
        AddNewClass(b, "CObject", 0xFFFF);
        cases.push_back({"class that cannot be created", b, CArchiveException::badClass});
    }
    cases.push_back({"wrong schema", LeafStream(9, {0, 0}), CArchiveException::badSchema});
    cases.push_back({"class index out of range", {0x05, 0x80}, CArchiveException::badIndex});
    cases.push_back({"class index zero", {0x00, 0x80}, CArchiveException::badIndex});
    cases.push_back({"object index out of range", {0x07, 0x00}, CArchiveException::badIndex});
    cases.push_back({"long object index out of range",
                     {0xFF, 0x7F, 0x00, 0x00, 0x01, 0x00},
                     CArchiveException::badIndex});
    {
        Bytes b = LeafStream(2, {0, 0});
        AddWord(b, 0x0001); // index 1 is the class, not an object
        cases.push_back({"object reference to a class", b, CArchiveException::badIndex});
    }
    {
        Bytes b = LeafStream(2, {0, 0});
        AddWord(b, 0x8002); // index 2 is the object, not a class
        cases.push_back({"class reference to an object", b, CArchiveException::badIndex});
    }
    cases.push_back({"empty stream", {}, CArchiveException::endOfFile});
    cases.push_back({"cut in the tag", {0xFF}, CArchiveException::endOfFile});
    {
        Bytes b;
        AddWord(b, 0xFFFF);
        AddWord(b, 2);
        AddWord(b, 5);
        AddText(b, "CLe");
        cases.push_back({"cut in the class name", b, CArchiveException::endOfFile});
    }
    cases.push_back({"cut in the object", LeafStream(2, {0x12}), CArchiveException::endOfFile});
    {
        // An owner holding an owner whose child is cut short: both half-read objects are freed.
        Bytes b;
        AddNewClass(b, "COwner", 1);
        AddWord(b, 0x8001);
        AddWord(b, 0xFFFF);
        cases.push_back({"cut inside a nested object", b, CArchiveException::endOfFile});
    }

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        // A stream that starts with a reference needs a second read to reach it.
        LoadArchive load(c.bytes);
        const int cause = CauseOf(
            [&]
            {
                for (int i = 0; i < 2; ++i)
                    delete load.ar.ReadObject(nullptr);
            });
        EXPECT_EQ(cause, c.cause);
    }
}

TEST(ArchiveOwnership, AnOwnedObjectMustBeNewAndAReferenceMayBeEither)
{
    // A holder of two leaves pointing at its first: the reference comes back as that leaf.
    CHolder stored;
    stored.m_leaves = {new CLeaf(1), new CLeaf(2)};
    stored.m_pRef = stored.m_leaves[0];
    LoadArchive good(Store([&](CArchive& ar) { ar << &stored; }));
    std::unique_ptr<CHolder> loaded(static_cast<CHolder*>(good.ar.ReadObject(RUNTIME_CLASS(CHolder))));
    ASSERT_EQ(loaded->m_leaves.size(), 2u);
    EXPECT_EQ(loaded->m_pRef, loaded->m_leaves[0]);

    // The same leaf listed twice would be owned, and freed, twice: refused as a bad reference.
    // Indices: CHolder 1, the holder 2, CLeaf 3, the leaf 4.
    Bytes twice;
    AddNewClass(twice, "CHolder", 1);
    AddWord(twice, 2);
    AddNewClass(twice, "CLeaf", 2);
    AddWord(twice, 7);
    AddWord(twice, 0x0004);
    LoadArchive load(twice);
    EXPECT_EQ(CauseOf([&] { delete load.ar.ReadObject(nullptr); }), CArchiveException::badIndex);

    // ReadObject says which objects it made; ReadOwnedObject takes only those.
    Bytes leafAndReference = LeafStream(2, {0x34, 0x12});
    AddWord(leafAndReference, 0x0002);
    LoadArchive both(leafAndReference);
    BOOL created = FALSE;
    std::unique_ptr<CObject> leaf(both.ar.ReadObject(nullptr, &created));
    EXPECT_TRUE(created);
    EXPECT_EQ(both.ar.ReadObject(nullptr, &created), leaf.get());
    EXPECT_FALSE(created);

    // ReadReference takes only those read before: a new object in a reference's place is refused
    // before anything is made of it (LeakSanitizer checks).
    Bytes leafThenReference = LeafStream(2, {0x34, 0x12});
    AddWord(leafThenReference, 0x0002);
    AddWord(leafThenReference, 0x0000);
    LoadArchive refs(leafThenReference);
    std::unique_ptr<CObject> first(refs.ar.ReadObject(nullptr));
    EXPECT_EQ(refs.ar.ReadReference(nullptr), first.get());
    EXPECT_EQ(refs.ar.ReadReference(nullptr), nullptr);
    Bytes newInPlace = LeafStream(2, {0x34, 0x12});
    AddWord(newInPlace, 0x0002);
    LoadArchive fresh(newInPlace);
    EXPECT_EQ(CauseOf([&] { fresh.ar.ReadReference(nullptr); }), CArchiveException::badIndex);
}

TEST(ArchiveOwnership, ObjectsReadForFieldsThatDoNotOwnThemGoWhenTheLoadFails)
{
    // The holder's reference holds a new leaf instead (a damaged file), then the data ends.
    Bytes cut;
    AddNewClass(cut, "CHolder", 1);
    AddWord(cut, 0);
    AddNewClass(cut, "CLeaf", 2);
    AddWord(cut, 7);

    // Read as an object, refused after the leaf: the leaf is freed with the holder (LeakSanitizer
    // checks), and a later reference to it is refused instead of reaching freed memory.
    Bytes refused = cut;
    AddWord(refused, CHolder::kRefused);
    AddWord(refused, 0x0004);
    LoadArchive load(refused);
    EXPECT_EQ(CauseOf([&] { delete load.ar.ReadObject(nullptr); }), CArchiveException::genericException);
    EXPECT_EQ(CauseOf([&] { load.ar.ReadObject(nullptr); }), CArchiveException::badIndex);

    // Read into an existing object: the field gets its old value back.
    CLeaf mine(5);
    CHolder holder;
    holder.m_pRef = &mine;
    Bytes body(cut.begin() + 6 + 7, cut.end()); // without the holder's class tag
    LoadArchive direct(body);
    EXPECT_EQ(CauseOf([&] { holder.Serialize(direct.ar); }), CArchiveException::endOfFile);
    EXPECT_EQ(holder.m_pRef, &mine);

    // A load that goes well leaves the new leaf in the field, for its real owner to adopt.
    Bytes whole = body;
    AddWord(whole, 9);
    LoadArchive fine(whole);
    holder.Serialize(fine.ar);
    ASSERT_NE(holder.m_pRef, &mine);
    EXPECT_EQ(holder.m_pRef->m_w, 7);
    EXPECT_EQ(holder.m_w, 9);
    delete holder.m_pRef;
}

TEST(ArchiveErrors, StringsLongerThanTheDataFailWithoutAllocatingThem)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        int cause;
    };
    const Case cases[] = {
        {"BYTE length", {0x05, 'a', 'b'}, CArchiveException::endOfFile},
        {"DWORD length", {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x7F, 'a'}, CArchiveException::endOfFile},
        {"wide length", {0xFF, 0xFE, 0xFF, 0x04, 'a', 0}, CArchiveException::endOfFile},
        {"64-bit length",
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 1, 0, 0},
         CArchiveException::genericException},
        {"two wide markers", {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}, CArchiveException::genericException},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        LoadArchive load(c.bytes);
        CString s;
        EXPECT_EQ(CauseOf([&] { load.ar >> s; }), c.cause);
    }
}

TEST(ArchiveErrors, TypedExtractionChecksTheClass)
{
    CDerivedLeaf derived;
    CLeaf leaf(3);
    const Bytes bytes = Store([&](CArchive& ar) { ar << &derived << &leaf << &leaf; });

    LoadArchive load(bytes);
    CLeaf* pDerived = nullptr;
    load.ar >> pDerived; // a derived class is a CLeaf
    std::unique_ptr<CLeaf> owner(pDerived);
    EXPECT_TRUE(pDerived->IsKindOf(RUNTIME_CLASS(CDerivedLeaf)));

    CNode* pNode = nullptr;
    EXPECT_EQ(CauseOf([&] { load.ar >> pNode; }), CArchiveException::badClass);
    EXPECT_EQ(pNode, nullptr);

    // A back-reference is checked against the requested class too.
    LoadArchive again(bytes);
    std::unique_ptr<CObject> first(again.ar.ReadObject(nullptr));
    std::unique_ptr<CObject> second(again.ar.ReadObject(RUNTIME_CLASS(CLeaf)));
    EXPECT_EQ(CauseOf([&] { again.ar.ReadObject(RUNTIME_CLASS(CDerivedLeaf)); }),
              CArchiveException::badClass);
}

TEST(ArchiveErrors, WrongDirectionIsRefused)
{
    CMemFile file;
    CArchive storing(&file, CArchive::store);
    BYTE by = 0;
    EXPECT_EQ(CauseOf([&] { storing >> by; }), CArchiveException::writeOnly);
    EXPECT_EQ(CauseOf([&] { storing.ReadObject(nullptr); }), CArchiveException::writeOnly);

    LoadArchive load(Bytes{1, 2, 3});
    EXPECT_EQ(CauseOf([&] { load.ar << by; }), CArchiveException::readOnly);
    CLeaf leaf;
    EXPECT_EQ(CauseOf([&] { load.ar << &leaf; }), CArchiveException::readOnly);
}

TEST(ArchiveSchema, VersionableClassReadsAnOlderSchemaOnce)
{
    Bytes bytes;
    AddNewClass(bytes, "CVersioned", 1);
    AddDword(bytes, 11);
    AddWord(bytes, 0x8001); // a second schema-1 object through the class back-reference
    AddDword(bytes, 12);

    LoadArchive load(bytes);
    std::unique_ptr<CObject> p1(load.ar.ReadObject(RUNTIME_CLASS(CVersioned)));
    std::unique_ptr<CObject> p2(load.ar.ReadObject(RUNTIME_CLASS(CVersioned)));
    for (const CVersioned* p : {static_cast<CVersioned*>(p1.get()), static_cast<CVersioned*>(p2.get())})
    {
        EXPECT_EQ(p->m_nSchema, 1u);
        EXPECT_EQ(p->m_nSchemaAgain, static_cast<UINT>(-1));
        EXPECT_EQ(p->m_b, 0);
    }
    EXPECT_EQ(static_cast<CVersioned*>(p2.get())->m_a, 12);
    EXPECT_TRUE(load.ar.IsBufferEmpty());

    // Its own schema is written without the versionable flag, and read in full.
    CVersioned current;
    current.m_a = 1;
    current.m_b = 2;
    const Bytes stored = Store([&](CArchive& ar) { ar << &current; });
    Bytes expected;
    AddNewClass(expected, "CVersioned", 3);
    AddDword(expected, 1);
    AddDword(expected, 2);
    EXPECT_EQ(stored, expected);
    LoadArchive reload(stored);
    std::unique_ptr<CObject> p3(reload.ar.ReadObject(nullptr));
    EXPECT_EQ(static_cast<CVersioned*>(p3.get())->m_nSchema, 3u);
    EXPECT_EQ(static_cast<CVersioned*>(p3.get())->m_b, 2);
}

// ---- Buffering and text ----

TEST(ArchiveBuffer, FlushOnLoadGivesBackWhatWasReadAhead)
{
    CMemFile file;
    file.Write("ABCDEFGH", 8);
    file.SeekToBegin();
    {
        CArchive ar(&file, CArchive::load);
        char two[2];
        EXPECT_EQ(ar.Read(two, 2), 2u);
        EXPECT_FALSE(ar.IsBufferEmpty());
        ar.Close();
    }
    EXPECT_EQ(file.GetPosition(), 2u);
}

TEST(ArchiveBuffer, SmallBufferStillCarriesLargeWrites)
{
    std::string big(10000, 'x');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store, 128);
        ar << static_cast<BYTE>(1);
        ar.Write(big.data(), static_cast<UINT>(big.size()));
        ar << static_cast<BYTE>(2);
    } // the destructor writes out the rest
    EXPECT_EQ(file.GetLength(), big.size() + 2);
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load, 128);
    BYTE first = 0, last = 0;
    std::string back(big.size(), '\0');
    ar >> first;
    EXPECT_EQ(ar.Read(back.data(), static_cast<UINT>(back.size())), back.size());
    ar >> last;
    EXPECT_EQ(first, 1);
    EXPECT_EQ(back, big);
    EXPECT_EQ(last, 2);
}

TEST(ArchiveText, LinesWithEitherLineEnd)
{
    const Bytes bytes = Store([](CArchive& ar) { ar.WriteString("one\r\ntwo\nthree"); });
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "one\r\ntwo\nthree");

    LoadArchive load(bytes);
    CString line;
    EXPECT_TRUE(load.ar.ReadString(line));
    EXPECT_STREQ(line, "one");
    char buf[16];
    EXPECT_STREQ(load.ar.ReadString(buf, sizeof buf), "two\n");
    EXPECT_TRUE(load.ar.ReadString(line));
    EXPECT_STREQ(line, "three");
    EXPECT_FALSE(load.ar.ReadString(line));
    EXPECT_EQ(load.ar.ReadString(buf, sizeof buf), nullptr);
}
