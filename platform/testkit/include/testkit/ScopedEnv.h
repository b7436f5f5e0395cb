// Environment variables set for one scope.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kel::testkit
{

// Sets an environment variable (a null value removes it) and puts back what was there on
// destruction.
class ScopedEnv
{
public:
    ScopedEnv(std::string name, const char* value);
    ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name), value.c_str()) {}
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace kel::testkit
