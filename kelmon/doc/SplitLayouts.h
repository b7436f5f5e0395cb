// The split layouts of the document: for each Split command and each mode in force, the modes of
// the two panes, the settings each pane is built on, how the split scan pairs them and how the
// table's timing is coupled to the spectrum pane.
#pragma once

#include <cstdint>

struct SplitLayout
{
    // Settings a pane is built on: the document's analog settings records by their index, or
    // the table.
    enum : int
    {
        kFirstAnalog = 0,
        kSecondAnalog = 1,
        kHistogram = 2,
        kSecondHistogram = 3,
        kLibrarySettings = 4,
        kTableSettings = 5
    };
    // Table coupling: none, the coupling flag with the spectrum pane's speed and the CEM state,
    // or that after the spectrum's sweep time was estimated and handed to the P-vs-T timing.
    enum : int
    {
        kNoCoupling = 0,
        kFlagCoupling = 1,
        kFullCoupling = 2
    };

    int32_t mode = 0;       // upper pane
    int32_t secondMode = 8; // lower pane
    int settings[2] = {0, 0};
    int32_t pairing = -1; // the split scan's coupling mode; -1 for the library layouts (no split scan)
    int coupling = kNoCoupling;
};

// The layout that the Split command (ID_SPLIT_*) makes from fromMode (the mode whose display is
// shown); false when the command offers no layout from there.
bool FindSplitLayout(unsigned command, int fromMode, SplitLayout& layout);
