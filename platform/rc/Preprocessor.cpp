// The script preprocessor: #include, #define/#undef (object- and function-like), conditionals.
#include "Rc.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace kelrc
{

bool ReadFileBytes(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

namespace
{

bool IsIdentStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHeaderFile(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".h" || ext == ".hh" || ext == ".hpp" || ext == ".hxx" || ext == ".c" || ext == ".cpp" ||
           ext == ".cxx";
}

// Replaces comments by blanks (keeping newlines, so line numbers hold) without touching literals.
std::string StripComments(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();)
    {
        char c = s[i];
        if (c == '"' || c == '\'')
        {
            out += c;
            ++i;
            while (i < s.size() && s[i] != c && s[i] != '\n')
            {
                if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] != '\n')
                    out += s[i++];
                out += s[i++];
            }
            if (i < s.size() && s[i] == c)
                out += s[i++];
        }
        else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/')
        {
            while (i < s.size() && s[i] != '\n')
                ++i;
        }
        else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*')
        {
            i += 2;
            out += ' ';
            while (i < s.size() && !(s[i] == '*' && i + 1 < s.size() && s[i + 1] == '/'))
            {
                if (s[i] == '\n')
                    out += '\n';
                ++i;
            }
            i = std::min(s.size(), i + 2);
        }
        else
            out += s[i++];
    }
    return out;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\f\v");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\f\v");
    return s.substr(b, e - b + 1);
}

std::string Slashes(std::string p)
{
    std::replace(p.begin(), p.end(), '\\', '/');
    std::string out;
    for (char c : p)
        if (!(c == '/' && !out.empty() && out.back() == '/'))
            out += c;
    return out;
}

} // namespace

Preprocessor::Preprocessor(std::vector<std::string> includeDirs) : m_includeDirs(std::move(includeDirs))
{
    Define("RC_INVOKED", "1");
}

void Preprocessor::Define(const std::string& name, const std::string& value)
{
    Macro m;
    m.body = Tokenize(value, 0, 0);
    m_macros[name] = std::move(m);
}

bool Preprocessor::Active() const
{
    return m_conds.empty() || m_conds.back().active;
}

std::vector<Token> Preprocessor::Run(const std::string& script)
{
    m_out.clear();
    ProcessFile(script, IsHeaderFile(script), 0);
    Token end;
    end.kind = Tok::End;
    end.file = 0;
    end.line = m_out.empty() ? 1 : m_out.back().line;
    m_out.push_back(end);
    return std::move(m_out);
}

void Preprocessor::ProcessFile(const std::string& path, bool header, int depth)
{
    std::string raw;
    if (!ReadFileBytes(path, raw))
        throw CompileError(path, 0, "cannot open file");
    m_deps.insert(path);
    const int file = int(m_files.size());
    m_files.push_back(path);
    const size_t condDepth = m_conds.size();

    std::string text = StripComments(raw);
    size_t pos = 0;
    int lineNo = 1;
    while (pos < text.size())
    {
        // A logical line: physical lines joined where they end in a backslash.
        const int startLine = lineNo;
        std::string line;
        while (pos < text.size())
        {
            size_t nl = text.find('\n', pos);
            std::string part = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
            pos = nl == std::string::npos ? text.size() : nl + 1;
            ++lineNo;
            if (!part.empty() && part.back() == '\r')
                part.pop_back();
            if (!part.empty() && part.back() == '\\')
            {
                part.pop_back();
                line += part;
                continue;
            }
            line += part;
            break;
        }
        std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed[0] == '#')
            Directive(trimmed.substr(1), file, startLine, header, depth);
        else if (!header && Active() && !trimmed.empty())
        {
            std::vector<Token> toks = Tokenize(line, file, startLine);
            std::set<std::string> hidden;
            Expand(toks, m_out, hidden, file, startLine);
        }
    }
    if (m_conds.size() != condDepth)
        throw CompileError(path, lineNo - 1, "unterminated #if");
}

std::vector<Token> Preprocessor::Tokenize(const std::string& s, int file, int line)
{
    std::vector<Token> out;
    size_t i = 0;
    bool space = true;
    auto fail = [&](const std::string& msg)
    { throw CompileError(file < int(m_files.size()) ? m_files[file] : "<command line>", line, msg); };
    while (i < s.size())
    {
        char c = s[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v')
        {
            space = true;
            ++i;
            continue;
        }
        Token t;
        t.file = file;
        t.line = line;
        t.spaceBefore = space;
        space = false;
        if ((c == 'L' || c == 'l') && i + 1 < s.size() && s[i + 1] == '"')
            c = s[++i]; // wide strings hold the same bytes here
        if (c == '"')
        {
            t.kind = Tok::String;
            ++i;
            bool closed = false;
            while (i < s.size())
            {
                char ch = s[i++];
                if (ch == '"')
                {
                    if (i < s.size() && s[i] == '"') // "" is a quote
                    {
                        t.text += '"';
                        ++i;
                        continue;
                    }
                    closed = true;
                    break;
                }
                if (ch != '\\' || i >= s.size())
                {
                    t.text += ch;
                    continue;
                }
                char e = s[i++];
                switch (e)
                {
                case 'n':
                    t.text += '\n';
                    break;
                case 't':
                    t.text += '\t';
                    break;
                case 'r':
                    t.text += '\r';
                    break;
                case 'a':
                    t.text += '\a';
                    break;
                case 'b':
                    t.text += '\b';
                    break;
                case 'f':
                    t.text += '\f';
                    break;
                case 'v':
                    t.text += '\v';
                    break;
                case 'x':
                case 'X':
                {
                    int v = 0, n = 0;
                    while (n < 2 && i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])))
                    {
                        char h = char(std::tolower(static_cast<unsigned char>(s[i++])));
                        v = v * 16 + (IsDigit(h) ? h - '0' : h - 'a' + 10);
                        ++n;
                    }
                    if (n == 0)
                        fail("bad \\x escape in string");
                    t.text += char(v);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7')
                    {
                        int v = e - '0', n = 1;
                        while (n < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7')
                            v = v * 8 + (s[i++] - '0'), ++n;
                        t.text += char(v & 0xFF);
                    }
                    else
                        t.text += e; // \\, \", \' and unknown escapes keep the character
                }
            }
            if (!closed)
                fail("unterminated string");
        }
        else if (c == '\'')
        {
            // Character constant (in #if): its code.
            size_t end = s.find('\'', i + 1);
            if (end == std::string::npos || end == i + 1)
                fail("bad character constant");
            t.kind = Tok::Number;
            t.text = s.substr(i, end - i + 1);
            t.value = static_cast<unsigned char>(s[i + 1] == '\\' && end > i + 2 ? s[i + 2] : s[i + 1]);
            if (s[i + 1] == '\\' && s[i + 2] == 'n')
                t.value = '\n';
            i = end + 1;
        }
        else if (IsIdentStart(c))
        {
            size_t b = i;
            while (i < s.size() && IsIdentChar(s[i]))
                ++i;
            t.kind = Tok::Ident;
            t.text = s.substr(b, i - b);
        }
        else if (IsDigit(c))
        {
            size_t b = i;
            while (i < s.size() && IsIdentChar(s[i]))
                ++i;
            t.kind = Tok::Number;
            t.text = s.substr(b, i - b);
            std::string digits = t.text;
            while (!digits.empty() && std::strchr("uUlL", digits.back()))
            {
                if (digits.back() == 'l' || digits.back() == 'L')
                    t.isLong = true;
                digits.pop_back();
            }
            int base = 10;
            size_t k = 0;
            if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
                base = 16, k = 2;
            else if (digits.size() > 1 && digits[0] == '0')
                base = 8, k = 1;
            uint64_t v = 0;
            if (k == digits.size() && base == 16)
                fail("bad number '" + t.text + "'");
            for (; k < digits.size(); ++k)
            {
                char h = char(std::tolower(static_cast<unsigned char>(digits[k])));
                int d = IsDigit(h) ? h - '0' : (h >= 'a' && h <= 'f') ? h - 'a' + 10 : 99;
                if (d >= base)
                    fail("bad number '" + t.text + "'");
                v = v * uint64_t(base) + uint64_t(d);
                if (v > 0xFFFFFFFFull)
                    fail("number too large '" + t.text + "'");
            }
            t.value = int64_t(v);
        }
        else
        {
            t.kind = Tok::Punct;
            static const char* twoChar[] = {"||", "&&", "==", "!=", "<=", ">=", "<<", ">>", "##"};
            t.text = std::string(1, c);
            for (const char* op : twoChar)
                if (i + 1 < s.size() && c == op[0] && s[i + 1] == op[1])
                    t.text = op;
            i += t.text.size();
        }
        out.push_back(std::move(t));
    }
    return out;
}

void Preprocessor::Expand(const std::vector<Token>& in, std::vector<Token>& out,
                          std::set<std::string>& hidden, int file, int line)
{
    for (size_t i = 0; i < in.size(); ++i)
    {
        const Token& t = in[i];
        auto it = t.kind == Tok::Ident ? m_macros.find(t.text) : m_macros.end();
        if (it == m_macros.end() || hidden.count(t.text))
        {
            out.push_back(t);
            continue;
        }
        const Macro& m = it->second;
        std::vector<Token> body;
        if (!m.function)
            body = m.body;
        else
        {
            if (i + 1 >= in.size() || in[i + 1].kind != Tok::Punct || in[i + 1].text != "(")
            {
                out.push_back(t); // a function-like macro's name without arguments stays a name
                continue;
            }
            std::vector<std::vector<Token>> args(1);
            int depth = 0;
            size_t j = i + 2;
            for (; j < in.size(); ++j)
            {
                const Token& a = in[j];
                if (a.kind == Tok::Punct && a.text == "(")
                    ++depth;
                else if (a.kind == Tok::Punct && a.text == ")")
                {
                    if (depth-- == 0)
                        break;
                }
                else if (a.kind == Tok::Punct && a.text == "," && depth == 0)
                {
                    args.emplace_back();
                    continue;
                }
                args.back().push_back(a);
            }
            if (j >= in.size())
                throw CompileError(m_files[file], line, "unterminated arguments of macro '" + t.text + "'");
            if (m.params.empty() && args.size() == 1 && args[0].empty())
                args.clear();
            if (args.size() != m.params.size())
                throw CompileError(m_files[file], line,
                                   "wrong number of arguments to macro '" + t.text + "'");
            for (const Token& b : m.body)
            {
                auto p = b.kind == Tok::Ident ? std::find(m.params.begin(), m.params.end(), b.text)
                                              : m.params.end();
                if (p == m.params.end())
                    body.push_back(b);
                else
                {
                    std::vector<Token> expandedArg;
                    std::set<std::string> argHidden = hidden;
                    Expand(args[size_t(p - m.params.begin())], expandedArg, argHidden, file, line);
                    body.insert(body.end(), expandedArg.begin(), expandedArg.end());
                }
            }
            i = j;
        }
        for (Token& b : body)
        {
            b.file = t.file;
            b.line = t.line;
        }
        if (!body.empty())
            body.front().spaceBefore = t.spaceBefore;
        hidden.insert(t.text);
        Expand(body, out, hidden, file, line);
        hidden.erase(t.text);
    }
}

bool Preprocessor::EvalCondition(const std::vector<Token>& tokens, int file, int line)
{
    // defined X / defined(X) first, then expansion.
    std::vector<Token> resolved;
    for (size_t i = 0; i < tokens.size(); ++i)
    {
        if (tokens[i].kind == Tok::Ident && tokens[i].text == "defined")
        {
            size_t j = i + 1;
            bool paren = j < tokens.size() && tokens[j].kind == Tok::Punct && tokens[j].text == "(";
            if (paren)
                ++j;
            if (j >= tokens.size() || tokens[j].kind != Tok::Ident)
                throw CompileError(m_files[file], line, "'defined' needs a name");
            Token n = tokens[j];
            n.kind = Tok::Number;
            n.value = m_macros.count(tokens[j].text) ? 1 : 0;
            resolved.push_back(n);
            if (paren)
            {
                ++j;
                if (j >= tokens.size() || tokens[j].text != ")")
                    throw CompileError(m_files[file], line, "missing ')' after 'defined'");
            }
            i = j;
        }
        else
            resolved.push_back(tokens[i]);
    }
    std::vector<Token> expanded;
    std::set<std::string> hidden;
    Expand(resolved, expanded, hidden, file, line);
    if (expanded.empty())
        throw CompileError(m_files[file], line, "#if without an expression");
    Token end;
    end.kind = Tok::End;
    end.file = file;
    end.line = line;
    expanded.push_back(end);
    size_t pos = 0;
    ExprParser p(expanded, pos, m_files, true);
    int64_t v = p.Parse();
    if (expanded[pos].kind != Tok::End)
        p.Fail("unexpected '" + expanded[pos].text + "' in #if");
    return v != 0;
}

std::string Preprocessor::ResolveInclude(const std::string& name, bool angled, int fromFile)
{
    std::string wanted = Slashes(name);
    std::string lower = wanted;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    // The layer's own constants stand in for the system headers of a Windows script.
    if (lower == "windows.h" || lower == "winres.h" || lower == "winresrc.h" || lower == "commctrl.h")
        wanted = "win32/styles.h", angled = true;
    std::vector<std::string> dirs;
    if (!angled)
        dirs.push_back(fs::path(m_files[fromFile]).parent_path().string());
    dirs.insert(dirs.end(), m_includeDirs.begin(), m_includeDirs.end());
    for (const std::string& d : dirs)
    {
        fs::path p = d.empty() ? fs::path(wanted) : fs::path(d) / wanted;
        std::error_code ec;
        if (fs::is_regular_file(p, ec))
            return p.lexically_normal().string();
    }
    return {};
}

void Preprocessor::Directive(const std::string& text, int file, int line, bool header, int depth)
{
    size_t b = text.find_first_not_of(" \t");
    std::string rest = b == std::string::npos ? std::string() : text.substr(b);
    size_t e = 0;
    while (e < rest.size() && IsIdentChar(rest[e]))
        ++e;
    const std::string name = rest.substr(0, e);
    const std::string args = Trim(rest.substr(e));
    const std::string& path = m_files[file];
    auto fail = [&](const std::string& msg) { throw CompileError(path, line, msg); };

    if (name == "if" || name == "ifdef" || name == "ifndef")
    {
        bool live = Active();
        bool value = false;
        if (live)
        {
            if (name == "if")
                value = EvalCondition(Tokenize(args, file, line), file, line);
            else
            {
                std::vector<Token> t = Tokenize(args, file, line);
                if (t.empty() || t[0].kind != Tok::Ident)
                    fail("#" + name + " needs a name");
                value = m_macros.count(t[0].text) != 0;
                if (name == "ifndef")
                    value = !value;
            }
        }
        m_conds.push_back(Cond{live && value, live && value, live, false});
        return;
    }
    if (name == "elif" || name == "else")
    {
        if (m_conds.empty() || m_conds.back().sawElse)
            fail("#" + name + " without #if");
        Cond& c = m_conds.back();
        bool value = false;
        if (c.parentLive && !c.taken)
            value = name == "else" || EvalCondition(Tokenize(args, file, line), file, line);
        c.active = value;
        c.taken = c.taken || value;
        c.sawElse = name == "else";
        return;
    }
    if (name == "endif")
    {
        if (m_conds.empty())
            fail("#endif without #if");
        m_conds.pop_back();
        return;
    }
    if (!Active())
        return;

    if (name == "include")
    {
        if (args.size() < 2 || !((args[0] == '"' && args.find('"', 1) != std::string::npos) ||
                                 (args[0] == '<' && args.find('>') != std::string::npos)))
            fail("#include expects \"file\" or <file>");
        bool angled = args[0] == '<';
        std::string inc = args.substr(1, args.find(angled ? '>' : '"', 1) - 1);
        if (depth > 40)
            fail("#include nested too deeply");
        std::string found = ResolveInclude(inc, angled, file);
        if (found.empty())
        {
            // A header may pull in C++ system headers the scripts never need.
            if (header && angled)
                return;
            fail("cannot open include file '" + inc + "'");
        }
        if (m_once.count(found))
            return;
        ProcessFile(found, IsHeaderFile(found), depth + 1);
        return;
    }
    if (name == "define")
    {
        size_t n = 0;
        while (n < args.size() && IsIdentChar(args[n]))
            ++n;
        if (n == 0 || !IsIdentStart(args[0]))
            fail("#define needs a name");
        Macro m;
        std::string body = args.substr(n);
        if (!body.empty() && body[0] == '(')
        {
            size_t close = body.find(')');
            if (close == std::string::npos)
                fail("missing ')' in macro parameters");
            m.function = true;
            for (const Token& p : Tokenize(body.substr(1, close - 1), file, line))
                if (p.kind == Tok::Ident)
                    m.params.push_back(p.text);
                else if (p.text != ",")
                    fail("bad macro parameter '" + p.text + "'");
            body = body.substr(close + 1);
        }
        m.body = Tokenize(body, file, line);
        m_macros[args.substr(0, n)] = std::move(m);
        return;
    }
    if (name == "undef")
    {
        m_macros.erase(Trim(args));
        return;
    }
    if (name == "pragma")
    {
        if (Trim(args) == "once")
            m_once.insert(path);
        return; // code_page and the rest do not matter to us
    }
    if (name == "error")
        fail("#error " + args);
    if (name.empty() || name == "line")
        return;
    if (header)
        return; // unknown directives of C headers are not ours to judge
    fail("unknown directive '#" + name + "'");
}

} // namespace kelrc
