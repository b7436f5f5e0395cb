// The shared library's load and unload.
#include "PlotkitInternal.h"

namespace
{

struct Attachment
{
    Attachment() { plotkit::AttachLibrary(); }
    ~Attachment() { plotkit::DetachLibrary(); }
} attachment;

} // namespace
