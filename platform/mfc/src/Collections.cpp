#include "mfc/Collections.h"

#include <cstdio>
#include <cstdlib>

namespace kel::mfc
{
void BadCollectionUse(const char* where, const char* what)
{
    std::fprintf(stderr, "%s: %s\n", where, what);
    std::fflush(stderr);
    std::abort();
}
} // namespace kel::mfc
