#include "testkit/ScopedSettings.h"

#include "win32/registry.h"

namespace kel::testkit
{

namespace
{

// The store rewrites its file for every value written; a memory file system keeps that quick.
std::filesystem::path SettingsParent()
{
    std::error_code ec;
    return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                         : std::filesystem::temp_directory_path();
}

} // namespace

ScopedSettings::ScopedSettings()
    : m_dir(SettingsParent(), "kel-settings-"), m_configHome("XDG_CONFIG_HOME", m_dir.path().c_str())
{
    ResetRegistryStoreForTests();
}

ScopedSettings::~ScopedSettings()
{
    ResetRegistryStoreForTests();
}

} // namespace kel::testkit
