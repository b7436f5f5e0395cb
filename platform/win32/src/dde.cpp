// DDE client instances, conversations and handles over the local socket transport.
//
// Each conversation has a reader thread that takes the server's frames off its socket: replies go
// to the transaction waiting for them, advise data and the end of the conversation are queued on
// the instance and announced to its message-only window, whose procedure runs the callback on the
// instance's thread. All tables are guarded by one mutex, never held while the callback runs or a
// thread is joined.
#include "win32/dde.h"

#include "win32/ddewire.h"
#include "win32/kernel.h"
#include "win32/user.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using kel::dde::DdeFrame;
using kel::dde::DdeFrameKind;
using kel::dde::DdeFrameReader;

namespace
{

constexpr const char* kWindowClass = "KelDdeClientWindow";
constexpr UINT kDeliverMessage = WM_USER + 1;
constexpr DWORD kConnectTimeout = 5000;

struct StringEntry
{
    std::string text;
    int uses = 0;
};

struct Event
{
    uintptr_t conversation = 0;
    bool disconnect = false;
    DdeFrame frame;
};

struct Instance
{
    DWORD id = 0;
    DWORD thread = 0;
    PFNCALLBACK callback = nullptr;
    HWND window = nullptr;
    UINT lastError = DMLERR_NO_ERROR;
    std::map<std::string, uintptr_t> stringByText; // lower-cased text -> handle
    std::map<uintptr_t, StringEntry> strings;
    std::deque<Event> events;
};

struct Conversation
{
    uintptr_t handle = 0;
    DWORD instance = 0;
    HWND window = nullptr;
    int fd = -1;
    std::thread reader;
    uintptr_t service = 0, topic = 0; // string handles kept by the conversation
    DWORD_PTR user = 0;
    bool alive = true;
    bool closing = false; // ended by this side: no disconnect callback
    uint32_t sequence = 0;
    uint32_t awaiting = 0; // sequence of the transaction waiting, 0 when none
    std::optional<DdeFrame> reply;
    HANDLE replied = nullptr;

    ~Conversation()
    {
        if (reader.joinable())
        {
            if (reader.get_id() == std::this_thread::get_id())
                reader.detach();
            else
            {
                shutdown(fd, SHUT_RDWR);
                reader.join();
            }
        }
        if (fd >= 0)
            close(fd);
        if (replied)
            CloseHandle(replied);
    }
};

struct DataEntry
{
    DWORD instance = 0;
    std::vector<uint8_t> bytes;
    uintptr_t item = 0;
    UINT format = 0;
    bool appOwned = false;
};

std::mutex& Lock()
{
    static std::mutex m;
    return m;
}

struct Tables
{
    DWORD nextInstance = 1;
    uintptr_t nextHandle = 1;
    std::map<DWORD, std::shared_ptr<Instance>> instances;
    std::map<uintptr_t, std::shared_ptr<Conversation>> conversations;
    std::map<uintptr_t, DataEntry> data;
};

Tables& T()
{
    static Tables* t = new Tables; // outlives the readers at process exit
    return *t;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// ---- With Lock() held ----------------------------------------------------------------------------

Instance* FindInstance(DWORD id)
{
    auto it = T().instances.find(id);
    return it == T().instances.end() ? nullptr : it->second.get();
}

std::shared_ptr<Conversation> FindConversation(HCONV hConv)
{
    auto it = T().conversations.find(reinterpret_cast<uintptr_t>(hConv));
    return it == T().conversations.end() ? nullptr : it->second;
}

uintptr_t AddString(Instance& inst, const std::string& text)
{
    const std::string key = Lower(text);
    auto found = inst.stringByText.find(key);
    if (found != inst.stringByText.end())
    {
        ++inst.strings[found->second].uses;
        return found->second;
    }
    const uintptr_t h = T().nextHandle++;
    inst.stringByText[key] = h;
    inst.strings[h] = StringEntry{text, 1};
    return h;
}

bool DropString(Instance& inst, uintptr_t h)
{
    auto it = inst.strings.find(h);
    if (it == inst.strings.end())
        return false;
    if (--it->second.uses <= 0)
    {
        inst.stringByText.erase(Lower(it->second.text));
        inst.strings.erase(it);
    }
    return true;
}

const std::string* StringText(Instance& inst, uintptr_t h)
{
    auto it = inst.strings.find(h);
    return it == inst.strings.end() ? nullptr : &it->second.text;
}

uintptr_t AddData(DWORD inst, std::vector<uint8_t> bytes, uintptr_t item, UINT format, bool appOwned)
{
    const uintptr_t h = T().nextHandle++;
    T().data[h] = DataEntry{inst, std::move(bytes), item, format, appOwned};
    return h;
}

// Takes the conversation out of the tables; the caller ends it with EndConversation, unlocked.
std::shared_ptr<Conversation> TakeConversation(uintptr_t handle)
{
    auto it = T().conversations.find(handle);
    if (it == T().conversations.end())
        return nullptr;
    std::shared_ptr<Conversation> c = it->second;
    T().conversations.erase(it);
    c->closing = true;
    if (Instance* inst = FindInstance(c->instance))
    {
        DropString(*inst, c->service);
        DropString(*inst, c->topic);
    }
    return c;
}

// ---- Without the lock --------------------------------------------------------------------------

void EndConversation(const std::shared_ptr<Conversation>& c)
{
    shutdown(c->fd, SHUT_RDWR);
    if (c->reader.joinable() && c->reader.get_id() != std::this_thread::get_id())
        c->reader.join();
}

void Announce(const std::shared_ptr<Conversation>& c, Event e)
{
    Instance* inst = FindInstance(c->instance);
    if (inst == nullptr)
        return;
    inst->events.push_back(std::move(e));
    PostMessage(c->window, kDeliverMessage, c->instance, 0);
}

void ReadFrames(std::shared_ptr<Conversation> c)
{
    DdeFrameReader frames;
    uint8_t buffer[4096];
    bool bad = false;
    while (!bad)
    {
        const ssize_t n = recv(c->fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        frames.Feed(buffer, static_cast<size_t>(n));
        DdeFrame f;
        for (;;)
        {
            const DdeFrameReader::Result r = frames.Next(&f);
            if (r == DdeFrameReader::Result::NeedMore)
                break;
            if (r == DdeFrameReader::Result::Bad)
            {
                bad = true;
                break;
            }
            std::lock_guard<std::mutex> lock(Lock());
            if (f.kind == DdeFrameKind::Reply)
            {
                // A late reply to a transaction that gave up is dropped.
                if (c->awaiting != 0 && f.sequence == c->awaiting)
                {
                    c->reply = std::move(f);
                    SetEvent(c->replied);
                }
            }
            else if (f.kind == DdeFrameKind::AdviseData)
            {
                if (!c->closing)
                    Announce(c, Event{c->handle, false, std::move(f)});
            }
            else
            {
                bad = true; // a client's frame from the server
                break;
            }
        }
    }
    // The server left, or broke the protocol: the conversation is over either way.
    std::lock_guard<std::mutex> lock(Lock());
    c->alive = false;
    SetEvent(c->replied);
    if (!c->closing)
        Announce(c, Event{c->handle, true, {}});
}

void SetError(DWORD idInst, UINT error)
{
    std::lock_guard<std::mutex> lock(Lock());
    if (Instance* inst = FindInstance(idInst))
        inst->lastError = error;
}

// Sends one frame and waits for its reply. Returns DMLERR_NO_ERROR with *reply, or the error.
UINT Transact(const std::shared_ptr<Conversation>& c, DdeFrame frame, DWORD timeout, UINT timeoutError,
              DdeFrame* reply)
{
    {
        std::lock_guard<std::mutex> lock(Lock());
        if (!c->alive)
            return DMLERR_SERVER_DIED;
        if (c->awaiting != 0)
            return DMLERR_REENTRANCY;
        frame.sequence = ++c->sequence;
        if (frame.sequence == 0)
            frame.sequence = ++c->sequence;
        c->awaiting = frame.sequence;
        c->reply.reset();
        ResetEvent(c->replied);
    }
    // The time-out runs from the call, not from the end of the send: a server (or a clock) that
    // moves on while the frame goes out must not give the wait a fresh time-out.
    const ULONGLONG started = GetTickCount64();
    const std::vector<uint8_t> bytes = kel::dde::EncodeFrame(frame);
    const bool sent = !bytes.empty() && kel::dde::SendAll(c->fd, bytes);
    if (sent)
    {
        const ULONGLONG spent = GetTickCount64() - started;
        const DWORD left = timeout == INFINITE ? INFINITE
                           : spent >= timeout  ? 0
                                               : static_cast<DWORD>(timeout - spent);
        WaitForSingleObject(c->replied, left);
    }
    std::lock_guard<std::mutex> lock(Lock());
    c->awaiting = 0;
    if (bytes.empty())
        return DMLERR_INVALIDPARAMETER;
    if (c->reply)
    {
        *reply = std::move(*c->reply);
        c->reply.reset();
        return DMLERR_NO_ERROR;
    }
    if (!sent || !c->alive)
        return DMLERR_SERVER_DIED;
    return timeoutError;
}

void Deliver(DWORD idInst);

LRESULT CALLBACK DdeWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kDeliverMessage)
    {
        Deliver(static_cast<DWORD>(wParam));
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Runs the callback for each queued event of the instance (on its thread).
void Deliver(DWORD idInst)
{
    for (;;)
    {
        PFNCALLBACK callback = nullptr;
        Event e;
        std::shared_ptr<Conversation> c;
        uintptr_t item = 0, topic = 0, data = 0;
        {
            std::lock_guard<std::mutex> lock(Lock());
            Instance* inst = FindInstance(idInst);
            if (inst == nullptr || inst->events.empty())
                return;
            e = std::move(inst->events.front());
            inst->events.pop_front();
            auto it = T().conversations.find(e.conversation);
            if (it == T().conversations.end())
                continue; // ended by this side meanwhile
            c = it->second;
            callback = inst->callback;
            if (!e.disconnect)
            {
                topic = c->topic;
                item = AddString(*inst, e.frame.name);
                if (!(e.frame.flags & XTYPF_NODATA))
                    data = AddData(idInst, std::move(e.frame.data), item, e.frame.format, false);
            }
        }
        const HCONV hconv = reinterpret_cast<HCONV>(c->handle);
        if (e.disconnect)
        {
            callback(XTYP_DISCONNECT, 0, hconv, nullptr, nullptr, nullptr, 0, 0);
            std::shared_ptr<Conversation> ended;
            {
                std::lock_guard<std::mutex> lock(Lock());
                ended = TakeConversation(c->handle);
            }
            if (ended)
                EndConversation(ended);
            continue;
        }
        callback(XTYP_ADVDATA, e.frame.format, hconv, reinterpret_cast<HSZ>(topic),
                 reinterpret_cast<HSZ>(item), reinterpret_cast<HDDEDATA>(data), 0, 0);
        std::lock_guard<std::mutex> lock(Lock());
        if (Instance* inst = FindInstance(idInst))
            DropString(*inst, item);
        if (data)
            T().data.erase(data);
    }
}

} // namespace

UINT DdeInitialize(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD)
{
    if (pidInst == nullptr || *pidInst != 0 || pfnCallback == nullptr || !(afCmd & APPCMD_CLIENTONLY))
        return DMLERR_INVALIDPARAMETER;
    WNDCLASS wc{};
    wc.lpfnWndProc = DdeWindowProc;
    wc.lpszClassName = kWindowClass;
    RegisterClass(&wc); // already there after the first instance
    HWND window = CreateWindowEx(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (window == nullptr)
        return DMLERR_SYS_ERROR;
    auto inst = std::make_shared<Instance>();
    inst->thread = GetCurrentThreadId();
    inst->callback = pfnCallback;
    inst->window = window;
    std::lock_guard<std::mutex> lock(Lock());
    inst->id = T().nextInstance++;
    T().instances[inst->id] = inst;
    *pidInst = inst->id;
    return DMLERR_NO_ERROR;
}

BOOL DdeUninitialize(DWORD idInst)
{
    std::vector<std::shared_ptr<Conversation>> ended;
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> lock(Lock());
        Instance* inst = FindInstance(idInst);
        if (inst == nullptr)
            return FALSE;
        window = inst->window;
        std::vector<uintptr_t> mine;
        for (const auto& [h, c] : T().conversations)
            if (c->instance == idInst)
                mine.push_back(h);
        for (uintptr_t h : mine)
            ended.push_back(TakeConversation(h));
        for (auto it = T().data.begin(); it != T().data.end();)
            it = it->second.instance == idInst ? T().data.erase(it) : std::next(it);
        T().instances.erase(idInst);
    }
    for (const auto& c : ended)
        EndConversation(c);
    DestroyWindow(window);
    return TRUE;
}

UINT DdeGetLastError(DWORD idInst)
{
    std::lock_guard<std::mutex> lock(Lock());
    Instance* inst = FindInstance(idInst);
    if (inst == nullptr)
        return DMLERR_DLL_NOT_INITIALIZED;
    const UINT error = inst->lastError;
    inst->lastError = DMLERR_NO_ERROR;
    return error;
}

HSZ DdeCreateStringHandle(DWORD idInst, LPCSTR psz, int)
{
    std::lock_guard<std::mutex> lock(Lock());
    Instance* inst = FindInstance(idInst);
    if (inst == nullptr)
        return nullptr;
    if (psz == nullptr || std::strlen(psz) > kel::dde::kDdeMaxName)
    {
        inst->lastError = DMLERR_INVALIDPARAMETER;
        return nullptr;
    }
    if (psz[0] == '\0')
        return nullptr; // the empty string has no handle
    return reinterpret_cast<HSZ>(AddString(*inst, psz));
}

BOOL DdeFreeStringHandle(DWORD idInst, HSZ hsz)
{
    std::lock_guard<std::mutex> lock(Lock());
    Instance* inst = FindInstance(idInst);
    return inst && DropString(*inst, reinterpret_cast<uintptr_t>(hsz));
}

BOOL DdeKeepStringHandle(DWORD idInst, HSZ hsz)
{
    std::lock_guard<std::mutex> lock(Lock());
    Instance* inst = FindInstance(idInst);
    if (inst == nullptr)
        return FALSE;
    auto it = inst->strings.find(reinterpret_cast<uintptr_t>(hsz));
    if (it == inst->strings.end())
        return FALSE;
    ++it->second.uses;
    return TRUE;
}

DWORD DdeQueryString(DWORD idInst, HSZ hsz, LPSTR psz, DWORD cchMax, int)
{
    std::lock_guard<std::mutex> lock(Lock());
    Instance* inst = FindInstance(idInst);
    const std::string* text = inst ? StringText(*inst, reinterpret_cast<uintptr_t>(hsz)) : nullptr;
    if (text == nullptr)
    {
        if (psz && cchMax)
            psz[0] = '\0';
        return 0;
    }
    if (psz == nullptr)
        return static_cast<DWORD>(text->size());
    if (cchMax == 0)
        return 0;
    const size_t n = std::min<size_t>(text->size(), cchMax - 1);
    std::memcpy(psz, text->data(), n);
    psz[n] = '\0';
    return static_cast<DWORD>(n);
}

int DdeCmpStringHandles(HSZ hsz1, HSZ hsz2)
{
    const auto a = reinterpret_cast<uintptr_t>(hsz1), b = reinterpret_cast<uintptr_t>(hsz2);
    return a == b ? 0 : (a < b ? -1 : 1);
}

HCONV DdeConnect(DWORD idInst, HSZ hszService, HSZ hszTopic, PCONVCONTEXT)
{
    std::string service, topic;
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> lock(Lock());
        Instance* inst = FindInstance(idInst);
        if (inst == nullptr)
            return nullptr;
        const std::string* s = StringText(*inst, reinterpret_cast<uintptr_t>(hszService));
        const std::string* t = StringText(*inst, reinterpret_cast<uintptr_t>(hszTopic));
        if (s == nullptr || t == nullptr)
        {
            // No wild connections: a service and a topic are needed.
            inst->lastError = DMLERR_NO_CONV_ESTABLISHED;
            return nullptr;
        }
        service = *s;
        topic = *t;
        window = inst->window;
    }
    const std::string path = kel::dde::DdeSocketPath(service);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int fd = path.empty() ? -1 : socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0)
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        if (fd >= 0)
            close(fd);
        SetError(idInst, DMLERR_NO_CONV_ESTABLISHED);
        return nullptr;
    }
    auto c = std::make_shared<Conversation>();
    c->instance = idInst;
    c->window = window;
    c->fd = fd;
    c->replied = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    {
        std::lock_guard<std::mutex> lock(Lock());
        c->handle = T().nextHandle++;
    }
    c->reader = std::thread(ReadFrames, c);
    DdeFrame hello;
    hello.kind = DdeFrameKind::Connect;
    hello.name = topic;
    DdeFrame reply;
    const UINT error = Transact(c, hello, kConnectTimeout, DMLERR_NO_CONV_ESTABLISHED, &reply);
    std::unique_lock<std::mutex> lock(Lock());
    Instance* inst = FindInstance(idInst);
    if (error != DMLERR_NO_ERROR || reply.flags != 0 || inst == nullptr)
    {
        c->closing = true;
        if (inst)
            inst->lastError = DMLERR_NO_CONV_ESTABLISHED;
        lock.unlock();
        EndConversation(c);
        return nullptr;
    }
    c->service = AddString(*inst, service);
    c->topic = AddString(*inst, topic);
    T().conversations[c->handle] = c;
    return reinterpret_cast<HCONV>(c->handle);
}

BOOL DdeDisconnect(HCONV hConv)
{
    std::shared_ptr<Conversation> c;
    {
        std::lock_guard<std::mutex> lock(Lock());
        c = TakeConversation(reinterpret_cast<uintptr_t>(hConv));
    }
    if (c == nullptr)
        return FALSE;
    EndConversation(c);
    return TRUE;
}

UINT DdeQueryConvInfo(HCONV hConv, DWORD idTransaction, PCONVINFO pConvInfo)
{
    std::lock_guard<std::mutex> lock(Lock());
    std::shared_ptr<Conversation> c = FindConversation(hConv);
    if (c == nullptr || pConvInfo == nullptr || pConvInfo->cb == 0)
        return 0;
    if (idTransaction != QID_SYNC)
    {
        if (Instance* inst = FindInstance(c->instance))
            inst->lastError = DMLERR_UNFOUND_QUEUE_ID;
        return 0;
    }
    CONVINFO info{};
    info.cb = sizeof info;
    info.hUser = c->user;
    info.hszSvcPartner = reinterpret_cast<HSZ>(c->service);
    info.hszServiceReq = reinterpret_cast<HSZ>(c->service);
    info.hszTopic = reinterpret_cast<HSZ>(c->topic);
    info.wStatus = c->alive ? ST_CONNECTED : 0;
    if (Instance* inst = FindInstance(c->instance))
    {
        info.wLastError = inst->lastError;
        info.hwnd = inst->window;
    }
    const UINT size = std::min<UINT>(pConvInfo->cb, sizeof info);
    std::memcpy(pConvInfo, &info, size);
    pConvInfo->cb = size;
    return size;
}

BOOL DdeSetUserHandle(HCONV hConv, DWORD id, DWORD_PTR hUser)
{
    std::lock_guard<std::mutex> lock(Lock());
    std::shared_ptr<Conversation> c = FindConversation(hConv);
    if (c == nullptr || id != QID_SYNC)
        return FALSE;
    c->user = hUser;
    return TRUE;
}

HDDEDATA DdeClientTransaction(LPBYTE pData, DWORD cbData, HCONV hConv, HSZ hszItem, UINT wFmt, UINT wType,
                              DWORD dwTimeout, LPDWORD pdwResult)
{
    if (pdwResult)
        *pdwResult = 0;
    std::shared_ptr<Conversation> c;
    DdeFrame frame;
    frame.format = wFmt;
    UINT timeoutError = DMLERR_DATAACKTIMEOUT;
    {
        std::lock_guard<std::mutex> lock(Lock());
        c = FindConversation(hConv);
        if (c == nullptr)
            return nullptr;
        Instance* inst = FindInstance(c->instance);
        if (inst == nullptr)
            return nullptr;
        const std::string* item = StringText(*inst, reinterpret_cast<uintptr_t>(hszItem));
        const UINT type = wType & ~static_cast<UINT>(XTYPF_NODATA | XTYPF_ACKREQ);
        bool ok = item != nullptr && dwTimeout != TIMEOUT_ASYNC;
        switch (type)
        {
        case XTYP_REQUEST:
            frame.kind = DdeFrameKind::Request;
            break;
        case XTYP_ADVSTART:
            frame.kind = DdeFrameKind::AdviseStart;
            frame.flags = wType & XTYPF_NODATA;
            timeoutError = DMLERR_ADVACKTIMEOUT;
            break;
        case XTYP_ADVSTOP:
            frame.kind = DdeFrameKind::AdviseStop;
            timeoutError = DMLERR_UNADVACKTIMEOUT;
            break;
        case XTYP_POKE:
            frame.kind = DdeFrameKind::Poke;
            timeoutError = DMLERR_POKEACKTIMEOUT;
            if (cbData == static_cast<DWORD>(-1))
            {
                // The data handle is the system's from here on, unless the caller keeps it.
                auto it = T().data.find(reinterpret_cast<uintptr_t>(pData));
                ok = ok && it != T().data.end();
                if (ok)
                {
                    frame.data = it->second.bytes;
                    if (!it->second.appOwned)
                        T().data.erase(it);
                }
            }
            else if (pData)
                frame.data.assign(pData, pData + cbData);
            ok = ok && frame.data.size() <= kel::dde::kDdeMaxData;
            break;
        default:
            ok = false; // executes and asynchronous transactions are not offered
        }
        if (!ok)
        {
            inst->lastError = DMLERR_INVALIDPARAMETER;
            return nullptr;
        }
        frame.name = *item;
    }
    DdeFrame reply;
    UINT error = Transact(c, frame, dwTimeout, timeoutError, &reply);
    if (error == DMLERR_NO_ERROR && reply.flags != 0)
        error = reply.flags >= DMLERR_FIRST && reply.flags <= DMLERR_LAST ? reply.flags : DMLERR_NOTPROCESSED;
    std::lock_guard<std::mutex> lock(Lock());
    Instance* inst = FindInstance(c->instance);
    if (error != DMLERR_NO_ERROR)
    {
        if (inst)
            inst->lastError = error;
        return nullptr;
    }
    if (pdwResult)
        *pdwResult = DDE_FACK;
    if (frame.kind != DdeFrameKind::Request)
        return reinterpret_cast<HDDEDATA>(TRUE);
    if (inst == nullptr)
        return nullptr;
    return reinterpret_cast<HDDEDATA>(AddData(c->instance, std::move(reply.data),
                                              reinterpret_cast<uintptr_t>(hszItem), reply.format, false));
}

HDDEDATA DdeCreateDataHandle(DWORD idInst, LPBYTE pSrc, DWORD cb, DWORD cbOff, HSZ hszItem, UINT wFmt,
                             UINT afCmd)
{
    std::lock_guard<std::mutex> lock(Lock());
    Instance* inst = FindInstance(idInst);
    if (inst == nullptr)
        return nullptr;
    if (cb > kel::dde::kDdeMaxData + cbOff || cbOff > cb)
    {
        inst->lastError = DMLERR_INVALIDPARAMETER;
        return nullptr;
    }
    // pSrc NULL makes room of cb bytes to be filled through DdeAccessData.
    std::vector<uint8_t> bytes(cb - cbOff, 0);
    if (pSrc && !bytes.empty())
        std::memcpy(bytes.data(), pSrc + cbOff, bytes.size());
    return reinterpret_cast<HDDEDATA>(AddData(idInst, std::move(bytes), reinterpret_cast<uintptr_t>(hszItem),
                                              wFmt, (afCmd & HDATA_APPOWNED) != 0));
}

DWORD DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff)
{
    std::lock_guard<std::mutex> lock(Lock());
    auto it = T().data.find(reinterpret_cast<uintptr_t>(hData));
    if (it == T().data.end())
        return 0;
    const std::vector<uint8_t>& bytes = it->second.bytes;
    if (pDst == nullptr)
        return static_cast<DWORD>(bytes.size());
    if (cbOff >= bytes.size())
        return 0;
    const size_t n = std::min<size_t>(cbMax, bytes.size() - cbOff);
    std::memcpy(pDst, bytes.data() + cbOff, n);
    return static_cast<DWORD>(n);
}

LPBYTE DdeAccessData(HDDEDATA hData, LPDWORD pcbDataSize)
{
    std::lock_guard<std::mutex> lock(Lock());
    auto it = T().data.find(reinterpret_cast<uintptr_t>(hData));
    if (it == T().data.end())
        return nullptr;
    if (pcbDataSize)
        *pcbDataSize = static_cast<DWORD>(it->second.bytes.size());
    static uint8_t empty = 0;
    return it->second.bytes.empty() ? &empty : it->second.bytes.data();
}

BOOL DdeUnaccessData(HDDEDATA hData)
{
    std::lock_guard<std::mutex> lock(Lock());
    return T().data.count(reinterpret_cast<uintptr_t>(hData)) ? TRUE : FALSE;
}

BOOL DdeFreeDataHandle(HDDEDATA hData)
{
    std::lock_guard<std::mutex> lock(Lock());
    return T().data.erase(reinterpret_cast<uintptr_t>(hData)) ? TRUE : FALSE;
}
