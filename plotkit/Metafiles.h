// What the metafile module shares with the other modules (not exported).
#pragma once

#include "plotkit.h"

namespace plotkit
{

// Whether enhanced metafiles are made (by the Windows version class found at start).
bool EnhancedMetafiles();
// True while the page is being copied, saved or converted.
bool IsPageBusy(const PgDesc* page);

} // namespace plotkit
