// Instrument descriptors: what a connected port entry holds. A descriptor owns the head it created
// (or refers to one attached from outside) and connects it on a connector text: "COMn" for a serial
// head (CInstrumentDesc), "SOFTn" for the simulated head (CSoftInstrumentDesc).
#pragma once

#include "head/Head.h"

#include <memory>
#include <string>

// The abstract instrument: operations default to doing nothing and giving 0 or an empty text.
class CInstrument
{
public:
    CInstrument() = default;
    virtual ~CInstrument() = default;
    CInstrument(const CInstrument&) = delete;
    CInstrument& operator=(const CInstrument&) = delete;

    virtual int IsConnected() { return 0; }
    virtual int Connect(const std::string&) { return 0; }
    virtual void Disconnect() {}
    virtual int GetIdString(std::string& text)
    {
        text.clear();
        return 0;
    }
    virtual CHead* CreateHead() { return nullptr; }
    virtual CHead* AttachHead(CHead*) { return nullptr; }
    virtual CHead* GetHead() { return nullptr; }
    virtual std::string GetStateText() { return {}; }
    virtual void ShowInfo() {}

    // 1 serial, 2 simulated, 0 none.
    int GetKind() const { return m_nKind; }
    void SetKind(int kind) { m_nKind = kind; }
    // The connector given to the last Connect ("" when it was refused).
    const std::string& GetConnector() const { return m_strConnector; }

protected:
    std::string m_strName;
    std::string m_strId;
    std::string m_strConnector;
    int m_nKind = 0;
};

class CInstrumentDesc : public CInstrument
{
public:
    CInstrumentDesc();
    // Deletes the head when this descriptor created it.
    ~CInstrumentDesc() override;

    // The head's CheckHeadPresent; 0 without a head.
    int IsConnected() override;
    // "COMn" with 1 <= n <= 10000: connects the head on 0-based port n - 1 and returns its result;
    // any other text is refused with 0 and leaves the connector text empty.
    int Connect(const std::string& connector) override;
    // The head's Disconnect; the connected state becomes 0.
    void Disconnect() override;
    // text = the head's identification reply, printable characters only ("None" and 0 when the
    // head does not answer).
    int GetIdString(std::string& text) override;
    // The head this descriptor created (created on the first call).
    CHead* CreateHead() override;
    // Takes a head owned elsewhere; a head this descriptor created is disconnected and deleted
    // first. Returns head.
    CHead* AttachHead(CHead* head) override;
    CHead* GetHead() override { return m_pHead; }
    // "connected" while IsConnected, else "disconnected".
    std::string GetStateText() override;
    // The head's information dialog; nothing without a head.
    void ShowInfo() override;

    // The head's filament off when it is on (and the multiplier's high voltage with it); 1 when
    // it switched, 0 without a head or with the filament off.
    int FilamentOffIfOn();
    // The multiplier's high voltage off; 0 without a head or multiplier, else the head's reply.
    int CemOffIfOn();

    int GetConnectedState() const { return m_nConnected; }

protected:
    // A new head of this descriptor's kind.
    virtual std::unique_ptr<CHead> NewHead();
    // Reads the number after prefix in connector; -1 when the prefix or range is wrong.
    static int ConnectorNumber(const std::string& connector, const char* prefix, int minimum);

    int m_nConnected = 0;
    CHead* m_pHead = nullptr;
    int m_bAttached = 0;
    std::unique_ptr<CHead> m_ownedHead; // set while this descriptor created its head
};

class CSoftInstrumentDesc : public CInstrumentDesc
{
public:
    CSoftInstrumentDesc();

    // "SOFTn" with 0 <= n <= 10000: connects the simulated head on port n and returns whether
    // that worked (1 or 0); any other text is refused with 0 and leaves the connector text empty.
    int Connect(const std::string& connector) override;
    // text = the simulated head's reply as it is.
    int GetIdString(std::string& text) override;

protected:
    std::unique_ptr<CHead> NewHead() override;
};

// 1: a serial descriptor, 2: a simulated one, each with its head created; other types give null.
std::shared_ptr<CInstrumentDesc> CreateInstrumentDesc(int type);
