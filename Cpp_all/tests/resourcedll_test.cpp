// The dlgpack holder switching the framework's resource handle, and the head exception.
#include "KelException.h"
#include "ResourceDll.h"

#include "mfc/ModuleState.h"
#include "mfc/String.h"
#include "win32/resources.h"

#include <gtest/gtest.h>

namespace
{

using kel::rc::Module;
using kel::rc::StringEntry;

// A stand-in dlgpack, registered as if linked into the program.
const StringEntry kPackStrings[] = {{1, "from dlgpack", 12}};
const Module kPack = {"dlgpack", false, nullptr, 0, kPackStrings, 1, nullptr, 0,
                      nullptr,   0,     nullptr, 0, nullptr,      0};

class ResourceDll : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(kel::rc::RegisterModule(&kPack)); }
    void TearDown() override
    {
        CResourceDll::Unload();
        AfxSetResourceHandle(nullptr);
        kel::rc::UnregisterModule(&kPack);
    }
};

TEST_F(ResourceDll, InstanceLoadsDlgpackAndSwitchesAroundADialog)
{
    HINSTANCE own = AfxGetResourceHandle();
    CResourceDll* dll = CResourceDll::Instance();
    ASSERT_NE(dll->GetModule(), nullptr);
    EXPECT_EQ(dll->GetModule(), GetModuleHandle("dlgpack"));
    EXPECT_EQ(dll->GetPreviousHandle(), own);
    EXPECT_EQ(CResourceDll::Instance(), dll);

    dll->SwitchToDll();
    EXPECT_EQ(AfxGetResourceHandle(), dll->GetModule());
    CString s;
    EXPECT_TRUE(s.LoadString(1));
    EXPECT_EQ(s, "from dlgpack");
    dll->RestoreHandle();
    EXPECT_EQ(AfxGetResourceHandle(), own);
}

TEST_F(ResourceDll, RestoreWithoutSwitchChangesNothing)
{
    CResourceDll* dll = CResourceDll::Instance();
    HINSTANCE other = GetModuleHandle(nullptr);
    dll->SetResourceHandle(other);
    dll->RestoreHandle();
    EXPECT_EQ(AfxGetResourceHandle(), other);
}

TEST_F(ResourceDll, HandleSetMeanwhileIsLeftAlone)
{
    CResourceDll* dll = CResourceDll::Instance();
    dll->SwitchToDll();
    int marker = 0;
    HINSTANCE someoneElse = reinterpret_cast<HINSTANCE>(&marker);
    AfxSetResourceHandle(someoneElse);
    dll->RestoreHandle();
    EXPECT_EQ(AfxGetResourceHandle(), someoneElse);
}

TEST_F(ResourceDll, FreeWhileSwitchedPutsThePreviousHandleBack)
{
    HINSTANCE own = AfxGetResourceHandle();
    CResourceDll* dll = CResourceDll::Instance();
    dll->SwitchToDll();
    EXPECT_TRUE(dll->Free());
    EXPECT_EQ(AfxGetResourceHandle(), own);
    EXPECT_EQ(dll->GetModule(), nullptr);
    EXPECT_EQ(dll->GetPreviousHandle(), nullptr);
    EXPECT_EQ(dll->Free(), 0); // nothing loaded any more
}

TEST_F(ResourceDll, UnloadTwiceIsHarmless)
{
    CResourceDll::Instance();
    CResourceDll::Unload();
    CResourceDll::Unload();
    EXPECT_NE(CResourceDll::Instance(), nullptr); // a fresh holder after an unload
}

TEST_F(ResourceDll, MissingLibraryLeavesTheProgramsResources)
{
    HINSTANCE own = AfxGetResourceHandle();
    CResourceDll* dll = CResourceDll::Instance();
    EXPECT_FALSE(dll->Load("nosuchpack.dll"));
    EXPECT_EQ(dll->GetModule(), nullptr);
    dll->SwitchToDll();
    EXPECT_EQ(AfxGetResourceHandle(), own);
    dll->RestoreHandle();
    EXPECT_EQ(AfxGetResourceHandle(), own);
}

TEST(KelException, CarriesItsCodeAndIsACException)
{
    try
    {
        CKelException::Throw(-7);
        FAIL() << "no throw";
    }
    catch (CException* e)
    {
        ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CKelException)));
        EXPECT_EQ(static_cast<CKelException*>(e)->GetError(), -7);
        EXPECT_STREQ(e->GetRuntimeClass()->m_lpszClassName, "CKelException");
        e->Delete();
    }
}

} // namespace
