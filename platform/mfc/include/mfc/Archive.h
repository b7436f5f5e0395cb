// CArchive: the binary object stream of documents and logs. Values are little-endian and written
// field by field; objects carry class tags and back-references so a graph is stored once and
// comes back with the same sharing.
#pragma once

#include "mfc/Exception.h"
#include "mfc/Object.h"
#include "mfc/String.h"

#include <memory>
#include <type_traits>
#include <unordered_map>
#include <vector>

class CFile;
class CDocument;

class CArchive
{
public:
    enum Mode
    {
        store = 0,
        load = 1,
        bNoFlushOnDelete = 2
    };

    // An archive over pFile, which must stay open while the archive is used. nBufSize is the
    // buffer size (at least 128 bytes is used); lpBuf, when given, is used as the buffer.
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = NULL);
    // Closes a storing archive (writing out the buffer) unless bNoFlushOnDelete; errors are
    // dropped here, so call Close to see them.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    // TRUE when a loading archive has no bytes left in its buffer.
    BOOL IsBufferEmpty() const { return m_nCur == m_nMax; }
    CFile* GetFile() const { return m_pFile; }
    // The archive's file path, for exception messages ("" without a file).
    CString GetFileName() const;

    // Raw bytes. Read returns the number read, fewer at the end of the data.
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    // Storing: writes the buffer to the file. Loading: gives unread buffered bytes back to the
    // file, so its position is right after the last byte consumed.
    void Flush();
    // Flushes and detaches from the file; the archive can no longer be used.
    void Close();
    // Detaches from the file without writing anything; never throws.
    void Abort();

    // Text lines. WriteString writes the text as it is (no line end added). ReadString(CString&)
    // reads up to "\n", dropping "\r\n" or "\n"; FALSE when nothing was left. ReadString(lpsz,
    // nMax) keeps a final "\n" (a "\r\n" comes back as "\n"), returns NULL when nothing was left.
    void WriteString(LPCTSTR lpsz);
    BOOL ReadString(CString& rString);
    LPTSTR ReadString(LPTSTR lpsz, UINT nMax);

    // Objects. A NULL pointer is stored as the null tag; an object already stored in this
    // archive as a back-reference to it.
    void WriteObject(const CObject* pOb);
    // Reads an object, its class checked against pClassRefRequested (NULL: any class). Throws
    // CArchiveException (badClass, badSchema, badIndex, endOfFile, ...) on bad data; an object
    // whose own Serialize throws is deleted before the exception passes on.
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);
    // The same; *pbCreated tells whether this read created the object (else it is NULL or an object
    // read before, which has an owner already).
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested, BOOL* pbCreated);
    // Reads an object for a field that owns it: NULL or an object this read created. A reference to
    // an object read before throws badIndex, so no object gets two owners.
    CObject* ReadOwnedObject(const CRuntimeClass* pClassRefRequested);
    // Reads a reference to an object read before (or NULL) for a field that does not own it. A new
    // object in its place (a damaged file) throws badIndex before anything is made of it, so
    // nothing is left without an owner.
    CObject* ReadReference(const CRuntimeClass* pClassRefRequested);
    // Frees an object this load created and makes later references to it fail (badIndex): for a
    // load that unwinds before anything took the object over.
    void DeleteLoadedObject(CObject* pOb);
    // The number of classes and objects this load has read so far: a mark for IsLoadedSince.
    DWORD GetLoadMark() const { return static_cast<DWORD>(m_loadArray.size()); }
    // TRUE when pOb was created by a read after the mark (so no part of the file read before
    // the mark owns it).
    BOOL IsLoadedSince(const CObject* pOb, DWORD nMark) const;
    void WriteClass(const CRuntimeClass* pClassRef);
    // Reads a class tag. When the tag refers to an object instead, returns NULL and puts the
    // object's index into *pObTag (badIndex when pObTag is NULL). The stored schema goes to
    // *pSchema, or into the archive's object schema when pSchema is NULL.
    CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = NULL, UINT* pSchema = NULL,
                             DWORD* pObTag = NULL);
    void SerializeClass(const CRuntimeClass* pClassRef);
    // Enters an object in the archive's map without writing it, so later references to it are
    // back-references (for objects serialized by hand).
    void MapObject(const CObject* pOb);

    // The schema stored with the object being read (for versionable classes); (UINT)-1 once read
    // or when unknown.
    UINT GetObjectSchema();
    void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }

    // Fixed-width values, little-endian. int and LONG are 4 bytes, LONGLONG 8.
    CArchive& operator<<(BYTE by);
    CArchive& operator<<(char ch) { return *this << static_cast<BYTE>(ch); }
    CArchive& operator<<(signed char ch) { return *this << static_cast<BYTE>(ch); }
    CArchive& operator<<(WORD w);
    CArchive& operator<<(SHORT w) { return *this << static_cast<WORD>(w); }
    CArchive& operator<<(DWORD dw);
    CArchive& operator<<(LONG l) { return *this << static_cast<DWORD>(l); }
    CArchive& operator<<(ULONGLONG dwdw);
    CArchive& operator<<(LONGLONG dwdw) { return *this << static_cast<ULONGLONG>(dwdw); }
    CArchive& operator<<(unsigned long long dwdw) { return *this << static_cast<ULONGLONG>(dwdw); }
    CArchive& operator<<(long long dwdw) { return *this << static_cast<ULONGLONG>(dwdw); }
    CArchive& operator<<(float f);
    CArchive& operator<<(double d);
    // No bool form: its size differs between compilers, and a string literal would silently
    // pick it. Store BOOL (4 bytes) or BYTE.
    CArchive& operator<<(bool) = delete;

    CArchive& operator>>(BYTE& by);
    CArchive& operator>>(char& ch) { return ReadAs<BYTE>(ch); }
    CArchive& operator>>(signed char& ch) { return ReadAs<BYTE>(ch); }
    CArchive& operator>>(WORD& w);
    CArchive& operator>>(SHORT& w) { return ReadAs<WORD>(w); }
    CArchive& operator>>(DWORD& dw);
    CArchive& operator>>(LONG& l) { return ReadAs<DWORD>(l); }
    CArchive& operator>>(ULONGLONG& dwdw);
    CArchive& operator>>(LONGLONG& dwdw) { return ReadAs<ULONGLONG>(dwdw); }
    CArchive& operator>>(unsigned long long& dwdw) { return ReadAs<ULONGLONG>(dwdw); }
    CArchive& operator>>(long long& dwdw) { return ReadAs<ULONGLONG>(dwdw); }
    CArchive& operator>>(float& f);
    CArchive& operator>>(double& d);
    CArchive& operator>>(bool&) = delete;

    // Strings in the length-prefixed form (see Archive.cpp); 8-bit text. UTF-16 strings written
    // by wide-character programs are read and converted to cp1252 ('?' where it has no char).
    void WriteCString(const CString& str);
    void ReadCString(CString& str);

    CDocument* m_pDocument = nullptr; // the document being stored or loaded, for its objects

private:
    template <class Wire, class T> CArchive& ReadAs(T& value)
    {
        Wire w{};
        *this >> w;
        value = static_cast<T>(w);
        return *this;
    }
    void CheckStoring();
    void CheckLoading();
    void FillBuffer();
    void FlushBuffer();
    // Reads exactly nCount bytes or throws endOfFile.
    void ReadExact(void* lpBuf, UINT nCount);
    [[noreturn]] void Throw(int cause) const;
    // Reads a string length prefix; *pbWide is set for the UTF-16 marker.
    ULONGLONG ReadStringLength(bool* pbWide);
    void WriteTag(DWORD dwIndex, DWORD dwClassBit);

    // Entry of the loading map: index 0 is the null object; classes and objects share indices.
    struct LoadEntry
    {
        enum Kind
        {
            nullObject,
            object,
            classRef,
            dead // an object deleted after its Serialize failed
        } kind;
        void* ptr;
        UINT nSchema;
        bool created = false; // made by ReadObject (not entered by MapObject)
    };

    CFile* m_pFile;
    UINT m_nMode;
    std::unique_ptr<BYTE[]> m_ownBuf;
    BYTE* m_lpBuf;
    UINT m_nBufSize;
    UINT m_nCur = 0; // next byte in the buffer
    UINT m_nMax = 0; // loading: bytes in the buffer; storing: unused
    UINT m_nObjectSchema = static_cast<UINT>(-1);

    DWORD m_nMapCount = 1;                             // next index; 0 is the null object
    std::unordered_map<const void*, DWORD> m_storeMap; // class records and objects stored
    std::vector<LoadEntry> m_loadArray;                // classes and objects read, by index
};

// Reads objects into fields their object does not own (a part of a document pointing at the
// document's head, settings or display) for the length of one Serialize. A damaged file may hold a
// new object where a reference belongs: if the load fails before Commit, each field gets its old
// value back and every object these reads created is freed; after Commit the field's real owner
// adopts such an object or frees it.
class CArchiveFieldReads
{
public:
    explicit CArchiveFieldReads(CArchive& ar) : m_ar(ar) {}
    ~CArchiveFieldReads();
    CArchiveFieldReads(const CArchiveFieldReads&) = delete;
    CArchiveFieldReads& operator=(const CArchiveFieldReads&) = delete;

    // Reads an object of pClass (or derived; the field's class, RUNTIME_CLASS(T)) into field.
    template <class T> void Read(T*& field, const CRuntimeClass* pClass)
    {
        static_assert(std::is_base_of_v<CObject, T>);
        Field& entry =
            Remember(&field, field,
                     [](void* pField, CObject* pOld) { *static_cast<T**>(pField) = static_cast<T*>(pOld); });
        BOOL bCreated = FALSE;
        CObject* pOb = m_ar.ReadObject(pClass, &bCreated);
        if (bCreated)
            entry.pCreated = pOb;
        field = static_cast<T*>(pOb);
    }
    // The load went well: the fields keep what was read.
    void Commit() { m_fields.clear(); }

private:
    struct Field
    {
        void* pField;      // the T* field
        CObject* pOld;     // its value before the read
        CObject* pCreated; // the object the read created, or NULL
        void (*restore)(void* pField, CObject* pOld);
    };
    Field& Remember(void* pField, CObject* pOld, void (*restore)(void*, CObject*));

    CArchive& m_ar;
    std::vector<Field> m_fields;
};

inline CArchive& operator<<(CArchive& ar, const CString& str)
{
    ar.WriteCString(str);
    return ar;
}
inline CArchive& operator>>(CArchive& ar, CString& str)
{
    ar.ReadCString(str);
    return ar;
}
inline CArchive& operator<<(CArchive& ar, const CObject* pOb)
{
    ar.WriteObject(pOb);
    return ar;
}
inline CArchive& operator>>(CArchive& ar, CObject*& pOb)
{
    pOb = ar.ReadObject(NULL);
    return ar;
}
inline CArchive& operator>>(CArchive& ar, const CObject*& pOb)
{
    pOb = ar.ReadObject(NULL);
    return ar;
}
