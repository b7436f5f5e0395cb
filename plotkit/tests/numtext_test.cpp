// Number text and ASCII data-set files: ftoa's forms, the scanner, files written and read back,
// line ends and number forms, truncated and refused files.
#include "PlotkitFixture.h"

#include "testkit/TempDir.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

class NumTextTest : public PlotkitTest
{
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::vector<float> Values(int number, bool x)
    {
        float* xs = nullptr;
        float* ys = nullptr;
        int count = 0, per = 0;
        WGGetDataSetArraysPtr(number, &xs, &ys, &count, &per);
        return x ? std::vector<float>(xs, xs + count) : std::vector<float>(ys, ys + count * per);
    }

    kel::testkit::TempDir dir;
};

TEST_F(NumTextTest, FtoaForms)
{
    struct Case
    {
        float value;
        int digits, style;
        const char* text;
    };
    const Case cases[] = {
        {12.5f, 2, 0, "12.50"},
        {0.05f, 3, 0, "0.050"},
        {12345, 2, 3, "1.23e+4"},
        {12345, 2, 1, "1.23x104"},
        {0, 4, 3, "0"},
        {-3.75f, 1, 0, "-3.8"},
        {0.00123f, 2, 3, "1.23e-3"},
        {-0.5f, 2, 2, "-0.50"},
        {7, 0, 0, "7"},
        {100, 10, 4, "100"},
        {123456, 3, 4, "1.23e+05"},
        {1.5e-7f, 4, 4, "1.5e-07"},
        {0.25f, 6, 4, "0.25"},
        {2, 1, 3, "2.0e+0"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.value << " " << c.digits << " " << c.style);
        EXPECT_STREQ(ftoa(c.value, c.digits, c.style), c.text);
    }
}

TEST_F(NumTextTest, ScannerAndPrecision)
{
    const char* text = "ab.5 x";
    EXPECT_EQ(FirstDig(text), text + 2); // a point before a digit starts a number
    EXPECT_EQ(FirstDig("a . b"), nullptr);
    const char* number = "-1.5e3x";
    EXPECT_EQ(FirstNotDig(number), number + 6);
    int used = 0;
    EXPECT_DOUBLE_EQ(ReadNumber("  .5,", &used), 0.5);
    EXPECT_EQ(used, 4);
    EXPECT_EQ(ReadNumber("none", &used), 0);
    EXPECT_EQ(used, 0);

    EXPECT_EQ(GetPrec(0.25f), 2);
    EXPECT_EQ(GetPrec(0.1f), 1);
    EXPECT_EQ(GetPrec(5), 0);
    EXPECT_EQ(GetPrec(1e-7f), 5);
}

TEST_F(NumTextTest, SavedFilesReadBack)
{
    float x[2] = {1, -2.5f}, y[2] = {2.5f, 1000};
    const int n = WGDefineDataSetPtr("saved", x, y, 2);
    const std::string fixed = (dir / "fixed.dat").string();
    ASSERT_TRUE(WGSaveASCIIDataSet(n, fixed.c_str(), "%8.2f"));
    EXPECT_EQ(Read(fixed), "    1.00     2.50\n\r   -2.50  1000.00\n\r");

    const std::string sci = (dir / "sci.dat").string();
    ASSERT_TRUE(WGSaveASCIIDataSet(n, sci.c_str(), "%12.3le"));
    EXPECT_EQ(Read(sci), "    1.000e+0     2.500e+0\n\r   -2.500e+0     1.000e+3\n\r");
    const std::string general = (dir / "general.dat").string();
    ASSERT_TRUE(WGSaveASCIIDataSet(n, general.c_str(), "g"));
    EXPECT_EQ(Read(general), "         1        2.5\n\r      -2.5       1000\n\r");

    for (const std::string& path : {fixed, sci, general})
    {
        SCOPED_TRACE(path);
        const int back = WGLoadASCIIDataSet(path.c_str(), "back");
        ASSERT_NE(back, 0);
        EXPECT_EQ(Values(back, true), (std::vector<float>{1, -2.5f}));
        EXPECT_EQ(Values(back, false), (std::vector<float>{2.5f, 1000}));
        WGFreeDataSet(back, TRUE);
    }
    EXPECT_FALSE(WGSaveASCIIDataSet(n, nullptr, "f"));
}

TEST_F(NumTextTest, LineEndsAndNumberForms)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        int per;
        std::vector<float> x, y;
    };
    std::string longFirst = "1.0000000000000000000 2.0000000000000000000 3.0000000000000000000\n";
    std::vector<float> manyX{1}, manyY{2, 3};
    for (int i = 0; i < 400; ++i)
    {
        longFirst += "4 5 6\n";
        manyX.push_back(4);
        manyY.insert(manyY.end(), {5, 6});
    }
    const Case cases[] = {
        {"CR LF", "1 2\r\n3 4\r\n", 1, {1, 3}, {2, 4}},
        {"LF", "1 2\n3 4\n", 1, {1, 3}, {2, 4}},
        {"LF CR", "1 2\n\r3 4\n\r", 1, {1, 3}, {2, 4}},
        {"no last line end", "1\t2\n3\t4", 1, {1, 3}, {2, 4}},
        {"number forms", ".5 -.25\n1e2 +3E-1\n", 1, {0.5f, 100}, {-0.25f, 0.3f}},
        {"a header line", "time value\n1 2\n", 1, {1}, {2}},
        {"truncated", "1 2 3\n4 5 6\n7 8", 2, {1, 4}, {2, 3, 5, 6}},
        {"a zero byte",
         std::string("1 2\n\0"
                     "3 4\n",
                     9),
         1,
         {1, 3},
         {2, 4}},
        {"more rows than the first line suggests", longFirst, 2, manyX, manyY},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string path = Write("case.dat", c.bytes);
        const int n = WGLoadASCIIDataSet(path.c_str(), "case");
        ASSERT_NE(n, 0);
        EXPECT_EQ(DataSetAt(n)->yPerX, c.per);
        EXPECT_EQ(Values(n, true), c.x);
        EXPECT_EQ(Values(n, false), c.y);
        WGFreeDataSet(n, TRUE);
    }
}

TEST_F(NumTextTest, RefusedFiles)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Wrong data set size - one").Reply(IDYES).Times(3);
    for (const char* bytes : {"5\n6 7\n", "", "words only\n"})
    {
        SCOPED_TRACE(bytes);
        const std::string path = Write("bad.dat", bytes);
        EXPECT_EQ(WGLoadASCIIDataSet(path.c_str(), "one"), 0);
        EXPECT_EQ(WGGetLastError(), 58);
    }
    prompts.Expect("Cannot open file ").Reply(IDOK);
    const std::string missing = (dir / "missing.dat").string();
    EXPECT_EQ(WGLoadASCIIDataSet(missing.c_str(), "none"), 0);
    EXPECT_EQ(WGGetLastError(), 7);
    EXPECT_EQ(WGLoadASCIIDataSet(nullptr, "none"), 0);
}

} // namespace
} // namespace plotkit::test
