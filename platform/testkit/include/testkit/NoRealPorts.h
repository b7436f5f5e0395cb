// The machine's own serial ports stay out of the port tests: refreshing the port list would
// otherwise probe them. Included by every test file that refreshes a port list.
#pragma once

#include <windows.h>

#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <optional>

namespace kel::testkit
{

class NoRealPorts : public ::testing::Environment
{
public:
    void SetUp() override
    {
        m_dir.emplace("kel-noports-");
        kel::SetSerialClassDir(m_dir->path().string());
    }
    void TearDown() override
    {
        kel::SetSerialClassDir("");
        m_dir.reset();
    }

private:
    std::optional<TempDir> m_dir;
};

inline ::testing::Environment* const g_noRealPorts = ::testing::AddGlobalTestEnvironment(new NoRealPorts);

} // namespace kel::testkit
