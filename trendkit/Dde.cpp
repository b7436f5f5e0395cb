// DDE client: dynamic data sets fed by items of DDE servers. Sets on the same service and topic
// share one conversation; each item is requested once and then followed by an advise link.
#include "TrendkitInternal.h"

#include <cstdlib>
#include <cstring>

struct DdeLink
{
    int update; // non-zero: each new item text runs WRUpdateData on the set
};

namespace trendkit
{
namespace
{

constexpr int kConversations = 5;
constexpr int kItems = 16;
constexpr DWORD kTimeout = 3000;
constexpr int kTextSize = 1024;
constexpr BYTE kFailBit = 0x40;

struct DdeItem
{
    HSZ item;
    int slot;
    DynDataSetDesc* set;
    SHORT count; // values the item delivered at the first request
};

struct ConvEntry
{
    HCONV conversation; // null: entry free
    HSZ service;
    HSZ topic;
    WORD useCount;
    DdeItem* items[kItems];
};

struct DdeState
{
    DWORD instance = 0;
    char text[kTextSize] = {};
    ConvEntry entries[kConversations] = {};
};

DdeState& State()
{
    static DdeState state;
    return state;
}

// Reads a data handle into the text buffer, always terminated (a server's text need not be).
void ReadText(HDDEDATA data)
{
    char* text = State().text;
    const DWORD n = DdeGetData(data, reinterpret_cast<LPBYTE>(text), kTextSize - 1, 0);
    text[n < static_cast<DWORD>(kTextSize) ? n : kTextSize - 1] = '\0';
}

// Up to `max` numbers of the text, separated by anything that is not part of a number. Returns
// how many were read.
int ParseNumbers(const char* text, float* out, int max)
{
    int count = 0;
    const char* p = FirstDig(text);
    while (p && count < max)
    {
        out[count++] = static_cast<float>(std::atof(p));
        p = FirstDig(FirstNotDig(p));
    }
    return count;
}

void MarkFailed(DynDataSetDesc* set)
{
    for (int i = 0; i < set->valueCount && i < RT_MAX_VALUES; ++i)
        set->currentAlarm[i] |= kFailBit;
}

void FreeItem(ConvEntry& entry, int index)
{
    DdeItem* item = entry.items[index];
    if (item == nullptr)
        return;
    DdeFreeStringHandle(State().instance, item->item);
    std::free(item);
    entry.items[index] = nullptr;
}

// Ends the entry's conversation and frees all it holds, whatever its use count.
void ReleaseEntry(ConvEntry& entry)
{
    if (entry.conversation == nullptr)
        return;
    DdeDisconnect(entry.conversation);
    entry.conversation = nullptr;
    DdeFreeStringHandle(State().instance, entry.service);
    DdeFreeStringHandle(State().instance, entry.topic);
    entry.service = entry.topic = nullptr;
    for (int i = 0; i < kItems; ++i)
        FreeItem(entry, i);
    entry.useCount = 0;
}

ConvEntry* EntryOf(HCONV conversation)
{
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conversation, QID_SYNC, &info) == 0)
        return nullptr;
    return reinterpret_cast<ConvEntry*>(info.hUser);
}

// Drops one use of the entry's conversation; the last use ends it.
void DdeDisconnectConv(ConvEntry* entry)
{
    if (entry == nullptr)
        return;
    if (entry->useCount > 0)
        --entry->useCount;
    if (entry->useCount == 0)
        ReleaseEntry(*entry);
}

// New item text for the entry (mode 0: the item `item` changed; mode 1: the conversation ended,
// every item's set fails). Returns 0 without an entry.
int ParseDdeItem(HSZ item, ConvEntry* entry, int mode)
{
    if (entry == nullptr)
        return 0;
    for (DdeItem* record : entry->items)
    {
        if (record == nullptr)
            continue;
        DynDataSetDesc* set = record->set;
        if (mode == 1)
        {
            MarkFailed(set);
            WRUpdateData(record->slot, set->current, nullptr);
            continue;
        }
        if (DdeCmpStringHandles(record->item, item) != 0)
            continue;
        float values[RT_MAX_VALUES];
        const int count = ParseNumbers(State().text, values, RT_MAX_VALUES);
        if (count == 0)
            continue; // no number in the text: the values stand
        if (record->count < 2)
        {
            set->previous[0] = set->current[0];
            set->current[0] = values[0];
        }
        else
            for (int i = 0; i < count; ++i)
            {
                set->previous[i] = set->current[i];
                set->current[i] = values[i];
            }
        if (set->ddeLink && set->ddeLink->update)
            WRUpdateData(record->slot, set->current, nullptr);
    }
    return 1;
}

} // namespace

void EndDde()
{
    DdeState& s = State();
    if (s.instance == 0)
        return;
    // Every conversation ends here, however many items still use it.
    for (ConvEntry& entry : s.entries)
        ReleaseEntry(entry);
    DdeUninitialize(s.instance);
    s.instance = 0;
}

void DropDdeLink(DynDataSetDesc* set)
{
    if (set == nullptr || set->ddeLink == nullptr)
        return;
    // The set's items stop feeding it before it goes.
    for (ConvEntry& entry : State().entries)
        for (int i = 0; i < kItems; ++i)
            if (entry.items[i] && entry.items[i]->set == set)
            {
                DdeClientTransaction(nullptr, 0, entry.conversation, entry.items[i]->item, CF_TEXT,
                                     XTYP_ADVSTOP, kTimeout, nullptr);
                FreeItem(entry, i);
                DdeDisconnectConv(&entry);
            }
    std::free(set->ddeLink);
    set->ddeLink = nullptr;
}

HDDEDATA WINAPI DefDdeProc(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

int DdeConversationUses(int index)
{
    const ConvEntry& entry = State().entries[index];
    return entry.conversation ? entry.useCount : -1;
}

} // namespace trendkit

using namespace trendkit;

DWORD WINAPI WRInitDde()
{
    DdeState& s = State();
    if (s.instance == 0)
    {
        DWORD instance = 0;
        if (DdeInitializeA(&instance, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
            return 0;
        s.instance = instance;
    }
    return s.instance;
}

void WINAPI WRSetDdeProc(RTDdeProc proc)
{
    if (RTTopBlock* block = TopBlock())
        block->ddeProc = proc;
}

void WINAPI WRConnectDDE(int slot, const char* commandLine, const char* service, const char* topic,
                         const char* item, int update)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return;
    DdeState& s = State();
    if (s.instance == 0 && WRInitDde() == 0)
        return;
    const DWORD inst = s.instance;

    char name[_MAX_FNAME] = "";
    if (service && service[0])
    {
        std::strncpy(name, service, sizeof name - 1);
        name[sizeof name - 1] = '\0';
    }
    else if (commandLine && commandLine[0])
        _splitpath(commandLine, nullptr, nullptr, name, nullptr);
    HSZ hService = DdeCreateStringHandleA(inst, name, 0);
    HSZ hTopic = DdeCreateStringHandleA(inst, topic ? topic : "", 0);

    bool failed = true;
    bool keptByEntry = false;
    ConvEntry* entry = nullptr;
    for (ConvEntry& e : s.entries)
    {
        CONVINFO info{};
        info.cb = sizeof info;
        if (e.conversation && e.service == hService && e.topic == hTopic &&
            DdeQueryConvInfo(e.conversation, QID_SYNC, &info))
        {
            entry = &e;
            break;
        }
    }
    [&]
    {
        if (entry == nullptr)
        {
            for (ConvEntry& e : s.entries)
                if (e.conversation == nullptr)
                {
                    entry = &e;
                    break;
                }
            if (entry == nullptr)
            {
                RTErrHdlr(118, 0, nullptr);
                return;
            }
            HCONV conversation = DdeConnect(inst, hService, hTopic, nullptr);
            if (conversation == nullptr)
            {
                if (commandLine == nullptr)
                {
                    RTErrHdlr(static_cast<int>(DdeGetLastError(inst)) + 100, 2, name);
                    return;
                }
                if (WinExec(commandLine, SW_SHOWNORMAL) < 32)
                {
                    RTErrHdlr(static_cast<int>(DdeGetLastError(inst)) + 100, 2, commandLine);
                    return;
                }
                Delay(500, TRUE);
                conversation = DdeConnect(inst, hService, hTopic, nullptr);
                if (conversation == nullptr)
                {
                    RTErrHdlr(static_cast<int>(DdeGetLastError(inst)) + 100, 2, name);
                    return;
                }
            }
            *entry = ConvEntry{conversation, hService, hTopic, 0, {}};
            keptByEntry = true;
            DdeSetUserHandle(conversation, QID_SYNC, reinterpret_cast<DWORD_PTR>(entry));
            for (int i = 0; i < set->valueCount && i < RT_MAX_VALUES; ++i)
                set->currentAlarm[i] &= static_cast<BYTE>(~kFailBit);
            AlarmDesc& fail = set->alarms[RT_ALARM_FAIL - 1];
            if (fail.message[0] == '\0')
                std::strcpy(fail.message, "FAIL");
        }

        int itemSlot = 0;
        while (itemSlot < kItems && entry->items[itemSlot])
            ++itemSlot;
        if (itemSlot == kItems)
        {
            RTErrHdlr(119, 0, nullptr);
            failed = false; // not the link's fault: the values stand
            return;
        }
        ++entry->useCount;

        HSZ hItem = DdeCreateStringHandleA(inst, item ? item : "", 0);
        HDDEDATA data = DdeClientTransaction(nullptr, 0, entry->conversation, hItem, CF_TEXT, XTYP_REQUEST,
                                             kTimeout, nullptr);
        if (data == nullptr)
        {
            if (const UINT error = DdeGetLastError(inst))
                RTErrHdlr(static_cast<int>(error) + 100, 0, nullptr);
            DdeFreeStringHandle(inst, hItem);
            DdeDisconnectConv(entry);
            return;
        }
        auto* record = static_cast<DdeItem*>(std::calloc(1, sizeof(DdeItem)));
        if (record == nullptr)
        {
            DdeFreeDataHandle(data);
            DdeFreeStringHandle(inst, hItem);
            DdeDisconnectConv(entry);
            return;
        }
        record->item = hItem;
        record->slot = slot;
        record->set = set;
        ReadText(data);
        record->count = static_cast<SHORT>(ParseNumbers(s.text, set->current, RT_MAX_VALUES));
        DdeFreeDataHandle(data);

        if (DdeClientTransaction(nullptr, 0, entry->conversation, hItem, CF_TEXT, XTYP_ADVSTART, kTimeout,
                                 nullptr) == nullptr)
        {
            const UINT error = DdeGetLastError(inst);
            if (error != DMLERR_NO_ERROR && error != DMLERR_NOTPROCESSED)
            {
                RTErrHdlr(static_cast<int>(error) + 100, 0, nullptr);
                std::free(record);
                DdeFreeStringHandle(inst, hItem);
                DdeDisconnectConv(entry);
                return;
            }
        }
        entry->items[itemSlot] = record;

        // The link is the set's only once the server took the item: until then the host's values
        // still count.
        if (set->ddeLink == nullptr)
            set->ddeLink = static_cast<DdeLink*>(std::calloc(1, sizeof(DdeLink)));
        if (set->ddeLink)
        {
            set->ddeLink->update = update;
            if (update)
                WRUpdateData(slot, set->current, nullptr);
        }
        failed = false;
    }();

    if (!keptByEntry)
    {
        DdeFreeStringHandle(inst, hService);
        DdeFreeStringHandle(inst, hTopic);
    }
    if (failed)
        MarkFailed(set);
}

HDDEDATA WINAPI DdeCallback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                            ULONG_PTR data1, ULONG_PTR data2)
{
    ConvEntry* entry = nullptr;
    if (conversation)
    {
        entry = EntryOf(conversation);
        if (entry == nullptr)
            return nullptr;
    }
    switch (type)
    {
    case XTYP_ADVDATA:
    {
        HDDEDATA fetched = nullptr;
        if (data == nullptr)
            data = fetched =
                DdeClientTransaction(nullptr, 0, conversation, hsz2, format, XTYP_REQUEST, kTimeout, nullptr);
        if (data)
        {
            ReadText(data);
            ParseDdeItem(hsz2, entry, 0);
            if (fetched)
                DdeFreeDataHandle(fetched);
        }
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    }
    case XTYP_DISCONNECT:
    case XTYP_UNREGISTER:
        ParseDdeItem(hsz2, entry, 1);
        // The server is gone: its conversation ends for every item at once.
        if (entry)
            ReleaseEntry(*entry);
        break;
    default:
        break;
    }
    if (RTTopBlock* block = TopBlock(); block && block->ddeProc)
        block->ddeProc(type, format, conversation, hsz1, hsz2, data, data1, data2);
    return nullptr;
}
