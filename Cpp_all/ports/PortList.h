// The places where a head can be attached: one CPortEntry per serial port that has a head, plus
// the simulated entry SOFT0. The connector dialog connects and disconnects entries, a document
// finds its entry by connector and takes its descriptor's head, and the port monitor's tasks hold
// the entry's port lock while they talk to the head.
//
// Threads: Refresh runs on the user-interface thread and on the idle tracker's thread while the
// monitor's workers run tasks. Every operation of the list takes the list's critical section;
// Refresh also takes an entry's port lock (without waiting) before it touches the entry's head,
// and passes over an entry whose port a task is using. Entries and descriptors are shared: an
// entry or descriptor that Refresh drops stays usable by whoever still holds it. Port locks are
// never closed while the list lives: a removed entry's lock is kept for its connector, so a worker
// that still waits on it is safe and a returning port gets the same lock again.
#pragma once

#include "ports/InstrumentDesc.h"

#include <windows.h>

#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CPortList;

class CPortEntry : public std::enable_shared_from_this<CPortEntry>
{
public:
    enum : int
    {
        KIND_SERIAL = 1,
        KIND_SIMULATED = 2,
    };

    CPortEntry();
    // Closes the port lock.
    virtual ~CPortEntry();
    CPortEntry(const CPortEntry&) = delete;
    CPortEntry& operator=(const CPortEntry&) = delete;

    // The descriptor's information dialog; nothing without a descriptor.
    virtual void ShowInfo();

    // Connects the entry on connector: through its descriptor when it has one, else through a new
    // descriptor of the entry's descriptor type. 1 when the head connected; 0 when the entry is
    // not available, no descriptor can be made for its type, or the head did not connect (the
    // entry is then "disconnected" without a descriptor).
    int Connect(const std::string& connector);
    // Disconnects and drops the descriptor; returns 1.
    int Disconnect();
    // Serial entry: 1 when its port opens (closed again at once); simulated entry: 1; else 0.
    int IsAvailable();
    // The descriptor's kind (1 serial, 2 simulated), kept in the descriptor type; the stored
    // descriptor type without a descriptor. 0: no instrument.
    int GetInstrumentState();
    // The descriptor's IsConnected; 0 without one.
    int IsInstrumentConnected();
    // The DSR bit (0x20) of the device handle's modem status when a descriptor, the DSR-test flag
    // and a device handle are all there; else 0.
    int IsDsrOn();
    // Identifies a serial head on the entry's connector through a descriptor of its own (never
    // stored); 1 and the texts taken from the head when one answered.
    int ProbeSerialHead();
    // The same with the simulated head.
    int ProbeSoftInstrument();

    // ---- Fields (copies, read under the entry's lock) ----
    std::string GetName() const;
    std::string GetInstrument() const;
    std::string GetConnector() const;
    std::string GetStatus() const;
    void SetName(const std::string& text);
    void SetInstrument(const std::string& text);
    void SetConnector(const std::string& text);
    void SetStatus(const std::string& text);
    int GetKind() const;
    void SetKind(int kind);
    int GetAvailable() const;
    void SetAvailable(int available);
    // The connected flag.
    int GetConnected() const;
    int GetDescType() const;
    void SetDescType(int type);
    // The descriptor while connected, else null. Holding it keeps it (and its head) alive.
    std::shared_ptr<CInstrumentDesc> GetDescriptor() const;
    // The mutex the monitor's tasks hold while they use this port; null before the monitor starts.
    HANDLE GetPortLock() const;
    // Takes ownership of lock (a lock held before is closed).
    void SetPortLock(HANDLE lock);
    // With flag set, Refresh judges a connected entry by the DSR line of device instead of the
    // descriptor's IsConnected. The device handle is not owned.
    void SetDsrTest(int flag, HANDLE device);

private:
    friend class CPortList;

    int Probe(int type);
    // Resets the texts and types to "no instrument".
    void ResetToNoInstrument();
    HANDLE ReleasePortLock();

    mutable std::recursive_mutex m_lock;
    std::string m_strName = "NoInstrument";
    std::string m_strInstrument = "None";
    std::string m_strConnector;
    std::string m_strStatus = "Unknown";
    std::shared_ptr<CInstrumentDesc> m_pDesc;
    int m_nKind = KIND_SERIAL;
    int m_bAvailable = 0;
    int m_bConnected = 0;
    int m_nDescType = 0;
    HANDLE m_hLock = nullptr;
    int m_bDsrTest = 0;
    HANDLE m_hDevice = nullptr;
};

class CPortList
{
public:
    // The process-wide list, built on the first call.
    static CPortList& Instance();
    // Deletes the list and every entry it holds (entries still held elsewhere live on without a
    // port lock). Called at exit, after the port monitor stopped.
    static void Destroy();

    // A list of the machine's ports plus SOFT0; tests may make their own.
    CPortList();
    ~CPortList();
    CPortList(const CPortList&) = delete;
    CPortList& operator=(const CPortList&) = delete;

    // Walks the entries (one walk at a time: the cursor lives in the list); null at the end.
    CPortEntry* First();
    CPortEntry* Next();
    // The entry at index, null when the index is out of range.
    CPortEntry* GetAt(int index);
    // The same, held: the entry stays usable after a refresh removed it.
    std::shared_ptr<CPortEntry> HoldAt(int index);
    int GetCount();
    // The first entry whose connector is exactly connector, or null.
    CPortEntry* FindByName(const std::string& connector);
    std::shared_ptr<CPortEntry> HoldByName(const std::string& connector);
    // The port lock of the entry with that connector, null when there is none.
    HANDLE GetPortLock(const std::string& connector);

    // The connected flag of the entry; 0 when there is no such entry.
    int IsConnected(const std::string& connector);
    // 1 and the connector of the first serial entry that is available and not connected; else 0.
    int FindFreeSerial(std::string& connector);
    // Records a connection made elsewhere; nothing when the connector is unknown.
    void MarkConnected(std::shared_ptr<CInstrumentDesc> desc, const std::string& connector);
    void MarkDisconnected(const std::string& connector);
    // 0 when the entry is unknown or not available; 1 when it is already connected; else the
    // entry's Connect.
    int ConnectByName(const std::string& connector);
    // 1 when the entry is unknown, not available or not connected; else the entry's Disconnect.
    int DisconnectByName(const std::string& connector);
    // 1 when the serial entry with that connector is available and not connected; 0 otherwise
    // (also for simulated entries and unknown connectors).
    int IsSerialFree(const std::string& connector);

    // Re-examines every entry: probes the ports that have no connected head, drops the entries
    // without an instrument and appends the ports with a head that have appeared since.
    void Refresh();
    // Keeps a connected entry (1); else drops its descriptor and probes it again.
    int ProbeEntry(CPortEntry& entry);
    // One line per entry: name, connected, connector, available.
    void Dump(std::ostream& out);
    // Gives every entry without a port lock a new mutex (the port monitor's start).
    void CreatePortLocks();

    // The 1-based port numbers named in a NUL-separated list such as QueryDosDevice gives
    // ("COM3\0com10\0\0"); names of 3 characters or less and numbers below 1 are passed over.
    static std::vector<int> ParsePortNames(const char* names, size_t length);
    // The machine's serial ports, in the order the system lists them; empty on failure.
    static std::vector<int> EnumeratePorts();

    // Whether lists built from now on hold the simulated entry SOFT0 and let Refresh try the
    // simulated head (on by default; the head terminal lists serial ports only unless asked).
    static void SetBuildWithSimulated(int flag);

    // Whether Refresh also tries the simulated head (set by the build).
    int HasSimulatedEntries();
    void SetSimulatedEntries(int flag);

private:
    class Guard;

    void Build();
    void ProbeNew(CPortEntry& entry);
    std::shared_ptr<CPortEntry> NewSerialEntry(int number);
    // Keeps a removed entry's port lock for its connector.
    void ParkLock(CPortEntry& entry);
    std::shared_ptr<CPortEntry> FindLocked(const std::string& connector);

    std::vector<std::shared_ptr<CPortEntry>> m_entries;
    size_t m_cursor = 0;
    int m_bSimulatedAdded = 0;
    CRITICAL_SECTION m_cs;
    // Locks of connectors that left the list, by connector.
    std::vector<std::pair<std::string, HANDLE>> m_parkedLocks;
};
