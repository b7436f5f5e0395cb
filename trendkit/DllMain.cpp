// The shared library's load and unload.
#include "TrendkitInternal.h"

namespace
{

struct Attachment
{
    Attachment() { trendkit::AttachLibrary(); }
    ~Attachment() { trendkit::DetachLibrary(); }
} attachment;

} // namespace
