#include "HeadEmulator.h"

#include "head/SimSpectrum.h"
#include "win32/clock.h"
#include "testkit/VirtualSerial.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <optional>
#include <mutex>
#include <thread>

// The pseudo-terminal end is test infrastructure outside the layer: it talks to the kernel
// directly, as the test of the tty path does.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kel::testkit
{

namespace
{

std::string Word(int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// ---- Where the bytes go ----
class Transport
{
public:
    virtual ~Transport() = default;
    // What came from the port, without waiting.
    virtual std::string Read() = 0;
    // Bytes the port can take now.
    virtual size_t Room() = 0;
    // Writes up to n bytes; returns how many went.
    virtual size_t Write(const char* data, size_t n) = 0;
    // Waits about a millisecond for input.
    virtual void Idle() = 0;
    virtual bool SetDsr(bool on) = 0;
};

class ModemTransport final : public Transport
{
public:
    explicit ModemTransport(VirtualNullModem& modem) : m_modem(modem) {}
    std::string Read() override { return m_modem.ReadAvailable(); }
    size_t Room() override { return m_modem.PortRxRoom(); }
    size_t Write(const char* data, size_t n) override
    {
        m_modem.Write(std::string(data, n));
        return n;
    }
    // Real time on purpose: the emulator must keep answering while a test holds a fake clock.
    void Idle() override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
    bool SetDsr(bool on) override
    {
        m_modem.SetDtr(on);
        return true;
    }

private:
    VirtualNullModem& m_modem;
};

class PtyTransport final : public Transport
{
public:
    PtyTransport()
    {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (m_fd < 0 || grantpt(m_fd) != 0 || unlockpt(m_fd) != 0 ||
            ptsname_r(m_fd, name, sizeof name) != 0 ||
            fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK) != 0)
            return;
        m_path = name;
    }
    ~PtyTransport() override
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }

    std::string Read() override
    {
        std::string got;
        char buffer[256];
        for (;;)
        {
            ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break; // EAGAIN: nothing more; EIO: the slave is not open
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }
    size_t Room() override { return 4096; }
    size_t Write(const char* data, size_t n) override
    {
        ssize_t done = write(m_fd, data, n);
        return done > 0 ? static_cast<size_t>(done) : 0;
    }
    void Idle() override
    {
        pollfd p{m_fd, POLLIN, 0};
        // With the slave closed the master reports a hang-up at once; don't spin on it.
        if (poll(&p, 1, 1) > 0 && (p.revents & (POLLHUP | POLLERR)))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool SetDsr(bool) override { return false; }

private:
    int m_fd = -1;
    std::string m_path;
};

// Time of one point in milliseconds at a noise floor: the point-time table counts 1/675 s.
double PointTableMs(int noiseFloor)
{
    static const int table[] = {1350, 675, 270, 135, 85, 30, 15, 7, 2};
    return table[std::clamp(noiseFloor, 0, 8)] * 1000.0 / 675.0;
}

bool RepliesWithStatus(const std::string& letters)
{
    static const char* const done[] = {"IN", "CL", "DG", "FL", "HV", "IE", "EE", "VF"};
    return std::any_of(std::begin(done), std::end(done), [&](const char* l) { return letters == l; });
}

// The bit of "ER?" that flags each error group.
const std::map<std::string, int>& GroupBits()
{
    static const std::map<std::string, int> bits = {
        {"EP?", 0x40}, {"ED?", 0x20}, {"EQ?", 0x10}, {"EM?", 0x08}, {"EF?", 0x02}};
    return bits;
}

bool IsErrorQuery(const std::string& cmd)
{
    return cmd == "ER?" || cmd == "EC?" || GroupBits().count(cmd) != 0;
}

} // namespace

struct HeadEmulator::State
{
    std::unique_ptr<Transport> transport;
    std::string devicePath;
    std::thread thread;
    std::atomic<bool> stop{false};

    mutable std::mutex mutex; // everything below
    mutable std::condition_variable logged;

    std::map<std::string, std::string> settings = {
        {"MI", "1"},      {"MF", "100"},    {"SA", "10"},   {"NF", "4"},    {"DI", "125"},
        {"RS", "128.00"}, {"RI", "0.00"},   {"DS", "0.00"}, {"IE", "1"},    {"EE", "70"},
        {"VF", "90"},     {"FL", "0.00"},   {"HV", "0"},    {"MV", "1000"}, {"MG", "1000.0000"},
        {"ST", "0.0200"}, {"SP", "0.1009"}, {"CE", "1"},    {"MO", "1"},    {"TP", "0"}};
    std::map<std::string, std::string> defaults = {
        {"MI", "1"},  {"SA", "10"}, {"NF", "4"},      {"DI", "0"},    {"IE", "1"},
        {"EE", "70"}, {"VF", "90"}, {"RS", "128.00"}, {"RI", "0.00"}, {"DS", "0.00"}};
    std::string id = "ZOLKEL200VER1.02SN12345";
    std::map<std::string, int> errors;
    int rfLimit = INT_MAX;
    std::map<int, std::string> xv;
    int noiseModel = 1;
    int32_t seed = -1;
    int32_t totalPressureWord = 1023;
    int32_t ionCurrentWord = 1000;
    int lastSingleMass = 0;

    bool silent = false;
    struct Silencing
    {
        std::string command;
        int times;
    };
    std::vector<Silencing> silences;
    struct EchoFault
    {
        std::string value;
        int times;
    };
    std::map<std::string, EchoFault> echoFaults;
    struct ReplyFault
    {
        std::string command;
        bool garble; // else delay
        std::string bytes;
        unsigned ms;
        int times;
    };
    std::vector<ReplyFault> replyFaults;
    uint64_t heldUntilMs = 0; // nothing goes out before this layer time (a late reply)

    std::string received;
    std::vector<std::string> commands;
    std::string partial;

    std::string replies; // text and single words, sent first
    std::string points;  // scan output not sent yet
    struct Scan
    {
        bool analog = true;
        int sweepsLeft = 0;
        int initial = 0, final = 0, steps = 1;
        double noiseScale = 100;
    };
    bool scanning = false;
    Scan scan;
    // Pacing of the points on the layer clock: none while msPerPoint is 0.
    bool paced = false;
    double msPerPoint = 0;
    uint64_t paceStartMs = 0;
    uint64_t pacedWords = 0; // words sent since paceStartMs

    // ---- Settings as numbers ----
    int IntSetting(const char* letters) const
    {
        auto it = settings.find(letters);
        return it == settings.end() ? 0 : std::atoi(it->second.c_str());
    }

    std::string Default(const std::string& letters) const
    {
        if (auto it = defaults.find(letters); it != defaults.end())
            return it->second;
        if (letters == "MF")
        {
            // The model's mass range: "ZOLKEL200..." -> 200.
            int range = id.size() >= 9 ? std::atoi(id.substr(6, 3).c_str()) : 0;
            return std::to_string(range > 0 ? range : 100);
        }
        return "0";
    }

    int ErrorByte(const std::string& query) const
    {
        auto it = errors.find(query);
        int bits = it == errors.end() ? 0 : it->second;
        if (query == "ER?")
            for (const auto& [group, bit] : GroupBits())
                if (auto g = errors.find(group); g != errors.end() && g->second != 0)
                    bits |= bit;
        return bits;
    }

    // A single-mass point; outside the table the spectrum's edge, without noise.
    int32_t SinglePoint(int mass)
    {
        int32_t value = 0;
        if (!MakeSimSinglePoint(mass, noiseModel, seed, value))
            value = static_cast<int32_t>(GetSimSpectrumSignal(mass < 1 ? -1 : SIM_SPECTRUM_ROWS));
        return value;
    }

    // True when the reply to cmd is to be swallowed; uses up one count of a matching silence.
    bool Silenced(const std::string& cmd)
    {
        for (auto it = silences.begin(); it != silences.end(); ++it)
        {
            const bool match =
                it->command.size() == 2 ? cmd.compare(0, 2, it->command) == 0 : cmd == it->command;
            if (!match)
                continue;
            if (it->times > 0 && --it->times == 0)
                silences.erase(it);
            return true;
        }
        return silent;
    }

    // The reply fault for cmd, used up by one; nullptr when none.
    std::optional<ReplyFault> TakeReplyFault(const std::string& cmd)
    {
        for (auto it = replyFaults.begin(); it != replyFaults.end(); ++it)
        {
            const bool match =
                it->command.size() == 2 ? cmd.compare(0, 2, it->command) == 0 : cmd == it->command;
            if (!match)
                continue;
            ReplyFault fault = *it;
            if (--it->times <= 0)
                replyFaults.erase(it);
            return fault;
        }
        return std::nullopt;
    }

    // ---- Commands ----
    void Take(const std::string& bytes)
    {
        received += bytes;
        for (char c : bytes)
        {
            if (c != '\r' && c != '\n')
            {
                partial += c;
                continue;
            }
            if (partial.empty())
                continue; // the LF after a CR
            commands.push_back(partial);
            Handle(partial);
            partial.clear();
        }
        logged.notify_all();
    }

    void StartScan(bool analog, const std::string& arg)
    {
        Scan s;
        s.analog = analog;
        s.sweepsLeft = arg.empty() ? 1 : std::atoi(arg.c_str());
        s.initial = IntSetting("MI");
        s.final = IntSetting("MF");
        s.steps = IntSetting("SA");
        s.noiseScale = SimScanNoiseScale(IntSetting("MO") == 1 && IntSetting("HV") != 0);
        const int count = analog ? SimAnalogPointCount(s.initial, s.final, s.steps)
                                 : SimHistogramPointCount(s.initial, s.final);
        scan = s;
        scanning = s.sweepsLeft > 0 && count > 0;
        const double t = PointTableMs(IntSetting("NF"));
        Pace(analog ? t / std::max(1, s.steps) + 1000.0 / 1350.0 : 24 * (t / 10 + 1000.0 / 1350.0));
    }

    void Pace(double ms)
    {
        msPerPoint = paced ? ms : 0;
        paceStartMs = ClockNowMs();
        pacedWords = 0;
    }

    void Handle(const std::string& cmd)
    {
        // A new command ends a scan; what it had not sent yet is dropped.
        scanning = false;
        points.clear();

        const std::string letters = cmd.substr(0, 2);
        const std::string arg = cmd.size() > 2 ? cmd.substr(2) : std::string();
        const bool quiet = Silenced(cmd);
        std::string text;
        bool hasText = false;
        auto answer = [&](const std::string& t)
        {
            text = t;
            hasText = true;
        };
        std::string wordReply;
        auto word = [&](int32_t w)
        {
            if (!quiet)
                wordReply = Word(w);
        };

        if (cmd == "ID?")
            answer(id);
        else if (IsErrorQuery(cmd))
            answer(std::to_string(ErrorByte(cmd)));
        else if (cmd == "AP?")
            answer(std::to_string(std::max(0, (IntSetting("MF") - IntSetting("MI")) * IntSetting("SA") + 1)));
        else if (cmd == "HP?")
            answer(std::to_string(std::max(0, IntSetting("MF") - IntSetting("MI") + 1)));
        else if (cmd == "TP?")
            word(totalPressureWord);
        else if (cmd == "IB?")
            word(ionCurrentWord);
        else if (cmd == "MR?")
            word(SinglePoint(lastSingleMass));
        else if (cmd == "AD0" || cmd == "AD1")
        {
            // RF level 6 x AD0 - 5 x AD1: 3.5 when healthy, 0.5 when failing.
            const bool healthy = IntSetting("ML") <= rfLimit;
            answer(cmd == "AD1" ? "0.50" : healthy ? "1.00" : "0.50");
        }
        else if (letters == "SC" || letters == "HS")
        {
            if (!quiet)
                StartScan(letters == "SC", arg);
        }
        else if (letters == "MR")
        {
            const int mass = std::atoi(arg.c_str());
            if (mass > 0)
            {
                lastSingleMass = mass;
                if (!paced)
                    word(SinglePoint(mass));
                else if (!quiet)
                {
                    // A measurement under way, which the next command ends like a scan.
                    points += Word(SinglePoint(mass));
                    const double t = PointTableMs(IntSetting("NF"));
                    Pace(7 * (t / 10 + 1000.0 / 1350.0) + 0.5 * t + 1000.0 / 675.0 + 4);
                }
            }
        }
        else if (letters == "XV")
        {
            const int index = IntSetting("XA");
            if (arg == "?")
                answer(xv.count(index) ? xv[index] : "0.0000");
            else
                xv[index] = arg == "*" ? "0.0000" : arg;
        }
        else if (arg == "?")
        {
            auto fault = echoFaults.find(letters);
            if (fault != echoFaults.end())
            {
                answer(fault->second.value);
                if (--fault->second.times <= 0)
                    echoFaults.erase(fault);
            }
            else
                answer(settings.count(letters) ? settings[letters] : "0");
        }
        else
        {
            settings[letters] = arg == "*" ? Default(letters) : arg;
            if (RepliesWithStatus(letters))
                answer(std::to_string(ErrorByte("ER?")));
        }

        std::string reply = wordReply;
        if (hasText && !quiet)
            reply = text + '\r';
        if (const std::optional<ReplyFault> fault = TakeReplyFault(cmd))
        {
            if (fault->garble)
                reply = fault->bytes;
            else
                heldUntilMs = ClockNowMs() + fault->ms;
        }
        replies += reply;
    }

    // Tops up the scan output and sends what the port can take. True when anything went out.
    bool Flush()
    {
        // One sweep at a time, so a long run of sweeps does not pile up here.
        if (scanning && points.empty())
        {
            const std::vector<int32_t> sweep =
                scan.analog
                    ? MakeSimAnalogScan(scan.initial, scan.final, scan.steps, scan.noiseScale, noiseModel,
                                        seed)
                    : MakeSimHistogramScan(scan.initial, scan.final, scan.noiseScale, noiseModel, seed);
            for (int32_t v : sweep)
                points += Word(v);
            points += Word(totalPressureWord);
            if (--scan.sweepsLeft <= 0)
                scanning = false;
        }
        bool sent = false;
        for (std::string* out : {&replies, &points})
        {
            if (ClockNowMs() < heldUntilMs)
                break; // a late reply holds back everything after it
            if (out->empty())
                continue;
            size_t room = transport->Room();
            if (out == &points && msPerPoint > 0)
            {
                const auto due = static_cast<uint64_t>((ClockNowMs() - paceStartMs) / msPerPoint);
                room = std::min<uint64_t>(room / 4, due > pacedWords ? due - pacedWords : 0) * 4;
            }
            if (room == 0)
                break;
            const size_t n = transport->Write(out->data(), std::min(room, out->size()));
            out->erase(0, n);
            if (out == &points)
                pacedWords += n / 4;
            sent = sent || n > 0;
            if (!out->empty())
                break; // keep replies ahead of points
        }
        return sent;
    }

    void Run()
    {
        while (!stop)
        {
            std::string in = transport->Read();
            bool busy = !in.empty();
            {
                std::lock_guard lock(mutex);
                if (!in.empty())
                    Take(in);
                busy = Flush() || busy;
            }
            if (!busy)
                transport->Idle();
        }
    }

    void Start()
    {
        thread = std::thread([this] { Run(); });
    }
};

HeadEmulator::HeadEmulator(VirtualNullModem& modem) : m_state(std::make_unique<State>())
{
    m_state->transport = std::make_unique<ModemTransport>(modem);
    m_state->Start();
}

HeadEmulator::HeadEmulator() : m_state(std::make_unique<State>())
{
    auto pty = std::make_unique<PtyTransport>();
    if (!pty->Ok())
        return;
    m_state->devicePath = pty->Path();
    m_state->transport = std::move(pty);
    m_state->Start();
}

HeadEmulator::~HeadEmulator()
{
    m_state->stop = true;
    if (m_state->thread.joinable())
        m_state->thread.join();
}

bool HeadEmulator::IsRunning() const
{
    return m_state->thread.joinable();
}

std::string HeadEmulator::DevicePath() const
{
    return m_state->devicePath;
}

std::string HeadEmulator::Setting(const std::string& letters) const
{
    std::lock_guard lock(m_state->mutex);
    auto it = m_state->settings.find(letters);
    return it == m_state->settings.end() ? "0" : it->second;
}

void HeadEmulator::SetSetting(const std::string& letters, const std::string& value)
{
    std::lock_guard lock(m_state->mutex);
    m_state->settings[letters] = value;
}

void HeadEmulator::SetDefault(const std::string& letters, const std::string& value)
{
    std::lock_guard lock(m_state->mutex);
    m_state->defaults[letters] = value;
}

void HeadEmulator::SetId(const std::string& reply)
{
    std::lock_guard lock(m_state->mutex);
    m_state->id = reply;
}

void HeadEmulator::SetErrorStatus(const std::string& query, int bits)
{
    std::lock_guard lock(m_state->mutex);
    m_state->errors[query] = bits;
}

void HeadEmulator::SetRfLimit(int mass)
{
    std::lock_guard lock(m_state->mutex);
    m_state->rfLimit = mass;
}

void HeadEmulator::SetNoiseModel(int model, int32_t seed)
{
    std::lock_guard lock(m_state->mutex);
    m_state->noiseModel = model;
    m_state->seed = seed;
}

void HeadEmulator::SetTotalPressureWord(int32_t word)
{
    std::lock_guard lock(m_state->mutex);
    m_state->totalPressureWord = word;
}

void HeadEmulator::SetIonCurrentWord(int32_t word)
{
    std::lock_guard lock(m_state->mutex);
    m_state->ionCurrentWord = word;
}

int32_t HeadEmulator::SpectrumPoint(double mass)
{
    const int row = FindSimSpectrumRow(mass);
    return static_cast<int32_t>(GetSimSpectrumSignal(row >= 0 ? row : mass < 1.0 ? -1 : SIM_SPECTRUM_ROWS));
}

void HeadEmulator::SetPointTiming(bool on)
{
    std::lock_guard lock(m_state->mutex);
    m_state->paced = on;
}

void HeadEmulator::Garble(const std::string& command, const std::string& bytes, int times)
{
    std::lock_guard lock(m_state->mutex);
    m_state->replyFaults.push_back({command, true, bytes, 0, times});
}

void HeadEmulator::Delay(const std::string& command, unsigned ms, int times)
{
    std::lock_guard lock(m_state->mutex);
    m_state->replyFaults.push_back({command, false, std::string(), ms, times});
}

void HeadEmulator::SetSilent(bool silent)
{
    std::lock_guard lock(m_state->mutex);
    m_state->silent = silent;
}

void HeadEmulator::Silence(const std::string& command, int times)
{
    std::lock_guard lock(m_state->mutex);
    if (times != 0)
        m_state->silences.push_back({command, times});
}

void HeadEmulator::ClearSilences()
{
    std::lock_guard lock(m_state->mutex);
    m_state->silences.clear();
}

void HeadEmulator::SetEchoFault(const std::string& letters, const std::string& wrongValue, int times)
{
    std::lock_guard lock(m_state->mutex);
    if (times > 0)
        m_state->echoFaults[letters] = {wrongValue, times};
    else
        m_state->echoFaults.erase(letters);
}

bool HeadEmulator::SetDsr(bool on)
{
    return m_state->transport && m_state->transport->SetDsr(on);
}

std::string HeadEmulator::Received() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->received;
}

std::vector<std::string> HeadEmulator::Commands() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->commands;
}

void HeadEmulator::ClearLog()
{
    std::lock_guard lock(m_state->mutex);
    m_state->received.clear();
    m_state->commands.clear();
}

bool HeadEmulator::WaitForCommands(size_t count, unsigned timeoutMs) const
{
    std::unique_lock lock(m_state->mutex);
    return m_state->logged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return m_state->commands.size() >= count; });
}

} // namespace kel::testkit
