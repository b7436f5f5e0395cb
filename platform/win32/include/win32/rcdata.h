// Compiled resource tables. kelrc turns each module's resource script into constant aggregates of
// these types; the module registers its table at load time and the layer looks resources up in it.
// Everything here is plain data with static storage: pointers stay valid while the module is loaded.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kel::rc
{

// A resource name: a numeric id (name == nullptr) or a string name (upper-cased for identifiers
// that had no #define, as written for quoted names).
struct ResName
{
    const char* name;
    uint32_t id;

    constexpr bool IsId() const { return name == nullptr; }
};

// Dialog font as given by the FONT statement.
struct DialogFont
{
    uint16_t pointSize;
    const char* face;
    uint16_t weight;
    uint8_t italic;
    uint8_t charset;
};

// One control of a dialog template. `text` is the caption, or for icon/bitmap statics the
// resource the control shows (id or name).
struct Control
{
    const char* className; // "BUTTON", "EDIT", "STATIC", "LISTBOX", "COMBOBOX", "SCROLLBAR" or custom
    ResName text;
    int32_t id;
    uint32_t style;
    uint32_t exStyle;
    int16_t x, y, cx, cy; // dialog units
    uint32_t helpId;
};

struct Dialog
{
    ResName name;
    uint32_t style;
    uint32_t exStyle;
    int16_t x, y, cx, cy; // dialog units
    const char* caption;  // "" when none
    bool hasFont;         // FONT given (DS_SETFONT is then set in style)
    DialogFont font;
    ResName menu;      // name "" and id 0 when none
    ResName className; // name "" and id 0 when none
    uint32_t helpId;
    bool isEx; // DIALOGEX
    const Control* controls;
    size_t controlCount;
};

// A menu item. Popups carry MF_POPUP and their children; separators MF_SEPARATOR. For MENUEX the
// flags are the item's MFT_ type and MFS_ state bits (same values as the MF_ flags).
struct MenuItem
{
    const char* text;
    uint32_t id;
    uint32_t flags;
    uint32_t helpId;
    const MenuItem* children;
    size_t childCount;
};

struct Menu
{
    ResName name;
    bool isEx;
    const MenuItem* items;
    size_t itemCount;
};

// One accelerator: fVirt holds FVIRTKEY/FSHIFT/FCONTROL/FALT/FNOINVERT.
struct Accel
{
    uint8_t fVirt;
    uint16_t key;
    uint16_t cmd;
};

struct AccelTable
{
    ResName name;
    const Accel* entries;
    size_t count;
};

struct StringEntry
{
    uint32_t id;
    const char* text; // cp1252 bytes, NUL-terminated
    uint32_t length;  // bytes, without the terminator
};

// Resource referring to a file (icon, cursor, bitmap, wave, RCDATA, user-defined type): the file's
// bytes as they are. ICON and CURSOR are typed RT_GROUP_ICON/RT_GROUP_CURSOR.
struct Binary
{
    ResName type;
    ResName name;
    const unsigned char* bytes;
    size_t size;
};

// Toolbar layout: button size and command ids in order, 0 for a separator.
struct Toolbar
{
    ResName name;
    uint16_t cx, cy;
    const uint16_t* ids;
    size_t count;
};

struct Module
{
    const char* name; // the name LoadLibrary/GetModuleHandle know, without extension
    bool isMain;      // the program's own module (GetModuleHandle(NULL))
    const Dialog* dialogs;
    size_t dialogCount;
    const StringEntry* strings; // sorted by id
    size_t stringCount;
    const Menu* menus;
    size_t menuCount;
    const AccelTable* accelerators;
    size_t acceleratorCount;
    const Binary* binaries;
    size_t binaryCount;
    const Toolbar* toolbars;
    size_t toolbarCount;
};

// Adds a module's table to the process-wide list. A main module fills the program's own slot.
// Registering the same table twice only counts it once; returns false when another table already
// holds the name (or the main slot).
bool RegisterModule(const Module* module);

// Removes a module's table (when its library is unloaded). Handles to it stay valid but find nothing.
void UnregisterModule(const Module* module);

} // namespace kel::rc
