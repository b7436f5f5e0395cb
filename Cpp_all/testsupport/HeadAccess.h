// A head's own state opened to a test: to set up what no operation sets (a family without an
// identification, a multiplier without asking the head) and to check what no operation reads.
// An open head is the head it opens (it stores as one); Field reaches the same state in a head the
// test did not make, such as one read back from an archive: Field(*loaded, &OpenHead::m_nPort).
#pragma once

#include "head/KELDummyHead.h"

namespace kel::testkit
{

template <class Head> class OpenHeadOf : public Head
{
public:
    using Head::m_bAbort;
    using Head::m_bCemPresent;
    using Head::m_bFilamentError;
    using Head::m_bFilamentWarning;
    using Head::m_bHighVoltageOn;
    using Head::m_bRfNotice;
    using Head::m_bSkipOnce;
    using Head::m_bStatusTimedOut;
    using Head::m_fCemGain;
    using Head::m_fEmission;
    using Head::m_fPartialSensitivity;
    using Head::m_fPresetEmission;
    using Head::m_fStoredFloat;
    using Head::m_fTotalSensitivity;
    using Head::m_hStatusThread;
    using Head::m_nCemVoltage;
    using Head::m_nElectronEnergy;
    using Head::m_nFamily;
    using Head::m_nFocusVoltage;
    using Head::m_nGainMass;
    using Head::m_nHighVoltageRequest;
    using Head::m_nIonEnergy;
    using Head::m_nJovI;
    using Head::m_nJovS;
    using Head::m_nMassRange;
    using Head::m_nPort;
    using Head::m_nPresetElectron;
    using Head::m_nPresetFocus;
    using Head::m_nPresetIndex;
    using Head::m_nStoredInt;
    using Head::m_strStored;
};

using OpenHead = OpenHeadOf<CHead>;

class OpenDummyHead : public OpenHeadOf<CKELDummyHead>
{
public:
    using CKELDummyHead::m_fRS;
    using CKELDummyHead::m_nInitialMass;
    using CKELDummyHead::m_nStepsPerAmu;
};

template <class T> T& Field(CHead& head, T CHead::*member)
{
    return head.*member;
}

} // namespace kel::testkit
