// Faults brought about for real: a file-size limit that fails writes as a full disk does, and a
// child process killed while it works.
#include "testkit/Faults.h"
#include "testkit/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace
{

using kel::testkit::TempDir;

TEST(Faults, AWritePastTheFileSizeLimitFailsAsOnAFullDiskAndLaterWritesWorkAgain)
{
    const TempDir dir("kel-faults-");
    const std::string path = (dir / "limited.bin").string();
    HANDLE file =
        CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::vector<char> block(3000, 'x');
    DWORD written = 0;
    {
        kel::testkit::FileSizeLimit limit(4096);
        EXPECT_TRUE(WriteFile(file, block.data(), 3000, &written, nullptr));
        EXPECT_FALSE(WriteFile(file, block.data(), 3000, &written, nullptr)) << "the process lives on";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
        EXPECT_EQ(written, 1096u) << "what fitted below the limit";
    }
    EXPECT_TRUE(WriteFile(file, block.data(), 3000, &written, nullptr)) << "the limit is gone";
    CloseHandle(file);
}

TEST(Faults, AChildIsKilledWhileItWorksAndWhatItDidStays)
{
    const TempDir dir("kel-faults-");
    const std::string path = (dir / "count.txt").string();
    EXPECT_TRUE(kel::testkit::KillWhileRunning([&] { std::ofstream(path, std::ios::app) << "x"; }, 200000));
    std::ifstream in(path);
    std::string text;
    in >> text;
    EXPECT_FALSE(text.empty()) << "the child ran before it was killed";
    EXPECT_FALSE(kel::testkit::KillWhileRunning([] { throw 1; }, 20000)) << "a child that ended on its own";
}

} // namespace
