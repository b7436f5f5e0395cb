#include "testkit/DdeTestServer.h"

#include "win32/dde.h"
#include "win32/ddewire.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using kel::dde::DdeFrame;
using kel::dde::DdeFrameKind;

namespace kel::testkit
{

namespace
{

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

constexpr uint32_t kTextFormat = 1; // CF_TEXT

} // namespace

struct DdeTestServer::Connection
{
    int fd = -1;
    std::string topic;                       // lower-cased, empty until connected
    std::map<std::string, uint32_t> advises; // lower-cased item -> advise flags
    std::vector<DdeFrame> held;              // replies held back while muted
    std::mutex write;

    bool Send(const DdeFrame& f) { return SendBytes(kel::dde::EncodeFrame(f)); }
    bool SendBytes(const std::vector<uint8_t>& bytes)
    {
        std::lock_guard<std::mutex> lock(write);
        return fd >= 0 && kel::dde::SendAll(fd, bytes);
    }
    void Shutdown()
    {
        std::lock_guard<std::mutex> lock(write);
        if (fd >= 0)
            shutdown(fd, SHUT_RDWR);
    }
    void Close()
    {
        std::lock_guard<std::mutex> lock(write);
        close(fd);
        fd = -1;
    }
};

DdeTestServer::DdeTestServer(std::string service) : m_service(std::move(service)) {}

DdeTestServer::~DdeTestServer()
{
    Stop();
}

bool DdeTestServer::Start()
{
    if (Running() || !kel::dde::PrepareDdeSocketFolder())
        return false;
    const std::string path = kel::dde::DdeSocketPath(m_service);
    if (path.empty())
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool taken = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    if (taken)
        return false;
    unlink(path.c_str()); // left by a server that ended without cleaning up
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0 ||
        pipe2(m_wake, O_CLOEXEC) != 0)
    {
        close(fd);
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listen = fd;
    m_path = path;
    m_acceptor = std::thread(&DdeTestServer::AcceptLoop, this, fd, m_wake[0]);
    return true;
}

void DdeTestServer::Stop()
{
    if (!m_acceptor.joinable())
        return;
    const char stop = 1;
    (void)!write(m_wake[1], &stop, 1);
    m_acceptor.join();
    std::vector<std::shared_ptr<Connection>> connections;
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        close(m_listen);
        m_listen = -1;
        unlink(m_path.c_str());
        close(m_wake[0]);
        close(m_wake[1]);
        m_wake[0] = m_wake[1] = -1;
        connections = m_connections;
        threads.swap(m_threads);
    }
    for (const auto& c : connections)
        c->Shutdown();
    for (std::thread& t : threads)
        t.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connections.clear();
    m_changed.notify_all();
}

bool DdeTestServer::Running() const
{
    return m_acceptor.joinable();
}

void DdeTestServer::AddTopic(const std::string& topic)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_topics.insert(Lower(topic));
}

void DdeTestServer::SetItem(const std::string& topic, const std::string& item, const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    SetItemBytes(topic, item, std::move(bytes));
}

void DdeTestServer::SetItemBytes(const std::string& topic, const std::string& item,
                                 std::vector<uint8_t> bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items[{Lower(topic), Lower(item)}] = std::move(bytes);
    }
    Advise(Lower(topic), Lower(item));
}

std::vector<uint8_t> DdeTestServer::Item(const std::string& topic, const std::string& item) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_items.find({Lower(topic), Lower(item)});
    return it == m_items.end() ? std::vector<uint8_t>{} : it->second;
}

std::string DdeTestServer::ItemText(const std::string& topic, const std::string& item) const
{
    const std::vector<uint8_t> bytes = Item(topic, item);
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), end);
}

void DdeTestServer::RefuseAdvise(bool refuse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refuseAdvise = refuse;
}

void DdeTestServer::Mute(bool mute)
{
    std::vector<std::pair<std::shared_ptr<Connection>, std::vector<DdeFrame>>> late;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_muted = mute;
        if (!mute)
            for (const auto& c : m_connections)
                late.emplace_back(c, std::move(c->held));
    }
    for (auto& [c, frames] : late)
        for (const DdeFrame& f : frames)
            c->Send(f);
}

int DdeTestServer::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void DdeTestServer::SendRaw(const std::vector<uint8_t>& bytes)
{
    std::vector<std::shared_ptr<Connection>> connections;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        connections = m_connections;
    }
    for (const auto& c : connections)
        c->SendBytes(bytes);
}

int DdeTestServer::Connections() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_connections.size());
}

int DdeTestServer::Advises(const std::string& topic, const std::string& item) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const auto& c : m_connections)
        n += c->topic == Lower(topic) && c->advises.count(Lower(item));
    return n;
}

bool DdeTestServer::WaitFor(const std::function<bool()>& pred, int timeoutMs) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred())
    {
        if (std::chrono::steady_clock::now() >= until)
            return pred();
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(10));
    }
    return true;
}

void DdeTestServer::AcceptLoop(int listenFd, int wakeFd)
{
    for (;;)
    {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
        {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        auto c = std::make_shared<Connection>();
        c->fd = fd;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connections.push_back(c);
        m_threads.emplace_back(&DdeTestServer::Serve, this, c);
        m_changed.notify_all();
    }
}

void DdeTestServer::Serve(std::shared_ptr<Connection> c)
{
    kel::dde::DdeFrameReader frames;
    uint8_t buffer[4096];
    bool done = false;
    while (!done)
    {
        const ssize_t n = recv(c->fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        frames.Feed(buffer, static_cast<size_t>(n));
        DdeFrame f;
        kel::dde::DdeFrameReader::Result r = kel::dde::DdeFrameReader::Result::NeedMore;
        while (!done && (r = frames.Next(&f)) == kel::dde::DdeFrameReader::Result::Frame)
        {
            DdeFrame reply;
            reply.kind = DdeFrameKind::Reply;
            reply.sequence = f.sequence;
            std::string advised; // item to advise after a poke
            bool answer = true;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                const std::string item = Lower(f.name);
                ++m_received;
                if (f.kind == DdeFrameKind::Connect)
                {
                    if (!c->topic.empty() || !m_topics.count(item))
                    {
                        reply.flags = DMLERR_NO_CONV_ESTABLISHED;
                        done = true;
                    }
                    else
                        c->topic = item;
                }
                else if (c->topic.empty())
                { // nothing before the connect
                    answer = false;
                    done = true;
                }
                else if (f.kind == DdeFrameKind::Request)
                {
                    auto it = m_items.find({c->topic, item});
                    if (it == m_items.end())
                        reply.flags = DMLERR_NOTPROCESSED;
                    else
                    {
                        reply.format = kTextFormat;
                        reply.data = it->second;
                    }
                }
                else if (f.kind == DdeFrameKind::Poke)
                {
                    m_items[{c->topic, item}] = f.data;
                    advised = item;
                }
                else if (f.kind == DdeFrameKind::AdviseStart)
                {
                    if (m_refuseAdvise)
                        reply.flags = DMLERR_NOTPROCESSED;
                    else
                        c->advises[item] = f.flags;
                }
                else if (f.kind == DdeFrameKind::AdviseStop)
                {
                    if (!c->advises.erase(item))
                        reply.flags = DMLERR_NOTPROCESSED;
                }
                else
                { // a server's frame from a client
                    answer = false;
                    done = true;
                }
                if (answer && m_muted && !done)
                {
                    c->held.push_back(reply);
                    answer = false;
                }
                m_changed.notify_all();
            }
            if (answer)
                c->Send(reply);
            if (!advised.empty())
                Advise(c->topic, advised);
        }
        if (r == kel::dde::DdeFrameReader::Result::Bad)
            break;
    }
    c->Close();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connections.erase(std::remove(m_connections.begin(), m_connections.end(), c), m_connections.end());
    m_changed.notify_all();
}

void DdeTestServer::Advise(const std::string& topic, const std::string& item)
{
    std::vector<std::pair<std::shared_ptr<Connection>, uint32_t>> targets;
    DdeFrame f;
    f.kind = DdeFrameKind::AdviseData;
    f.format = kTextFormat;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& c : m_connections)
        {
            auto it = c->advises.find(item);
            if (c->topic == topic && it != c->advises.end())
                targets.emplace_back(c, it->second);
        }
        auto data = m_items.find({topic, item});
        if (data != m_items.end())
            f.data = data->second;
    }
    for (const auto& [c, flags] : targets)
    {
        DdeFrame sent = f;
        sent.name = item;
        sent.flags = flags & XTYPF_NODATA;
        if (sent.flags)
            sent.data.clear();
        c->Send(sent);
    }
}

} // namespace kel::testkit
