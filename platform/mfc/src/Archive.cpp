// CArchive: buffered little-endian values, strings and the object/class tag scheme.
//
// Tags (one WORD, sometimes followed by a DWORD):
//   0x0000                  null object
//   0xFFFF                  new class: WORD schema, WORD name length, name bytes; its object follows
//   0x8000 | index          class already stored (index < 0x7FFF)
//   index                   object already stored (index < 0x7FFF)
//   0x7FFF + DWORD          big index: DWORD index for an object, 0x80000000 | index for a class
// Classes and objects share one index counter starting at 1; a new class takes an index before
// the object that follows it.
//
// Strings: length < 255 as a BYTE; else 0xFF and a WORD length (< 0xFFFE); else 0xFF, 0xFFFF and a
// DWORD length (64-bit: 0xFFFFFFFF then a ULONGLONG). 0xFF 0xFFFE before the length marks UTF-16.
#include "mfc/Archive.h"
#include "mfc/File.h"
#include "win32/codepage.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the archive format is little-endian");

namespace
{
constexpr WORD wNullTag = 0x0000;
constexpr WORD wNewClassTag = 0xFFFF;
constexpr WORD wClassTag = 0x8000;
constexpr WORD wBigObjectTag = 0x7FFF;
constexpr DWORD dwBigClassTag = 0x80000000;
constexpr DWORD nMaxMapCount = 0x7FFFFFFE;
constexpr UINT nMinBufSize = 128;
// Strings are read in pieces, so a damaged length costs no more memory than the file holds.
constexpr UINT nStringChunk = 64 * 1024;
} // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* lpBuf) : m_pFile(pFile), m_nMode(nMode)
{
    if (lpBuf != NULL && nBufSize > 0)
    {
        m_lpBuf = static_cast<BYTE*>(lpBuf);
        m_nBufSize = static_cast<UINT>(nBufSize);
    }
    else
    {
        m_nBufSize = std::max(nMinBufSize, nBufSize > 0 ? static_cast<UINT>(nBufSize) : 0u);
        m_ownBuf = std::make_unique<BYTE[]>(m_nBufSize);
        m_lpBuf = m_ownBuf.get();
    }
    if (IsLoading())
        m_loadArray.push_back({LoadEntry::nullObject, nullptr, 0});
}

CArchive::~CArchive()
{
    if (m_pFile != NULL && !(m_nMode & bNoFlushOnDelete))
    {
        try
        {
            Close();
        }
        catch (CException* e)
        {
            e->Delete();
        }
    }
    Abort();
}

CString CArchive::GetFileName() const
{
    return m_pFile != NULL ? m_pFile->GetFilePath() : CString();
}

void CArchive::Throw(int cause) const
{
    AfxThrowArchiveException(cause, GetFileName());
}

void CArchive::CheckStoring()
{
    if (m_pFile == NULL)
        Throw(CArchiveException::genericException);
    if (IsLoading())
        Throw(CArchiveException::readOnly);
}

void CArchive::CheckLoading()
{
    if (m_pFile == NULL)
        Throw(CArchiveException::genericException);
    if (IsStoring())
        Throw(CArchiveException::writeOnly);
}

// ---- Bytes ----

void CArchive::FillBuffer()
{
    m_nCur = 0;
    m_nMax = 0;
    m_nMax = m_pFile->Read(m_lpBuf, m_nBufSize);
}

void CArchive::FlushBuffer()
{
    if (m_nCur > 0)
    {
        const UINT n = m_nCur;
        m_nCur = 0;
        m_pFile->Write(m_lpBuf, n);
    }
}

UINT CArchive::Read(void* lpBuf, UINT nMax)
{
    CheckLoading();
    BYTE* pOut = static_cast<BYTE*>(lpBuf);
    UINT nRead = 0;
    while (nRead < nMax)
    {
        if (m_nCur == m_nMax)
        {
            const UINT nLeft = nMax - nRead;
            if (nLeft >= m_nBufSize)
            {
                // Large reads bypass the buffer.
                const UINT n = m_pFile->Read(pOut + nRead, nLeft);
                nRead += n;
                if (n == 0)
                    break;
                continue;
            }
            FillBuffer();
            if (m_nMax == 0)
                break;
        }
        const UINT n = std::min(nMax - nRead, m_nMax - m_nCur);
        std::memcpy(pOut + nRead, m_lpBuf + m_nCur, n);
        m_nCur += n;
        nRead += n;
    }
    return nRead;
}

void CArchive::ReadExact(void* lpBuf, UINT nCount)
{
    if (m_pFile != NULL && IsLoading() && m_nMax - m_nCur >= nCount)
    {
        std::memcpy(lpBuf, m_lpBuf + m_nCur, nCount);
        m_nCur += nCount;
        return;
    }
    if (Read(lpBuf, nCount) != nCount)
        Throw(CArchiveException::endOfFile);
}

void CArchive::Write(const void* lpBuf, UINT nMax)
{
    CheckStoring();
    const BYTE* pIn = static_cast<const BYTE*>(lpBuf);
    if (m_nBufSize - m_nCur >= nMax)
    {
        std::memcpy(m_lpBuf + m_nCur, pIn, nMax);
        m_nCur += nMax;
        return;
    }
    FlushBuffer();
    if (nMax >= m_nBufSize)
    {
        m_pFile->Write(pIn, nMax);
        return;
    }
    std::memcpy(m_lpBuf, pIn, nMax);
    m_nCur = nMax;
}

void CArchive::Flush()
{
    if (m_pFile == NULL)
        return;
    if (IsStoring())
    {
        FlushBuffer();
        return;
    }
    if (m_nMax != m_nCur)
    {
        const LONGLONG nUnread = static_cast<LONGLONG>(m_nMax - m_nCur);
        m_nCur = m_nMax = 0;
        m_pFile->Seek(-nUnread, CFile::current);
    }
}

void CArchive::Close()
{
    Flush();
    m_pFile = NULL;
}

void CArchive::Abort()
{
    m_pFile = NULL;
    m_nCur = m_nMax = 0;
}

// ---- Values ----

CArchive& CArchive::operator<<(BYTE by)
{
    Write(&by, sizeof by);
    return *this;
}

CArchive& CArchive::operator<<(WORD w)
{
    Write(&w, sizeof w);
    return *this;
}

CArchive& CArchive::operator<<(DWORD dw)
{
    Write(&dw, sizeof dw);
    return *this;
}

CArchive& CArchive::operator<<(ULONGLONG dwdw)
{
    Write(&dwdw, sizeof dwdw);
    return *this;
}

CArchive& CArchive::operator<<(float f)
{
    Write(&f, sizeof f);
    return *this;
}

CArchive& CArchive::operator<<(double d)
{
    Write(&d, sizeof d);
    return *this;
}

CArchive& CArchive::operator>>(BYTE& by)
{
    ReadExact(&by, sizeof by);
    return *this;
}

CArchive& CArchive::operator>>(WORD& w)
{
    ReadExact(&w, sizeof w);
    return *this;
}

CArchive& CArchive::operator>>(DWORD& dw)
{
    ReadExact(&dw, sizeof dw);
    return *this;
}

CArchive& CArchive::operator>>(ULONGLONG& dwdw)
{
    ReadExact(&dwdw, sizeof dwdw);
    return *this;
}

CArchive& CArchive::operator>>(float& f)
{
    ReadExact(&f, sizeof f);
    return *this;
}

CArchive& CArchive::operator>>(double& d)
{
    ReadExact(&d, sizeof d);
    return *this;
}

// ---- Strings ----

void CArchive::WriteCString(const CString& str)
{
    const DWORD nLen = static_cast<DWORD>(str.GetLength());
    if (nLen < 0xFF)
    {
        *this << static_cast<BYTE>(nLen);
    }
    else if (nLen < 0xFFFE)
    {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(nLen);
    }
    else
    {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << nLen;
    }
    Write(str.GetString(), nLen);
}

ULONGLONG CArchive::ReadStringLength(bool* pbWide)
{
    *pbWide = false;
    for (;;)
    {
        BYTE by = 0;
        *this >> by;
        if (by < 0xFF)
            return by;
        WORD w = 0;
        *this >> w;
        if (w == 0xFFFE)
        {
            // The UTF-16 marker; the real length follows in the same forms.
            if (*pbWide)
                Throw(CArchiveException::genericException);
            *pbWide = true;
            continue;
        }
        if (w < 0xFFFF)
            return w;
        DWORD dw = 0;
        *this >> dw;
        if (dw < 0xFFFFFFFF)
            return dw;
        ULONGLONG qw = 0;
        *this >> qw;
        return qw;
    }
}

void CArchive::ReadCString(CString& str)
{
    CheckLoading();
    bool bWide = false;
    const ULONGLONG nLen = ReadStringLength(&bWide);
    if (nLen > static_cast<ULONGLONG>(INT_MAX))
        Throw(CArchiveException::genericException);

    std::string text;
    if (!bWide)
    {
        for (ULONGLONG nDone = 0; nDone < nLen;)
        {
            const UINT n = static_cast<UINT>(std::min<ULONGLONG>(nLen - nDone, nStringChunk));
            text.resize(static_cast<size_t>(nDone + n));
            ReadExact(text.data() + nDone, n);
            nDone += n;
        }
    }
    else
    {
        std::vector<WORD> units;
        bool bHighSurrogate = false;
        for (ULONGLONG nDone = 0; nDone < nLen;)
        {
            const UINT n = static_cast<UINT>(std::min<ULONGLONG>(nLen - nDone, nStringChunk));
            units.resize(n);
            ReadExact(units.data(), n * 2);
            for (WORD u : units)
            {
                const bool bLow = u >= 0xDC00 && u <= 0xDFFF;
                if (bLow && bHighSurrogate)
                {
                    bHighSurrogate = false; // second half of a pair already given as '?'
                    continue;
                }
                bHighSurrogate = u >= 0xD800 && u <= 0xDBFF;
                const int ch = (bHighSurrogate || bLow) ? -1 : kel::CodePointToCp1252(u);
                text += ch < 0 ? '?' : static_cast<char>(ch);
            }
            nDone += n;
        }
    }
    str = CString(text.data(), static_cast<int>(text.size()));
}

void CArchive::WriteString(LPCTSTR lpsz)
{
    if (lpsz != NULL)
        Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
    else
        CheckStoring();
}

BOOL CArchive::ReadString(CString& rString)
{
    CheckLoading();
    std::string line;
    bool bAny = false;
    for (;;)
    {
        if (m_nCur == m_nMax)
        {
            FillBuffer();
            if (m_nMax == 0)
                break;
        }
        bAny = true;
        const char ch = static_cast<char>(m_lpBuf[m_nCur++]);
        if (ch == '\n')
            break;
        line += ch;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    rString = CString(line.data(), static_cast<int>(line.size()));
    return bAny ? TRUE : FALSE;
}

LPTSTR CArchive::ReadString(LPTSTR lpsz, UINT nMax)
{
    CheckLoading();
    if (lpsz == NULL || nMax == 0)
        return NULL;
    UINT n = 0;
    bool bAny = false;
    while (n + 1 < nMax)
    {
        if (m_nCur == m_nMax)
        {
            FillBuffer();
            if (m_nMax == 0)
                break;
        }
        bAny = true;
        char ch = static_cast<char>(m_lpBuf[m_nCur++]);
        if (ch == '\r')
        {
            if (m_nCur == m_nMax)
                FillBuffer();
            if (m_nCur < m_nMax && m_lpBuf[m_nCur] == '\n')
            {
                ++m_nCur;
                ch = '\n';
            }
        }
        lpsz[n++] = ch;
        if (ch == '\n')
            break;
    }
    lpsz[n] = '\0';
    return bAny ? lpsz : NULL;
}

// ---- Objects and classes ----

void CArchive::WriteTag(DWORD dwIndex, DWORD dwClassBit)
{
    if (dwIndex < wBigObjectTag)
    {
        *this << static_cast<WORD>(dwIndex | (dwClassBit != 0 ? wClassTag : 0));
    }
    else
    {
        *this << wBigObjectTag << static_cast<DWORD>(dwIndex | dwClassBit);
    }
}

void CArchive::MapObject(const CObject* pOb)
{
    if (IsStoring())
    {
        CheckStoring();
        if (pOb != NULL && m_storeMap.find(pOb) == m_storeMap.end())
        {
            if (m_nMapCount >= nMaxMapCount)
                Throw(CArchiveException::genericException);
            m_storeMap.emplace(pOb, m_nMapCount++);
        }
        return;
    }
    CheckLoading();
    if (m_loadArray.size() >= nMaxMapCount)
        Throw(CArchiveException::genericException);
    m_loadArray.push_back({LoadEntry::object, const_cast<CObject*>(pOb), 0});
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef)
{
    CheckStoring();
    if (pClassRef == NULL || pClassRef->m_wSchema == 0xFFFF)
        Throw(CArchiveException::badClass); // not a serializable class
    const auto it = m_storeMap.find(pClassRef);
    if (it != m_storeMap.end())
    {
        WriteTag(it->second, dwBigClassTag);
        return;
    }
    if (m_nMapCount >= nMaxMapCount)
        Throw(CArchiveException::genericException);
    m_storeMap.emplace(pClassRef, m_nMapCount++);
    *this << wNewClassTag;
    pClassRef->Store(*this);
}

void CArchive::WriteObject(const CObject* pOb)
{
    CheckStoring();
    if (pOb == NULL)
    {
        *this << wNullTag;
        return;
    }
    const auto it = m_storeMap.find(pOb);
    if (it != m_storeMap.end())
    {
        WriteTag(it->second, 0);
        return;
    }
    WriteClass(pOb->GetRuntimeClass());
    if (m_nMapCount >= nMaxMapCount)
        Throw(CArchiveException::genericException);
    // Mapped before its contents, so references back to it from inside come out as back-references.
    m_storeMap.emplace(pOb, m_nMapCount++);
    const_cast<CObject*>(pOb)->Serialize(*this);
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema, DWORD* pObTag)
{
    CheckLoading();
    WORD wTag = 0;
    *this >> wTag;

    CRuntimeClass* pClassRef = NULL;
    UINT nSchema = 0;
    if (wTag == wNewClassTag)
    {
        pClassRef = CRuntimeClass::Load(*this, &nSchema);
        if (pClassRef == NULL || pClassRef->m_wSchema == 0xFFFF || pClassRef->m_pfnCreateObject == nullptr)
            Throw(CArchiveException::badClass);
        if ((pClassRef->m_wSchema & ~VERSIONABLE_SCHEMA) != nSchema &&
            !(pClassRef->m_wSchema & VERSIONABLE_SCHEMA))
            Throw(CArchiveException::badSchema);
        if (m_loadArray.size() >= nMaxMapCount)
            Throw(CArchiveException::genericException);
        m_loadArray.push_back({LoadEntry::classRef, pClassRef, nSchema});
    }
    else
    {
        DWORD obTag = 0;
        if (wTag == wBigObjectTag)
            *this >> obTag;
        else
            obTag = (wTag & wClassTag) ? (dwBigClassTag | (wTag & ~wClassTag)) : wTag;

        if (!(obTag & dwBigClassTag))
        {
            // An object reference, resolved by the caller.
            if (pObTag == NULL)
                Throw(CArchiveException::badIndex);
            *pObTag = obTag;
            return NULL;
        }
        const DWORD nIndex = obTag & ~dwBigClassTag;
        if (nIndex == 0 || nIndex >= m_loadArray.size() || m_loadArray[nIndex].kind != LoadEntry::classRef)
            Throw(CArchiveException::badIndex);
        pClassRef = static_cast<CRuntimeClass*>(m_loadArray[nIndex].ptr);
        nSchema = m_loadArray[nIndex].nSchema;
    }

    if (pClassRefRequested != NULL && !pClassRef->IsDerivedFrom(pClassRefRequested))
        Throw(CArchiveException::badClass);
    if (pSchema != NULL)
        *pSchema = nSchema;
    else
        m_nObjectSchema = nSchema;
    return pClassRef;
}

void CArchive::SerializeClass(const CRuntimeClass* pClassRef)
{
    if (IsStoring())
        WriteClass(pClassRef);
    else
        ReadClass(pClassRef);
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested)
{
    BOOL bCreated = FALSE;
    return ReadObject(pClassRefRequested, &bCreated);
}

CObject* CArchive::ReadOwnedObject(const CRuntimeClass* pClassRefRequested)
{
    BOOL bCreated = FALSE;
    CObject* pOb = ReadObject(pClassRefRequested, &bCreated);
    if (pOb != NULL && !bCreated)
        Throw(CArchiveException::badIndex);
    return pOb;
}

CObject* CArchive::ReadReference(const CRuntimeClass* pClassRefRequested)
{
    CheckLoading();
    UINT nSchema = 0;
    DWORD obTag = 0;
    // A new object where only a reference belongs is refused before anything is made of it.
    if (ReadClass(pClassRefRequested, &nSchema, &obTag) != NULL)
        Throw(CArchiveException::badIndex);
    if (obTag >= m_loadArray.size())
        Throw(CArchiveException::badIndex);
    const LoadEntry& entry = m_loadArray[obTag];
    if (entry.kind == LoadEntry::nullObject)
        return NULL;
    if (entry.kind != LoadEntry::object)
        Throw(CArchiveException::badIndex);
    CObject* pOb = static_cast<CObject*>(entry.ptr);
    if (pOb != NULL && pClassRefRequested != NULL && !pOb->IsKindOf(pClassRefRequested))
        Throw(CArchiveException::badClass);
    return pOb;
}

void CArchive::DeleteLoadedObject(CObject* pOb)
{
    if (pOb == NULL)
        return;
    for (LoadEntry& entry : m_loadArray)
    {
        if (entry.kind == LoadEntry::object && entry.ptr == pOb)
            entry = {LoadEntry::dead, nullptr, 0};
    }
    delete pOb;
}

BOOL CArchive::IsLoadedSince(const CObject* pOb, DWORD nMark) const
{
    if (pOb == NULL)
        return FALSE;
    for (size_t i = nMark; i < m_loadArray.size(); ++i)
        if (m_loadArray[i].kind == LoadEntry::object && m_loadArray[i].created && m_loadArray[i].ptr == pOb)
            return TRUE;
    return FALSE;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested, BOOL* pbCreated)
{
    *pbCreated = FALSE;
    CheckLoading();
    UINT nSchema = 0;
    DWORD obTag = 0;
    CRuntimeClass* pClassRef = ReadClass(pClassRefRequested, &nSchema, &obTag);

    if (pClassRef == NULL)
    {
        if (obTag >= m_loadArray.size())
            Throw(CArchiveException::badIndex);
        const LoadEntry& entry = m_loadArray[obTag];
        if (entry.kind == LoadEntry::nullObject)
            return NULL;
        if (entry.kind != LoadEntry::object)
            Throw(CArchiveException::badIndex);
        CObject* pOb = static_cast<CObject*>(entry.ptr);
        if (pOb != NULL && pClassRefRequested != NULL && !pOb->IsKindOf(pClassRefRequested))
            Throw(CArchiveException::badClass);
        return pOb;
    }

    CObject* pOb = pClassRef->CreateObject();
    if (pOb == NULL)
        AfxThrowMemoryException();
    if (m_loadArray.size() >= nMaxMapCount)
    {
        delete pOb;
        Throw(CArchiveException::genericException);
    }
    // Entered before its contents are read, so references back to it resolve.
    const size_t nIndex = m_loadArray.size();
    m_loadArray.push_back({LoadEntry::object, pOb, 0, true});

    const UINT nSchemaSave = m_nObjectSchema;
    m_nObjectSchema = nSchema;
    try
    {
        pOb->Serialize(*this);
    }
    catch (...)
    {
        // Nobody else can own a half-read object: free it, and make later references to it fail.
        m_loadArray[nIndex] = {LoadEntry::dead, nullptr, 0};
        m_nObjectSchema = nSchemaSave;
        delete pOb;
        throw;
    }
    m_nObjectSchema = nSchemaSave;
    *pbCreated = TRUE;
    return pOb;
}

UINT CArchive::GetObjectSchema()
{
    const UINT nResult = m_nObjectSchema;
    m_nObjectSchema = static_cast<UINT>(-1);
    return nResult;
}

// ---- Fields that do not own what they point to ----

CArchiveFieldReads::Field& CArchiveFieldReads::Remember(void* pField, CObject* pOld,
                                                        void (*restore)(void*, CObject*))
{
    m_fields.push_back({pField, pOld, NULL, restore});
    return m_fields.back();
}

CArchiveFieldReads::~CArchiveFieldReads()
{
    for (auto it = m_fields.rbegin(); it != m_fields.rend(); ++it)
    {
        it->restore(it->pField, it->pOld);
        m_ar.DeleteLoadedObject(it->pCreated);
    }
}
