#include "foundation/Paths.h"

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (name.empty())
        return folder;
    if (folder.empty())
        return name;
    const char last = folder.back();
    return (last == '/' || last == '\\') ? folder + name : folder + '/' + name;
}
