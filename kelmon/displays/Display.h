// The displays' common base: the operations the scans and the gas library call on the display they
// hold. Each display kind overrides them; the display work adds the remaining operations.
#pragma once

#include <afx.h>

class CDisplay : public CObject
{
public:
    static CRuntimeClass classCDisplay;
    CRuntimeClass* GetRuntimeClass() const override { return RUNTIME_CLASS(CDisplay); }

    // Takes one record (a point of a scan, or a LibraryBarRecord from the gas library with arg 0).
    virtual void UpdateData(void* record, int arg) = 0;
    // Rebuilds the display page after new parameters; FALSE when it could not.
    virtual BOOL Rebuild() = 0;

protected:
    CDisplay() = default;
};

// Abstract: archives may refer to it as a base class but never create one.
inline CRuntimeClass CDisplay::classCDisplay = {"CDisplay", sizeof(CDisplay),       0xFFFF,
                                                nullptr,    RUNTIME_CLASS(CObject), nullptr};
