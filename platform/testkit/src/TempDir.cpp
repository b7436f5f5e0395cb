#include "testkit/TempDir.h"

#include <stdlib.h>

#include <cerrno>
#include <system_error>

namespace kel::testkit
{

TempDir::TempDir(const std::string& prefix) : TempDir(std::filesystem::temp_directory_path(), prefix) {}

TempDir::TempDir(const std::filesystem::path& parent, const std::string& prefix)
{
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace kel::testkit
