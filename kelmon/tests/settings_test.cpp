#include "settings/AppSettings.h"

#include "testkit/ScopedSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;

const std::string kRoot = "Software\\ZOL\\KEL3_0";

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { CAppSettings::DestroyInstance(); }
    void TearDown() override { CAppSettings::DestroyInstance(); }

    // Gives every bound variable its own value derived from seed.
    static void Fill(CAppSettings& s, int seed)
    {
        int n = seed * 1000;
        for (std::string& dir : s.m_logDir)
            dir = "/data/logs/" + std::to_string(++n);
        for (int* v : IntFields(s))
            *v = ++n;
        for (COLORREF* c : ColorFields(s))
            *c = RGB(seed, ++n % 256, 7);
        s.m_headProtection = "pw" + std::to_string(++n);
        s.m_leakFactor = 1.5f * static_cast<float>(seed);
        for (std::string& gas : s.m_analyzeGas)
            gas = "gas-" + std::to_string(++n);
    }

    static std::vector<int*> IntFields(CAppSettings& s)
    {
        return {&s.m_graphTop,       &s.m_graphBottom,      &s.m_graphLeft,
                &s.m_graphRight,     &s.m_cursorColor,      &s.m_cursorWidth,
                &s.m_cursorType,     &s.m_windowX,          &s.m_windowY,
                &s.m_windowCx,       &s.m_windowCy,         &s.m_paramDlgLeft,
                &s.m_paramDlgTop,    &s.m_paramDlgState,    &s.m_scheduleDlgLeft,
                &s.m_scheduleDlgTop, &s.m_scheduleDlgState, &s.m_filamentMaintenance,
                &s.m_cemMaintenance, &s.m_analyzeLogging};
    }

    static std::vector<COLORREF*> ColorFields(CAppSettings& s)
    {
        return {&s.m_analogPlotColor, &s.m_analogBkgndColor, &s.m_libPlotColor,        &s.m_libBkgndColor,
                &s.m_leakPlotColor,   &s.m_leakBkgndColor,   &s.m_histPlotColor,       &s.m_histBkgndColor,
                &s.m_tablePlotColor,  &s.m_tableBkgndColor,  &s.m_tableTableBkgndColor};
    }

    // Every variable as text, to compare whole settings objects.
    static std::string Describe(CAppSettings& s)
    {
        std::string out;
        for (const std::string& dir : s.m_logDir)
            out += dir + ";";
        for (int* v : IntFields(s))
            out += std::to_string(*v) + ";";
        for (COLORREF* c : ColorFields(s))
            out += std::to_string(*c) + ";";
        out += s.m_headProtection + ";" + std::to_string(s.m_leakFactor) + ";";
        for (const std::string& gas : s.m_analyzeGas)
            out += gas + ";";
        return out;
    }

    static HKEY OpenKey(const std::string& sub, REGSAM sam = KEY_READ)
    {
        HKEY key = nullptr;
        const LONG r = RegOpenKeyEx(HKEY_CURRENT_USER, (kRoot + sub).c_str(), 0, sam, &key);
        return r == ERROR_SUCCESS ? key : nullptr;
    }

    static HKEY CreateKey(const std::string& sub)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, (kRoot + sub).c_str(), &key), ERROR_SUCCESS);
        return key;
    }

    static void SetRaw(const std::string& sub, const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = CreateKey(sub);
        ASSERT_EQ(RegSetValueEx(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void SetText(const std::string& sub, const char* name, const std::string& text)
    {
        SetRaw(sub, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    static DWORD ValueCount(const std::string& sub)
    {
        HKEY key = OpenKey(sub);
        if (key == nullptr)
            return 0xFFFFFFFF;
        DWORD values = 0;
        EXPECT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                  nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        return values;
    }

    kel::testkit::ScopedSettings m_settings;
};

TEST_F(SettingsTest, FreshProfileLoadsNothingAndSaveCreatesEveryKey)
{
    CAppSettings& s = *CAppSettings::GetInstance();
    Fill(s, 3);
    const std::string before = Describe(s);
    EXPECT_EQ(s.Load(), 1);
    EXPECT_EQ(Describe(s), before) << "a missing value leaves its variable alone";
    EXPECT_FALSE(fs::exists(kel::RegistryStorePath())) << "loading writes nothing";

    EXPECT_EQ(s.Save(), 1);
    struct Expected
    {
        const char* key;
        DWORD values;
    };
    const Expected keys[] = {
        {"\\Dirs", 9},
        {"\\Graph", 7},
        {"\\Window", 10},
        {"\\Graph\\Analog", 2},
        {"\\Graph\\Lib", 2},
        {"\\Graph\\Leak", 2},
        {"\\Graph\\Hist", 2},
        {"\\Graph\\Table", 3},
        {"\\Settings", 4},
        {"\\Utilities\\Analyze", 13},
        {"", 0},
    };
    for (const Expected& e : keys)
        EXPECT_EQ(ValueCount(e.key), e.values) << e.key;
    EXPECT_EQ(OpenKey("\\Intrument"), nullptr) << "empty keys are never created";
    EXPECT_EQ(OpenKey("\\Version"), nullptr);
}

TEST_F(SettingsTest, EveryVariableSurvivesSaveAndLoad)
{
    CAppSettings* s = CAppSettings::GetInstance();
    Fill(*s, 1);
    s->m_logDir[7] = "not stored";
    s->m_cursorColor = -1; // negative numbers survive the REG_DWORD
    const std::string saved = Describe(*s);
    s->Save();
    CAppSettings::DestroyInstance();
    kel::ResetRegistryStoreForTests(); // as the next run of the program

    s = CAppSettings::GetInstance();
    Fill(*s, 2);
    s->m_logDir[7] = "not stored";
    s->Load();
    EXPECT_EQ(Describe(*s), saved);
}

TEST_F(SettingsTest, ValuesSitUnderTheirNamesAndTypes)
{
    CAppSettings& s = *CAppSettings::GetInstance();
    Fill(s, 1);
    s.m_logDir[CAppSettings::LOGDIR_INSTALL] = "C:\\Program Files\\KEL";
    s.m_logDir[CAppSettings::LOGDIR_ANALYZE] = "C:\\an";
    s.m_leakFactor = 0.25f;
    s.m_analyzeGas[11] = "Argon";
    s.m_analyzeLogging = 1;
    s.m_tableTableBkgndColor = RGB(1, 2, 3);
    s.m_scheduleDlgState = 5;
    s.Save();

    struct Case
    {
        const char* key;
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const auto text = [](const char* t) { return std::vector<BYTE>(t, t + std::strlen(t) + 1); };
    float quarter = 0.25f;
    std::vector<BYTE> quarterBytes(sizeof quarter);
    std::memcpy(quarterBytes.data(), &quarter, sizeof quarter);
    const Case cases[] = {
        {"\\Dirs", "Install_Dir", REG_SZ, text("C:\\Program Files\\KEL")},
        {"\\Dirs", "loganalyze", REG_SZ, text("C:\\an")},
        {"\\Settings", "Leak Factor", REG_BINARY, quarterBytes},
        {"\\Utilities\\Analyze", "gas12", REG_SZ, text("Argon")},
        {"\\Utilities\\Analyze", "Logging", REG_DWORD, {1, 0, 0, 0}},
        {"\\Graph\\Table", "TableBkgndColor", REG_DWORD, {1, 2, 3, 0}},
        {"\\Window", "scheduledlg_state", REG_DWORD, {5, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        HKEY key = OpenKey(c.key);
        ASSERT_NE(key, nullptr) << c.key;
        BYTE buf[64] = {};
        DWORD size = sizeof buf;
        DWORD type = 0;
        ASSERT_EQ(RegQueryValueEx(key, c.name, nullptr, &type, buf, &size), ERROR_SUCCESS) << c.name;
        RegCloseKey(key);
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(std::vector<BYTE>(buf, buf + size), c.data) << c.name;
    }
}

TEST_F(SettingsTest, LeakFactorLoadsOnlyFromFourBinaryBytes)
{
    struct Case
    {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        float expected;
    };
    const float two = 2.0f;
    std::vector<BYTE> twoBytes(4);
    std::memcpy(twoBytes.data(), &two, 4);
    const double twoDouble = 2.0;
    std::vector<BYTE> eightBytes(8);
    std::memcpy(eightBytes.data(), &twoDouble, 8);
    const Case cases[] = {
        {"REG_BINARY of 4 bytes", REG_BINARY, twoBytes, 2.0f},
        {"REG_DWORD", REG_DWORD, twoBytes, 9.0f},
        {"REG_BINARY of 8 bytes", REG_BINARY, eightBytes, 9.0f},
        {"REG_BINARY of 3 bytes", REG_BINARY, {0, 0, 0x40}, 9.0f},
    };
    CAppSettings& s = *CAppSettings::GetInstance();
    for (const Case& c : cases)
    {
        SetRaw("\\Settings", "Leak Factor", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        s.m_leakFactor = 9.0f;
        EXPECT_EQ(s.LoadSettingsKey(), 1);
        EXPECT_EQ(s.m_leakFactor, c.expected) << c.what;
    }
}

TEST_F(SettingsTest, StringsLongerThan260BytesAreIgnored)
{
    struct Case
    {
        size_t length;
        bool loads;
    };
    const Case cases[] = {{259, true}, {260, false}, {300, false}, {0, true}};
    CAppSettings& s = *CAppSettings::GetInstance();
    for (const Case& c : cases)
    {
        const std::string stored(c.length, 'x');
        SetText("\\Dirs", "logtable", stored);
        s.m_logDir[CAppSettings::LOGDIR_TABLE] = "before";
        s.Load();
        EXPECT_EQ(s.m_logDir[CAppSettings::LOGDIR_TABLE], c.loads ? stored : "before") << c.length;
    }
    const DWORD notText = 5;
    SetRaw("\\Dirs", "logtable", REG_DWORD, &notText, sizeof notText);
    s.m_logDir[CAppSettings::LOGDIR_TABLE] = "before";
    s.Load();
    EXPECT_EQ(s.m_logDir[CAppSettings::LOGDIR_TABLE], "before") << "a REG_DWORD is no string";
}

TEST_F(SettingsTest, OnlyTwelveAnalysisGasesAreRead)
{
    SetText("\\Utilities\\Analyze", "gas12", "Xenon");
    SetText("\\Utilities\\Analyze", "gas13", "Krypton");
    SetText("\\Utilities\\Analyze", "gas0", "Neon");
    CAppSettings& s = *CAppSettings::GetInstance();
    s.Load();
    EXPECT_EQ(s.m_analyzeGas[11], "Xenon");
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(s.m_analyzeGas[i], "") << i;
}

TEST_F(SettingsTest, SettingsKeyAloneIsSavedAndReloaded)
{
    CAppSettings& s = *CAppSettings::GetInstance();
    s.m_headProtection = "scrambled";
    s.m_leakFactor = 3.5f;
    s.m_logDir[0] = "/not/saved";
    EXPECT_EQ(s.SaveSettingsKey(), 1);
    EXPECT_EQ(ValueCount("\\Settings"), 4u);
    EXPECT_EQ(OpenKey("\\Dirs"), nullptr) << "only \\Settings was written";

    s.m_headProtection.clear();
    s.m_leakFactor = 0;
    EXPECT_EQ(s.LoadSettingsKey(), 1);
    EXPECT_EQ(s.m_headProtection, "scrambled");
    EXPECT_EQ(s.m_leakFactor, 3.5f);
}

TEST(RegistryKey, LoadAllReportsAFailureButLoadsTheRest)
{
    kel::testkit::ScopedSettings settings;
    {
        double d = 0.125;
        int i = -7;
        unsigned u = 0xFFFFFFF0u;
        std::string text = "t";
        CRegistryKey writer(HKEY_CURRENT_USER, "Software\\Test\\Key");
        writer.AddDoubleValue("d", &d);
        writer.AddIntValue("i", &i);
        writer.AddDwordValue("u", &u);
        writer.AddStringValue("s", &text);
        EXPECT_TRUE(writer.SaveAll());

        double d2 = 0;
        int i2 = 0;
        int missing = 42;
        unsigned u2 = 0;
        std::string text2;
        CRegistryKey reader(HKEY_CURRENT_USER, "Software\\Test\\Key");
        reader.AddDoubleValue("d", &d2);
        reader.AddIntValue("absent", &missing);
        reader.AddIntValue("i", &i2);
        reader.AddDwordValue("u", &u2);
        reader.AddStringValue("s", &text2);
        EXPECT_FALSE(reader.LoadAll());
        EXPECT_EQ(d2, 0.125);
        EXPECT_EQ(missing, 42);
        EXPECT_EQ(i2, -7);
        EXPECT_EQ(u2, 0xFFFFFFF0u);
        EXPECT_EQ(text2, "t");

        CRegistryKey absent(HKEY_CURRENT_USER, "Software\\Test\\Nowhere");
        absent.AddIntValue("i", &i2);
        EXPECT_FALSE(absent.LoadAll()) << "a key that does not exist loads nothing";
        EXPECT_EQ(absent.Open(), nullptr);

        CRegistryValue base("x", &writer, &i);
        EXPECT_FALSE(base.Load());
        EXPECT_FALSE(base.Save());
    }
}

} // namespace
