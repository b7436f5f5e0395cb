// CObject and run-time class information: dynamic type tests, creation by class, and the class
// records that archives store and look up by name. Also the debugging macros.
#pragma once

#include "win32/types.h"

class CObject;
class CArchive;
class CDumpContext;

// One record per class that declares itself dynamic. Every record is entered in a registry at
// start-up (or when its module is loaded), so archives can find a class by its stored name.
struct CRuntimeClass
{
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema; // 0xFFFF when the class cannot be serialized
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;
    CRuntimeClass* m_pNextClass; // registry link, set when the class registers

    // A new default-constructed object of this class, or NULL when the class has no creation
    // function (declared only dynamic).
    CObject* CreateObject();
    // TRUE when this class is pBaseClass or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

    // The registered class named lpszClassName (exact, case-sensitive), or NULL.
    static CRuntimeClass* FromName(LPCSTR lpszClassName);

    // Writes this class's schema and name the way archives store a new class.
    void Store(CArchive& ar) const;
    // Reads a stored schema and class name; returns the registered class of that name, or NULL
    // when no such class exists. *pwSchemaNum receives the stored schema.
    static CRuntimeClass* Load(CArchive& ar, UINT* pwSchemaNum);
};

// Schema flag: objects of older schemas are still readable; Serialize asks the archive for the
// stored schema with CArchive::GetObjectSchema.
#define VERSIONABLE_SCHEMA (0x80000000u)

// Enters a class record in the registry; defined by the IMPLEMENT_* macros once per class.
struct AFX_CLASSINIT
{
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

class CObject
{
public:
    static CRuntimeClass classCObject;

    // The order of these virtuals is the order the system's classes rely on.
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // Base class stores and loads nothing.
    virtual void Serialize(CArchive& ar);
    // Diagnostics; no checks of their own.
    virtual void AssertValid() const {}
    virtual void Dump(CDumpContext& dc) const;

    // TRUE when this object's class is pClass or derives from it.
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    // TRUE when the class was declared with DECLARE_SERIAL.
    BOOL IsSerializable() const;

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                          \
public:                                                                                                      \
    static CRuntimeClass class##class_name;                                                                  \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                                        \
    DECLARE_DYNAMIC(class_name)                                                                              \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name)                                                                           \
    DECLARE_DYNCREATE(class_name)                                                                            \
    friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                             \
    CRuntimeClass class_name::class##class_name = {                                                          \
        #class_name, sizeof(class_name), (wSchema), pfnNew, RUNTIME_CLASS(base_class_name), nullptr};        \
    static const AFX_CLASSINIT afxInit_##class_name(RUNTIME_CLASS(class_name));                              \
    CRuntimeClass* class_name::GetRuntimeClass() const                                                       \
    {                                                                                                        \
        return RUNTIME_CLASS(class_name);                                                                    \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                       \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                     \
    CObject* class_name::CreateObject()                                                                      \
    {                                                                                                        \
        return new class_name;                                                                               \
    }                                                                                                        \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

// Also defines the typed extraction `ar >> pOb`, which reads an object and throws
// CArchiveException::badClass when the stored object is not a class_name.
#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                                               \
    CObject* class_name::CreateObject()                                                                      \
    {                                                                                                        \
        return new class_name;                                                                               \
    }                                                                                                        \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject)               \
    CArchive& operator>>(CArchive& ar, class_name*& pOb)                                                     \
    {                                                                                                        \
        pOb = static_cast<class_name*>(AfxReadObjectFrom(ar, RUNTIME_CLASS(class_name)));                    \
        return ar;                                                                                           \
    }

// Reads one object for the typed extractions (CArchive::ReadObject); kept out of line so the
// macro needs only this header.
CObject* AfxReadObjectFrom(CArchive& ar, const CRuntimeClass* pClass);

// ---- Debugging ----

// Prints "file(line): assertion failed" to stderr and aborts.
[[noreturn]] void AfxAssertFailedLine(LPCSTR lpszFileName, int nLine);
// Checks an object pointer and its AssertValid; aborts on a NULL pointer.
void AfxAssertValidObject(const CObject* pOb, LPCSTR lpszFileName, int nLine);
// printf-style diagnostic output to stderr, only when the environment variable KEL_TRACE is set
// to something other than "" or "0" (read once).
void AfxTrace(LPCSTR lpszFormat, ...) __attribute__((format(printf, 1, 2)));

#ifndef NDEBUG
#define ASSERT(f)                                                                                            \
    do                                                                                                       \
    {                                                                                                        \
        if (!(f))                                                                                            \
            AfxAssertFailedLine(__FILE__, __LINE__);                                                         \
    } while (0)
#define VERIFY(f) ASSERT(f)
#define ASSERT_VALID(pOb) AfxAssertValidObject((pOb), __FILE__, __LINE__)
#define ASSERT_KINDOF(class_name, pOb) ASSERT((pOb)->IsKindOf(RUNTIME_CLASS(class_name)))
#define TRACE(...) AfxTrace(__VA_ARGS__)
#define DEBUG_ONLY(f) (f)
#else
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(pOb) ((void)0)
#define ASSERT_KINDOF(class_name, pOb) ((void)0)
#define TRACE(...) ((void)0)
#define DEBUG_ONLY(f) ((void)0)
#endif
#define TRACE0(sz) TRACE("%s", sz)
#define TRACE1(sz, p1) TRACE(sz, p1)
#define TRACE2(sz, p1, p2) TRACE(sz, p1, p2)
#define TRACE3(sz, p1, p2, p3) TRACE(sz, p1, p2, p3)
#define DEBUG_NEW new

// Diagnostic dump target of CObject::Dump; writes where TRACE writes.
class CDumpContext
{
public:
    CDumpContext& operator<<(LPCSTR lpsz);
    CDumpContext& operator<<(const void* lp);
    CDumpContext& operator<<(int n);
    CDumpContext& operator<<(UINT n);
    CDumpContext& operator<<(LONGLONG n);
    CDumpContext& operator<<(ULONGLONG n);
    CDumpContext& operator<<(double d);
    CDumpContext& operator<<(const CObject* pOb);
    CDumpContext& operator<<(const CObject& ob) { return *this << &ob; }
    int GetDepth() const { return m_nDepth; }
    void SetDepth(int nNewDepth) { m_nDepth = nNewDepth; }

private:
    int m_nDepth = 0;
};

extern CDumpContext afxDump;
