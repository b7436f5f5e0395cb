#include "registry_store.h"

#include "win32/codepage.h"
#include "win32/registry.h"

#include <climits>
#include <cstdio>

namespace kel::reg
{

namespace
{

const char* const kHeader = "Windows Registry Editor Version 5.00";

struct RootEntry
{
    HKEY handle;
    const char* name;
};
const RootEntry kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

unsigned char FoldByte(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    switch (c)
    {
    case 0x8A: // S caron
    case 0x8C: // OE
    case 0x8E: // Z caron
        return c + 0x10;
    case 0x9F: // Y diaeresis
        return 0xFF;
    default:
        return c;
    }
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A quoted, escaped text at the start of s (which begins with '"'). Only \\ and \" are escapes; any
// other backslash stands for itself, so hand-typed Windows paths survive. Returns false when the
// closing quote is missing.
bool ReadQuoted(std::string_view& s, std::string& out)
{
    out.clear();
    size_t i = 1;
    for (; i < s.size(); ++i)
    {
        const char c = s[i];
        if (c == '"')
        {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
            ++i;
        out += s[i];
    }
    return false;
}

std::string Quote(std::string_view cp1252)
{
    std::string out = "\"";
    for (const char c : Cp1252ToUtf8(cp1252))
    {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "01,02, ff" (may be empty) into bytes.
bool ReadHexList(std::string_view s, std::vector<BYTE>& out)
{
    s = Trim(s);
    if (s.empty())
        return true;
    while (true)
    {
        s = Trim(s);
        if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0)
            return false;
        out.push_back(static_cast<BYTE>(HexDigit(s[0]) * 16 + HexDigit(s[1])));
        s = Trim(s.substr(2));
        if (s.empty())
            return true;
        if (s.front() != ',')
            return false;
        s.remove_prefix(1);
        if (Trim(s).empty())
            return true; // a trailing comma is harmless
    }
}

bool ReadHexNumber(std::string_view s, size_t maxDigits, DWORD& out)
{
    s = Trim(s);
    if (s.empty() || s.size() > maxDigits)
        return false;
    out = 0;
    for (const char c : s)
    {
        const int d = HexDigit(c);
        if (d < 0)
            return false;
        out = out * 16 + static_cast<DWORD>(d);
    }
    return true;
}

bool IsPlainText(const std::vector<BYTE>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < data.size(); ++i)
    {
        if (data[i] == 0 || data[i] == '\n' || data[i] == '\r')
            return false;
    }
    return true;
}

std::string HexList(const std::vector<BYTE>& data)
{
    std::string out;
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i)
    {
        std::snprintf(buf, sizeof buf, i == 0 ? "%02x" : ",%02x", data[i]);
        out += buf;
    }
    return out;
}

// The data part of a value line; the reason on failure.
bool ReadData(std::string_view s, Value& value, std::string& reason)
{
    s = Trim(s);
    if (!s.empty() && s.front() == '"')
    {
        std::string text;
        if (!ReadQuoted(s, text))
        {
            reason = "the text has no closing quote";
            return false;
        }
        if (!Trim(s).empty())
        {
            reason = "unexpected characters after the text";
            return false;
        }
        const std::string cp = Utf8ToCp1252(text);
        value.type = REG_SZ;
        value.data.assign(cp.begin(), cp.end());
        value.data.push_back(0);
        return true;
    }
    if (s.substr(0, 6) == "dword:")
    {
        DWORD v = 0;
        if (!ReadHexNumber(s.substr(6), 8, v))
        {
            reason = "a dword needs 1 to 8 hexadecimal digits";
            return false;
        }
        value.type = REG_DWORD;
        value.data = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
        return true;
    }
    if (s.substr(0, 4) == "hex:" || s.substr(0, 4) == "hex(")
    {
        value.type = REG_BINARY;
        if (s[3] == '(')
        {
            const size_t close = s.find(')');
            if (close == std::string_view::npos || close + 1 >= s.size() || s[close + 1] != ':' ||
                !ReadHexNumber(s.substr(4, close - 4), 8, value.type))
            {
                reason = "hex(type) needs a hexadecimal type and a colon";
                return false;
            }
            s.remove_prefix(close + 2);
        }
        else
        {
            s.remove_prefix(4);
        }
        if (!ReadHexList(s, value.data))
        {
            reason = "hex data must be two-digit bytes separated by commas";
            return false;
        }
        return true;
    }
    if (s == "-")
    {
        reason = "value removal lines are not supported";
        return false;
    }
    reason = "unknown value type";
    return false;
}

// "[HKEY_...\a\b]" into the key's full path (cp1252), checking the root and the components.
bool ReadSection(std::string_view line, std::string& path, std::string& reason)
{
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos || !Trim(line.substr(close + 1)).empty())
    {
        reason = "a key line must end with ']'";
        return false;
    }
    std::string_view inner = line.substr(1, close - 1);
    if (!inner.empty() && inner.front() == '-')
    {
        reason = "key removal lines are not supported";
        return false;
    }
    path = Utf8ToCp1252(inner);
    if (path.find('\0') != std::string::npos)
    {
        reason = "a key name must not hold a NUL character";
        return false;
    }
    const size_t slash = path.find('\\');
    const std::string root = path.substr(0, slash);
    const RootEntry* found = nullptr;
    for (const RootEntry& r : kRoots)
    {
        if (Fold(root) == Fold(r.name))
            found = &r;
    }
    if (found == nullptr)
    {
        reason = "unknown root key \"" + root + "\"";
        return false;
    }
    if (slash != std::string::npos && (path.back() == '\\' || path.find("\\\\") != std::string::npos))
    {
        reason = "empty key name in the path";
        return false;
    }
    path = found->name + (slash == std::string::npos ? std::string() : path.substr(slash));
    return true;
}

// Bytes that do not form UTF-8 (the file was edited with a cp1252 editor) are read as cp1252
// characters, so their text survives when the file is written back.
std::string RepairUtf8(const std::string& text)
{
    const auto decodes = [](const char* p, size_t n, int chars) {
        return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, p, static_cast<int>(n), nullptr, 0) ==
               chars;
    };
    if (text.empty() || text.size() > INT_MAX ||
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                            nullptr, 0) > 0)
        return text;
    std::string out;
    for (size_t pos = 0; pos < text.size();)
    {
        size_t length = 1;
        while (length <= 4 && pos + length <= text.size() && !decodes(text.data() + pos, length, 1))
            ++length;
        if (length <= 4 && pos + length <= text.size())
        {
            out.append(text, pos, length);
            pos += length;
        }
        else
            out += Cp1252ToUtf8(text.substr(pos++, 1));
    }
    return out;
}

} // namespace

// A file saved by a Windows editor may be UTF-16 with a byte-order mark; the parser reads UTF-8.
std::string DecodeFileText(const std::string& raw)
{
    if (raw.size() < 2 || static_cast<unsigned char>(raw[0]) != 0xFF ||
        static_cast<unsigned char>(raw[1]) != 0xFE)
        return RepairUtf8(raw);
    std::wstring wide;
    for (size_t i = 2; i + 1 < raw.size(); i += 2)
    {
        char32_t unit = static_cast<unsigned char>(raw[i]) | static_cast<unsigned char>(raw[i + 1]) << 8;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < raw.size())
        {
            const char32_t low =
                static_cast<unsigned char>(raw[i + 2]) | static_cast<unsigned char>(raw[i + 3]) << 8;
            if (low >= 0xDC00 && low <= 0xDFFF)
            {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        wide += static_cast<wchar_t>(unit);
    }
    if (wide.empty())
        return {};
    std::string out(wide.size() * 4, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

Value* Key::FindValue(std::string_view name)
{
    const std::string folded = Fold(name);
    for (Value& v : values)
    {
        if (Fold(v.name) == folded)
            return &v;
    }
    return nullptr;
}

const Value* Key::FindValue(std::string_view name) const
{
    return const_cast<Key*>(this)->FindValue(name);
}

std::string Fold(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    return out;
}

Tree::Tree()
{
    for (const RootEntry& r : kRoots)
        keys[Fold(r.name)].path = r.name;
}

Key* Tree::Find(std::string_view path)
{
    const auto it = keys.find(Fold(path));
    return it == keys.end() ? nullptr : &it->second;
}

const Key* Tree::Find(std::string_view path) const
{
    return const_cast<Tree*>(this)->Find(path);
}

bool Tree::Ensure(const std::string& path)
{
    bool created = false;
    size_t end = 0;
    do
    {
        end = path.find('\\', end + 1);
        const std::string prefix = path.substr(0, end);
        auto [it, inserted] = keys.try_emplace(Fold(prefix));
        if (inserted)
        {
            it->second.path = prefix;
            created = true;
        }
    } while (end != std::string::npos);
    return created;
}

void Tree::Erase(std::string_view path)
{
    keys.erase(Fold(path));
}

std::vector<const Key*> Tree::Children(std::string_view path) const
{
    std::vector<const Key*> out;
    const std::string prefix = Fold(path) + '\\';
    for (auto it = keys.lower_bound(prefix); it != keys.end() && it->first.starts_with(prefix); ++it)
    {
        if (it->first.find('\\', prefix.size()) == std::string::npos)
            out.push_back(&it->second);
    }
    return out;
}

bool Tree::operator==(const Tree& other) const
{
    if (keys.size() != other.keys.size())
        return false;
    for (auto a = keys.begin(), b = other.keys.begin(); a != keys.end(); ++a, ++b)
    {
        if (a->first != b->first || a->second.path != b->second.path ||
            a->second.values.size() != b->second.values.size())
            return false;
        for (size_t i = 0; i < a->second.values.size(); ++i)
        {
            const Value& va = a->second.values[i];
            const Value& vb = b->second.values[i];
            if (va.name != vb.name || va.type != vb.type || va.data != vb.data)
                return false;
        }
    }
    return true;
}

const char* RootName(HKEY root)
{
    for (const RootEntry& r : kRoots)
    {
        if (r.handle == root)
            return r.name;
    }
    return nullptr;
}

bool IsRootName(std::string_view path)
{
    for (const RootEntry& r : kRoots)
    {
        if (Fold(path) == Fold(r.name))
            return true;
    }
    return false;
}

Tree ParseRegText(std::string_view text, std::vector<ParseError>& errors)
{
    Tree tree;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::string currentPath;
    bool headerSeen = false;
    int lineNo = 0;
    size_t pos = 0;
    const auto nextLine = [&](std::string_view& line)
    {
        if (pos >= text.size())
            return false;
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = end + 1;
        ++lineNo;
        return true;
    };
    std::string_view raw;
    while (nextLine(raw))
    {
        const int startLine = lineNo;
        std::string line(Trim(raw));
        // Long hex lists continue on the next line after a trailing backslash.
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
               nextLine(raw))
        {
            line.pop_back();
            line += Trim(raw);
        }
        if (line.empty() || line.front() == ';')
            continue;
        const auto fail = [&](std::string reason) { errors.push_back({startLine, std::move(reason)}); };
        if (!headerSeen)
        {
            headerSeen = true;
            if (line == kHeader)
                continue;
            fail(std::string("the first line must be \"") + kHeader + "\"");
        }
        if (line.front() == '[')
        {
            std::string path;
            std::string reason;
            currentPath.clear();
            if (!ReadSection(line, path, reason))
            {
                fail(reason);
                continue;
            }
            tree.Ensure(path);
            currentPath = path;
            continue;
        }
        if (line.front() != '"' && line.front() != '@')
        {
            fail("not a key, a value or a comment");
            continue;
        }
        Value value;
        std::string_view rest(line);
        if (rest.front() == '@')
        {
            rest.remove_prefix(1);
        }
        else
        {
            if (!ReadQuoted(rest, value.name))
            {
                fail("the value name has no closing quote");
                continue;
            }
            value.name = Utf8ToCp1252(value.name);
            // Names are looked up as C strings: one with a NUL could never be found again.
            if (value.name.find('\0') != std::string::npos)
            {
                fail("a value name must not hold a NUL character");
                continue;
            }
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=')
        {
            fail("'=' expected after the value name");
            continue;
        }
        std::string reason;
        if (!ReadData(rest.substr(1), value, reason))
        {
            fail(reason);
            continue;
        }
        Key* key = currentPath.empty() ? nullptr : tree.Find(currentPath);
        if (key == nullptr)
        {
            fail("value outside a key");
            continue;
        }
        if (Value* existing = key->FindValue(value.name))
            *existing = std::move(value);
        else
            key->values.push_back(std::move(value));
    }
    return tree;
}

std::string FormatRegText(const Tree& tree)
{
    std::string out = std::string(kHeader) + "\n\n";
    for (const auto& [folded, key] : tree.keys)
    {
        if (key.values.empty() && IsRootName(key.path))
            continue;
        out += '[' + Cp1252ToUtf8(key.path) + "]\n";
        for (const Value& v : key.values)
        {
            out += v.name.empty() ? std::string("@") : Quote(v.name);
            out += '=';
            if (v.type == REG_SZ && IsPlainText(v.data))
            {
                out +=
                    Quote(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
            }
            else if (v.type == REG_DWORD && v.data.size() == 4)
            {
                char buf[16];
                std::snprintf(
                    buf, sizeof buf, "dword:%08x",
                    unsigned(v.data[0] | v.data[1] << 8 | v.data[2] << 16 | unsigned(v.data[3]) << 24));
                out += buf;
            }
            else if (v.type == REG_BINARY)
            {
                out += "hex:" + HexList(v.data);
            }
            else
            {
                // Other types (and texts a line cannot hold) keep their stored bytes as they are.
                char buf[24];
                std::snprintf(buf, sizeof buf, "hex(%x):", unsigned(v.type));
                out += buf + HexList(v.data);
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

} // namespace kel::reg
