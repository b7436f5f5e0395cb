// The display kinds a document file may name. A loaded display is made from its class record, so a
// program that links the displays statically must refer to every kind, or a file holding one that
// no code creates could not be read.
#pragma once

#include <afx.h>

// The class records of the display kinds built so far; count receives their number.
const CRuntimeClass* const* DisplayKinds(int* count);
