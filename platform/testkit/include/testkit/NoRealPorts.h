// The machine's own serial ports stay out of the port tests: refreshing the port list would
// otherwise probe them. Included by every test file that refreshes a port list.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kel::testkit
{

class NoRealPorts : public ::testing::Environment
{
public:
    void SetUp() override
    {
        m_dir =
            std::filesystem::temp_directory_path() / ("kel-noports-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(m_dir);
        kel::SetSerialClassDir(m_dir.string());
    }
    void TearDown() override
    {
        kel::SetSerialClassDir("");
        std::filesystem::remove_all(m_dir);
    }

private:
    std::filesystem::path m_dir;
};

inline ::testing::Environment* const g_noRealPorts = ::testing::AddGlobalTestEnvironment(new NoRealPorts);

} // namespace kel::testkit
