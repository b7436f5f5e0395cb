// kelrc: the resource compiler's internal model and stages (preprocess -> parse -> emit).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelrc
{

// An error at a script position; main() prints it as "file:line: error: message".
struct CompileError : std::runtime_error
{
    std::string file;
    int line;
    CompileError(std::string f, int l, const std::string& message)
        : std::runtime_error(message), file(std::move(f)), line(l)
    {
    }
};

enum class Tok
{
    Ident,
    Number,
    String,
    Punct,
    End
};

struct Token
{
    Tok kind = Tok::End;
    std::string text; // identifier, punctuation, raw number text; decoded bytes for strings
    int64_t value = 0;
    bool isLong = false;      // number with an L suffix
    bool spaceBefore = false; // whitespace (or line start) precedes the token
    int file = 0;             // index into Preprocessor::Files()
    int line = 0;
};

// Reads the script and everything it includes, runs the directives and expands macros. Files with a
// header extension (.h, .hpp, .c ...) contribute only their directives, as on Windows.
class Preprocessor
{
public:
    explicit Preprocessor(std::vector<std::string> includeDirs);

    void Define(const std::string& name, const std::string& value);
    // The script's tokens with directives done and macros expanded.
    std::vector<Token> Run(const std::string& script);

    const std::vector<std::string>& Files() const { return m_files; }
    // Every file read (script, headers, embedded files), for the depfile.
    const std::set<std::string>& Dependencies() const { return m_deps; }
    void AddDependency(const std::string& path) { m_deps.insert(path); }
    const std::vector<std::string>& IncludeDirs() const { return m_includeDirs; }

private:
    struct Macro
    {
        bool function = false;
        std::vector<std::string> params;
        std::vector<Token> body;
    };

    void ProcessFile(const std::string& path, bool header, int depth);
    void Directive(const std::string& text, int file, int line, bool header, int depth);
    std::vector<Token> Tokenize(const std::string& text, int file, int line);
    void Expand(const std::vector<Token>& in, std::vector<Token>& out, std::set<std::string>& hidden,
                int file, int line);
    bool EvalCondition(const std::vector<Token>& tokens, int file, int line);
    std::string ResolveInclude(const std::string& name, bool angled, int fromFile);
    bool Active() const;

    struct Cond
    {
        bool active;     // this branch is being read
        bool taken;      // some branch of this #if was read
        bool parentLive; // the enclosing branch is being read
        bool sawElse;
    };

    std::vector<std::string> m_includeDirs;
    std::map<std::string, Macro> m_macros;
    std::vector<std::string> m_files;
    std::set<std::string> m_deps;
    std::set<std::string> m_once;
    std::vector<Cond> m_conds;
    std::vector<Token> m_out;
};

// Integer expressions over a token range. In script mode an identifier left after macro expansion is
// an error; in #if mode it counts 0. NOT is bitwise complement (styles handle NOT separately).
class ExprParser
{
public:
    ExprParser(const std::vector<Token>& tokens, size_t& pos, const std::vector<std::string>& files,
               bool preprocessor)
        : m_t(tokens), m_pos(pos), m_files(files), m_pp(preprocessor)
    {
    }
    int64_t Parse();     // full expression incl. ?: and ||
    int64_t ParseNoOr(); // an operand of a top-level '|' (style lists)
    int64_t ParseUnary();

    [[noreturn]] void Fail(const std::string& message) const;

private:
    const Token& Peek() const { return m_t[m_pos]; }
    bool IsPunct(const char* p) const { return Peek().kind == Tok::Punct && Peek().text == p; }
    int64_t Ternary();
    int64_t LogicalOr();
    int64_t LogicalAnd();
    int64_t BitOr();
    int64_t BitXor();
    int64_t BitAnd();
    int64_t Equality();
    int64_t Relational();
    int64_t Shift();
    int64_t Additive();
    int64_t Multiplicative();
    int64_t Primary();
    // Counts nesting, so a damaged script fails with a message instead of exhausting the stack.
    struct Nest
    {
        explicit Nest(ExprParser& parser);
        ~Nest() { --m_parser.m_depth; }
        ExprParser& m_parser;
    };

    int m_depth = 0;
    const std::vector<Token>& m_t;
    size_t& m_pos;
    const std::vector<std::string>& m_files;
    bool m_pp;
};

// ----- the compiled model --------------------------------------------------------------------

struct Name
{
    bool isId = true;
    uint32_t id = 0;
    std::string name;

    bool operator==(const Name& o) const;
    std::string Describe() const;
};

struct ControlDef
{
    std::string className;
    Name text;
    int32_t id = 0;
    uint32_t style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t helpId = 0;
};

struct DialogDef
{
    Name name;
    bool isEx = false;
    uint32_t style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t helpId = 0;
    std::string caption;
    bool hasFont = false;
    uint16_t pointSize = 0;
    std::string face;
    uint16_t weight = 0;
    uint8_t italic = 0, charset = 1;
    bool hasMenu = false, hasClass = false;
    Name menu, className;
    std::vector<ControlDef> controls;
};

struct MenuItemDef
{
    std::string text;
    uint32_t id = 0, flags = 0, helpId = 0;
    std::vector<MenuItemDef> children;
};

struct MenuDef
{
    Name name;
    bool isEx = false;
    std::vector<MenuItemDef> items;
};

struct AccelDef
{
    uint8_t fVirt = 0;
    uint16_t key = 0, cmd = 0;
};

struct AccelTableDef
{
    Name name;
    std::vector<AccelDef> entries;
};

struct BinaryDef
{
    Name type, name;
    std::vector<unsigned char> bytes;
};

struct ToolbarDef
{
    Name name;
    uint16_t cx = 0, cy = 0;
    std::vector<uint16_t> ids;
};

struct ModuleDef
{
    std::vector<DialogDef> dialogs;
    std::map<uint32_t, std::string> strings;
    std::vector<MenuDef> menus;
    std::vector<AccelTableDef> accelerators;
    std::vector<BinaryDef> binaries;
    std::vector<ToolbarDef> toolbars;
};

// Parses the preprocessed tokens into the model; embedded files are read through `pp`.
ModuleDef Parse(const std::vector<Token>& tokens, Preprocessor& pp);

// Writes the C++ tables and registrar for a module.
std::string Emit(const ModuleDef& module, const std::string& moduleName, bool isMain,
                 const std::string& script);

// Reads a file's bytes; false when it cannot be opened.
bool ReadFileBytes(const std::string& path, std::string& out);

} // namespace kelrc
