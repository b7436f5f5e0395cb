// Integer expressions of scripts and #if lines (C operators plus NOT).
#include "Rc.h"

namespace kelrc
{

void ExprParser::Fail(const std::string& message) const
{
    const Token& t = m_t[m_pos];
    throw CompileError(m_files.empty() ? std::string() : m_files[size_t(t.file)], t.line, message);
}

namespace
{
constexpr int kMaxNesting = 256;
}

ExprParser::Nest::Nest(ExprParser& parser) : m_parser(parser)
{
    if (++m_parser.m_depth > kMaxNesting)
    {
        --m_parser.m_depth;
        m_parser.Fail("expression nested too deeply");
    }
}

int64_t ExprParser::Parse()
{
    return Ternary();
}

int64_t ExprParser::ParseNoOr()
{
    return BitXor();
}

int64_t ExprParser::Ternary()
{
    const Nest nest(*this);
    int64_t c = LogicalOr();
    if (!IsPunct("?"))
        return c;
    ++m_pos;
    int64_t a = Ternary();
    if (!IsPunct(":"))
        Fail("expected ':'");
    ++m_pos;
    int64_t b = Ternary();
    return c ? a : b;
}

int64_t ExprParser::LogicalOr()
{
    int64_t v = LogicalAnd();
    while (IsPunct("||"))
    {
        ++m_pos;
        int64_t r = LogicalAnd();
        v = (v || r) ? 1 : 0;
    }
    return v;
}

int64_t ExprParser::LogicalAnd()
{
    int64_t v = BitOr();
    while (IsPunct("&&"))
    {
        ++m_pos;
        int64_t r = BitOr();
        v = (v && r) ? 1 : 0;
    }
    return v;
}

int64_t ExprParser::BitOr()
{
    int64_t v = BitXor();
    while (IsPunct("|"))
    {
        ++m_pos;
        v |= BitXor();
    }
    return v;
}

int64_t ExprParser::BitXor()
{
    int64_t v = BitAnd();
    while (IsPunct("^"))
    {
        ++m_pos;
        v ^= BitAnd();
    }
    return v;
}

int64_t ExprParser::BitAnd()
{
    int64_t v = Equality();
    while (IsPunct("&"))
    {
        ++m_pos;
        v &= Equality();
    }
    return v;
}

int64_t ExprParser::Equality()
{
    int64_t v = Relational();
    while (IsPunct("==") || IsPunct("!="))
    {
        bool eq = Peek().text == "==";
        ++m_pos;
        int64_t r = Relational();
        v = ((v == r) == eq) ? 1 : 0;
    }
    return v;
}

int64_t ExprParser::Relational()
{
    int64_t v = Shift();
    while (IsPunct("<") || IsPunct(">") || IsPunct("<=") || IsPunct(">="))
    {
        std::string op = Peek().text;
        ++m_pos;
        int64_t r = Shift();
        v = op == "<" ? v < r : op == ">" ? v > r : op == "<=" ? v <= r : v >= r;
    }
    return v;
}

int64_t ExprParser::Shift()
{
    int64_t v = Additive();
    while (IsPunct("<<") || IsPunct(">>"))
    {
        bool left = Peek().text == "<<";
        ++m_pos;
        int64_t r = Additive();
        if (r < 0 || r > 63)
            Fail("shift out of range");
        v = left ? int64_t(uint64_t(v) << r) : v >> r;
    }
    return v;
}

int64_t ExprParser::Additive()
{
    int64_t v = Multiplicative();
    while (IsPunct("+") || IsPunct("-"))
    {
        bool plus = Peek().text == "+";
        ++m_pos;
        int64_t r = Multiplicative();
        v = int64_t(plus ? uint64_t(v) + uint64_t(r) : uint64_t(v) - uint64_t(r));
    }
    return v;
}

int64_t ExprParser::Multiplicative()
{
    int64_t v = ParseUnary();
    while (IsPunct("*") || IsPunct("/") || IsPunct("%"))
    {
        char op = Peek().text[0];
        ++m_pos;
        int64_t r = ParseUnary();
        if (op == '*')
            v = int64_t(uint64_t(v) * uint64_t(r));
        else if (r == 0)
            Fail("division by zero");
        else if (r == -1) // the most negative value divided by -1 would trap
            v = op == '/' ? int64_t(0 - uint64_t(v)) : 0;
        else
            v = op == '/' ? v / r : v % r;
    }
    return v;
}

int64_t ExprParser::ParseUnary()
{
    const Nest nest(*this);
    const Token& t = Peek();
    if (t.kind == Tok::Punct && (t.text == "-" || t.text == "+" || t.text == "~" || t.text == "!"))
    {
        char op = t.text[0];
        ++m_pos;
        int64_t v = ParseUnary();
        return op == '-' ? int64_t(0 - uint64_t(v)) : op == '+' ? v : op == '~' ? ~v : (v == 0 ? 1 : 0);
    }
    if (t.kind == Tok::Ident && t.text == "NOT")
    {
        ++m_pos;
        return ~ParseUnary();
    }
    return Primary();
}

int64_t ExprParser::Primary()
{
    const Token& t = Peek();
    switch (t.kind)
    {
    case Tok::Number:
        ++m_pos;
        return t.value;
    case Tok::Ident:
        if (m_pp)
        {
            ++m_pos;
            return 0; // undefined names count 0 in #if
        }
        Fail("undefined identifier '" + t.text + "'");
    case Tok::Punct:
        if (t.text == "(")
        {
            ++m_pos;
            int64_t v = Parse();
            if (!IsPunct(")"))
                Fail("expected ')'");
            ++m_pos;
            return v;
        }
        Fail("expected a number, found '" + t.text + "'");
    case Tok::String:
        Fail("expected a number, found a string");
    case Tok::End:
        break;
    }
    Fail("expected a number at end of input");
}

} // namespace kelrc
