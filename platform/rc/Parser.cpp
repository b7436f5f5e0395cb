// The statements of a resource script.
#include "Rc.h"

#include "win32/styles.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace kelrc
{

bool Name::operator==(const Name& o) const
{
    if (isId != o.isId)
        return false;
    if (isId)
        return id == o.id;
    return name.size() == o.name.size() &&
           std::equal(name.begin(), name.end(), o.name.begin(),
                      [](unsigned char a, unsigned char b) { return std::toupper(a) == std::toupper(b); });
}

std::string Name::Describe() const
{
    return isId ? std::to_string(id) : "'" + name + "'";
}

namespace
{

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

// Default class and style of each control statement (WS_CHILD | WS_VISIBLE come on top).
struct ControlKind
{
    const char* keyword;
    const char* className;
    uint32_t style;
    bool hasText;
};

const ControlKind kControlKinds[] = {
    {"LTEXT", "STATIC", SS_LEFT | WS_GROUP, true},
    {"RTEXT", "STATIC", SS_RIGHT | WS_GROUP, true},
    {"CTEXT", "STATIC", SS_CENTER | WS_GROUP, true},
    {"PUSHBUTTON", "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, true},
    {"PUSHBOX", "BUTTON", BS_PUSHBOX | WS_TABSTOP, true},
    {"CHECKBOX", "BUTTON", BS_CHECKBOX | WS_TABSTOP, true},
    {"AUTOCHECKBOX", "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, true},
    {"STATE3", "BUTTON", BS_3STATE | WS_TABSTOP, true},
    {"AUTO3STATE", "BUTTON", BS_AUTO3STATE | WS_TABSTOP, true},
    {"RADIOBUTTON", "BUTTON", BS_RADIOBUTTON | WS_TABSTOP, true},
    {"AUTORADIOBUTTON", "BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, true},
    {"GROUPBOX", "BUTTON", BS_GROUPBOX, true},
    {"EDITTEXT", "EDIT", ES_LEFT | WS_BORDER | WS_TABSTOP, false},
    {"LISTBOX", "LISTBOX", LBS_NOTIFY | WS_BORDER, false},
    {"COMBOBOX", "COMBOBOX", CBS_SIMPLE | WS_TABSTOP, false},
    {"SCROLLBAR", "SCROLLBAR", SBS_HORZ, false},
};

const char* const kClassKeywords[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};

const char* const kMemoryOptions[] = {"PRELOAD", "LOADONCALL", "FIXED",  "MOVEABLE", "DISCARDABLE",
                                      "PURE",    "IMPURE",     "SHARED", "NONSHARED"};

const char* const kSkippedBlocks[] = {"VERSIONINFO", "TEXTINCLUDE", "DESIGNINFO", "DLGINIT",
                                      "AFX_DIALOG_LAYOUT"};

struct StyleValue
{
    uint32_t set = 0;
    uint32_t clear = 0;
    uint32_t Apply(uint32_t base) const { return (base | set) & ~clear; }
};

class Parser
{
public:
    Parser(const std::vector<Token>& tokens, Preprocessor& pp) : m_t(tokens), m_pp(pp) {}

    ModuleDef Run()
    {
        while (Peek().kind != Tok::End)
            Statement();
        return std::move(m_module);
    }

private:
    const Token& Peek(size_t ahead = 0) const { return m_t[std::min(m_pos + ahead, m_t.size() - 1)]; }
    const Token& Next()
    {
        const Token& t = m_t[m_pos];
        if (m_pos + 1 < m_t.size())
            ++m_pos;
        return t;
    }
    [[noreturn]] void Fail(const std::string& msg, const Token* at = nullptr) const
    {
        const Token& t = at ? *at : Peek();
        throw CompileError(m_pp.Files()[size_t(t.file)], t.line, msg);
    }
    std::string Describe(const Token& t) const
    {
        switch (t.kind)
        {
        case Tok::End:
            return "end of file";
        case Tok::String:
            return "string \"" + t.text + "\"";
        default:
            return "'" + t.text + "'";
        }
    }
    bool IsKeyword(const char* kw, size_t ahead = 0) const
    {
        const Token& t = Peek(ahead);
        return t.kind == Tok::Ident && Upper(t.text) == kw;
    }
    bool IsPunct(const char* p) const { return Peek().kind == Tok::Punct && Peek().text == p; }
    bool AtBegin() const { return IsKeyword("BEGIN") || IsPunct("{"); }
    bool AtEnd() const { return IsKeyword("END") || IsPunct("}"); }
    void ExpectBegin()
    {
        if (!AtBegin())
            Fail("expected BEGIN, found " + Describe(Peek()));
        Next();
    }
    // Consumes the END of a block opened at `open`.
    bool BlockEnd(const Token& open)
    {
        if (Peek().kind == Tok::End)
            Fail("unterminated block (no END)", &open);
        if (!AtEnd())
            return false;
        Next();
        return true;
    }
    bool Comma()
    {
        if (!IsPunct(","))
            return false;
        Next();
        return true;
    }

    int64_t Expr()
    {
        ExprParser p(m_t, m_pos, m_pp.Files(), false);
        return p.Parse();
    }
    int16_t Coord()
    {
        const Token& at = Peek();
        int64_t v = Expr();
        if (v < INT16_MIN || v > INT16_MAX)
            Fail("coordinate out of range", &at);
        return int16_t(v);
    }
    uint32_t Int() { return uint32_t(Expr()); }
    // A '|' list whose operands may be NOT x: those bits are cleared from the default.
    StyleValue Style()
    {
        StyleValue s;
        ExprParser p(m_t, m_pos, m_pp.Files(), false);
        for (;;)
        {
            if (IsKeyword("NOT"))
            {
                Next();
                s.clear |= uint32_t(p.ParseUnary());
            }
            else
                s.set |= uint32_t(p.ParseNoOr());
            if (!IsPunct("|"))
                return s;
            Next();
        }
    }
    std::string String(const char* what)
    {
        if (Peek().kind != Tok::String)
            Fail(std::string("expected ") + what + ", found " + Describe(Peek()));
        std::string s = Next().text;
        while (Peek().kind == Tok::String) // adjacent literals join
            s += Next().text;
        return s;
    }
    // Resource name or reference: "quoted", an identifier without #define (upper-cased), or a number.
    Name NameOrId()
    {
        Name n;
        if (Peek().kind == Tok::String)
        {
            n.isId = false;
            n.name = Next().text;
        }
        else if (Peek().kind == Tok::Ident && Upper(Peek().text) != "NOT")
        {
            n.isId = false;
            n.name = Upper(Next().text);
        }
        else
            n.id = uint32_t(Expr()) & 0xFFFF;
        return n;
    }
    void SkipMemoryOptions()
    {
        while (Peek().kind == Tok::Ident &&
               std::any_of(std::begin(kMemoryOptions), std::end(kMemoryOptions),
                           [&](const char* o) { return Upper(Peek().text) == o; }))
            Next();
    }
    // LANGUAGE, VERSION, CHARACTERISTICS: accepted and ignored. The language ids need no #define.
    bool CommonOption()
    {
        if (IsKeyword("LANGUAGE"))
        {
            Next();
            Next();
            Comma();
            Next();
            return true;
        }
        if (IsKeyword("VERSION") || IsKeyword("CHARACTERISTICS"))
        {
            Next();
            Expr();
            return true;
        }
        return false;
    }

    void Statement()
    {
        if (IsKeyword("STRINGTABLE"))
            return StringTable();
        if (CommonOption())
            return;
        const Token& start = Peek();
        if (start.kind == Tok::Punct && start.text != "(" && start.text != "-")
            Fail("unexpected " + Describe(start));
        Name name = NameOrId();
        const Token& typeTok = Peek();
        if (typeTok.kind == Tok::End)
            Fail("resource " + name.Describe() + " has no type", &start);
        std::string type = typeTok.kind == Tok::Ident ? Upper(typeTok.text) : std::string();
        if (AtBegin() || AtEnd())
            Fail("unknown keyword " + Describe(start), &start);
        if (type == "DIALOG" || type == "DIALOGEX")
        {
            Next();
            return Dialog(name, type == "DIALOGEX", start);
        }
        if (type == "MENU" || type == "MENUEX")
        {
            Next();
            return Menu(name, type == "MENUEX", start);
        }
        if (type == "ACCELERATORS")
        {
            Next();
            return Accelerators(name, start);
        }
        if (type == "TOOLBAR")
        {
            Next();
            return Toolbar(name, start);
        }
        if (std::any_of(std::begin(kSkippedBlocks), std::end(kSkippedBlocks),
                        [&](const char* k) { return type == k; }))
        {
            Next();
            return SkipBlock(typeTok);
        }

        Name rtype;
        bool fileOnly = true;
        if (type == "ICON")
            rtype.id = 14; // RT_GROUP_ICON
        else if (type == "CURSOR")
            rtype.id = 12; // RT_GROUP_CURSOR
        else if (type == "BITMAP")
            rtype.id = 2;
        else if (type == "RCDATA")
            rtype.id = 10, fileOnly = false;
        else if (type == "HTML")
            rtype.id = 23;
        else if (type == "MESSAGETABLE")
            rtype.id = 11;
        else if (type == "FONT")
            rtype.id = 8;
        else
        {
            // User-defined type: a name, a number, or an identifier without #define (e.g. WAVE).
            rtype = NameOrId();
            fileOnly = false;
            bool plausible = Peek().kind == Tok::String || AtBegin() || IsMemoryOption() ||
                             (Peek().kind == Tok::Ident && Peek().line == typeTok.line);
            if (!rtype.isId && !plausible)
                Fail("unknown keyword '" + typeTok.text + "'", &typeTok);
            FileResource(name, rtype, fileOnly, start);
            return;
        }
        Next();
        FileResource(name, rtype, fileOnly, start);
    }

    bool IsMemoryOption() const
    {
        return Peek().kind == Tok::Ident &&
               std::any_of(std::begin(kMemoryOptions), std::end(kMemoryOptions),
                           [&](const char* o) { return Upper(Peek().text) == o; });
    }

    void SkipBlock(const Token& kw)
    {
        while (!AtBegin())
        {
            if (Peek().kind == Tok::End)
                Fail("expected BEGIN for " + Upper(kw.text), &kw);
            Next();
        }
        const Token& open = Next();
        int depth = 1;
        while (depth > 0)
        {
            if (Peek().kind == Tok::End)
                Fail("unterminated block (no END)", &open);
            if (AtBegin())
                ++depth;
            else if (AtEnd())
                --depth;
            Next();
        }
    }

    void CheckDuplicate(bool duplicate, const char* what, const Name& name, const Token& at)
    {
        if (duplicate)
            Fail(std::string("duplicate ") + what + " resource " + name.Describe(), &at);
    }

    // ----- STRINGTABLE ---------------------------------------------------------------------------
    void StringTable()
    {
        Next();
        SkipMemoryOptions();
        while (CommonOption())
        {
        }
        const Token& open = Peek();
        ExpectBegin();
        while (!BlockEnd(open))
        {
            const Token& at = Peek();
            uint32_t id = Int() & 0xFFFF;
            Comma();
            std::string text = String("a string");
            if (!m_module.strings.emplace(id, std::move(text)).second)
                Fail("duplicate string id " + std::to_string(id), &at);
        }
    }

    // ----- DIALOG / DIALOGEX ---------------------------------------------------------------------
    void Dialog(const Name& name, bool isEx, const Token& start)
    {
        DialogDef d;
        d.name = name;
        d.isEx = isEx;
        for (const DialogDef& o : m_module.dialogs)
            CheckDuplicate(o.name == name, "DIALOG", name, start);
        SkipMemoryOptions();
        d.x = Coord();
        Comma();
        d.y = Coord();
        Comma();
        d.cx = Coord();
        Comma();
        d.cy = Coord();
        if (Comma())
            d.helpId = Int();

        bool haveStyle = false, haveCaption = false;
        StyleValue style;
        while (!AtBegin())
        {
            if (Peek().kind == Tok::End)
                Fail("expected BEGIN for dialog " + name.Describe(), &start);
            if (CommonOption())
                continue;
            const Token& kw = Next();
            std::string k = kw.kind == Tok::Ident ? Upper(kw.text) : std::string();
            if (k == "STYLE")
                style = Style(), haveStyle = true;
            else if (k == "EXSTYLE")
                d.exStyle = Style().Apply(0);
            else if (k == "CAPTION")
                d.caption = String("a caption"), haveCaption = true;
            else if (k == "FONT")
            {
                d.hasFont = true;
                d.pointSize = uint16_t(Int());
                Comma();
                d.face = String("a font name");
                if (Comma())
                {
                    d.weight = uint16_t(Int());
                    if (Comma())
                    {
                        d.italic = uint8_t(Int());
                        if (Comma())
                            d.charset = uint8_t(Int());
                    }
                }
            }
            else if (k == "MENU")
                d.menu = NameOrId(), d.hasMenu = true;
            else if (k == "CLASS")
                d.className = NameOrId(), d.hasClass = true;
            else
                Fail("unknown keyword " + Describe(kw) + " in dialog header", &kw);
        }
        d.style = style.Apply(haveStyle ? 0 : uint32_t(WS_POPUP | WS_BORDER | WS_SYSMENU));
        if (haveCaption)
            d.style |= WS_CAPTION;
        if (d.hasFont)
            d.style |= DS_SETFONT;

        const Token& open = Next();
        while (!BlockEnd(open))
            d.controls.push_back(ControlStatement(isEx));
        m_module.dialogs.push_back(std::move(d));
    }

    Name ControlText()
    {
        if (Peek().kind == Tok::String)
        {
            Name n;
            n.isId = false;
            n.name = String("a control text");
            return n;
        }
        return NameOrId();
    }

    // x, y, cx, cy [, style [, exstyle [, helpid]]] after the id of a control.
    void ControlTail(ControlDef& c, uint32_t defaultStyle, bool isEx, bool sizeOptional = false)
    {
        c.x = Coord();
        Comma();
        c.y = Coord();
        if (sizeOptional && !IsPunct(","))
        {
            c.style = defaultStyle;
            return;
        }
        Comma();
        c.cx = Coord();
        Comma();
        c.cy = Coord();
        StyleValue s;
        if (Comma())
        {
            s = Style();
            if (Comma())
            {
                c.exStyle = Style().Apply(0);
                if (isEx && Comma())
                    c.helpId = Int();
            }
        }
        c.style = s.Apply(defaultStyle);
    }

    ControlDef ControlStatement(bool isEx)
    {
        const Token& kw = Peek();
        if (kw.kind != Tok::Ident)
            Fail("expected a control statement, found " + Describe(kw));
        const std::string k = Upper(kw.text);
        const uint32_t base = WS_CHILD | WS_VISIBLE;
        ControlDef c;
        Next();
        if (k == "CONTROL")
        {
            c.text = ControlText();
            Comma();
            c.id = int32_t(Int());
            Comma();
            if (Peek().kind == Tok::String)
                c.className = Next().text;
            else if (Peek().kind == Tok::Ident &&
                     std::any_of(std::begin(kClassKeywords), std::end(kClassKeywords),
                                 [&](const char* s) { return Upper(Peek().text) == s; }))
                c.className = Upper(Next().text);
            else
                Fail("expected a class name, found " + Describe(Peek()));
            Comma();
            StyleValue s = Style();
            Comma();
            c.x = Coord();
            Comma();
            c.y = Coord();
            Comma();
            c.cx = Coord();
            Comma();
            c.cy = Coord();
            c.style = s.Apply(base);
            if (Comma())
            {
                c.exStyle = Style().Apply(0);
                if (isEx && Comma())
                    c.helpId = Int();
            }
            return c;
        }
        if (k == "ICON")
        {
            c.className = "STATIC";
            c.text = ControlText();
            Comma();
            c.id = int32_t(Int());
            Comma();
            ControlTail(c, base | SS_ICON, isEx, true);
            return c;
        }
        for (const ControlKind& ck : kControlKinds)
        {
            if (k != ck.keyword)
                continue;
            c.className = ck.className;
            if (ck.hasText)
            {
                c.text = ControlText();
                Comma();
            }
            else
            {
                c.text.isId = false; // empty text
            }
            c.id = int32_t(Int());
            Comma();
            ControlTail(c, base | ck.style, isEx);
            return c;
        }
        Fail("unknown keyword " + Describe(kw) + " in dialog", &kw);
    }

    // ----- MENU / MENUEX -------------------------------------------------------------------------
    uint32_t MenuOptions()
    {
        static const std::pair<const char*, uint32_t> kOptions[] = {
            {"CHECKED", MF_CHECKED},           {"GRAYED", MF_GRAYED},       {"INACTIVE", MF_DISABLED},
            {"MENUBARBREAK", MF_MENUBARBREAK}, {"MENUBREAK", MF_MENUBREAK}, {"HELP", MF_HELP}};
        uint32_t flags = 0;
        for (;;)
        {
            bool comma = Comma();
            const Token& t = Peek();
            auto it =
                std::find_if(std::begin(kOptions), std::end(kOptions),
                             [&](const auto& o) { return t.kind == Tok::Ident && Upper(t.text) == o.first; });
            if (it == std::end(kOptions))
            {
                if (comma)
                    Fail("unknown menu option " + Describe(t));
                return flags;
            }
            Next();
            flags |= it->second;
        }
    }

    void MenuItems(std::vector<MenuItemDef>& items, bool isEx, const Token& open)
    {
        while (!BlockEnd(open))
        {
            const Token& kw = Next();
            std::string k = kw.kind == Tok::Ident ? Upper(kw.text) : std::string();
            MenuItemDef item;
            if (k == "MENUITEM")
            {
                if (IsKeyword("SEPARATOR"))
                {
                    Next();
                    item.flags = MF_SEPARATOR;
                }
                else if (!isEx)
                {
                    item.text = String("a menu text");
                    Comma();
                    item.id = Int();
                    item.flags = MenuOptions();
                }
                else
                {
                    item.text = String("a menu text");
                    if (Comma())
                    {
                        item.id = Int();
                        if (Comma())
                        {
                            item.flags = Int();
                            if (Comma())
                                item.flags |= Int();
                        }
                    }
                }
            }
            else if (k == "POPUP")
            {
                item.text = String("a menu text");
                if (!isEx)
                    item.flags = MenuOptions();
                else if (Comma())
                {
                    item.id = Int();
                    if (Comma())
                    {
                        item.flags = Int();
                        if (Comma())
                        {
                            item.flags |= Int();
                            if (Comma())
                                item.helpId = Int();
                        }
                    }
                }
                item.flags |= MF_POPUP;
                const Token& sub = Peek();
                ExpectBegin();
                MenuItems(item.children, isEx, sub);
            }
            else
                Fail("unknown keyword " + Describe(kw) + " in menu", &kw);
            items.push_back(std::move(item));
        }
    }

    void Menu(const Name& name, bool isEx, const Token& start)
    {
        for (const MenuDef& o : m_module.menus)
            CheckDuplicate(o.name == name, "MENU", name, start);
        MenuDef m;
        m.name = name;
        m.isEx = isEx;
        SkipMemoryOptions();
        while (CommonOption())
        {
        }
        const Token& open = Peek();
        ExpectBegin();
        MenuItems(m.items, isEx, open);
        m_module.menus.push_back(std::move(m));
    }

    // ----- ACCELERATORS --------------------------------------------------------------------------
    void Accelerators(const Name& name, const Token& start)
    {
        for (const AccelTableDef& o : m_module.accelerators)
            CheckDuplicate(o.name == name, "ACCELERATORS", name, start);
        AccelTableDef table;
        table.name = name;
        SkipMemoryOptions();
        while (CommonOption())
        {
        }
        const Token& open = Peek();
        ExpectBegin();
        while (!BlockEnd(open))
        {
            const Token& at = Peek();
            std::string keyText;
            int64_t key = 0;
            bool isString = at.kind == Tok::String;
            if (isString)
                keyText = Next().text;
            else
                key = Expr();
            Comma();
            AccelDef a;
            a.cmd = uint16_t(Int());
            bool virtKey = false, ascii = false;
            while (Comma())
            {
                const Token& o = Next();
                std::string opt = o.kind == Tok::Ident ? Upper(o.text) : std::string();
                if (opt == "VIRTKEY")
                    virtKey = true;
                else if (opt == "ASCII")
                    ascii = true;
                else if (opt == "NOINVERT")
                    a.fVirt |= FNOINVERT;
                else if (opt == "ALT")
                    a.fVirt |= FALT;
                else if (opt == "SHIFT")
                    a.fVirt |= FSHIFT;
                else if (opt == "CONTROL")
                    a.fVirt |= FCONTROL;
                else
                    Fail("unknown accelerator option " + Describe(o), &o);
            }
            if (virtKey && ascii)
                Fail("accelerator is both VIRTKEY and ASCII", &at);
            if (isString)
            {
                if (keyText.size() == 2 && keyText[0] == '^')
                {
                    if (virtKey)
                        Fail("a \"^X\" accelerator cannot be VIRTKEY", &at);
                    char c = char(std::toupper(static_cast<unsigned char>(keyText[1])));
                    if (c < '@' || c > '_')
                        Fail("bad control character in accelerator \"" + keyText + "\"", &at);
                    key = c - '@';
                }
                else if (keyText.size() == 1)
                {
                    unsigned char c = static_cast<unsigned char>(keyText[0]);
                    key = virtKey ? std::toupper(c) : c; // virtual keys of letters are upper case
                }
                else
                    Fail("bad accelerator key \"" + keyText + "\"", &at);
            }
            if (virtKey)
                a.fVirt |= FVIRTKEY;
            a.key = uint16_t(key);
            table.entries.push_back(a);
        }
        m_module.accelerators.push_back(std::move(table));
    }

    // ----- TOOLBAR -------------------------------------------------------------------------------
    void Toolbar(const Name& name, const Token& start)
    {
        for (const ToolbarDef& o : m_module.toolbars)
            CheckDuplicate(o.name == name, "TOOLBAR", name, start);
        ToolbarDef tb;
        tb.name = name;
        SkipMemoryOptions();
        tb.cx = uint16_t(Int());
        Comma();
        tb.cy = uint16_t(Int());
        const Token& open = Peek();
        ExpectBegin();
        while (!BlockEnd(open))
        {
            if (IsKeyword("SEPARATOR"))
            {
                Next();
                tb.ids.push_back(0);
            }
            else if (IsKeyword("BUTTON"))
            {
                Next();
                tb.ids.push_back(uint16_t(Int()));
            }
            else
                Fail("unknown keyword " + Describe(Peek()) + " in toolbar");
        }
        m_module.toolbars.push_back(std::move(tb));
    }

    // ----- file and data resources ---------------------------------------------------------------
    std::string ResolveFile(const std::string& name, int fromFile, const Token& at)
    {
        std::string wanted = name;
        std::replace(wanted.begin(), wanted.end(), '\\', '/');
        std::vector<std::string> dirs = {fs::path(m_pp.Files()[size_t(fromFile)]).parent_path().string(),
                                         fs::path(m_pp.Files()[0]).parent_path().string()};
        dirs.insert(dirs.end(), m_pp.IncludeDirs().begin(), m_pp.IncludeDirs().end());
        for (const std::string& d : dirs)
        {
            fs::path p = d.empty() ? fs::path(wanted) : fs::path(d) / wanted;
            std::error_code ec;
            if (fs::is_regular_file(p, ec))
                return p.lexically_normal().string();
        }
        Fail("cannot open file '" + name + "'", &at);
    }

    void FileResource(const Name& name, const Name& type, bool fileOnly, const Token& start)
    {
        for (const BinaryDef& o : m_module.binaries)
            CheckDuplicate(o.type == type && o.name == name, "file", name, start);
        BinaryDef b;
        b.type = type;
        b.name = name;
        SkipMemoryOptions();
        const Token& at = Peek();
        if (!fileOnly && AtBegin())
        {
            InlineData(b.bytes);
        }
        else
        {
            std::string file;
            if (at.kind == Tok::String)
                file = Next().text;
            else
            {
                // Unquoted file name: the tokens written without spaces between them.
                if (at.kind == Tok::End || at.line != start.line)
                    Fail("expected a file name", &at);
                file = Next().text;
                while (Peek().kind != Tok::End && !Peek().spaceBefore && Peek().line == at.line)
                    file += Next().text;
            }
            std::string path = ResolveFile(file, at.file, at);
            std::string bytes;
            if (!ReadFileBytes(path, bytes))
                Fail("cannot read file '" + file + "'", &at);
            m_pp.AddDependency(path);
            b.bytes.assign(bytes.begin(), bytes.end());
        }
        m_module.binaries.push_back(std::move(b));
    }

    // Raw data: numbers as 16-bit words (32-bit with an L suffix), strings as their bytes.
    void InlineData(std::vector<unsigned char>& out)
    {
        const Token& open = Next();
        while (!BlockEnd(open))
        {
            if (Peek().kind == Tok::String)
            {
                std::string s = Next().text;
                out.insert(out.end(), s.begin(), s.end());
            }
            else
            {
                bool isLong = Peek().isLong;
                uint32_t v = Int();
                int n = isLong ? 4 : 2;
                for (int i = 0; i < n; ++i)
                    out.push_back(uint8_t(v >> (8 * i)));
            }
            Comma();
        }
    }

    const std::vector<Token>& m_t;
    Preprocessor& m_pp;
    size_t m_pos = 0;
    ModuleDef m_module;
};

} // namespace

ModuleDef Parse(const std::vector<Token>& tokens, Preprocessor& pp)
{
    return Parser(tokens, pp).Run();
}

} // namespace kelrc
