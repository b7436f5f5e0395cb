// Program variables bound to registry values: a key holds a path and the values bound below it;
// each value class knows one storage type and loads or saves its variable.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CRegistryKey;

// One registry value bound to a program variable. The base class stores nothing.
class CRegistryValue
{
public:
    CRegistryValue(const char* name, CRegistryKey* key, void* variable);
    // Reads the value into the variable; false (variable unchanged) when it is missing or of
    // another type or size.
    virtual bool Load();
    // Writes the variable; false when it cannot be written.
    virtual bool Save();
    virtual ~CRegistryValue();

    CRegistryValue(const CRegistryValue&) = delete;
    CRegistryValue& operator=(const CRegistryValue&) = delete;

protected:
    std::string m_name;
    CRegistryKey* m_key;
    void* m_variable; // not owned
};

// A float as REG_BINARY of exactly 4 bytes.
class CRegFloatValue : public CRegistryValue
{
public:
    CRegFloatValue(const char* name, CRegistryKey* key, float* variable);
    bool Load() override;
    bool Save() override;
};

// A double as REG_BINARY of exactly 8 bytes.
class CRegDoubleValue : public CRegistryValue
{
public:
    CRegDoubleValue(const char* name, CRegistryKey* key, double* variable);
    bool Load() override;
    bool Save() override;
};

// An unsigned 32-bit number as REG_DWORD.
class CRegUIntValue : public CRegistryValue
{
public:
    CRegUIntValue(const char* name, CRegistryKey* key, unsigned* variable);
    bool Load() override;
    bool Save() override;
};

// A signed 32-bit number as REG_DWORD.
class CRegIntValue : public CRegistryValue
{
public:
    CRegIntValue(const char* name, CRegistryKey* key, int* variable);
    bool Load() override;
    bool Save() override;
};

// A colour as REG_DWORD.
class CRegColorValue : public CRegistryValue
{
public:
    CRegColorValue(const char* name, CRegistryKey* key, COLORREF* variable);
    bool Load() override;
    bool Save() override;
};

// A string as REG_SZ; a stored text of more than 260 bytes (its NUL included) is not loaded.
class CRegStringValue : public CRegistryValue
{
public:
    static constexpr DWORD kMaxBytes = 260;

    CRegStringValue(const char* name, CRegistryKey* key, std::string* variable);
    bool Load() override;
    bool Save() override;
};

// A registry key path with the values bound below it.
class CRegistryKey
{
public:
    // path: the key's full path below root, e.g. "Software\\Maker\\Program\\Dirs".
    CRegistryKey(HKEY root, const char* path);
    // Deletes the value objects; the bound variables and the subkeys are left alone.
    virtual ~CRegistryKey();

    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Bind a variable to a value of this key; the value object is owned by the key.
    void AddIntValue(const char* name, int* variable);
    void AddDwordValue(const char* name, unsigned* variable);
    void AddColorValue(const char* name, COLORREF* variable);
    void AddFloatValue(const char* name, float* variable);
    void AddDoubleValue(const char* name, double* variable);
    void AddStringValue(const char* name, std::string* variable);

    // Loads every subkey (recursively) and then every value in binding order. True only when all
    // loaded; a failure does not stop the rest.
    bool LoadAll();
    // The same with Save.
    bool SaveAll();

    // The key opened for reading, or NULL when it does not exist.
    HKEY Open();
    // The key opened for reading and writing, created when missing; NULL when that fails.
    HKEY Create();

    // Each query opens the key, reads and closes it; each set creates or opens the key, writes and
    // closes it. False when the key or the value cannot be read or written.

    // Copies exactly size bytes of a REG_BINARY value of that size into buffer.
    bool QueryBinary(const char* name, void* buffer, DWORD size);
    bool SetBinary(const char* name, const void* data, DWORD size);
    bool QueryDword(const char* name, DWORD* value);
    bool SetDword(const char* name, DWORD value);
    // Reads a REG_SZ value of at most maxLength bytes into buffer, which must hold maxLength + 1
    // bytes; the text is always NUL-terminated. A longer value reads as missing.
    bool QueryString(const char* name, char* buffer, DWORD maxLength);
    // Writes the text's characters (without its NUL) as REG_SZ.
    bool SetString(const char* name, const char* text);

    const std::string& GetPath() const { return m_path; }
    HKEY GetRoot() const { return m_root; }

private:
    template <class Value, class Variable> void Bind(const char* name, Variable* variable);
    bool Query(const char* name, DWORD type, void* buffer, DWORD& size);
    bool Set(const char* name, DWORD type, const void* data, DWORD size);

    std::vector<CRegistryKey*> m_subKeys; // not owned; none in this program
    std::vector<std::unique_ptr<CRegistryValue>> m_values;
    std::string m_path;
    HKEY m_root;
};
