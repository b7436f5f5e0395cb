// Temporary folders for tests.
#pragma once

#include <filesystem>
#include <string>

namespace kel::testkit
{

// A fresh folder made with mkdtemp, so no other test process can share it, removed with its
// contents on destruction. Throws std::system_error when the folder cannot be made.
class TempDir
{
public:
    // Makes <system temporary folder>/<prefix>XXXXXX.
    explicit TempDir(const std::string& prefix = "kel-test-");
    // Makes <parent>/<prefix>XXXXXX; parent must exist.
    TempDir(const std::filesystem::path& parent, const std::string& prefix);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The path of `name` inside the folder (nothing is made).
    std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

} // namespace kel::testkit
