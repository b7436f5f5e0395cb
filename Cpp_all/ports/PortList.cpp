#include "ports/PortList.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include <strings.h>

namespace
{
CPortList* g_list = nullptr;
std::atomic<int> g_buildWithSimulated{1};

std::mutex& InstanceLock()
{
    static std::mutex lock;
    return lock;
}

// Takes a port lock without waiting: a task that holds it is using the head right now.
class PortLockTry
{
public:
    explicit PortLockTry(HANDLE lock) : m_lock(lock)
    {
        if (!lock)
            m_held = true;
        else
        {
            const DWORD r = WaitForSingleObject(lock, 0);
            m_held = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0;
            m_owned = m_held;
        }
    }
    ~PortLockTry()
    {
        if (m_owned)
            ReleaseMutex(m_lock);
    }
    PortLockTry(const PortLockTry&) = delete;
    PortLockTry& operator=(const PortLockTry&) = delete;
    bool Held() const { return m_held; }

private:
    HANDLE m_lock;
    bool m_held = false;
    bool m_owned = false;
};
} // namespace

// ---- CPortEntry -------------------------------------------------------------------------------

CPortEntry::CPortEntry() = default;

CPortEntry::~CPortEntry()
{
    if (m_hLock)
        CloseHandle(m_hLock);
}

void CPortEntry::ShowInfo()
{
    if (auto desc = GetDescriptor())
        desc->ShowInfo();
}

int CPortEntry::Connect(const std::string& connector)
{
    std::lock_guard guard(m_lock);
    if (m_pDesc)
    {
        m_pDesc->SetKind(m_nKind);
        const int result = m_pDesc->Connect(connector) ? 1 : 0;
        m_bConnected = result;
        m_strStatus = result ? "connected" : "disconnected";
        return result;
    }
    if (!m_bAvailable)
        return 0;
    std::shared_ptr<CInstrumentDesc> desc = CreateInstrumentDesc(m_nDescType);
    if (!desc)
        return 0;
    desc->SetKind(m_nKind);
    m_pDesc = desc;
    m_bAvailable = 1;
    if (desc->Connect(connector))
    {
        m_bConnected = 1;
        m_strStatus = "connected";
        return 1;
    }
    m_bConnected = 0;
    m_pDesc.reset();
    m_strStatus = "disconnected";
    return 0;
}

int CPortEntry::Disconnect()
{
    std::lock_guard guard(m_lock);
    if (m_pDesc)
    {
        m_pDesc->Disconnect();
        m_pDesc.reset();
        m_bAvailable = 1;
    }
    m_bConnected = 0;
    m_strStatus = "disconnected";
    return 1;
}

int CPortEntry::IsAvailable()
{
    const int kind = GetKind();
    if (kind == KIND_SIMULATED)
        return 1;
    if (kind != KIND_SERIAL)
        return 0;
    const std::string path = "\\\\.\\" + GetConnector();
    HANDLE h = CreateFile(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(h);
    return 1;
}

int CPortEntry::GetInstrumentState()
{
    std::lock_guard guard(m_lock);
    if (m_pDesc)
        m_nDescType = m_pDesc->GetKind();
    return m_nDescType;
}

int CPortEntry::IsInstrumentConnected()
{
    auto desc = GetDescriptor();
    return desc ? desc->IsConnected() : 0;
}

int CPortEntry::IsDsrOn()
{
    std::lock_guard guard(m_lock);
    if (!m_pDesc || !m_bDsrTest || !m_hDevice)
        return 0;
    DWORD status = 0;
    if (!GetCommModemStatus(m_hDevice, &status))
        return 0;
    return (status & MS_DSR_ON) ? 1 : 0;
}

int CPortEntry::Probe(int type)
{
    std::shared_ptr<CInstrumentDesc> desc = CreateInstrumentDesc(type);
    if (!desc)
        return 0;
    // A probe asks the user nothing: it may run on the idle tracker's thread.
    desc->CreateHead()->SetQuiet(1);
    const std::string connector = GetConnector();
    int result = 0;
    if (desc->Connect(connector))
    {
        std::string text;
        if (desc->GetIdString(text))
        {
            std::lock_guard guard(m_lock);
            m_strName = "KEL";
            m_strInstrument = text;
            m_nDescType = desc->GetKind();
            result = 1;
        }
    }
    desc->Disconnect();
    std::lock_guard guard(m_lock);
    m_bConnected = 0;
    return result;
}

int CPortEntry::ProbeSerialHead()
{
    return Probe(KIND_SERIAL);
}

int CPortEntry::ProbeSoftInstrument()
{
    return Probe(KIND_SIMULATED);
}

void CPortEntry::ResetToNoInstrument()
{
    std::lock_guard guard(m_lock);
    m_nKind = KIND_SERIAL;
    m_nDescType = 0;
    m_strName = "NoInstrument";
    m_strInstrument = "None";
    m_strStatus = "Unknown";
}

#define KEL_ENTRY_FIELD(Type, Get, Set, field)                                                               \
    Type CPortEntry::Get() const                                                                             \
    {                                                                                                        \
        std::lock_guard guard(m_lock);                                                                       \
        return field;                                                                                        \
    }                                                                                                        \
    void CPortEntry::Set(const Type& value)                                                                  \
    {                                                                                                        \
        std::lock_guard guard(m_lock);                                                                       \
        field = value;                                                                                       \
    }
#define KEL_ENTRY_WORD(Get, Set, field)                                                                      \
    int CPortEntry::Get() const                                                                              \
    {                                                                                                        \
        std::lock_guard guard(m_lock);                                                                       \
        return field;                                                                                        \
    }                                                                                                        \
    void CPortEntry::Set(int value)                                                                          \
    {                                                                                                        \
        std::lock_guard guard(m_lock);                                                                       \
        field = value;                                                                                       \
    }

KEL_ENTRY_FIELD(std::string, GetName, SetName, m_strName)
KEL_ENTRY_FIELD(std::string, GetInstrument, SetInstrument, m_strInstrument)
KEL_ENTRY_FIELD(std::string, GetConnector, SetConnector, m_strConnector)
KEL_ENTRY_FIELD(std::string, GetStatus, SetStatus, m_strStatus)
KEL_ENTRY_WORD(GetKind, SetKind, m_nKind)
KEL_ENTRY_WORD(GetAvailable, SetAvailable, m_bAvailable)
KEL_ENTRY_WORD(GetDescType, SetDescType, m_nDescType)
#undef KEL_ENTRY_FIELD
#undef KEL_ENTRY_WORD

int CPortEntry::GetConnected() const
{
    std::lock_guard guard(m_lock);
    return m_bConnected;
}

std::shared_ptr<CInstrumentDesc> CPortEntry::GetDescriptor() const
{
    std::lock_guard guard(m_lock);
    return m_pDesc;
}

HANDLE CPortEntry::GetPortLock() const
{
    std::lock_guard guard(m_lock);
    return m_hLock;
}

void CPortEntry::SetPortLock(HANDLE lock)
{
    std::lock_guard guard(m_lock);
    if (m_hLock && m_hLock != lock)
        CloseHandle(m_hLock);
    m_hLock = lock;
}

HANDLE CPortEntry::ReleasePortLock()
{
    std::lock_guard guard(m_lock);
    HANDLE lock = m_hLock;
    m_hLock = nullptr;
    return lock;
}

void CPortEntry::SetDsrTest(int flag, HANDLE device)
{
    std::lock_guard guard(m_lock);
    m_bDsrTest = flag;
    m_hDevice = device;
}

// ---- CPortList --------------------------------------------------------------------------------

class CPortList::Guard
{
public:
    explicit Guard(CPortList& list) : m_cs(&list.m_cs) { EnterCriticalSection(m_cs); }
    ~Guard() { LeaveCriticalSection(m_cs); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION* m_cs;
};

CPortList& CPortList::Instance()
{
    std::lock_guard guard(InstanceLock());
    if (!g_list)
        g_list = new CPortList();
    return *g_list;
}

void CPortList::Destroy()
{
    CPortList* list = nullptr;
    {
        std::lock_guard guard(InstanceLock());
        list = g_list;
        g_list = nullptr;
    }
    delete list;
}

CPortList::CPortList()
{
    InitializeCriticalSection(&m_cs);
    Build();
}

CPortList::~CPortList()
{
    for (auto& entry : m_entries)
        ParkLock(*entry);
    m_entries.clear();
    for (auto& [connector, lock] : m_parkedLocks)
        CloseHandle(lock);
    DeleteCriticalSection(&m_cs);
}

std::vector<int> CPortList::ParsePortNames(const char* names, size_t length)
{
    std::vector<int> numbers;
    size_t pos = 0;
    while (pos < length && names[pos] != '\0')
    {
        const std::string name(names + pos, strnlen(names + pos, length - pos));
        pos += name.size() + 1;
        if (name.size() <= 3 || strncasecmp(name.c_str(), "COM", 3) != 0)
            continue;
        const int n = std::atoi(name.c_str() + 3);
        if (n >= 1)
            numbers.push_back(n);
    }
    return numbers;
}

std::vector<int> CPortList::EnumeratePorts()
{
    std::vector<char> buffer(65535);
    const DWORD length = QueryDosDevice(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0)
    {
        std::printf("Failed in call to QueryDosDevice, GetLastError:%d\n", static_cast<int>(GetLastError()));
        return {};
    }
    return ParsePortNames(buffer.data(), length);
}

void CPortList::Build()
{
    Guard guard(*this);
    m_entries.clear();
    m_bSimulatedAdded = 0;
    for (int n : EnumeratePorts())
    {
        auto entry = std::make_shared<CPortEntry>();
        entry->m_strConnector = "COM" + std::to_string(n);
        m_entries.push_back(entry);
    }
    if (!g_buildWithSimulated)
        return;
    m_bSimulatedAdded = 1;
    auto soft = std::make_shared<CPortEntry>();
    soft->m_nKind = CPortEntry::KIND_SIMULATED;
    soft->m_nDescType = 2;
    soft->m_strName = "KEL";
    soft->m_strInstrument = "ZOLKEL100_DUMMY";
    soft->m_strConnector = "SOFT0";
    m_entries.push_back(soft);
}

CPortEntry* CPortList::First()
{
    Guard guard(*this);
    m_cursor = 0;
    return m_entries.empty() ? nullptr : m_entries[m_cursor++].get();
}

CPortEntry* CPortList::Next()
{
    Guard guard(*this);
    return m_cursor < m_entries.size() ? m_entries[m_cursor++].get() : nullptr;
}

CPortEntry* CPortList::GetAt(int index)
{
    return HoldAt(index).get();
}

std::shared_ptr<CPortEntry> CPortList::HoldAt(int index)
{
    Guard guard(*this);
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size())
        return nullptr;
    return m_entries[static_cast<size_t>(index)];
}

int CPortList::GetCount()
{
    Guard guard(*this);
    return static_cast<int>(m_entries.size());
}

std::shared_ptr<CPortEntry> CPortList::FindLocked(const std::string& connector)
{
    for (auto& entry : m_entries)
        if (entry->GetConnector() == connector)
            return entry;
    return nullptr;
}

CPortEntry* CPortList::FindByName(const std::string& connector)
{
    return HoldByName(connector).get();
}

std::shared_ptr<CPortEntry> CPortList::HoldByName(const std::string& connector)
{
    Guard guard(*this);
    return FindLocked(connector);
}

HANDLE CPortList::GetPortLock(const std::string& connector)
{
    Guard guard(*this);
    auto entry = FindLocked(connector);
    return entry ? entry->GetPortLock() : nullptr;
}

int CPortList::IsConnected(const std::string& connector)
{
    auto entry = HoldByName(connector);
    return entry ? entry->GetConnected() : 0;
}

int CPortList::FindFreeSerial(std::string& connector)
{
    Guard guard(*this);
    for (auto& entry : m_entries)
    {
        std::lock_guard fields(entry->m_lock);
        if (entry->m_nKind == CPortEntry::KIND_SERIAL && entry->m_bAvailable && !entry->m_bConnected)
        {
            connector = entry->m_strConnector;
            return 1;
        }
    }
    return 0;
}

void CPortList::MarkConnected(std::shared_ptr<CInstrumentDesc> desc, const std::string& connector)
{
    auto entry = HoldByName(connector);
    if (!entry)
        return;
    std::lock_guard fields(entry->m_lock);
    entry->m_pDesc = std::move(desc);
    entry->m_bConnected = 1;
    entry->m_bAvailable = 1;
}

void CPortList::MarkDisconnected(const std::string& connector)
{
    auto entry = HoldByName(connector);
    if (!entry)
        return;
    std::lock_guard fields(entry->m_lock);
    entry->m_pDesc.reset();
    entry->m_bConnected = 0;
    entry->m_bAvailable = 1;
}

int CPortList::ConnectByName(const std::string& connector)
{
    auto entry = HoldByName(connector);
    if (!entry || !entry->GetAvailable())
        return 0;
    if (entry->GetConnected())
        return 1;
    return entry->Connect(connector);
}

int CPortList::DisconnectByName(const std::string& connector)
{
    auto entry = HoldByName(connector);
    if (!entry || !entry->GetAvailable() || !entry->GetConnected())
        return 1;
    return entry->Disconnect();
}

int CPortList::IsSerialFree(const std::string& connector)
{
    Guard guard(*this);
    for (auto& entry : m_entries)
    {
        std::lock_guard fields(entry->m_lock);
        if (entry->m_nKind == CPortEntry::KIND_SERIAL && entry->m_strConnector == connector)
            return entry->m_bAvailable && !entry->m_bConnected ? 1 : 0;
    }
    return 0;
}

void CPortList::SetBuildWithSimulated(int flag)
{
    g_buildWithSimulated = flag ? 1 : 0;
}

int CPortList::HasSimulatedEntries()
{
    Guard guard(*this);
    return m_bSimulatedAdded;
}

void CPortList::SetSimulatedEntries(int flag)
{
    Guard guard(*this);
    m_bSimulatedAdded = flag;
}

int CPortList::ProbeEntry(CPortEntry& entry)
{
    {
        std::lock_guard fields(entry.m_lock);
        if (entry.m_pDesc)
        {
            if (entry.m_bConnected)
                return 1;
            // Whoever still holds the descriptor keeps it; the entry lets go.
            entry.m_pDesc.reset();
        }
    }
    int result = entry.ProbeSerialHead();
    if (!result && m_bSimulatedAdded)
        result = entry.ProbeSoftInstrument();
    return result;
}

void CPortList::ProbeNew(CPortEntry& entry)
{
    int found = entry.ProbeSerialHead();
    if (!found && m_bSimulatedAdded)
        found = entry.ProbeSoftInstrument();
    if (!found)
        entry.ResetToNoInstrument();
}

void CPortList::ParkLock(CPortEntry& entry)
{
    if (HANDLE lock = entry.ReleasePortLock())
        m_parkedLocks.emplace_back(entry.GetConnector(), lock);
}

std::shared_ptr<CPortEntry> CPortList::NewSerialEntry(int number)
{
    auto entry = std::make_shared<CPortEntry>();
    entry->m_strConnector = "COM" + std::to_string(number);
    auto parked = std::find_if(m_parkedLocks.begin(), m_parkedLocks.end(),
                               [&](const auto& p) { return p.first == entry->m_strConnector; });
    if (parked != m_parkedLocks.end())
    {
        // A port that comes back waits on the lock its earlier entry had.
        entry->m_hLock = parked->second;
        m_parkedLocks.erase(parked);
    }
    else
        entry->m_hLock = CreateMutex(nullptr, FALSE, nullptr);
    return entry;
}

void CPortList::Refresh()
{
    Guard guard(*this);
    // Step 1: examine the entries in list order.
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        CPortEntry& entry = *m_entries[i];
        PortLockTry port(entry.GetPortLock());
        if (!port.Held())
            continue; // a task is using the head: it is connected and stays as it is
        std::shared_ptr<CInstrumentDesc> desc = entry.GetDescriptor();
        if (!desc)
        {
            const int available = entry.IsAvailable();
            {
                std::lock_guard fields(entry.m_lock);
                entry.m_bAvailable = available;
                entry.m_bConnected = 0;
                entry.m_strStatus = "disconnected";
            }
            if (available)
                ProbeNew(entry);
            continue;
        }

        int linked = 0;
        int dsrTest = 0;
        {
            std::lock_guard fields(entry.m_lock);
            dsrTest = entry.m_bDsrTest;
        }
        if (dsrTest)
            linked = entry.IsDsrOn();
        else if (CHead* head = desc->GetHead())
        {
            // The link test asks no questions from here: it may run on the idle thread.
            CHead::QuietScope quiet(*head);
            linked = desc->IsConnected();
        }
        if (linked)
        {
            const std::string state = desc->GetStateText();
            std::lock_guard fields(entry.m_lock);
            entry.m_bAvailable = 1;
            entry.m_bConnected = 1;
            entry.m_strStatus = state;
            continue;
        }

        {
            std::lock_guard fields(entry.m_lock);
            entry.m_bConnected = 0;
        }
        if (entry.IsAvailable())
        {
            if (!ProbeEntry(entry))
            {
                std::lock_guard fields(entry.m_lock);
                entry.m_pDesc.reset();
                entry.ResetToNoInstrument();
            }
            continue;
        }
        entry.Disconnect();
        entry.ResetToNoInstrument();
        // The entries behind this one wait for the next refresh.
        break;
    }

    // Step 2: drop the entries without an instrument.
    std::vector<std::shared_ptr<CPortEntry>> kept;
    for (auto& entry : m_entries)
    {
        if (entry->GetAvailable() && entry->GetInstrumentState())
            kept.push_back(entry);
        else
            ParkLock(*entry);
    }
    m_entries.swap(kept);
    m_cursor = 0;

    // Step 3: append the ports with a head that have appeared since.
    for (int n : EnumeratePorts())
    {
        const std::string connector = "COM" + std::to_string(n);
        if (FindLocked(connector))
            continue;
        std::shared_ptr<CPortEntry> entry = NewSerialEntry(n);
        const int available = entry->IsAvailable();
        entry->m_bAvailable = available;
        entry->m_strStatus = "disconnected";
        if (available)
        {
            PortLockTry port(entry->m_hLock);
            if (port.Held())
                ProbeNew(*entry);
        }
        if (entry->GetInstrumentState())
            m_entries.push_back(entry);
        else
            ParkLock(*entry);
    }
}

void CPortList::Dump(std::ostream& out)
{
    Guard guard(*this);
    for (auto& entry : m_entries)
    {
        std::lock_guard fields(entry->m_lock);
        out << "Name= " << entry->m_strName << (entry->m_bConnected == 1 ? " Connected " : " Disconnected ")
            << " deviceName=" << entry->m_strConnector
            << (entry->m_bAvailable == 1 ? " Available " : " Unavailable ") << '\n';
    }
}

void CPortList::CreatePortLocks()
{
    Guard guard(*this);
    for (auto& entry : m_entries)
    {
        std::lock_guard fields(entry->m_lock);
        if (!entry->m_hLock)
            entry->m_hLock = CreateMutex(nullptr, FALSE, nullptr);
    }
}
