// A small DDE server on the layer's local transport, so DDE client tests need no other program.
//
// It serves one service with the topics and items it is given: answers requests with an item's
// bytes, stores pokes, keeps advise links and sends each change of an advised item to its
// clients. It runs its own threads; every call is thread-safe. Stop ends every conversation (the
// clients see the server go away); Start may be called again afterwards.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kel::testkit
{

class DdeTestServer
{
public:
    explicit DdeTestServer(std::string service);
    ~DdeTestServer();
    DdeTestServer(const DdeTestServer&) = delete;
    DdeTestServer& operator=(const DdeTestServer&) = delete;

    // Listens on the service's socket; false when it cannot (another server of the name runs).
    bool Start();
    void Stop();
    bool Running() const;

    // A topic that connections may ask for (others are refused).
    void AddTopic(const std::string& topic);
    // Sets an item's text (sent with its terminating zero, as text is) and advises its clients.
    void SetItem(const std::string& topic, const std::string& item, const std::string& text);
    // Sets an item's bytes as they are (no terminator added) and advises its clients.
    void SetItemBytes(const std::string& topic, const std::string& item, std::vector<uint8_t> bytes);
    // An item's bytes as last set or poked; empty when it has none.
    std::vector<uint8_t> Item(const std::string& topic, const std::string& item) const;
    // An item's text (up to its first zero).
    std::string ItemText(const std::string& topic, const std::string& item) const;

    // Requests of an item that does not exist are refused; so are advise starts while this is set.
    void RefuseAdvise(bool refuse);
    // While muted the server holds its replies back; unmuting sends what it held, late.
    void Mute(bool mute);
    // Frames received from clients so far.
    int Received() const;
    // Sends raw bytes to every connection (for tests of malformed frames).
    void SendRaw(const std::vector<uint8_t>& bytes);

    // Connections open now, and advise links on an item over all of them.
    int Connections() const;
    int Advises(const std::string& topic, const std::string& item) const;
    // Waits (real time, bounded) until pred() holds under the server's state; returns pred().
    bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 3000) const;

private:
    struct Connection;
    void AcceptLoop(int listenFd, int wakeFd);
    void Serve(std::shared_ptr<Connection> c);
    void Advise(const std::string& topic, const std::string& item);

    const std::string m_service;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::set<std::string> m_topics;                                              // lower-cased
    std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> m_items; // lower-cased keys
    bool m_refuseAdvise = false;
    bool m_muted = false;
    int m_received = 0;
    std::vector<std::shared_ptr<Connection>> m_connections;
    std::vector<std::thread> m_threads; // one per connection made, joined by Stop
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::string m_path;
    std::thread m_acceptor;
};

} // namespace kel::testkit
