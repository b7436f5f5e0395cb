// Collection templates: CArray, CList, CMap and the typed pointer wrappers, with the HashKey and
// CompareElements customisation points. Lists and maps hand out POSITIONs that stay valid until
// their own element is removed, so code may remove the element it has just stepped past.
#pragma once

#include "mfc/String.h"
#include "win32/types.h"

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

typedef struct __POSITION* POSITION;
#define BEFORE_START_POSITION ((POSITION)(INT_PTR)-1)

namespace kel::mfc
{
// Reports a misused collection (no element at a position, removing from an empty list) and
// aborts: such a call is a programming error.
[[noreturn]] void BadCollectionUse(const char* where, const char* what);

template <class> inline constexpr bool kAlwaysFalse = false;
} // namespace kel::mfc

// Hash of a map key. Integral, enum and pointer keys work as they are; strings hash their text.
// Specialise for other key types, as in `template <> UINT HashKey<const CPoint&>(const CPoint& key)`.
template <class ARG_KEY> inline UINT HashKey(ARG_KEY key)
{
    using K = std::remove_cv_t<std::remove_reference_t<ARG_KEY>>;
    if constexpr (std::is_pointer_v<K>)
        return static_cast<UINT>(reinterpret_cast<uintptr_t>(key) >> 4);
    else if constexpr (std::is_integral_v<K> || std::is_enum_v<K>)
    {
        const uint64_t v = static_cast<uint64_t>(key);
        return static_cast<UINT>(v ^ (v >> 32));
    }
    else
        static_assert(kel::mfc::kAlwaysFalse<K>, "specialise HashKey for this key type");
}

template <> inline UINT HashKey<LPCTSTR>(LPCTSTR key)
{
    UINT hash = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key ? key : ""); *p; ++p)
        hash = (hash << 5) + hash + *p;
    return hash;
}
template <> inline UINT HashKey<LPTSTR>(LPTSTR key)
{
    return HashKey<LPCTSTR>(key);
}
template <> inline UINT HashKey<const CString&>(const CString& key)
{
    return HashKey<LPCTSTR>(key.GetString());
}
template <> inline UINT HashKey<CString&>(CString& key)
{
    return HashKey<LPCTSTR>(key.GetString());
}
template <> inline UINT HashKey<CString>(CString key)
{
    return HashKey<LPCTSTR>(key.GetString());
}

// Equality of a stored element and a search argument; specialise for types without operator==.
template <class TYPE, class ARG_TYPE>
inline BOOL CompareElements(const TYPE* pElement1, const ARG_TYPE* pElement2)
{
    return *pElement1 == *pElement2;
}

// A growable array over contiguous storage. Indexes outside the array abort.
template <class TYPE, class ARG_TYPE = const TYPE&> class CArray
{
public:
    CArray() = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_data.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    // New elements are value-initialised (zero for plain types). nGrowBy is accepted for
    // compatibility; the storage grows geometrically.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1)
    {
        (void)nGrowBy;
        if (nNewSize < 0)
            kel::mfc::IndexOutOfRange("CArray::SetSize", nNewSize, GetSize());
        m_data.resize(static_cast<size_t>(nNewSize));
    }
    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { m_data.clear(); }

    const TYPE& GetAt(INT_PTR nIndex) const { return m_data[Check(nIndex, "CArray::GetAt")]; }
    TYPE& GetAt(INT_PTR nIndex) { return m_data[Check(nIndex, "CArray::GetAt")]; }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_data[Check(nIndex, "CArray::SetAt")] = newElement; }
    const TYPE& ElementAt(INT_PTR nIndex) const { return m_data[Check(nIndex, "CArray::ElementAt")]; }
    TYPE& ElementAt(INT_PTR nIndex) { return m_data[Check(nIndex, "CArray::ElementAt")]; }
    const TYPE& operator[](INT_PTR nIndex) const { return m_data[Check(nIndex, "CArray::operator[]")]; }
    TYPE& operator[](INT_PTR nIndex) { return m_data[Check(nIndex, "CArray::operator[]")]; }
    // The elements in order; NULL when the array is empty.
    const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
    TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

    // Sets element nIndex, growing the array first when nIndex is past the end.
    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement)
    {
        if (nIndex < 0)
            kel::mfc::IndexOutOfRange("CArray::SetAtGrow", nIndex, GetSize());
        TYPE value(newElement); // newElement may refer into the array
        if (nIndex >= GetSize())
            m_data.resize(static_cast<size_t>(nIndex) + 1);
        m_data[static_cast<size_t>(nIndex)] = std::move(value);
    }
    // Returns the index of the new element.
    INT_PTR Add(ARG_TYPE newElement)
    {
        m_data.push_back(TYPE(newElement));
        return GetSize() - 1;
    }
    // Appends src; returns the index of its first element here.
    INT_PTR Append(const CArray& src)
    {
        const INT_PTR first = GetSize();
        const std::vector<TYPE> items(src.m_data); // src may be this array
        m_data.insert(m_data.end(), items.begin(), items.end());
        return first;
    }
    void Copy(const CArray& src)
    {
        if (&src != this)
            m_data = src.m_data;
    }
    // Inserts nCount copies at nIndex; an index past the end first grows the array to nIndex.
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0)
            kel::mfc::IndexOutOfRange("CArray::InsertAt", nIndex < 0 ? nIndex : nCount, GetSize());
        TYPE value(newElement);
        if (nIndex > GetSize())
            m_data.resize(static_cast<size_t>(nIndex));
        m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), value);
    }
    void InsertAt(INT_PTR nStartIndex, const CArray* pNewArray)
    {
        if (nStartIndex < 0 || !pNewArray)
            kel::mfc::IndexOutOfRange("CArray::InsertAt", nStartIndex, GetSize());
        const std::vector<TYPE> items(pNewArray->m_data); // pNewArray may be this array
        if (nStartIndex > GetSize())
            m_data.resize(static_cast<size_t>(nStartIndex));
        m_data.insert(m_data.begin() + nStartIndex, items.begin(), items.end());
    }
    // Removes nCount elements from nIndex; the whole range must lie inside the array.
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0 || nIndex + nCount > GetSize())
            kel::mfc::IndexOutOfRange("CArray::RemoveAt", nIndex + nCount, GetSize());
        m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
    }

private:
    size_t Check(INT_PTR nIndex, const char* where) const
    {
        if (nIndex < 0 || nIndex >= GetSize())
            kel::mfc::IndexOutOfRange(where, nIndex, GetSize());
        return static_cast<size_t>(nIndex);
    }

    std::vector<TYPE> m_data;
};

// A doubly linked list; a POSITION is its node.
template <class TYPE, class ARG_TYPE = const TYPE&> class CList
{
    struct CNode
    {
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };

public:
    CList() = default;
    explicit CList(INT_PTR nBlockSize) { (void)nBlockSize; }
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    // Head and tail; on an empty list these abort.
    TYPE& GetHead() { return NonEmpty("CList::GetHead")->data; }
    const TYPE& GetHead() const { return NonEmpty("CList::GetHead")->data; }
    TYPE& GetTail() { return NonEmpty("CList::GetTail", false)->data; }
    const TYPE& GetTail() const { return NonEmpty("CList::GetTail", false)->data; }
    TYPE RemoveHead()
    {
        CNode* node = NonEmpty("CList::RemoveHead");
        TYPE value(std::move(node->data));
        Unlink(node);
        return value;
    }
    TYPE RemoveTail()
    {
        CNode* node = NonEmpty("CList::RemoveTail", false);
        TYPE value(std::move(node->data));
        Unlink(node);
        return value;
    }

    POSITION AddHead(ARG_TYPE newElement) { return InsertBefore(nullptr, newElement); }
    POSITION AddTail(ARG_TYPE newElement) { return InsertAfter(nullptr, newElement); }
    // Adds copies of another list's elements, keeping their order.
    void AddHead(const CList* pNewList)
    {
        std::vector<TYPE> items = pNewList->Items();
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            AddHead(*it);
    }
    void AddTail(const CList* pNewList)
    {
        for (const TYPE& item : pNewList->Items())
            AddTail(item);
    }
    void RemoveAll()
    {
        while (m_pNodeHead)
            Unlink(m_pNodeHead);
    }

    POSITION GetHeadPosition() const { return ToPos(m_pNodeHead); }
    POSITION GetTailPosition() const { return ToPos(m_pNodeTail); }
    // The element at rPosition; rPosition moves to the next (previous) one, NULL past the end.
    TYPE& GetNext(POSITION& rPosition)
    {
        CNode* node = Node(rPosition, "CList::GetNext");
        rPosition = ToPos(node->pNext);
        return node->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const { return const_cast<CList*>(this)->GetNext(rPosition); }
    TYPE& GetPrev(POSITION& rPosition)
    {
        CNode* node = Node(rPosition, "CList::GetPrev");
        rPosition = ToPos(node->pPrev);
        return node->data;
    }
    const TYPE& GetPrev(POSITION& rPosition) const { return const_cast<CList*>(this)->GetPrev(rPosition); }
    TYPE& GetAt(POSITION position) { return Node(position, "CList::GetAt")->data; }
    const TYPE& GetAt(POSITION position) const { return Node(position, "CList::GetAt")->data; }
    void SetAt(POSITION pos, ARG_TYPE newElement) { Node(pos, "CList::SetAt")->data = newElement; }
    // Removes the element at position; other positions stay valid.
    void RemoveAt(POSITION position) { Unlink(Node(position, "CList::RemoveAt")); }

    // Insert a new element; a NULL position inserts at the head (before) or the tail (after).
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement)
    {
        CNode* next = position ? Node(position, "CList::InsertBefore") : m_pNodeHead;
        CNode* node = new CNode{next, next ? next->pPrev : m_pNodeTail, TYPE(newElement)};
        Link(node);
        return ToPos(node);
    }
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement)
    {
        CNode* prev = position ? Node(position, "CList::InsertAfter") : m_pNodeTail;
        CNode* node = new CNode{prev ? prev->pNext : m_pNodeHead, prev, TYPE(newElement)};
        Link(node);
        return ToPos(node);
    }

    // The first element equal to searchValue after startAfter (from the head when NULL), or NULL.
    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const
    {
        CNode* node = startAfter ? Node(startAfter, "CList::Find")->pNext : m_pNodeHead;
        for (; node; node = node->pNext)
            if (CompareElements<TYPE, ArgType>(&node->data, &searchValue))
                return ToPos(node);
        return nullptr;
    }
    // The position of element nIndex (0-based), or NULL when out of range.
    POSITION FindIndex(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount)
            return nullptr;
        CNode* node = m_pNodeHead;
        while (nIndex-- > 0)
            node = node->pNext;
        return ToPos(node);
    }

private:
    typedef std::remove_cv_t<std::remove_reference_t<ARG_TYPE>> ArgType;

    static POSITION ToPos(CNode* node) { return reinterpret_cast<POSITION>(node); }
    static CNode* Node(POSITION pos, const char* where)
    {
        if (!pos || pos == BEFORE_START_POSITION)
            kel::mfc::BadCollectionUse(where, "no element at this position");
        return reinterpret_cast<CNode*>(pos);
    }
    CNode* NonEmpty(const char* where, bool head = true) const
    {
        if (!m_pNodeHead)
            kel::mfc::BadCollectionUse(where, "the list is empty");
        return head ? m_pNodeHead : m_pNodeTail;
    }
    std::vector<TYPE> Items() const
    {
        std::vector<TYPE> items;
        for (CNode* node = m_pNodeHead; node; node = node->pNext)
            items.push_back(node->data);
        return items;
    }
    // node->pNext and node->pPrev are set; hook the neighbours up to it.
    void Link(CNode* node)
    {
        (node->pPrev ? node->pPrev->pNext : m_pNodeHead) = node;
        (node->pNext ? node->pNext->pPrev : m_pNodeTail) = node;
        ++m_nCount;
    }
    void Unlink(CNode* node)
    {
        (node->pPrev ? node->pPrev->pNext : m_pNodeHead) = node->pNext;
        (node->pNext ? node->pNext->pPrev : m_pNodeTail) = node->pPrev;
        --m_nCount;
        delete node;
    }

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    INT_PTR m_nCount = 0;
};

// A hash map; a POSITION is its entry. Iteration order is unspecified. Removing the entry just
// returned by GetNextAssoc is safe; adding keys while iterating is not.
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE> class CMap
{
public:
    typedef KEY BASE_KEY;
    typedef ARG_KEY BASE_ARG_KEY;
    typedef VALUE BASE_VALUE;
    typedef ARG_VALUE BASE_ARG_VALUE;

    class CPair
    {
    public:
        const KEY key;
        VALUE value;

    protected:
        explicit CPair(ARG_KEY keyval) : key(keyval), value() {}
    };

private:
    class CAssoc : public CPair
    {
    public:
        CAssoc(ARG_KEY keyval, UINT hash) : CPair(keyval), nHashValue(hash) {}
        CAssoc* pNext = nullptr;
        UINT nHashValue;
    };

public:
    explicit CMap(INT_PTR nBlockSize = 10) { (void)nBlockSize; }
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    // Copies the value of key into rValue; FALSE (rValue unchanged) when the key is absent.
    BOOL Lookup(ARG_KEY key, VALUE& rValue) const
    {
        const CAssoc* assoc = Find(key);
        if (!assoc)
            return FALSE;
        rValue = assoc->value;
        return TRUE;
    }
    // The value of key, added value-initialised when absent.
    VALUE& operator[](ARG_KEY key)
    {
        if (CAssoc* assoc = Find(key))
            return assoc->value;
        return Insert(key)->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
    // FALSE when the key was not there.
    BOOL RemoveKey(ARG_KEY key)
    {
        if (m_buckets.empty())
            return FALSE;
        const UINT hash = HashKey<ARG_KEY>(key);
        for (CAssoc** link = &m_buckets[hash % m_buckets.size()]; *link; link = &(*link)->pNext)
        {
            CAssoc* assoc = *link;
            if (assoc->nHashValue == hash && CompareElements<KEY, KeyArg>(&assoc->key, &key))
            {
                *link = assoc->pNext;
                delete assoc;
                --m_nCount;
                return TRUE;
            }
        }
        return FALSE;
    }
    void RemoveAll()
    {
        for (CAssoc*& head : m_buckets)
        {
            while (CAssoc* assoc = head)
            {
                head = assoc->pNext;
                delete assoc;
            }
        }
        m_nCount = 0;
    }

    // The first entry, or NULL for an empty map.
    POSITION GetStartPosition() const { return ToPos(First(0)); }
    // The entry at rNextPosition; rNextPosition moves to the next entry, NULL after the last.
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const
    {
        const CAssoc* assoc = Entry(rNextPosition);
        rKey = assoc->key;
        rValue = assoc->value;
        rNextPosition = ToPos(Next(assoc));
    }

    // Direct access to entries (NULL when absent / at the end).
    CPair* PLookup(ARG_KEY key) { return Find(key); }
    const CPair* PLookup(ARG_KEY key) const { return Find(key); }
    CPair* PGetFirstAssoc() { return First(0); }
    const CPair* PGetFirstAssoc() const { return First(0); }
    CPair* PGetNextAssoc(const CPair* pAssoc) { return Next(static_cast<const CAssoc*>(pAssoc)); }
    const CPair* PGetNextAssoc(const CPair* pAssoc) const { return Next(static_cast<const CAssoc*>(pAssoc)); }

    UINT GetHashTableSize() const { return static_cast<UINT>(m_buckets.size()); }
    // Sets the number of buckets; existing entries are kept.
    void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE)
    {
        (void)bAllocNow;
        Rehash(hashSize ? hashSize : 1);
    }

private:
    typedef std::remove_cv_t<std::remove_reference_t<ARG_KEY>> KeyArg;

    static POSITION ToPos(const CAssoc* assoc)
    {
        return reinterpret_cast<POSITION>(const_cast<CAssoc*>(assoc));
    }
    const CAssoc* Entry(POSITION pos) const
    {
        if (pos == BEFORE_START_POSITION)
            pos = GetStartPosition();
        if (!pos)
            kel::mfc::BadCollectionUse("CMap::GetNextAssoc", "no entry at this position");
        return reinterpret_cast<const CAssoc*>(pos);
    }
    CAssoc* First(size_t bucket) const
    {
        for (; bucket < m_buckets.size(); ++bucket)
            if (m_buckets[bucket])
                return m_buckets[bucket];
        return nullptr;
    }
    CAssoc* Next(const CAssoc* assoc) const
    {
        return assoc->pNext ? assoc->pNext : First(assoc->nHashValue % m_buckets.size() + 1);
    }
    CAssoc* Find(ARG_KEY key) const
    {
        if (m_buckets.empty())
            return nullptr;
        const UINT hash = HashKey<ARG_KEY>(key);
        for (CAssoc* assoc = m_buckets[hash % m_buckets.size()]; assoc; assoc = assoc->pNext)
            if (assoc->nHashValue == hash && CompareElements<KEY, KeyArg>(&assoc->key, &key))
                return assoc;
        return nullptr;
    }
    CAssoc* Insert(ARG_KEY key)
    {
        if (m_buckets.empty())
            Rehash(17);
        else if (static_cast<size_t>(m_nCount) >= m_buckets.size() * 2)
            Rehash(static_cast<UINT>(m_buckets.size() * 4 + 1));
        const UINT hash = HashKey<ARG_KEY>(key);
        CAssoc* assoc = new CAssoc(key, hash);
        CAssoc*& head = m_buckets[hash % m_buckets.size()];
        assoc->pNext = head;
        head = assoc;
        ++m_nCount;
        return assoc;
    }
    void Rehash(UINT size)
    {
        std::vector<CAssoc*> buckets(size, nullptr);
        for (CAssoc* head : m_buckets)
        {
            while (CAssoc* assoc = head)
            {
                head = assoc->pNext;
                CAssoc*& slot = buckets[assoc->nHashValue % size];
                assoc->pNext = slot;
                slot = assoc;
            }
        }
        m_buckets.swap(buckets);
    }

    std::vector<CAssoc*> m_buckets;
    INT_PTR m_nCount = 0;
};

// Typed views of the pointer collections: the same storage, with TYPE in place of void* or
// CObject* in every signature.
template <class BASE_CLASS, class TYPE> class CTypedPtrArray : public BASE_CLASS
{
public:
    TYPE GetAt(INT_PTR nIndex) const { return static_cast<TYPE>(BASE_CLASS::GetAt(nIndex)); }
    TYPE& ElementAt(INT_PTR nIndex) { return reinterpret_cast<TYPE&>(BASE_CLASS::ElementAt(nIndex)); }
    void SetAt(INT_PTR nIndex, TYPE ptr) { BASE_CLASS::SetAt(nIndex, ptr); }
    void SetAtGrow(INT_PTR nIndex, TYPE newElement) { BASE_CLASS::SetAtGrow(nIndex, newElement); }
    INT_PTR Add(TYPE newElement) { return BASE_CLASS::Add(newElement); }
    INT_PTR Append(const CTypedPtrArray& src) { return BASE_CLASS::Append(src); }
    void Copy(const CTypedPtrArray& src) { BASE_CLASS::Copy(src); }
    void InsertAt(INT_PTR nIndex, TYPE newElement, INT_PTR nCount = 1)
    {
        BASE_CLASS::InsertAt(nIndex, newElement, nCount);
    }
    void InsertAt(INT_PTR nStartIndex, CTypedPtrArray* pNewArray)
    {
        BASE_CLASS::InsertAt(nStartIndex, pNewArray);
    }
    TYPE operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
};

template <class BASE_CLASS, class TYPE> class CTypedPtrList : public BASE_CLASS
{
public:
    using BASE_CLASS::BASE_CLASS;

    TYPE& GetHead() { return reinterpret_cast<TYPE&>(BASE_CLASS::GetHead()); }
    TYPE GetHead() const { return static_cast<TYPE>(BASE_CLASS::GetHead()); }
    TYPE& GetTail() { return reinterpret_cast<TYPE&>(BASE_CLASS::GetTail()); }
    TYPE GetTail() const { return static_cast<TYPE>(BASE_CLASS::GetTail()); }
    TYPE RemoveHead() { return static_cast<TYPE>(BASE_CLASS::RemoveHead()); }
    TYPE RemoveTail() { return static_cast<TYPE>(BASE_CLASS::RemoveTail()); }
    POSITION AddHead(TYPE newElement) { return BASE_CLASS::AddHead(newElement); }
    POSITION AddTail(TYPE newElement) { return BASE_CLASS::AddTail(newElement); }
    void AddHead(CTypedPtrList* pNewList) { BASE_CLASS::AddHead(pNewList); }
    void AddTail(CTypedPtrList* pNewList) { BASE_CLASS::AddTail(pNewList); }
    TYPE& GetNext(POSITION& rPosition) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetNext(rPosition)); }
    TYPE GetNext(POSITION& rPosition) const { return static_cast<TYPE>(BASE_CLASS::GetNext(rPosition)); }
    TYPE& GetPrev(POSITION& rPosition) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetPrev(rPosition)); }
    TYPE GetPrev(POSITION& rPosition) const { return static_cast<TYPE>(BASE_CLASS::GetPrev(rPosition)); }
    TYPE& GetAt(POSITION position) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetAt(position)); }
    TYPE GetAt(POSITION position) const { return static_cast<TYPE>(BASE_CLASS::GetAt(position)); }
    void SetAt(POSITION pos, TYPE newElement) { BASE_CLASS::SetAt(pos, newElement); }
    POSITION InsertBefore(POSITION position, TYPE newElement)
    {
        return BASE_CLASS::InsertBefore(position, newElement);
    }
    POSITION InsertAfter(POSITION position, TYPE newElement)
    {
        return BASE_CLASS::InsertAfter(position, newElement);
    }
};

template <class BASE_CLASS, class KEY, class VALUE> class CTypedPtrMap : public BASE_CLASS
{
public:
    using BASE_CLASS::BASE_CLASS;

    BOOL Lookup(typename BASE_CLASS::BASE_ARG_KEY key, VALUE& rValue) const
    {
        typename BASE_CLASS::BASE_VALUE value;
        if (!BASE_CLASS::Lookup(key, value))
            return FALSE;
        rValue = static_cast<VALUE>(value);
        return TRUE;
    }
    VALUE& operator[](typename BASE_CLASS::BASE_ARG_KEY key)
    {
        return reinterpret_cast<VALUE&>(BASE_CLASS::operator[](key));
    }
    void SetAt(KEY key, VALUE newValue) { BASE_CLASS::SetAt(key, newValue); }
    BOOL RemoveKey(KEY key) { return BASE_CLASS::RemoveKey(key); }
    void GetNextAssoc(POSITION& rPosition, KEY& rKey, VALUE& rValue) const
    {
        typename BASE_CLASS::BASE_KEY key;
        typename BASE_CLASS::BASE_VALUE value;
        BASE_CLASS::GetNextAssoc(rPosition, key, value);
        rKey = static_cast<KEY>(key);
        rValue = static_cast<VALUE>(value);
    }
};
