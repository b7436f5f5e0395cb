// The resource compiler end to end: res/test.rc is compiled into this program as its main module
// and read back through the layer; error cases run the kelrc binary on small scripts.
#include <windows.h>
#include <afxres.h>

#include "res/resource.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <array>
#include <iterator>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;
using namespace kel::rc;

namespace
{

std::string Text(const ResName& n)
{
    return n.IsId() ? "#" + std::to_string(n.id) : n.name;
}

const Dialog& About()
{
    const Dialog* d = FindDialog(nullptr, MAKEINTRESOURCE(IDD_ABOUT));
    if (d == nullptr)
        throw std::runtime_error("IDD_ABOUT missing");
    return *d;
}

TEST(KelrcDialog, HeaderOfClassicDialog)
{
    const Dialog& d = About();
    EXPECT_FALSE(d.isEx);
    // CAPTION adds WS_CAPTION and FONT adds DS_SETFONT to the written style.
    EXPECT_EQ(d.style, DWORD(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT));
    EXPECT_EQ(std::string(d.caption), "About \"kel\"");
    EXPECT_EQ((std::array<int, 4>{d.x, d.y, d.cx, d.cy}), (std::array<int, 4>{0, 0, 186, 95}));
    ASSERT_TRUE(d.hasFont);
    EXPECT_EQ(d.font.pointSize, 8);
    EXPECT_EQ(std::string(d.font.face), "MS Sans Serif");
    EXPECT_EQ(std::string(d.menu.name), "");
}

TEST(KelrcDialog, HeaderOfExtendedDialogFoundByName)
{
    // Identifiers without #define become upper-case names; lookups ignore case.
    const Dialog* d = FindDialog(nullptr, "setup");
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isEx);
    EXPECT_EQ(d->style, DWORD(WS_CHILD | DS_CONTROL | WS_CAPTION | DS_SETFONT));
    EXPECT_EQ(d->exStyle, DWORD(WS_EX_CONTROLPARENT));
    EXPECT_EQ(d->helpId, 0x20065u);
    EXPECT_EQ(Text(d->menu), "#128");
    EXPECT_EQ(Text(d->className), "KelSetup");
    EXPECT_EQ(d->font.weight, 700);
    EXPECT_EQ(d->font.italic, 1);
    EXPECT_EQ(d->font.charset, 0);
    ASSERT_EQ(d->controlCount, 2u);
    EXPECT_EQ(d->controls[0].helpId, 77u);
    EXPECT_EQ(Text(d->controls[1].text), "#130");
    EXPECT_EQ(std::string(d->controls[1].className), "Static");
    EXPECT_EQ(FindDialog(nullptr, "#100"), &About());
}

struct ControlCase
{
    const char* className;
    const char* text;
    int id;
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;
};

TEST(KelrcDialog, ControlStatementsGetWindowsDefaults)
{
    const DWORD cv = WS_CHILD | WS_VISIBLE;
    const ControlCase expected[] = {
        {"BUTTON", "OK", IDOK, cv | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 129, 7, 50, 14},
        {"BUTTON", "Cancel", IDCANCEL, cv | BS_PUSHBUTTON, 0, 129, 24, 50, 14},
        {"STATIC", "Name:", IDC_STATIC, cv | SS_LEFT | WS_GROUP, 0, 7, 7, 40, 8},
        {"STATIC", "Right", IDC_STATIC, cv | SS_RIGHT | WS_GROUP, 0, 7, 20, 40, 8},
        {"STATIC", "Centre", IDC_STATIC, cv | SS_CENTER | WS_GROUP | SS_NOPREFIX, 0, 7, 30, 40, 8},
        {"EDIT", "", IDC_NAME, cv | ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 50, 7, 70, 14},
        {"LISTBOX", "", IDC_LIST, cv | LBS_NOTIFY | WS_BORDER | LBS_SORT | WS_VSCROLL, 0, 7, 40, 60, 40},
        {"COMBOBOX", "", IDC_COMBO, cv | CBS_DROPDOWNLIST | WS_TABSTOP, 0, 70, 40, 50, 60},
        {"BUTTON", "&Check", IDC_CHECK, cv | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 7, 85, 50, 10},
        {"BUTTON", "Plain", 1010, cv | BS_CHECKBOX | WS_TABSTOP, 0, 60, 85, 50, 10},
        {"BUTTON", "Three", 1011, cv | BS_3STATE | WS_TABSTOP, 0, 60, 85, 50, 10},
        {"BUTTON", "Auto three", 1012, cv | BS_AUTO3STATE | WS_TABSTOP, 0, 60, 85, 50, 10},
        {"BUTTON", "Radio", 1013, cv | BS_RADIOBUTTON | WS_TABSTOP, 0, 60, 85, 50, 10},
        {"BUTTON", "Auto radio", IDC_RADIO1, cv | BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 0, 60, 85, 50,
         10},
        {"BUTTON", "Box", 1014, cv | BS_PUSHBOX | WS_TABSTOP, 0, 60, 85, 50, 10},
        {"BUTTON", "Group", IDC_STATIC, cv | BS_GROUPBOX, 0, 5, 35, 120, 55},
        {"SCROLLBAR", "", IDC_SCROLL, cv | SBS_HORZ, 0, 7, 90, 100, 8},
        {"STATIC", "#130", IDC_PICTURE, cv | SS_ICON, 0, 150, 50, 20, 20},
        {"msctls_trackbar32", "", IDC_SLIDER, cv | TBS_AUTOTICKS | WS_TABSTOP, 0, 7, 60, 100, 15},
        {"BUTTON", "Push", 1015, cv | BS_PUSHBUTTON, WS_EX_STATICEDGE, 1, 2, 3, 4},
    };
    const Dialog& d = About();
    ASSERT_EQ(d.controlCount, std::size(expected));
    for (size_t i = 0; i < d.controlCount; ++i)
    {
        const Control& c = d.controls[i];
        const ControlCase& e = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + e.text + "\"");
        EXPECT_EQ(std::string(c.className), e.className);
        EXPECT_EQ(Text(c.text), e.text);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.style, e.style);
        EXPECT_EQ(c.exStyle, e.exStyle);
        EXPECT_EQ((std::array<int, 4>{c.x, c.y, c.cx, c.cy}), (std::array<int, 4>{e.x, e.y, e.cx, e.cy}));
    }
}

TEST(KelrcStrings, EscapesBytesAndLongTexts)
{
    const std::pair<UINT, std::string> expected[] = {
        {IDS_HELLO, "Hello"},
        {IDS_ESCAPES, "tab\there\nline \"quoted\" back\\slash AA \"q\""},
        {IDS_LATIN, "Gr\xfc\xdf Ma\xdf: \xe9\xe8"}, // cp1252 bytes pass through untouched
        {IDS_JOINED, "first second"},
        {IDS_LONG, std::string(300, 'L')},
        {IDS_HELLO + 50, "From the included script"},
        {AFX_IDS_APP_TITLE, "Test App"},
    };
    for (const auto& [id, text] : expected)
    {
        std::string_view got;
        ASSERT_TRUE(FindString(nullptr, id, &got)) << id;
        EXPECT_EQ(std::string(got), text) << id;
    }
    EXPECT_FALSE(FindString(nullptr, 9999, nullptr));
}

TEST(KelrcMenu, ClassicMenuTree)
{
    const Menu* m = FindMenu(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME));
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->isEx);
    ASSERT_EQ(m->itemCount, 2u);
    const MenuItem& file = m->items[0];
    EXPECT_EQ(std::string(file.text), "&File");
    EXPECT_EQ(file.flags, DWORD(MF_POPUP));
    ASSERT_EQ(file.childCount, 4u);
    EXPECT_EQ(std::string(file.children[0].text), "&New\tCtrl+N");
    EXPECT_EQ(file.children[0].id, UINT(ID_FILE_NEW));
    EXPECT_EQ(file.children[1].flags, DWORD(MF_SEPARATOR));
    EXPECT_EQ(file.children[2].flags, DWORD(MF_GRAYED));
    const MenuItem& recent = file.children[3];
    EXPECT_EQ(recent.flags, DWORD(MF_POPUP | MF_MENUBREAK));
    ASSERT_EQ(recent.childCount, 1u);
    EXPECT_EQ(recent.children[0].id, UINT(ID_FILE_MRU_FILE1));
    EXPECT_EQ(recent.children[0].flags, DWORD(MF_CHECKED | MF_DISABLED));
    EXPECT_EQ(m->items[1].flags, DWORD(MF_HELP | MF_MENUBARBREAK));
    EXPECT_EQ(m->items[1].id, UINT(ID_APP_ABOUT));
}

TEST(KelrcMenu, ExtendedMenuKeepsTypeStateAndHelpId)
{
    const Menu* m = FindMenu(nullptr, MAKEINTRESOURCE(IDR_CONTEXT));
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isEx);
    ASSERT_EQ(m->itemCount, 1u);
    EXPECT_EQ(m->items[0].helpId, 55u);
    ASSERT_EQ(m->items[0].childCount, 3u);
    const MenuItem* items = m->items[0].children;
    EXPECT_EQ(items[0].flags, DWORD(MFS_CHECKED));
    EXPECT_EQ(items[1].flags, DWORD(MFT_SEPARATOR));
    EXPECT_EQ(items[2].id, UINT(ID_TOOLS_STOP));
}

TEST(KelrcAccelerators, KeysAndFlags)
{
    const AccelTable* t = FindAccelerators(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME));
    ASSERT_NE(t, nullptr);
    const Accel expected[] = {
        {FVIRTKEY | FCONTROL | FNOINVERT, 'N', ID_FILE_NEW},
        {0, 'S' - '@', ID_FILE_SAVE},                  // "^S" is the control character
        {FVIRTKEY | FSHIFT | FALT, 'A', ID_TOOLS_RUN}, // virtual keys of letters are upper case
        {0, 'x', ID_TOOLS_STOP},                       // ASCII keeps the case
        {FVIRTKEY, VK_F1, ID_HELP},
        {0, 65, ID_APP_ABOUT},
    };
    ASSERT_EQ(t->count, std::size(expected));
    for (size_t i = 0; i < t->count; ++i)
    {
        EXPECT_EQ(t->entries[i].fVirt, expected[i].fVirt) << i;
        EXPECT_EQ(t->entries[i].key, expected[i].key) << i;
        EXPECT_EQ(t->entries[i].cmd, expected[i].cmd) << i;
    }
}

TEST(KelrcBinaries, FileAndInlineDataThroughFindResource)
{
    std::ifstream ico(KELRC_TEST_DIR "/tiny.ico", std::ios::binary);
    std::string icoBytes((std::istreambuf_iterator<char>(ico)), {});
    struct Case
    {
        LPCSTR name;
        LPCSTR type;
        std::string bytes;
    } cases[] = {
        {MAKEINTRESOURCE(IDI_SMALL), RT_GROUP_ICON, icoBytes},
        {MAKEINTRESOURCE(IDI_SMALL), RT_ICON, icoBytes},
        {"alarm", "wave", std::string("RIFF\x04\0\0\0WAVE", 12)},
        {"Named Data", RT_RCDATA,
         std::string("\x01\x00\x02\x03\x04\x05\x06\x07"
                     "ab",
                     10)},
    };
    for (const Case& c : cases)
    {
        HRSRC h = FindResource(nullptr, c.name, c.type);
        ASSERT_NE(h, nullptr);
        const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, h)));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(data, SizeofResource(nullptr, h)), c.bytes);
    }
    SetLastError(0);
    EXPECT_EQ(FindResource(nullptr, "nosuch", "WAVE"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(IDI_SMALL), RT_BITMAP), nullptr);
}

TEST(KelrcBinaries, StructuredResourcesLockToTheirTables)
{
    HRSRC h = FindResource(nullptr, MAKEINTRESOURCE(IDD_ABOUT), RT_DIALOG);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(LockResource(LoadResource(nullptr, h)), &About());
    const Toolbar* tb = FindToolbar(nullptr, MAKEINTRESOURCE(IDR_MAINFRAME));
    ASSERT_NE(tb, nullptr);
    EXPECT_EQ(tb->cx, 16);
    EXPECT_EQ(tb->cy, 15);
    ASSERT_EQ(tb->count, 3u);
    EXPECT_EQ(tb->ids[0], ID_FILE_NEW);
    EXPECT_EQ(tb->ids[1], 0); // separator
    EXPECT_EQ(tb->ids[2], ID_TOOLS_RUN);
}

TEST(KelrcModules, ResourceLibraryLoadsAndUnloadsAtRunTime)
{
    SetLastError(0);
    EXPECT_EQ(GetModuleHandle("rcmodtest.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));

    HMODULE h = LoadLibrary("rcmodtest.dll");
    ASSERT_NE(h, nullptr) << "librcmodtest.so must sit next to the test program";
    EXPECT_EQ(GetModuleHandle("RCMODTEST"), h);
    EXPECT_EQ(LoadLibrary("librcmodtest.so"), h); // same module, second reference
    char buf[64];
    EXPECT_EQ(LoadString(h, 1, buf, sizeof buf), 16);
    EXPECT_STREQ(buf, "from the library");
    ASSERT_NE(FindDialog(h, MAKEINTRESOURCE(7)), nullptr);
    EXPECT_EQ(FindDialog(h, MAKEINTRESOURCE(7))->controls[0].id, IDOK);
    EXPECT_EQ(LoadString(nullptr, 1, buf, sizeof buf), 0); // not in the main module

    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(LoadString(h, 1, buf, sizeof buf), 16); // one reference left
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(LoadString(h, 1, buf, sizeof buf), 0);
    EXPECT_EQ(GetModuleHandle("rcmodtest"), nullptr);

    HMODULE again = LoadLibrary("rcmodtest");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(LoadString(again, 1, buf, sizeof buf), 16);
    EXPECT_TRUE(FreeLibrary(again));
}

TEST(KelrcModules, StaticLibraryResourcesAreLinkedAndRegistered)
{
    // Nothing in this program refers to the library's resources: only the build's link option
    // keeps its registrar.
    HMODULE h = GetModuleHandle("rcstatictest");
    ASSERT_NE(h, nullptr);
    char buf[64];
    EXPECT_GT(LoadString(h, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "from a static library");
}

// ----- the compiler binary on bad scripts ----------------------------------------------------------

class KelrcRun : public ::testing::Test
{
protected:
    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }

    // Runs kelrc on script.rc; returns its exit status, with stderr in `output`.
    int Compile(std::string& output, const std::string& extra = "")
    {
        // Leak checking at exit would triple the run time of each compile.
        std::string cmd = "ASAN_OPTIONS=detect_leaks=0 " + std::string(KELRC_PATH) + " --module t " + extra +
                          " -o " + (m_dir / "out.cpp").string() + " " + (m_dir / "script.rc").string() +
                          " 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        if (p == nullptr)
            return -1;
        char buf[512];
        output.clear();
        while (size_t n = fread(buf, 1, sizeof buf, p))
            output.append(buf, n);
        return pclose(p);
    }

    kel::testkit::TempDir m_dir{"kelrc-"};
};

TEST_F(KelrcRun, ErrorsNameFileAndLine)
{
    struct Case
    {
        const char* what;
        std::string script;
        int line;
        const char* message;
    } cases[] = {
        {"unknown control", "1 DIALOG 0,0,10,10\nBEGIN\n  XTEXT \"a\",1,0,0,1,1\nEND\n", 3,
         "unknown keyword 'XTEXT'"},
        {"unknown type", "1 DIALOGG 0,0,10,10\n", 1, "unknown keyword 'DIALOGG'"},
        {"bad expression", "STRINGTABLE\nBEGIN\n  (1 + ) \"x\"\nEND\n", 3, "expected a number"},
        {"undefined id", "1 MENU\nBEGIN\n  MENUITEM \"a\", ID_NOWHERE\nEND\n", 3,
         "undefined identifier 'ID_NOWHERE'"},
        {"missing include", "#include \"nothere.h\"\n", 1, "cannot open include file 'nothere.h'"},
        {"missing embedded file", "\n1 ICON \"nothere.ico\"\n", 2, "cannot open file 'nothere.ico'"},
        {"unterminated block", "STRINGTABLE\nBEGIN\n  1 \"x\"\n", 2, "unterminated block"},
        {"unterminated string", "STRINGTABLE\nBEGIN\n  1 \"x\nEND\n", 3, "unterminated string"},
        {"duplicate string", "STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n", 4, "duplicate string id 1"},
        {"duplicate dialog", "5 DIALOG 0,0,1,1\nBEGIN\nEND\n5 DIALOG 0,0,1,1\nBEGIN\nEND\n", 4,
         "duplicate DIALOG"},
        {"unterminated #if", "#ifdef X\n", 1, "unterminated #if"},
        {"#error", "#if 1\n#error stop here\n#endif\n", 2, "#error stop here"},
        {"deep nesting", "\n#if " + std::string(100000, '(') + "1" + std::string(100000, ')') + "\n#endif\n",
         2, "expression nested too deeply"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Write("script.rc", c.script);
        std::string out;
        EXPECT_NE(Compile(out), 0);
        std::string where = (m_dir / "script.rc").string() + ":" + std::to_string(c.line) + ": error: ";
        EXPECT_NE(out.find(where), std::string::npos) << out;
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_FALSE(fs::exists(m_dir / "out.cpp")) << "no output on error";
    }
}

TEST_F(KelrcRun, ArithmeticEdgesDoNotTrap)
{
    // 2^63 wraps to the most negative value; dividing it by -1 must not trap the compiler.
    Write("script.rc", "#define MIN (0x80000000 * 0x80000000 * 2)\n"
                       "#if MIN / -1 != MIN || MIN % -1 != 0\n#error wrong\n#endif\n"
                       "STRINGTABLE\nBEGIN\n 1 \"x\"\nEND\n");
    std::string out;
    EXPECT_EQ(Compile(out), 0) << out;
}

TEST_F(KelrcRun, ErrorInIncludedFileNamesThatFile)
{
    Write("ids.h", "#define A 1\n#if A +\n#endif\n");
    Write("script.rc", "#include \"ids.h\"\n");
    std::string out;
    EXPECT_NE(Compile(out), 0);
    EXPECT_NE(out.find((m_dir / "ids.h").string() + ":2: error: "), std::string::npos) << out;
}

TEST_F(KelrcRun, DepfileListsHeadersAndEmbeddedFiles)
{
    fs::create_directories(m_dir / "res");
    Write("ids.h", "#define IDI_A 5\n");
    Write("res/a.ico", "icon");
    Write("script.rc", "#include \"ids.h\"\n#include \"afxres.h\"\nIDI_A ICON \"res\\\\a.ico\"\n");
    std::string out;
    ASSERT_EQ(Compile(out, "--depfile " + (m_dir / "out.d").string()), 0) << out;
    std::ifstream in(m_dir / "out.d");
    std::string deps((std::istreambuf_iterator<char>(in)), {});
    for (const char* f : {"script.rc", "ids.h", "res/a.ico"})
        EXPECT_NE(deps.find((m_dir / f).string()), std::string::npos) << f << " in\n" << deps;
    EXPECT_NE(deps.find("afxres.h"), std::string::npos);
    EXPECT_NE(deps.find("win32/styles.h"), std::string::npos);
}

} // namespace
