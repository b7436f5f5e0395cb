// Internal: the key tree, its .reg text form and the file that holds it.
#pragma once

#include "win32/types.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kel::reg
{

struct Value
{
    std::string name; // "" is the key's default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct Key
{
    std::string path;          // full path with its root, as first spelled: "HKEY_CURRENT_USER\Software\..."
    std::vector<Value> values; // in creation order

    Value* FindValue(std::string_view name);
    const Value* FindValue(std::string_view name) const;
};

// Case-insensitive form of a cp1252 name, used to look keys and values up.
std::string Fold(std::string_view name);

// Keys by folded full path. The four root keys always exist.
class Tree
{
public:
    Tree();

    Key* Find(std::string_view path);
    const Key* Find(std::string_view path) const;
    // Creates the key and its missing ancestors; returns whether it was new.
    bool Ensure(const std::string& path);
    void Erase(std::string_view path);
    std::vector<const Key*> Children(std::string_view path) const;
    bool operator==(const Tree& other) const;

    std::map<std::string, Key> keys;
};

// Root names as the file spells them; IsRootName tells a root key's path.
const char* RootName(HKEY root);
bool IsRootName(std::string_view path);

struct ParseError
{
    int line = 0;
    std::string reason;
};

// The bytes of a settings file as the UTF-8 text the parser reads: UTF-16 with a byte-order mark
// is converted, and bytes that do not form UTF-8 are taken as cp1252 characters.
std::string DecodeFileText(const std::string& raw);

// Reads the text of a settings file. Lines that cannot be read are reported in errors and skipped;
// everything else is kept.
Tree ParseRegText(std::string_view text, std::vector<ParseError>& errors);
std::string FormatRegText(const Tree& tree);

} // namespace kel::reg
