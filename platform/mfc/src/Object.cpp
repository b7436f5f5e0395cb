// CObject, run-time class records and their registry, debugging helpers.
#include "mfc/Object.h"
#include "mfc/Archive.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace
{
// The registry is a list threaded through the records themselves; classes register while
// static objects are constructed, which may happen on any thread when a module is loaded.
struct ClassRegistry
{
    std::mutex lock;
    CRuntimeClass* head = nullptr;
};

ClassRegistry& Registry()
{
    static ClassRegistry registry;
    return registry;
}

bool TraceEnabled()
{
    static const bool enabled = []
    {
        const char* value = std::getenv("KEL_TRACE");
        return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
    }();
    return enabled;
}
} // namespace

CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), 0xFFFF, nullptr, nullptr, nullptr};
static const AFX_CLASSINIT afxInit_CObject(&CObject::classCObject);

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass)
{
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (CRuntimeClass* p = registry.head; p != nullptr; p = p->m_pNextClass)
    {
        if (p == pNewClass)
            return;
    }
    pNewClass->m_pNextClass = registry.head;
    registry.head = pNewClass;
}

CObject* CRuntimeClass::CreateObject()
{
    return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* p = this; p != nullptr; p = p->m_pBaseClass)
    {
        if (p == pBaseClass)
            return TRUE;
    }
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName)
{
    if (lpszClassName == nullptr)
        return nullptr;
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (CRuntimeClass* p = registry.head; p != nullptr; p = p->m_pNextClass)
    {
        if (std::strcmp(p->m_lpszClassName, lpszClassName) == 0)
            return p;
    }
    return nullptr;
}

void CRuntimeClass::Store(CArchive& ar) const
{
    const size_t nLen = std::strlen(m_lpszClassName);
    ar << static_cast<WORD>(m_wSchema) << static_cast<WORD>(nLen);
    ar.Write(m_lpszClassName, static_cast<UINT>(nLen));
}

CRuntimeClass* CRuntimeClass::Load(CArchive& ar, UINT* pwSchemaNum)
{
    WORD wSchema = 0;
    WORD nLen = 0;
    ar >> wSchema >> nLen;
    // Class names are short identifiers; anything longer is not one of ours.
    char szName[256];
    if (nLen >= sizeof(szName))
    {
        *pwSchemaNum = wSchema;
        return nullptr;
    }
    if (ar.Read(szName, nLen) != nLen)
        AfxThrowArchiveException(CArchiveException::endOfFile, ar.GetFileName());
    szName[nLen] = '\0';
    *pwSchemaNum = wSchema;
    return FromName(szName);
}

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &classCObject;
}

void CObject::Serialize(CArchive&) {}

void CObject::Dump(CDumpContext& dc) const
{
    dc << "a " << GetRuntimeClass()->m_lpszClassName << " at " << static_cast<const void*>(this) << "\n";
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

BOOL CObject::IsSerializable() const
{
    return GetRuntimeClass()->m_wSchema != 0xFFFF;
}

CObject* AfxReadObjectFrom(CArchive& ar, const CRuntimeClass* pClass)
{
    return ar.ReadObject(pClass);
}

void AfxAssertFailedLine(LPCSTR lpszFileName, int nLine)
{
    std::fprintf(stderr, "%s(%d): assertion failed\n", lpszFileName, nLine);
    std::fflush(stderr);
    std::abort();
}

void AfxAssertValidObject(const CObject* pOb, LPCSTR lpszFileName, int nLine)
{
    if (pOb == nullptr)
        AfxAssertFailedLine(lpszFileName, nLine);
    pOb->AssertValid();
}

void AfxTrace(LPCSTR lpszFormat, ...)
{
    if (!TraceEnabled())
        return;
    va_list args;
    va_start(args, lpszFormat);
    std::vfprintf(stderr, lpszFormat, args);
    va_end(args);
}

CDumpContext afxDump;

CDumpContext& CDumpContext::operator<<(LPCSTR lpsz)
{
    AfxTrace("%s", lpsz != nullptr ? lpsz : "(null)");
    return *this;
}

CDumpContext& CDumpContext::operator<<(const void* lp)
{
    AfxTrace("%p", lp);
    return *this;
}

CDumpContext& CDumpContext::operator<<(int n)
{
    AfxTrace("%d", n);
    return *this;
}

CDumpContext& CDumpContext::operator<<(UINT n)
{
    AfxTrace("%u", n);
    return *this;
}

CDumpContext& CDumpContext::operator<<(LONGLONG n)
{
    AfxTrace("%lld", static_cast<long long>(n));
    return *this;
}

CDumpContext& CDumpContext::operator<<(ULONGLONG n)
{
    AfxTrace("%llu", static_cast<unsigned long long>(n));
    return *this;
}

CDumpContext& CDumpContext::operator<<(double d)
{
    AfxTrace("%g", d);
    return *this;
}

CDumpContext& CDumpContext::operator<<(const CObject* pOb)
{
    if (pOb == nullptr)
        return *this << "NULL";
    pOb->Dump(*this);
    return *this;
}
