// What the printing module shares with the other modules (not exported).
#pragma once

#include "plotkit.h"

namespace plotkit
{

// The (original, copy) pairs of the data sets a temporary graph copy uses: a block that grows with
// the pairs, so a graph with many data sets is copied whole.
struct DataSetPair
{
    void* original;
    void* copy;
};
struct DataSetPairList
{
    INT count;
    INT capacity;
    DataSetPair pairs[1]; // capacity entries
};

// Forgets the printer selection (the next job looks the default printer up again).
void ResetPrinterSelection();

} // namespace plotkit
