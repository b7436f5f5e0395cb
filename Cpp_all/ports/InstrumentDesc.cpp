#include "ports/InstrumentDesc.h"

#include "head/KELDummyHead.h"

#include <cstdlib>
#include <cstring>

namespace
{
constexpr int kMaxConnectorNumber = 10000;
}

CInstrumentDesc::CInstrumentDesc()
{
    m_nKind = 1;
}

CInstrumentDesc::~CInstrumentDesc()
{
    if (m_ownedHead)
        m_ownedHead->SetOwner(nullptr);
}

int CInstrumentDesc::ConnectorNumber(const std::string& connector, const char* prefix, int minimum)
{
    const size_t length = std::strlen(prefix);
    if (connector.compare(0, length, prefix) != 0 || connector.size() == length)
        return -1;
    // The whole rest must be a number: "COM3x" is not COM3.
    for (size_t i = length; i < connector.size(); ++i)
        if (connector[i] < '0' || connector[i] > '9' || i - length > 5)
            return -1;
    const int n = std::atoi(connector.c_str() + length);
    return n >= minimum && n <= kMaxConnectorNumber ? n : -1;
}

int CInstrumentDesc::IsConnected()
{
    return m_pHead ? m_pHead->CheckHeadPresent() : 0;
}

int CInstrumentDesc::Connect(const std::string& connector)
{
    // COM0 would be port -1: refused like any other bad text.
    const int n = ConnectorNumber(connector, "COM", 1);
    if (n < 0 || !m_pHead)
    {
        m_strConnector.clear();
        return 0;
    }
    m_strConnector = connector;
    m_nConnected = m_pHead->Connect(n - 1) ? 1 : 0;
    return m_nConnected;
}

void CInstrumentDesc::Disconnect()
{
    if (m_pHead)
        m_pHead->Disconnect();
    m_nConnected = 0;
}

int CInstrumentDesc::GetIdString(std::string& text)
{
    text = "None";
    CString reply;
    if (!m_pHead || !m_pHead->QueryId(reply))
        return 0;
    text.clear();
    for (const char c : std::string(reply.GetString(), size_t(reply.GetLength())))
        if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F)
            text += c;
    return 1;
}

std::unique_ptr<CHead> CInstrumentDesc::NewHead()
{
    return std::make_unique<CHead>();
}

CHead* CInstrumentDesc::CreateHead()
{
    if (m_ownedHead)
        return m_ownedHead.get();
    m_ownedHead = NewHead();
    m_pHead = m_ownedHead.get();
    m_bAttached = 0;
    m_pHead->SetOwner(this);
    return m_pHead;
}

CHead* CInstrumentDesc::AttachHead(CHead* head)
{
    if (head == m_pHead)
        return head;
    if (m_ownedHead)
    {
        m_ownedHead->Disconnect();
        m_ownedHead.reset();
    }
    m_pHead = head;
    m_bAttached = 1;
    if (head)
        head->SetOwner(this);
    return head;
}

std::string CInstrumentDesc::GetStateText()
{
    return IsConnected() ? "connected" : "disconnected";
}

void CInstrumentDesc::ShowInfo()
{
    if (m_pHead)
        m_pHead->ShowInfoDialog();
}

int CInstrumentDesc::FilamentOffIfOn()
{
    if (!m_pHead)
        return 0;
    int on = 0;
    m_pHead->IsFilamentOn(on);
    if (!on)
        return 0;
    m_pHead->SwitchFilamentWithProgress(0);
    if (m_pHead->IsCemPresent())
    {
        m_pHead->HighVoltageOff();
        int reply = 0;
        m_pHead->ReadIntReply(reply);
    }
    return 1;
}

int CInstrumentDesc::CemOffIfOn()
{
    if (!m_pHead || !m_pHead->IsCemPresent())
        return 0;
    m_pHead->HighVoltageOff();
    int reply = 0;
    m_pHead->ReadIntReply(reply);
    return reply;
}

CSoftInstrumentDesc::CSoftInstrumentDesc()
{
    m_nKind = 2;
}

std::unique_ptr<CHead> CSoftInstrumentDesc::NewHead()
{
    return std::make_unique<CKELDummyHead>();
}

int CSoftInstrumentDesc::Connect(const std::string& connector)
{
    const int n = ConnectorNumber(connector, "SOFT", 0);
    if (n < 0 || !m_pHead)
    {
        m_strConnector.clear();
        return 0;
    }
    m_strConnector = connector;
    m_nConnected = m_pHead->Connect(n) ? 1 : 0;
    return m_nConnected;
}

int CSoftInstrumentDesc::GetIdString(std::string& text)
{
    text = "None";
    CString reply;
    if (!m_pHead || !m_pHead->QueryId(reply))
        return 0;
    text.assign(reply.GetString(), size_t(reply.GetLength()));
    return 1;
}

std::shared_ptr<CInstrumentDesc> CreateInstrumentDesc(int type)
{
    std::shared_ptr<CInstrumentDesc> desc;
    if (type == 1)
        desc = std::make_shared<CInstrumentDesc>();
    else if (type == 2)
        desc = std::make_shared<CSoftInstrumentDesc>();
    if (desc)
        desc->CreateHead();
    return desc;
}
