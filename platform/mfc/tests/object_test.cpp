// Run-time classes, the exception family and the TRY/CATCH macros.
#include "mfc/Exception.h"
#include "mfc/Object.h"
#include "win32/prompt.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

class CShape : public CObject
{
    DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CCircle : public CShape
{
    DECLARE_DYNCREATE(CCircle)
};
IMPLEMENT_DYNCREATE(CCircle, CShape)

class CDisc : public CCircle
{
    DECLARE_SERIAL(CDisc)
};
IMPLEMENT_SERIAL(CDisc, CCircle, 4)

TEST(RuntimeClass, KindsFollowTheBaseChain)
{
    CDisc disc;
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(CDisc)));
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(disc.IsKindOf(RUNTIME_CLASS(CException)));

    CCircle circle;
    EXPECT_FALSE(circle.IsKindOf(RUNTIME_CLASS(CDisc)));
    EXPECT_EQ(circle.GetRuntimeClass(), RUNTIME_CLASS(CCircle));

    // Through a base pointer the most derived class answers.
    const CObject* p = &disc;
    EXPECT_STREQ(p->GetRuntimeClass()->m_lpszClassName, "CDisc");
    EXPECT_EQ(p->GetRuntimeClass()->m_nObjectSize, static_cast<int>(sizeof(CDisc)));
    EXPECT_EQ(RUNTIME_CLASS(CDisc)->m_wSchema, 4u);
}

TEST(RuntimeClass, CreationAndSerializability)
{
    std::unique_ptr<CObject> circle(RUNTIME_CLASS(CCircle)->CreateObject());
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(circle->GetRuntimeClass(), RUNTIME_CLASS(CCircle));
    EXPECT_FALSE(circle->IsSerializable());

    std::unique_ptr<CObject> disc(RUNTIME_CLASS(CDisc)->CreateObject());
    ASSERT_NE(disc, nullptr);
    EXPECT_TRUE(disc->IsSerializable());

    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr); // dynamic only
}

TEST(RuntimeClass, FromNameFindsEveryRegisteredClass)
{
    EXPECT_EQ(CRuntimeClass::FromName("CShape"), RUNTIME_CLASS(CShape));
    EXPECT_EQ(CRuntimeClass::FromName("CCircle"), RUNTIME_CLASS(CCircle));
    EXPECT_EQ(CRuntimeClass::FromName("CDisc"), RUNTIME_CLASS(CDisc));
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
    EXPECT_EQ(CRuntimeClass::FromName("CFileException"), RUNTIME_CLASS(CFileException));
    EXPECT_EQ(CRuntimeClass::FromName("cdisc"), nullptr); // names are case-sensitive
    EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}

#ifndef NDEBUG
TEST(RuntimeClassDeathTest, AssertNamesFileAndLine)
{
    EXPECT_DEATH(ASSERT(1 + 1 == 3), "object_test\\.cpp\\([0-9]+\\): assertion failed");
}
#endif

// ---- Exceptions ----

CString MessageOf(const CException& e, UINT nMax = 512)
{
    std::vector<char> buf(nMax, 'x');
    UINT nHelp = 99;
    e.GetErrorMessage(buf.data(), nMax, &nHelp);
    EXPECT_EQ(nHelp, 0u);
    return CString(buf.data());
}

TEST(Exceptions, FileMessagesNameTheFileAndAreCutToTheBuffer)
{
    CFileException e(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "/data/scan.kel");
    const CString text = MessageOf(e);
    EXPECT_NE(text.Find("\"/data/scan.kel\""), -1) << text.GetString();

    const CString cut = MessageOf(e, 8);
    EXPECT_EQ(cut.GetLength(), 7);
    EXPECT_EQ(std::strncmp(cut, text, 7), 0);

    // Every cause has its own text.
    for (int cause = CFileException::none; cause <= CFileException::endOfFile; ++cause)
    {
        CFileException other(cause, -1, "f");
        if (cause != CFileException::fileNotFound)
        {
            EXPECT_TRUE(MessageOf(other) != text) << cause;
        }
        EXPECT_FALSE(MessageOf(other).IsEmpty()) << cause;
    }
    for (int cause = CArchiveException::none; cause <= CArchiveException::badSchema; ++cause)
        EXPECT_FALSE(MessageOf(CArchiveException(cause, "doc.kel")).IsEmpty()) << cause;
    EXPECT_NE(MessageOf(CArchiveException(CArchiveException::badClass, "doc.kel")).Find("\"doc.kel\""), -1);
}

TEST(Exceptions, SilentAndPreallocatedKinds)
{
    char buf[32] = "untouched";
    CUserException user;
    EXPECT_FALSE(user.GetErrorMessage(buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    CMemoryException memory;
    EXPECT_TRUE(memory.GetErrorMessage(buf, sizeof buf));

    // The out-of-memory exception is preallocated: Delete must leave it alone, every time.
    for (int i = 0; i < 2; ++i)
    {
        try
        {
            AfxThrowMemoryException();
        }
        catch (CException* e)
        {
            EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CMemoryException)));
            e->Delete();
        }
    }
}

TEST(Exceptions, ErrorCodesMapToCauses)
{
    struct Case
    {
        LONG lOsError;
        int nErrno;
        int cause;
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT, CFileException::fileNotFound},
        {ERROR_PATH_NOT_FOUND, ENOTDIR, CFileException::badPath},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG, CFileException::badPath},
        {ERROR_TOO_MANY_OPEN_FILES, EMFILE, CFileException::tooManyOpenFiles},
        {ERROR_ACCESS_DENIED, EACCES, CFileException::accessDenied},
        {ERROR_INVALID_HANDLE, EBADF, CFileException::invalidFile},
        {ERROR_NEGATIVE_SEEK, ESPIPE, CFileException::badSeek},
        {ERROR_SHARING_VIOLATION, EBUSY, CFileException::sharingViolation},
        {ERROR_LOCK_VIOLATION, ENOLCK, CFileException::lockViolation},
        {ERROR_DISK_FULL, ENOSPC, CFileException::diskFull},
        {ERROR_HANDLE_EOF, 0, CFileException::endOfFile},
        {ERROR_INVALID_PARAMETER, EINVAL, CFileException::genericException},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(CFileException::OsErrorToException(c.lOsError), c.cause) << c.lOsError;
        if (c.nErrno != 0)
        {
            EXPECT_EQ(CFileException::ErrnoToException(c.nErrno), c.cause) << c.nErrno;
        }
    }

    try
    {
        CFileException::ThrowOsError(ERROR_ACCESS_DENIED, "locked.txt");
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::accessDenied);
        EXPECT_EQ(e->m_lOsError, ERROR_ACCESS_DENIED);
        EXPECT_STREQ(e->m_strFileName, "locked.txt");
        e->Delete();
    }
    // A zero code still throws: a failure is never passed off as success.
    try
    {
        CFileException::ThrowErrno(0);
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::genericException);
        e->Delete();
    }
}

// Records message boxes instead of showing them.
class RecordingPrompts : public kel::IPromptService
{
public:
    RecordingPrompts() : m_previous(kel::SetPromptService(this)) {}
    ~RecordingPrompts() override { kel::SetPromptService(m_previous); }
    kel::PromptReply Prompt(const kel::PromptRequest& request) override
    {
        requests.push_back(request);
        kel::PromptReply reply;
        reply.result = IDRETRY;
        return reply;
    }
    std::vector<kel::PromptRequest> requests;

private:
    kel::IPromptService* m_previous;
};

TEST(Exceptions, ReportErrorShowsTheMessageInAMessageBox)
{
    RecordingPrompts prompts;
    CFileException e(CFileException::accessDenied, ERROR_ACCESS_DENIED, "/data/locked.kel");
    EXPECT_EQ(e.ReportError(MB_RETRYCANCEL), IDRETRY);
    CUserException silent;
    silent.ReportError();

    ASSERT_EQ(prompts.requests.size(), 2u);
    EXPECT_EQ(prompts.requests[0].kind, kel::PromptKind::MessageBox);
    EXPECT_EQ(prompts.requests[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_NE(prompts.requests[0].text.find("\"/data/locked.kel\""), std::string::npos);
    EXPECT_EQ(prompts.requests[1].text, "No error message is available.");
}

// ---- TRY/CATCH macros ----

TEST(ExceptionMacros, CatchDeletesUnlessRethrown)
{
    // The leak checker reports an exception that END_CATCH fails to delete.
    int caught = 0;
    TRY
    {
        AfxThrowFileException(CFileException::badSeek);
    }
    CATCH(CArchiveException, e)
    {
        (void)e;
        caught = 1;
    }
    AND_CATCH(CFileException, e)
    {
        EXPECT_EQ(e->m_cause, CFileException::badSeek);
        caught = 2;
    }
    END_CATCH
    EXPECT_EQ(caught, 2);

    // THROW_LAST and THROW(e) pass the same, still living exception outward.
    for (bool bLast : {true, false})
    {
        CException* pOuter = nullptr;
        CException* pInner = nullptr;
        try
        {
            TRY
            {
                AfxThrowArchiveException(CArchiveException::badIndex, "x");
            }
            CATCH_ALL(e)
            {
                pInner = e;
                if (bLast)
                    THROW_LAST();
                THROW(e);
            }
            END_CATCH_ALL
        }
        catch (CException* e)
        {
            pOuter = e;
            EXPECT_EQ(static_cast<CArchiveException*>(e)->m_cause, CArchiveException::badIndex);
            e->Delete();
        }
        EXPECT_EQ(pOuter, pInner);
    }
}
