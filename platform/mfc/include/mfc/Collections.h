// The non-template collections: arrays, lists and maps of strings, pointers, objects and numbers.
// They are the collection templates with fixed element types.
#pragma once

#include "mfc/String.h"
#include "mfc/Templates.h"

class CObject;

class CStringArray : public CArray<CString, const CString&>
{
};

class CObArray : public CArray<CObject*, CObject*>
{
};

class CPtrArray : public CArray<void*, void*>
{
};

class CDWordArray : public CArray<DWORD, DWORD>
{
};

class CUIntArray : public CArray<UINT, UINT>
{
};

class CWordArray : public CArray<WORD, WORD>
{
};

class CByteArray : public CArray<BYTE, BYTE>
{
};

class CObList : public CList<CObject*, CObject*>
{
public:
    using CList::CList;
};

class CPtrList : public CList<void*, void*>
{
public:
    using CList::CList;
};

class CStringList : public CList<CString, const CString&>
{
public:
    using CList::CList;
};

class CMapStringToPtr : public CMap<CString, LPCTSTR, void*, void*>
{
public:
    using CMap::CMap;
};

class CMapStringToOb : public CMap<CString, LPCTSTR, CObject*, CObject*>
{
public:
    using CMap::CMap;
};

class CMapStringToString : public CMap<CString, LPCTSTR, CString, LPCTSTR>
{
public:
    using CMap::CMap;
};

class CMapPtrToPtr : public CMap<void*, void*, void*, void*>
{
public:
    using CMap::CMap;
};

class CMapPtrToWord : public CMap<void*, void*, WORD, WORD>
{
public:
    using CMap::CMap;
};

class CMapWordToPtr : public CMap<WORD, WORD, void*, void*>
{
public:
    using CMap::CMap;
};

class CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*>
{
public:
    using CMap::CMap;
};
