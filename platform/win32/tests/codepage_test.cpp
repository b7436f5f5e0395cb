#include "win32/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(Codepage, EveryCp1252ByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = kel::Cp1252ToUtf8(all);
    EXPECT_EQ(kel::Utf8ToCp1252(utf8), all);
}

TEST(Codepage, KnownCharactersMapBothWays)
{
    struct Case
    {
        unsigned char cp1252;
        const char* utf8;
    };
    const Case cases[] = {
        {'A', "A"},
        {0x80, "\xE2\x82\xAC"}, // euro sign
        {0x81, "\xC2\x81"},     // undefined in cp1252: kept as the C1 control
        {0x8A, "\xC5\xA0"},     // S caron
        {0x99, "\xE2\x84\xA2"}, // trade mark
        {0x9F, "\xC5\xB8"},     // Y diaeresis
        {0xA0, "\xC2\xA0"},
        {0xB5, "\xC2\xB5"}, // micro sign, as in unit texts
        {0xE9, "\xC3\xA9"},
        {0xFF, "\xC3\xBF"},
    };
    for (const Case& c : cases)
    {
        const std::string one(1, static_cast<char>(c.cp1252));
        EXPECT_EQ(kel::Cp1252ToUtf8(one), c.utf8) << int(c.cp1252);
        EXPECT_EQ(kel::Utf8ToCp1252(c.utf8), one) << int(c.cp1252);
    }
}

TEST(Codepage, UnmappableAndMalformedUtf8BecomeQuestionMarks)
{
    struct Case
    {
        const char* utf8;
        const char* cp1252;
    };
    const Case cases[] = {
        {"\xE6\x97\xA5x", "?x"},   // CJK character
        {"\xF0\x9F\x98\x80", "?"}, // outside the BMP
        {"a\xFF"
         "b",
         "a?b"},       // byte that never starts a sequence
        {"\xC3", "?"}, // truncated at the end
        {"\xC3"
         "A",
         "?A"},                  // truncated before an ASCII byte
        {"\xC0\xAF", "??"},      // overlong slash
        {"\xED\xA0\x80", "???"}, // encoded surrogate
        {"\xE2\x82\xAC\xE2\x82", "\x80?"
                                 "?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kel::Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
}

TEST(Codepage, MultiByteToWideCharSizesAndConverts)
{
    // -1 counts the terminating NUL, as callers size their buffers with it.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80z", -1, nullptr, 0), 3);
    wchar_t wide[4] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80z", -1, wide, 4), 3);
    EXPECT_EQ(wide[0], L'\x20AC');
    EXPECT_EQ(wide[1], L'z');
    EXPECT_EQ(wide[2], L'\0');

    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9", 2, wide, 4), 1);
    EXPECT_EQ(wide[0], L'\xE9');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xFF", 2, wide, 4), 2);
    EXPECT_EQ(wide[1], L'\xFFFD');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, wide, 4), 0);

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcde", 5, wide, 4), 0) << "buffer too small";
    EXPECT_EQ(MultiByteToWideChar(437, 0, "a", 1, wide, 4), 0) << "unsupported code page";
}

TEST(Codepage, WideCharToMultiByteUsesTheDefaultCharForUnmappable)
{
    const wchar_t text[] = L"\x20AC\x65E5!";
    BOOL usedDefault = FALSE;
    char out[8] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, &usedDefault), 4);
    EXPECT_STREQ(out, "\x80?!");
    EXPECT_TRUE(usedDefault);

    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 2, out, sizeof out, "#", &usedDefault), 2);
    EXPECT_EQ(std::string(out, 2), "\x80#");

    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), 8);
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr), 8);
    EXPECT_STREQ(out, "\xE2\x82\xAC\xE6\x97\xA5!");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 7, nullptr, nullptr), 0) << "buffer too small";
}

} // namespace
