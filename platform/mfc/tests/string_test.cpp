#include "mfc/String.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unordered_set>

// Show CStrings as text in failure messages.
static void PrintTo(const CString& s, std::ostream* os)
{
    *os << '"' << std::string(s.GetString(), static_cast<size_t>(s.GetLength())) << '"';
}

TEST(CString, ConstructionForms)
{
    EXPECT_EQ(CString().GetLength(), 0);
    EXPECT_TRUE(CString().IsEmpty());
    EXPECT_EQ(CString("abc"), "abc");
    EXPECT_EQ(CString(static_cast<LPCTSTR>(nullptr)), "");
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString("abc", -2), "");
    EXPECT_EQ(CString('x', 3), "xxx");
    EXPECT_EQ(CString('x', 0), "");
    EXPECT_EQ(CString('y'), "y");

    // Embedded NULs survive a counted copy.
    const CString withNul("a\0b", 3);
    EXPECT_EQ(withNul.GetLength(), 3);
    EXPECT_EQ(withNul.GetAt(2), 'b');

    CString s;
    s = "hello";
    s = s; // self-assignment keeps the text
    EXPECT_EQ(s, "hello");
    s = s.GetString() + 1; // assignment from our own buffer
    EXPECT_EQ(s, "ello");
    s = 'z';
    EXPECT_EQ(s, "z");
    s = static_cast<LPCTSTR>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, ConcatenationAllOperandKinds)
{
    const CString a("ab");
    EXPECT_EQ(a + CString("cd"), "abcd");
    EXPECT_EQ(a + "cd", "abcd");
    EXPECT_EQ("cd" + a, "cdab");
    EXPECT_EQ(a + 'c', "abc");
    EXPECT_EQ('c' + a, "cab");

    CString s("x");
    s += a;
    s += "y";
    s += 'z';
    s += static_cast<LPCTSTR>(nullptr);
    s.Append("12345", 2);
    s.AppendChar('!');
    EXPECT_EQ(s, "xabyz12!");
    s += s; // appending to itself
    EXPECT_EQ(s, "xabyz12!xabyz12!");
}

TEST(CString, ComparisonsBothSides)
{
    const CString abc("abc"), abd("abd");
    EXPECT_TRUE(abc == "abc" && "abc" == abc && abc == CString("abc"));
    EXPECT_TRUE(abc != abd && abc != "abd" && "abd" != abc);
    EXPECT_TRUE(abc < abd && abc < "abd" && "abb" < abc);
    EXPECT_TRUE(abd > abc && abd > "abc" && "abe" > abd);
    EXPECT_TRUE(abc <= abc && abc <= "abd" && "abc" <= abc);
    EXPECT_TRUE(abd >= abc && abd >= "abd" && "abe" >= abd);
    EXPECT_FALSE(abc < "abc");

    EXPECT_LT(abc.Compare("abd"), 0);
    EXPECT_GT(abc.Compare("ab"), 0);
    EXPECT_EQ(abc.Compare("abc"), 0);
    // Bytes compare unsigned: cp1252 letters sort after ASCII.
    EXPECT_GT(CString("\xe9").Compare("z"), 0);
    EXPECT_EQ(CString("HeLLo").CompareNoCase("hello"), 0);
    EXPECT_LT(CString("apple").CompareNoCase("BANANA"), 0);
    EXPECT_GT(CString("b").CompareNoCase("A"), 0);
    EXPECT_EQ(CString("ABC").CollateNoCase("abc"), 0);
    EXPECT_LT(CString("ABC").Collate("abc"), 0);
    EXPECT_EQ(CString("").Compare(nullptr), 0);
}

TEST(CString, MidLeftRightClamp)
{
    const CString s("abcdef");
    struct Case
    {
        int first, count;
        const char* expected;
    };
    const Case cases[] = {
        {0, 3, "abc"}, {2, 2, "cd"}, {4, 10, "ef"}, {6, 1, ""},       {10, 2, ""},
        {-3, 2, "ab"}, {2, -1, ""},  {0, 0, ""},    {0, 6, "abcdef"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s.Mid(c.first, c.count), c.expected) << c.first << "," << c.count;
    EXPECT_EQ(s.Mid(3), "def");
    EXPECT_EQ(s.Mid(-1), "abcdef");
    EXPECT_EQ(s.Mid(99), "");
    EXPECT_EQ(s.Left(2), "ab");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(99), "abcdef");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(-5), "");
    EXPECT_EQ(s.Right(99), "abcdef");
    EXPECT_EQ(s.SpanIncluding("abc"), "abc");
    EXPECT_EQ(s.SpanIncluding("x"), "");
    EXPECT_EQ(s.SpanExcluding("dx"), "abc");
    EXPECT_EQ(s.SpanExcluding("xyz"), "abcdef");
}

TEST(CString, FindAndStartPositions)
{
    const CString s("abcabc");
    EXPECT_EQ(s.Find('b'), 1);
    EXPECT_EQ(s.Find('b', 2), 4);
    EXPECT_EQ(s.Find('b', 5), -1);
    EXPECT_EQ(s.Find('a', 6), -1);  // start at the end
    EXPECT_EQ(s.Find('a', 50), -1); // start beyond the end
    EXPECT_EQ(s.Find('a', -1), -1);
    EXPECT_EQ(s.Find('z'), -1);
    EXPECT_EQ(s.Find("bc"), 1);
    EXPECT_EQ(s.Find("bc", 2), 4);
    EXPECT_EQ(s.Find("bc", 50), -1);
    EXPECT_EQ(s.Find("", 6), 6);
    EXPECT_EQ(s.Find("cab"), 2);
    EXPECT_EQ(s.Find("abcabcx"), -1);
    EXPECT_EQ(s.ReverseFind('a'), 3);
    EXPECT_EQ(s.ReverseFind('z'), -1);
    EXPECT_EQ(s.FindOneOf("xc"), 2);
    EXPECT_EQ(s.FindOneOf("xyz"), -1);
    EXPECT_EQ(s.FindOneOf(""), -1);
    EXPECT_EQ(CString().Find('a'), -1);
    EXPECT_EQ(CString().Find(""), 0);
}

TEST(CString, EditingMembers)
{
    CString s("Hello World");
    EXPECT_EQ(s.MakeUpper(), "HELLO WORLD");
    EXPECT_EQ(s.MakeLower(), "hello world");
    EXPECT_EQ(s.MakeReverse(), "dlrow olleh");

    // Non-ASCII bytes stay as they are.
    CString accented("\xe9t\xc9");
    EXPECT_EQ(accented.MakeUpper(), "\xe9T\xc9");

    CString r("a.b.c");
    EXPECT_EQ(r.Replace('.', '-'), 2);
    EXPECT_EQ(r, "a-b-c");
    EXPECT_EQ(r.Replace("-", "--"), 2);
    EXPECT_EQ(r, "a--b--c");
    EXPECT_EQ(r.Replace("--", ""), 2);
    EXPECT_EQ(r, "abc");
    EXPECT_EQ(r.Replace("", "x"), 0);
    EXPECT_EQ(r.Replace("q", "x"), 0);
    EXPECT_EQ(r, "abc");
    CString aaa("aaaa");
    EXPECT_EQ(aaa.Replace("aa", "a"), 2); // no rescanning of replaced text
    EXPECT_EQ(aaa, "aa");
    CString nul("x-y");
    EXPECT_EQ(nul.Replace("-", nullptr), 1);
    EXPECT_EQ(nul, "xy");

    CString m("mississippi");
    EXPECT_EQ(m.Remove('s'), 4);
    EXPECT_EQ(m, "miiippi");

    CString i("ace");
    EXPECT_EQ(i.Insert(1, 'b'), 4);
    EXPECT_EQ(i.Insert(3, "d"), 5);
    EXPECT_EQ(i, "abcde");
    EXPECT_EQ(i.Insert(99, "!"), 6);
    EXPECT_EQ(i.Insert(-5, '>'), 7);
    EXPECT_EQ(i, ">abcde!");

    CString d("abcdef");
    EXPECT_EQ(d.Delete(1), 5);
    EXPECT_EQ(d, "acdef");
    EXPECT_EQ(d.Delete(2, 10), 2);
    EXPECT_EQ(d, "ac");
    EXPECT_EQ(d.Delete(5, 1), 2);
    EXPECT_EQ(d.Delete(0, -1), 2);
    EXPECT_EQ(d, "ac");

    CString at("abc");
    at.SetAt(1, 'X');
    EXPECT_EQ(at, "aXc");
    EXPECT_EQ(at[2], 'c');
    EXPECT_EQ(at.GetAt(0), 'a');
}

TEST(CString, TrimForms)
{
    struct Case
    {
        const char* in;
        const char* left;
        const char* right;
        const char* both;
    };
    const Case ws[] = {
        {"  a b \t\r\n", "a b \t\r\n", "  a b", "a b"},
        {" \t ", "", "", ""},
        {"", "", "", ""},
        {"x", "x", "x", "x"},
    };
    for (const Case& c : ws)
    {
        EXPECT_EQ(CString(c.in).TrimLeft(), c.left) << c.in;
        EXPECT_EQ(CString(c.in).TrimRight(), c.right) << c.in;
        EXPECT_EQ(CString(c.in).Trim(), c.both) << c.in;
    }
    EXPECT_EQ(CString("xxaxx").TrimLeft('x'), "axx");
    EXPECT_EQ(CString("xxaxx").TrimRight('x'), "xxa");
    EXPECT_EQ(CString("xxaxx").Trim('x'), "a");
    EXPECT_EQ(CString(" xax ").Trim('x'), " xax ");
    EXPECT_EQ(CString("0012.500").TrimRight("0"), "0012.5");
    EXPECT_EQ(CString("-+12+-").Trim("+-"), "12");
    EXPECT_EQ(CString("+-+").Trim("+-"), "");
    EXPECT_EQ(CString(" a ").Trim(""), " a ");
}

TEST(CString, TokenizeWalksAllTokens)
{
    const CString s(",,alpha, beta,,gamma,");
    std::vector<std::string> tokens;
    int pos = 0;
    for (CString t = s.Tokenize(", ", pos); pos != -1; t = s.Tokenize(", ", pos))
        tokens.emplace_back(t.GetString());
    EXPECT_EQ(tokens, (std::vector<std::string>{"alpha", "beta", "gamma"}));

    int p = 0;
    EXPECT_EQ(CString(",,,").Tokenize(",", p), "");
    EXPECT_EQ(p, -1);
    p = 0;
    EXPECT_EQ(CString("a b").Tokenize(" ", p), "a");
    EXPECT_EQ(p, 2);
    EXPECT_EQ(CString("a b").Tokenize(" ", p), "b");
    EXPECT_EQ(p, 4);
    EXPECT_EQ(CString("a b").Tokenize(" ", p), "");
    EXPECT_EQ(p, -1);
    // No delimiters: the rest once, then the end.
    p = 1;
    EXPECT_EQ(CString("abc").Tokenize("", p), "bc");
    EXPECT_EQ(CString("abc").Tokenize("", p), "");
    EXPECT_EQ(p, -1);
}

TEST(CString, FormatPrintfSemantics)
{
    CString s;
    s.Format("%d|%5.2f|%-4s|%c|%x|%%", 42, 3.14159, "ab", 'Q', 255u);
    EXPECT_EQ(s, "42| 3.14|ab  |Q|ff|%");
    s.Format("%.1E", 1.5e-5); // C standard exponent: two digits at least
    EXPECT_EQ(s, "1.5E-05");
    s.Format("%g", 1e100);
    EXPECT_EQ(s, "1e+100");

    const CString name("head");
    s.Format("[%s] %s", name, "x"); // CString passed directly
    EXPECT_EQ(s, "[head] x");

    s.Format("none");
    EXPECT_EQ(s, "none");
    s.AppendFormat(" %d", 7);
    s.AppendFormat("%s", name);
    EXPECT_EQ(s, "none 7head");
    s.AppendFormat("|%s", s);
    EXPECT_EQ(s, "none 7head|none 7head");

    // Windows size prefixes take the right arguments.
    s.Format("%I64d|%I64X|%I32u|%Iu|%5I64d|In", -1234567890123LL, 0xABCDEF012345ULL, 7u,
             static_cast<size_t>(9), 42LL);
    EXPECT_EQ(s, "-1234567890123|ABCDEF012345|7|9|   42|In");

    // 'l' means 32 bits, as LONG and DWORD are; "ll" and "lf" keep their meaning.
    // (Values read at run time, as the compiler may widen constants on its own.)
    volatile LONG negatives[] = {-5, -42};
    volatile DWORD dwords[] = {4000000000u, 0xABCDEF01u};
    s.Format("%ld|%lu|%lx|%5ld|%lld|%.1lf|%s", LONG(negatives[0]), DWORD(dwords[0]), DWORD(dwords[1]),
             LONG(negatives[1]), -9000000000LL, 2.5, "long");
    EXPECT_EQ(s, "-5|4000000000|abcdef01|  -42|-9000000000|2.5|long");

    // Long output is not truncated.
    const std::string big(10000, 'k');
    s.Format("<%s>%d", big.c_str(), 1);
    ASSERT_EQ(s.GetLength(), 10003);
    EXPECT_EQ(s.Left(2), "<k");
    EXPECT_EQ(s.Right(3), "k>1");
    s.Format("%05000d", 3);
    EXPECT_EQ(s.GetLength(), 5000);
    EXPECT_EQ(s.Right(2), "03");

    // The old text may be an argument of the new one.
    CString self("abc");
    self.Format("%s%s", self, self);
    EXPECT_EQ(self, "abcabc");
}

TEST(CString, BufferAccess)
{
    CString s("abc");
    char* p = s.GetBuffer(11);
    std::strcpy(p, "longer text");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "longer text");
    EXPECT_EQ(s.GetLength(), 11);

    // ReleaseBuffer(-1) stops at the first NUL.
    p = s.GetBuffer(0);
    p[3] = '\0';
    s.ReleaseBuffer(-1);
    EXPECT_EQ(s, "lon");
    EXPECT_EQ(s.GetLength(), 3);

    // GetBuffer(n) leaves the text, and an untouched buffer releases to the same text.
    p = s.GetBuffer(100);
    EXPECT_STREQ(p, "lon");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 3);

    p = s.GetBuffer(20);
    std::memcpy(p, "0123456789", 10);
    s.ReleaseBuffer(4);
    EXPECT_EQ(s, "0123");

    // GetBufferSetLength keeps embedded NULs; the buffer is terminated.
    p = s.GetBufferSetLength(5);
    std::memcpy(p, "ab\0cd", 5);
    EXPECT_EQ(p[5], '\0');
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_EQ(s.GetAt(4), 'd');
    s.ReleaseBufferSetLength(2);
    EXPECT_EQ(s, "ab");

    s.Preallocate(1000);
    EXPECT_GE(s.GetAllocLength(), 1000);
    s.FreeExtra();
    EXPECT_EQ(s, "ab");
    EXPECT_STREQ(s.LockBuffer(), "ab");
    s.UnlockBuffer();

    CString e("x");
    e.Empty();
    EXPECT_TRUE(e.IsEmpty());
    EXPECT_STREQ(static_cast<LPCTSTR>(e), "");
}

TEST(CString, HashMatchesEquality)
{
    std::unordered_set<CString> set;
    set.insert("alpha");
    set.insert(CString("al") + "pha");
    set.insert("beta");
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(set.count(CString("beta")), 1u);
}

TEST(CStringDeathTest, BadIndexAborts)
{
    CString s("abc");
    EXPECT_DEATH(s.GetAt(3), "out of range");
    EXPECT_DEATH(s.SetAt(-1, 'x'), "out of range");
}
