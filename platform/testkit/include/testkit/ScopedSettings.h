// A settings store of a test's own.
#pragma once

#include "testkit/ScopedEnv.h"
#include "testkit/TempDir.h"

#include <filesystem>

namespace kel::testkit
{

// Points XDG_CONFIG_HOME at a fresh folder, so registry and profile values never reach the user's
// store or leak between tests. The store forgets what it cached (and closes open keys) on entry
// and on exit, as a new process would; then the variable comes back and the folder goes.
class ScopedSettings
{
public:
    ScopedSettings();
    ~ScopedSettings();
    ScopedSettings(const ScopedSettings&) = delete;
    ScopedSettings& operator=(const ScopedSettings&) = delete;

    // The folder XDG_CONFIG_HOME names; the store file is kel/registry.reg inside it.
    const std::filesystem::path& path() const { return m_dir.path(); }

private:
    TempDir m_dir;
    ScopedEnv m_configHome;
};

} // namespace kel::testkit
