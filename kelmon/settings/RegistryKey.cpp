#include "settings/RegistryKey.h"

#include <cstring>

CRegistryValue::CRegistryValue(const char* name, CRegistryKey* key, void* variable)
    : m_name(name != nullptr ? name : ""), m_key(key), m_variable(variable)
{
}

bool CRegistryValue::Load()
{
    return false;
}

bool CRegistryValue::Save()
{
    return false;
}

CRegistryValue::~CRegistryValue() = default;

CRegFloatValue::CRegFloatValue(const char* name, CRegistryKey* key, float* variable)
    : CRegistryValue(name, key, variable)
{
}

bool CRegFloatValue::Load()
{
    return m_key->QueryBinary(m_name.c_str(), m_variable, sizeof(float));
}

bool CRegFloatValue::Save()
{
    return m_key->SetBinary(m_name.c_str(), m_variable, sizeof(float));
}

CRegDoubleValue::CRegDoubleValue(const char* name, CRegistryKey* key, double* variable)
    : CRegistryValue(name, key, variable)
{
}

bool CRegDoubleValue::Load()
{
    return m_key->QueryBinary(m_name.c_str(), m_variable, sizeof(double));
}

bool CRegDoubleValue::Save()
{
    return m_key->SetBinary(m_name.c_str(), m_variable, sizeof(double));
}

CRegUIntValue::CRegUIntValue(const char* name, CRegistryKey* key, unsigned* variable)
    : CRegistryValue(name, key, variable)
{
}

bool CRegUIntValue::Load()
{
    return m_key->QueryDword(m_name.c_str(), static_cast<DWORD*>(m_variable));
}

bool CRegUIntValue::Save()
{
    return m_key->SetDword(m_name.c_str(), *static_cast<DWORD*>(m_variable));
}

CRegIntValue::CRegIntValue(const char* name, CRegistryKey* key, int* variable)
    : CRegistryValue(name, key, variable)
{
}

bool CRegIntValue::Load()
{
    DWORD value = 0;
    if (!m_key->QueryDword(m_name.c_str(), &value))
        return false;
    *static_cast<int*>(m_variable) = static_cast<int>(value);
    return true;
}

bool CRegIntValue::Save()
{
    return m_key->SetDword(m_name.c_str(), static_cast<DWORD>(*static_cast<int*>(m_variable)));
}

CRegColorValue::CRegColorValue(const char* name, CRegistryKey* key, COLORREF* variable)
    : CRegistryValue(name, key, variable)
{
}

bool CRegColorValue::Load()
{
    return m_key->QueryDword(m_name.c_str(), static_cast<COLORREF*>(m_variable));
}

bool CRegColorValue::Save()
{
    // A colour that was never chosen is not written, so the stored value stays absent.
    if (*static_cast<COLORREF*>(m_variable) == 0xFFFFFFFF)
        return true;
    return m_key->SetDword(m_name.c_str(), *static_cast<COLORREF*>(m_variable));
}

CRegStringValue::CRegStringValue(const char* name, CRegistryKey* key, std::string* variable)
    : CRegistryValue(name, key, variable)
{
}

bool CRegStringValue::Load()
{
    char buffer[kMaxBytes + 1];
    if (!m_key->QueryString(m_name.c_str(), buffer, kMaxBytes))
        return false;
    *static_cast<std::string*>(m_variable) = buffer;
    return true;
}

bool CRegStringValue::Save()
{
    return m_key->SetString(m_name.c_str(), static_cast<std::string*>(m_variable)->c_str());
}

CRegistryKey::CRegistryKey(HKEY root, const char* path) : m_path(path != nullptr ? path : ""), m_root(root) {}

CRegistryKey::~CRegistryKey() = default;

template <class Value, class Variable> void CRegistryKey::Bind(const char* name, Variable* variable)
{
    m_values.push_back(std::make_unique<Value>(name, this, variable));
}

void CRegistryKey::AddIntValue(const char* name, int* variable)
{
    Bind<CRegIntValue>(name, variable);
}

void CRegistryKey::AddDwordValue(const char* name, unsigned* variable)
{
    Bind<CRegUIntValue>(name, variable);
}

void CRegistryKey::AddColorValue(const char* name, COLORREF* variable)
{
    Bind<CRegColorValue>(name, variable);
}

void CRegistryKey::AddFloatValue(const char* name, float* variable)
{
    Bind<CRegFloatValue>(name, variable);
}

void CRegistryKey::AddDoubleValue(const char* name, double* variable)
{
    Bind<CRegDoubleValue>(name, variable);
}

void CRegistryKey::AddStringValue(const char* name, std::string* variable)
{
    Bind<CRegStringValue>(name, variable);
}

bool CRegistryKey::LoadAll()
{
    bool all = true;
    for (CRegistryKey* sub : m_subKeys)
        all = sub->LoadAll() && all;
    for (const auto& value : m_values)
        all = value->Load() && all;
    return all;
}

bool CRegistryKey::SaveAll()
{
    bool all = true;
    for (CRegistryKey* sub : m_subKeys)
        all = sub->SaveAll() && all;
    for (const auto& value : m_values)
        all = value->Save() && all;
    return all;
}

HKEY CRegistryKey::Open()
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(m_root, m_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY CRegistryKey::Create()
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(m_root, m_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                       nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// Reads a value of the given type of at most size bytes into buffer, touching it only on success;
// size gets the bytes read.
bool CRegistryKey::Query(const char* name, DWORD type, void* buffer, DWORD& size)
{
    HKEY key = Open();
    if (key == nullptr)
        return false;
    std::vector<BYTE> data(size);
    DWORD actualType = REG_NONE;
    DWORD bytes = size;
    const LONG result = RegQueryValueEx(key, name, nullptr, &actualType, data.data(), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || actualType != type || bytes > size)
        return false;
    std::memcpy(buffer, data.data(), bytes);
    size = bytes;
    return true;
}

bool CRegistryKey::Set(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = Create();
    if (key == nullptr)
        return false;
    const LONG result = RegSetValueEx(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool CRegistryKey::QueryBinary(const char* name, void* buffer, DWORD size)
{
    // Read one byte more than wanted, so that a longer value shows as such.
    std::vector<BYTE> data(size + 1);
    DWORD bytes = size + 1;
    if (!Query(name, REG_BINARY, data.data(), bytes) || bytes != size)
        return false;
    std::memcpy(buffer, data.data(), size);
    return true;
}

bool CRegistryKey::SetBinary(const char* name, const void* data, DWORD size)
{
    return Set(name, REG_BINARY, data, size);
}

bool CRegistryKey::QueryDword(const char* name, DWORD* value)
{
    DWORD read = 0;
    DWORD bytes = sizeof read;
    if (!Query(name, REG_DWORD, &read, bytes) || bytes != sizeof read)
        return false;
    *value = read;
    return true;
}

bool CRegistryKey::SetDword(const char* name, DWORD value)
{
    return Set(name, REG_DWORD, &value, sizeof value);
}

bool CRegistryKey::QueryString(const char* name, char* buffer, DWORD maxLength)
{
    DWORD bytes = maxLength;
    if (!Query(name, REG_SZ, buffer, bytes))
        return false;
    buffer[bytes] = '\0';
    return true;
}

bool CRegistryKey::SetString(const char* name, const char* text)
{
    return Set(name, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
}
