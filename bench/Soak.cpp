// A long run of the real quorvex under a hostile mix of peers, checked packet by packet.
//
// The program plays every peer itself, on one thread over poll(): the SBS feed quorvex connects to
// (a few thousand aircraft at a steady line rate, dropped mid-line now and then), a crowd of radar
// clients that log in and check every packet they get, three clients that misbehave (one never
// reads, one reads a byte a second, one floods '%' lines without reading), and a stream of short
// connections that connect and close. It watches quorvex's memory from /proc and ends it at the
// end. Every figure is printed; a failed check makes the exit status 1.
//
// Quorvex's FSD port is fixed, so this runs in a network namespace of its own: bench/soak.sh.
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

constexpr const char* kUsage
    = "usage: quorvex_soak --quorvex PATH [options]\n"
      "\n"
      "Runs PATH --headless against a feed and radar clients that this program plays, on\n"
      "127.0.0.1 (quorvex's FSD port 6809 must be free: run it in a private network namespace,\n"
      "as bench/soak.sh does), checks every packet and prints its figures.\n"
      "\n"
      "--quorvex PATH    the quorvex program to run (required)\n"
      "--seconds N       length of the run (default 600)\n"
      "--clients N       radar clients that log in and check every packet (default 200)\n"
      "--aircraft N      aircraft in the feed (default 5000)\n"
      "--rate N          feed lines a second (default 8000)\n"
      "--cycles N        connect-and-close cycles spread over the run (default 1000)\n"
      "--drops N         feed connections dropped mid-line (default 100 per 600 s, at least 5)\n"
      "--feed-port N     the feed's TCP port (default 30003)\n"
      "--max-rss MIB     bound on quorvex's resident memory (default: its memory once the\n"
      "                  aircraft are in, plus the backlog bound of each stuck client, plus 64 "
      "MiB)\n"
      "--max-gap-ms N    bound on the largest gap between two position ticks (default 6000)\n"
      "--workdir DIR     where quorvex runs and finds its lookup files (default: a new\n"
      "                  directory under /tmp, removed at the end)\n"
      "Exit status: 0 when every check held, 1 when one failed, 2 for a bad command line.\n";

// Quorvex cuts a client off once this much waits unsent for it.
constexpr std::size_t kBacklogBound = 4u << 20;
// Quorvex's FSD port.
constexpr int kFsdPort = 6809;
// Position packets are at most this old: an aircraft is sent no more after a longer outage.
constexpr double kPositionLifeSeconds = 180.0;

using Clock = std::chrono::steady_clock;
Clock::time_point g_start;
double Now()
{
    return std::chrono::duration<double>(Clock::now() - g_start).count();
}

int g_faults = 0;
void Fault(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Fault(const char* format, ...)
{
    ++g_faults;
    if (g_faults > 40) {
        if (g_faults == 41)
            std::fprintf(stderr, "soak: more faults follow, not shown\n");
        return;
    }
    std::va_list args;
    va_start(args, format);
    std::fprintf(stderr, "soak: FAULT at %.1f s: ", Now());
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

std::string Printable(std::string_view text)
{
    std::string out;
    for (const char c : text.substr(0, 120)) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            out += '?';
        else
            out += c;
    }
    return out;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buffer[512];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer, static_cast<std::size_t>(std::max(n, 0)));
}

sockaddr_in Loopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A non-blocking TCP socket connecting to 127.0.0.1:port; -1 when it cannot even start.
int StartConnect(int port, int receiveBuffer = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const sockaddr_in address = Loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool Connected(int fd)
{
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

std::uint64_t Fnv(std::uint64_t hash, std::string_view bytes)
{
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}
constexpr std::uint64_t kFnvStart = 14695981039346656037ull;

long ReadProcKiB(pid_t pid, const char* key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            long value = 0;
            status >> value;
            return value;
        }
    }
    return -1;
}

long ReadSysctl(const char* path, int column)
{
    std::ifstream file(path);
    long value = 0;
    for (int i = 0; i <= column && file >> value; ++i) { }
    return value;
}

// ---- The traffic: what the feed says about each aircraft, and what quorvex must send for it ----

struct Aircraft {
    std::string hexId, callsign, squawk, registration;
    double latitude = 0, longitude = 0;
    int altitude = 0, groundSpeed = 0, track = 0;
    std::string packetTail; // the position packet after "@Y:" or "@N:"
};

std::vector<Aircraft> MakeTraffic(int count)
{
    std::vector<Aircraft> traffic(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Aircraft& a = traffic[static_cast<std::size_t>(i)];
        a.hexId = Format("%06X", 0x4A0000 + i);
        a.callsign = Format("Q%05d", i);
        a.squawk = Format("%04o", i % 4096);
        if (i % 10 == 0)
            a.registration = Format("HA-%04d", i);
        a.latitude = 46.0 + (i / 100) * 0.02 + 0.00001 * (i % 7);
        a.longitude = 17.0 + (i % 100) * 0.03;
        a.altitude = 1000 + (i * 37) % 40000;
        a.groundSpeed = 100 + i % 400;
        a.track = i % 360;
        const int attitude = static_cast<int>(a.track * 2.88 + 0.5) * 4;
        a.packetTail = Format("%s:%s:1:%.5f:%.5f:%d:%d:%d:0\r\n", a.callsign.c_str(),
            a.squawk.c_str(), a.latitude, a.longitude, a.altitude, a.groundSpeed, attitude);
    }
    return traffic;
}

bool WriteLookupFiles(const std::string& dir, const std::vector<Aircraft>& traffic)
{
    std::ofstream icao(dir + "/icao24.txt"), types(dir + "/aircrafts.txt"),
        plans(dir + "/flightplans.txt");
    for (const Aircraft& a : traffic) {
        if (!a.registration.empty()) {
            icao << a.hexId << '\t' << a.registration << '\n';
            types << a.registration << "\tSoak Air\tA320\n";
        }
        plans << a.callsign << "\tB738\tN0450\tLHBP\t0900\tEGLL\tFL350\tDCT\n";
    }
    return icao.good() && types.good() && plans.good();
}

// The quorvex index of a "Q00042" name, or -1.
int AircraftIndex(std::string_view name, int count)
{
    if (name.size() != 6 || name[0] != 'Q')
        return -1;
    int value = 0;
    for (const char c : name.substr(1)) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value < count ? value : -1;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = line.find(':', start);
        fields.push_back(line.substr(start, colon - start));
        if (colon == std::string_view::npos)
            return fields;
        start = colon + 1;
    }
}

// ---- The feed ----

class CFeed {
public:
    CFeed(const std::vector<Aircraft>& traffic, int rate)
        : m_traffic(traffic)
        , m_rate(rate)
    {
    }

    bool Listen(int port)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        const sockaddr_in address = Loopback(port);
        return ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
            && ::listen(m_listener, 4) == 0;
    }

    // Serving starts once the clients are in, so that they see every aircraft arrive.
    void StartServing(double now)
    {
        m_serving = true;
        m_paceStart = now;
    }

    void AddPolls(std::vector<pollfd>& polls)
    {
        polls.push_back({ m_listener, POLLIN, 0 });
        if (m_connection >= 0)
            polls.push_back({ m_connection, static_cast<short>(m_out.empty() ? 0 : POLLOUT), 0 });
    }

    void Turn(double now)
    {
        if (m_connection < 0) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) {
                m_connection = fd;
                ++m_connections;
                if (m_downSince >= 0) {
                    m_longestOutage = std::max(m_longestOutage, now - m_downSince);
                    m_downSince = -1;
                }
                m_paceStart = now;
                m_paced = 0;
            }
        }
        if (m_connection < 0 || !m_serving)
            return;
        // Lines owed at the steady rate; what TCP cannot take within a second is not sent.
        const auto owed = static_cast<long long>((now - m_paceStart) * m_rate) - m_paced;
        for (long long i = 0; i < owed; ++i) {
            ++m_paced;
            if (m_out.size() > static_cast<std::size_t>(m_rate) * 60) {
                ++m_notSent;
                continue;
            }
            AppendLine();
        }
        Flush();
    }

    // Ends the connection in the middle of a line.
    void Drop(double now)
    {
        if (m_connection < 0)
            return;
        const std::size_t before = m_out.size();
        AppendLine();
        const std::size_t length = m_out.size() - before;
        m_out.resize(before + 1 + (m_cut++ * 7) % (length - 2));
        Flush();
        ::close(m_connection);
        m_connection = -1;
        m_out.clear();
        m_lineEnds.clear();
        m_lineSeqs.clear();
        m_downSince = now;
        ++m_drops;
    }

    bool IsConnected() const { return m_connection >= 0; }
    // Seconds the feed has been down, 0 while connected.
    double Outage(double now) const { return m_downSince < 0 ? 0 : now - m_downSince; }
    // The time by which every aircraft had its first position written, or -1.
    double WarmedUpAt() const { return m_warmedUpAt; }

    long long m_linesSent = 0, m_notSent = 0;
    int m_connections = 0, m_drops = 0;
    double m_longestOutage = 0;

private:
    void AppendLine()
    {
        const std::size_t n = m_traffic.size();
        const std::size_t i = static_cast<std::size_t>(m_generated % n);
        const long long round = m_generated / static_cast<long long>(n);
        ++m_generated;
        const Aircraft& a = m_traffic[i];
        const char* stamp = "2025/05/14,09:31:07.510,2025/05/14,09:31:07.531";
        char line[256];
        int length = 0;
        // The first rounds give every aircraft its callsign, squawk and velocity, so that its
        // first position packet already holds everything; then positions and velocities.
        if (round == 0)
            length = std::snprintf(line, sizeof line, "MSG,1,1,1,%s,1,%s,%s,,,,,,,,,,,\r\n",
                a.hexId.c_str(), stamp, a.callsign.c_str());
        else if (round == 1)
            length = std::snprintf(line, sizeof line, "MSG,6,1,1,%s,1,%s,,,,,,,,%s,0,0,0,0\r\n",
                a.hexId.c_str(), stamp, a.squawk.c_str());
        else if (round % 2 == 0)
            length = std::snprintf(line, sizeof line, "MSG,4,1,1,%s,1,%s,,,%d,%d,,,0,,0,0,0,0\r\n",
                a.hexId.c_str(), stamp, a.groundSpeed, a.track);
        else
            length = std::snprintf(line, sizeof line,
                "MSG,3,1,1,%s,1,%s,,%d,,,%.5f,%.5f,,,0,0,0,0\r\n", a.hexId.c_str(), stamp,
                a.altitude, a.latitude, a.longitude);
        m_out.append(line, static_cast<std::size_t>(length));
        m_lineEnds.push_back(m_sentBytes + m_out.size());
        m_lineSeqs.push_back(m_generated - 1);
    }

    void Flush()
    {
        while (!m_out.empty()) {
            const ssize_t n = ::send(m_connection, m_out.data(), m_out.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            m_out.erase(0, static_cast<std::size_t>(n));
            m_sentBytes += static_cast<std::size_t>(n);
        }
        std::size_t done = 0;
        while (done < m_lineEnds.size() && m_lineEnds[done] <= m_sentBytes) {
            ++m_linesSent;
            // The last aircraft's first position is line 4 n - 1.
            if (m_warmedUpAt < 0
                && m_lineSeqs[done] == 4 * static_cast<long long>(m_traffic.size()) - 1)
                m_warmedUpAt = Now();
            ++done;
        }
        m_lineEnds.erase(m_lineEnds.begin(), m_lineEnds.begin() + static_cast<long>(done));
        m_lineSeqs.erase(m_lineSeqs.begin(), m_lineSeqs.begin() + static_cast<long>(done));
        if (m_out.empty()) {
            m_lineEnds.clear();
            m_lineSeqs.clear();
        }
    }

    const std::vector<Aircraft>& m_traffic;
    const int m_rate;
    int m_listener = -1, m_connection = -1;
    bool m_serving = false;
    double m_paceStart = 0, m_downSince = -1, m_warmedUpAt = -1;
    long long m_paced = 0, m_generated = 0;
    std::size_t m_sentBytes = 0, m_cut = 0;
    std::string m_out;
    std::vector<std::size_t> m_lineEnds;
    std::vector<long long> m_lineSeqs; // the sequence number of each line not yet sent whole
};

// ---- Radar clients ----

// One position tick as all clients must have seen it.
struct GlobalTick {
    std::uint64_t hash = 0;
    int count = 0;
    int clients = 0;
};

struct Expectations {
    const std::vector<Aircraft>* traffic = nullptr;
    std::unordered_set<std::string> deletions; // "#DP" lines
    std::string floodLine;
    std::vector<GlobalTick> ticks;
    double warmedUpAt = -1;
    bool deadReckoningSeen = false; // a feed outage long enough to move positions
    bool ticksExpected = true; // false once the aircraft have gone quiet for good
    int hashMismatches = 0;
};

enum class Kind { Healthy, NeverReads, ByteASecond, Flooder };

struct Client {
    Kind kind = Kind::Healthy;
    std::string callsign;
    int fd = -1;
    bool connecting = true, loggedIn = false, gone = false;
    std::string in, out;
    long long bytesIn = 0, bytesOut = 0;
    double loginAt = -1, cutAt = -1, nextByteAt = 0;
    long long loginBytes = 0; // what the reference client had received at the login
    int cuts = 0;
    // Healthy clients: the packets seen and the tick being read.
    int hellos = 0, feedUp = 0, feedDown = 0, deletions = 0, relays = 0, floods = 0;
    long long positions = 0;
    bool tickOpen = false;
    double tickStart = 0, lastTickStart = -1, maxGap = 0;
    int tickCount = 0, tickSerial = 0;
    std::uint64_t tickHash = kFnvStart;
    std::vector<int> seenInTick;
    std::vector<int> ticksSeen; // indices into Expectations::ticks
    std::string tickCloser; // the packet that ended the last tick
    int incompleteTicks = 0;
};

class CClients {
public:
    explicit CClients(Expectations& expect)
        : m_expect(expect)
    {
    }

    Client& Add(Kind kind, std::string callsign)
    {
        auto client = std::make_unique<Client>();
        client->kind = kind;
        client->callsign = std::move(callsign);
        m_clients.push_back(std::move(client));
        Client& c = *m_clients.back();
        Open(c);
        return c;
    }

    void Open(Client& c)
    {
        // The stuck clients take little into their own receive buffer, so that what waits for
        // them waits in quorvex.
        c.fd = StartConnect(kFsdPort, c.kind == Kind::Healthy ? 0 : 16 * 1024);
        c.connecting = true;
        c.loggedIn = false;
        c.gone = c.fd < 0;
        c.out = "#AA" + c.callsign + ":SERVER:Soak Test:1000001:pass:1:9\r\n";
        if (c.kind == Kind::Healthy)
            c.seenInTick.assign(m_expect.traffic->size(), -1);
    }

    void AddPolls(std::vector<pollfd>& polls, std::vector<Client*>& owners)
    {
        for (auto& client : m_clients) {
            Client& c = *client;
            if (c.gone)
                continue;
            short events = 0;
            if (c.connecting || !c.out.empty() || c.kind == Kind::Flooder)
                events |= POLLOUT;
            if (c.kind == Kind::Healthy)
                events |= POLLIN;
            polls.push_back({ c.fd, events, 0 });
            owners.push_back(&c);
        }
    }

    void Serve(Client& c, short revents, double now)
    {
        if (c.gone)
            return;
        if (c.connecting && (revents & (POLLOUT | POLLERR | POLLHUP))) {
            c.connecting = false;
            if (!Connected(c.fd)) {
                Cut(c, now, "its connection was refused");
                return;
            }
        }
        if (c.connecting)
            return;
        if (!c.out.empty() || c.kind == Kind::Flooder) {
            if (c.out.empty())
                c.out = m_flood;
            const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (n > 0) {
                c.bytesOut += n;
                c.out.erase(0, static_cast<std::size_t>(n));
                if (!c.loggedIn && c.out.empty()) {
                    c.loggedIn = true;
                    c.loginAt = now;
                    c.loginBytes = m_clients.front()->bytesIn;
                }
            } else if (n < 0 && errno != EAGAIN) {
                Cut(c, now, std::strerror(errno));
                return;
            }
            if (c.kind == Kind::Flooder && !c.loggedIn)
                return;
        }
        if (c.kind == Kind::Healthy && (revents & (POLLIN | POLLERR | POLLHUP))) {
            char buffer[64 * 1024];
            for (int reads = 0; reads < 8; ++reads) {
                const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
                if (n == 0 || (n < 0 && errno != EAGAIN)) {
                    Cut(c, now, n == 0 ? "closed" : std::strerror(errno));
                    return;
                }
                if (n < 0)
                    break;
                c.bytesIn += n;
                Take(c, std::string_view(buffer, static_cast<std::size_t>(n)), now);
                if (n < static_cast<ssize_t>(sizeof buffer))
                    break;
            }
        } else if (c.kind == Kind::ByteASecond && now >= c.nextByteAt) {
            c.nextByteAt = now + 1.0;
            char byte = 0;
            const ssize_t n = ::recv(c.fd, &byte, 1, 0);
            if (n == 1)
                ++c.bytesIn;
            else if (n == 0 || errno != EAGAIN)
                Cut(c, now, n == 0 ? "closed" : std::strerror(errno));
        } else if (c.kind != Kind::Healthy && (revents & (POLLERR | POLLHUP))) {
            Cut(c, now, "reset");
        }
    }

    // Closes the connections of the healthy clients and the flooder at the end.
    void Finish()
    {
        for (auto& client : m_clients) {
            Client& c = *client;
            // A tick still coming in at the end is not judged.
            if (c.fd >= 0 && c.kind != Kind::NeverReads && c.kind != Kind::ByteASecond) {
                ::close(c.fd);
                c.fd = -1;
            }
        }
    }

    std::vector<std::unique_ptr<Client>> m_clients;
    std::string m_flood;

private:
    void Cut(Client& c, double now, const char* why)
    {
        if (c.kind == Kind::Healthy && !c.gone)
            Fault("healthy client %s lost its connection (%s)", c.callsign.c_str(), why);
        ::close(c.fd);
        c.fd = -1;
        c.gone = true;
        ++c.cuts;
        if (c.cutAt < 0)
            c.cutAt = now;
    }

    void Take(Client& c, std::string_view bytes, double now)
    {
        c.in.append(bytes);
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = c.in.find('\n', start);
            if (end == std::string::npos)
                break;
            Line(c, std::string_view(c.in).substr(start, end + 1 - start), now);
            start = end + 1;
        }
        c.in.erase(0, start);
        if (c.in.size() > 4096) {
            Fault("%s: a line of over 4096 bytes without a line end", c.callsign.c_str());
            c.in.clear();
        }
    }

    void Line(Client& c, std::string_view line, double now)
    {
        if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n")
            Fault("%s: a line without CR LF: %s", c.callsign.c_str(), Printable(line).c_str());
        if (line[0] == '@') {
            Position(c, line, now);
            return;
        }
        if (c.tickOpen) {
            c.tickCloser = line;
            CloseTick(c);
        }
        // Before its login a client is addressed with the empty callsign.
        std::string server = "#TMserver:" + c.callsign + ":";
        if (c.hellos == 0 && line.substr(0, server.size()) != server)
            server = "#TMserver::";
        if (line.substr(0, server.size()) == server) {
            const std::string_view text = line.substr(server.size());
            if (text == "Hello to Quorvex server by Dorvath\r\n")
                ++c.hellos;
            else if (text == "Be happy, the SBS data feed is connetced!!!\r\n")
                c.feedUp += c.hellos > 0 ? 1 : 0; // the feed of quorvex's start can come first
            else if (text == "Sorry, but SBS data feed is disconnetced\r\n")
                ++c.feedDown;
            else if (text != "Be happy, the SBS-1 sever is connected\r\n"
                && text != "Unfortunately SBS-1 sever is not connected\r\n")
                Fault("%s: unknown server text %s", c.callsign.c_str(), Printable(line).c_str());
        } else if (line.substr(0, 3) == "#DP") {
            ++c.deletions;
            if (m_expect.deletions.count(std::string(line)) == 0)
                Fault("%s: unexpected %s", c.callsign.c_str(), Printable(line).c_str());
        } else if (line == m_expect.floodLine) {
            ++c.floods;
        } else if (line.substr(0, 6) == "#AACYC" || line.substr(0, 7) == "#AASOAK") {
            ++c.relays;
        } else {
            Fault("%s: unexpected packet %s", c.callsign.c_str(), Printable(line).c_str());
        }
    }

    void Position(Client& c, std::string_view line, double now)
    {
        const std::vector<Aircraft>& traffic = *m_expect.traffic;
        const std::size_t colon = line.find(':', 3);
        const int index = line.size() > 3 && colon != std::string_view::npos
            ? AircraftIndex(line.substr(3, colon - 3), static_cast<int>(traffic.size()))
            : -1;
        if (c.tickOpen && index >= 0
            && c.seenInTick[static_cast<std::size_t>(index)] == c.tickSerial)
            CloseTick(c);
        if (!c.tickOpen) {
            c.tickOpen = true;
            c.tickStart = now;
            c.tickCount = 0;
            c.tickHash = kFnvStart;
            ++c.tickSerial;
        }
        ++c.tickCount;
        ++c.positions;
        c.tickHash = Fnv(c.tickHash, line);
        if (index < 0 || (line[1] != 'Y' && line[1] != 'N') || line[2] != ':') {
            Fault("%s: position packet of no aircraft of the feed: %s", c.callsign.c_str(),
                Printable(line).c_str());
            return;
        }
        c.seenInTick[static_cast<std::size_t>(index)] = c.tickSerial;
        const Aircraft& a = traffic[static_cast<std::size_t>(index)];
        if (line.substr(3) == a.packetTail)
            return;
        // Positions older than 15 s are moved along the track; all else stays as the feed said.
        const std::vector<std::string_view> got = SplitFields(line);
        const std::string expected = "@N:" + a.packetTail;
        const std::vector<std::string_view> want = SplitFields(expected);
        bool same = got.size() == want.size();
        for (std::size_t i = 1; same && i < got.size(); ++i)
            same = i == 4 || i == 5 || got[i] == want[i];
        double lat = 0, lon = 0;
        if (same) {
            const std::string latText(got[4]), lonText(got[5]);
            char* end = nullptr;
            lat = std::strtod(latText.c_str(), &end);
            same = *end == '\0';
            lon = std::strtod(lonText.c_str(), &end);
            same = same && *end == '\0' && std::fabs(lat - a.latitude) < 5
                && std::fabs(lon - a.longitude) < 5 && line[1] == 'N';
        }
        if (!same || !m_expect.deadReckoningSeen)
            Fault("%s: wrong position packet %s (the feed said %s)", c.callsign.c_str(),
                Printable(line).c_str(), Printable(a.packetTail).c_str());
    }

    void CloseTick(Client& c)
    {
        c.tickOpen = false;
        // Every healthy client is in before the first tick: its n-th tick is everybody's.
        const int match = static_cast<int>(c.ticksSeen.size());
        if (match == static_cast<int>(m_expect.ticks.size()))
            m_expect.ticks.push_back({ c.tickHash, c.tickCount, 0 });
        GlobalTick& tick = m_expect.ticks[static_cast<std::size_t>(match)];
        ++tick.clients;
        if (tick.hash != c.tickHash || tick.count != c.tickCount) {
            if (++m_expect.hashMismatches <= 10)
                Fault("%s: its tick %d (at %.1f s, ended by %s) differs from another client's "
                      "(%d packets, %d there)",
                    c.callsign.c_str(), match + 1, c.tickStart, Printable(c.tickCloser).c_str(),
                    c.tickCount, tick.count);
        }
        c.ticksSeen.push_back(match);
        const bool mustBeComplete = m_expect.warmedUpAt >= 0
            && c.tickStart > m_expect.warmedUpAt + 1.0 && m_expect.ticksExpected;
        if (mustBeComplete && c.tickCount != static_cast<int>(m_expect.traffic->size())) {
            ++c.incompleteTicks;
            if (c.incompleteTicks <= 3)
                Fault("%s: the tick at %.1f s (ended by %s) holds %d aircraft, not %zu",
                    c.callsign.c_str(), c.tickStart, Printable(c.tickCloser).c_str(), c.tickCount,
                    m_expect.traffic->size());
        }
        if (c.lastTickStart >= 0 && mustBeComplete)
            c.maxGap = std::max(c.maxGap, c.tickStart - c.lastTickStart);
        c.lastTickStart = c.tickStart;
    }

    Expectations& m_expect;
};

// Reads the client until its stream ends (true) or nothing comes for two seconds (false).
bool Drain(Client& c)
{
    char buffer[64 * 1024];
    for (;;) {
        pollfd poll { c.fd, POLLIN, 0 };
        if (::poll(&poll, 1, 2000) <= 0)
            return false;
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return n == 0 || errno != EAGAIN;
        c.bytesIn += n;
    }
}

// ---- Short connections that connect and close ----

struct Cycle {
    int fd = -1;
    int kind = 0;
    double started = 0;
};

struct Options {
    std::string quorvex, workdir;
    int seconds = 600, clients = 200, aircraft = 5000, rate = 8000, cycles = 1000, drops = -1;
    int feedPort = 30003, maxGapMs = 6000;
    long maxRssMiB = 0;
};

bool ParseInt(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

int ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 == argc) {
            std::fprintf(stderr, "quorvex_soak: %s needs a value\n%s", argv[i], kUsage);
            return 2;
        }
        const char* value = argv[++i];
        if (arg == "--quorvex") {
            options.quorvex = value;
            continue;
        }
        if (arg == "--workdir") {
            options.workdir = value;
            continue;
        }
        struct {
            std::string_view name;
            long low, high;
            int* target;
        } const numbers[] = {
            { "--seconds", 10, 86400, &options.seconds },
            { "--clients", 1, 2000, &options.clients },
            { "--aircraft", 1, 99999, &options.aircraft },
            { "--rate", 100, 1000000, &options.rate },
            { "--cycles", 0, 1000000, &options.cycles },
            { "--drops", 0, 100000, &options.drops },
            { "--feed-port", 1, 65535, &options.feedPort },
            { "--max-gap-ms", 1000, 600000, &options.maxGapMs },
        };
        long number = 0;
        bool known = false;
        for (const auto& option : numbers) {
            if (arg != option.name)
                continue;
            known = true;
            if (!ParseInt(value, option.low, option.high, number)) {
                std::fprintf(stderr, "quorvex_soak: %s takes a number from %ld to %ld\n",
                    argv[i - 1], option.low, option.high);
                return 2;
            }
            *option.target = static_cast<int>(number);
        }
        if (arg == "--max-rss") {
            known = ParseInt(value, 1, 1 << 20, options.maxRssMiB);
            if (!known) {
                std::fprintf(stderr, "quorvex_soak: --max-rss takes MiB\n");
                return 2;
            }
        }
        if (!known) {
            std::fprintf(stderr, "quorvex_soak: unknown option %s\n%s", argv[i - 1], kUsage);
            return 2;
        }
    }
    if (options.quorvex.empty()) {
        std::fprintf(stderr, "quorvex_soak: --quorvex PATH is required\n%s", kUsage);
        return 2;
    }
    if (options.drops < 0)
        options.drops = std::max(5, (options.seconds * 100 + 599) / 600);
    return -1;
}

// Whether `quorvex --help` offers --reconnect, and if it takes a value.
int ReconnectOption(const std::string& quorvex)
{
    const std::string command = "'" + quorvex + "' --help 2>&1";
    FILE* help = ::popen(command.c_str(), "r");
    if (help == nullptr)
        return 0;
    char line[512];
    int found = 0;
    while (std::fgets(line, sizeof line, help) != nullptr) {
        const char* at = std::strstr(line, "--reconnect");
        if (at == nullptr)
            continue;
        const char after = at[11];
        found = (after == ' ' && at[12] != ' ' && at[12] != '\n') || after == '=' ? 2 : 1;
    }
    ::pclose(help);
    return found;
}

pid_t StartQuorvex(const Options& options, const std::string& dir, int reconnect)
{
    std::vector<std::string> args = { options.quorvex, "--headless", "--server", "127.0.0.1",
        "--port", std::to_string(options.feedPort) };
    if (reconnect == 1)
        args.push_back("--reconnect");
    if (reconnect == 2)
        args.push_back("--reconnect=1"); // "=": the value of an option that may go without one
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    if (::chdir(dir.c_str()) != 0)
        ::_exit(127);
    const std::string out = dir + "/quorvex.out";
    if (std::freopen(out.c_str(), "w", stdout) == nullptr
        || std::freopen((dir + "/quorvex.err").c_str(), "w", stderr) == nullptr)
        ::_exit(127);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const int status = ParseOptions(argc, argv, options); status >= 0)
        return status;
    ::signal(SIGPIPE, SIG_IGN);
    g_start = Clock::now();

    bool ownDir = false;
    std::string dir = options.workdir;
    if (dir.empty()) {
        char pattern[] = "/tmp/quorvex-soak.XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            std::perror("quorvex_soak: mkdtemp");
            return 1;
        }
        dir = pattern;
        ownDir = true;
    }
    const std::vector<Aircraft> traffic = MakeTraffic(options.aircraft);
    if (!WriteLookupFiles(dir, traffic)) {
        std::fprintf(stderr, "quorvex_soak: cannot write the lookup files in %s\n", dir.c_str());
        return 1;
    }

    Expectations expect;
    expect.traffic = &traffic;
    for (const Aircraft& a : traffic)
        expect.deletions.insert(
            "#DP" + (a.registration.empty() ? a.hexId : a.registration) + "\r\n");
    expect.floodLine = "%SOAK-FLOOD:99999:0:20:5:47.43000:19.26000:0\r\n";

    CFeed feed(traffic, options.rate);
    if (!feed.Listen(options.feedPort)) {
        std::fprintf(stderr, "quorvex_soak: cannot listen on 127.0.0.1:%d: %s\n", options.feedPort,
            std::strerror(errno));
        return 1;
    }
    const int reconnect = ReconnectOption(options.quorvex);
    const pid_t quorvex = StartQuorvex(options, dir, reconnect);
    std::printf("soak: quorvex pid %d in %s, %s; %d s, %d clients, %d aircraft at %d lines/s, "
                "%d connect-and-close cycles, %d feed drops\n",
        static_cast<int>(quorvex), dir.c_str(),
        reconnect ? "with --reconnect" : "without --reconnect (not offered by quorvex --help)",
        options.seconds, options.clients, options.aircraft, options.rate, options.cycles,
        reconnect ? options.drops : 1);
    if (!reconnect)
        std::printf("soak: quorvex does not connect again by itself: the feed is dropped once, "
                    "near the end, and the aircraft are expected to go quiet after it\n");
    std::fflush(stdout);

    // Waits for the FSD port.
    bool listening = false;
    for (int attempt = 0; attempt < 100 && !listening; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = Loopback(kFsdPort);
        listening = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (!listening)
            ::usleep(100'000);
    }
    if (!listening) {
        std::fprintf(stderr, "quorvex_soak: quorvex does not listen on port %d\n", kFsdPort);
        ::kill(quorvex, SIGKILL);
        return 1;
    }

    CClients clients(expect);
    clients.m_flood.clear();
    while (clients.m_flood.size() < 64 * 1024)
        clients.m_flood += expect.floodLine;
    // The healthy clients come in a few at a time (the listen backlog is 5); their bursts are
    // another test's matter.
    clients.Add(Kind::Healthy, "SOAK000");
    int added = 1;
    Client& neverReads = clients.Add(Kind::NeverReads, "SOAK-STUCK");
    Client& slow = clients.Add(Kind::ByteASecond, "SOAK-SLOW");
    Client* flooder = nullptr;
    Client* reference = clients.m_clients.front().get();

    const double end = options.seconds;
    // The feed is served once every client is in, so that they see every aircraft arrive.
    double loggedInAt = -1, servingAt = end;
    const double clientsAt = Now();
    const int drops = reconnect ? options.drops : 1;
    // Drops over the run but not at its very end, so that every text they cause has come in.
    auto dropTime = [&](int k) {
        return reconnect ? servingAt + 5.0 + (end - servingAt - 15.0) * (k + 0.5) / drops
                         : end - 20.0;
    };
    int dropsDone = 0, cyclesStarted = 0, cyclesDone = 0, cyclesFailed = 0;
    std::vector<Cycle> cycles;
    long rssWarm = -1, rssMax = 0, rssStart = ReadProcKiB(quorvex, "VmRSS:");
    double nextSample = 0;
    bool quorvexAlive = true;

    std::vector<pollfd> polls;
    std::vector<Client*> owners;
    for (double now = Now(); now < end; now = Now()) {
        polls.clear();
        owners.clear();
        feed.AddPolls(polls);
        const std::size_t feedPolls = polls.size();
        clients.AddPolls(polls, owners);
        const std::size_t clientPolls = polls.size();
        for (const Cycle& cycle : cycles)
            polls.push_back({ cycle.fd, POLLOUT | POLLIN, 0 });
        ::poll(polls.data(), polls.size(), 5);
        now = Now();

        if (loggedInAt < 0) {
            int pending = 0;
            for (const auto& client : clients.m_clients)
                pending += client->kind == Kind::Healthy && client->hellos == 0 ? 1 : 0;
            for (; added < options.clients && pending < 4; ++added, ++pending)
                clients.Add(Kind::Healthy, Format("SOAK%03d", added));
            int greeted = 0;
            for (const auto& client : clients.m_clients)
                greeted += client->kind == Kind::Healthy ? client->hellos : 0;
            if (greeted == options.clients || now > 30.0) {
                loggedInAt = now;
                servingAt = now;
                feed.StartServing(now);
                std::printf("soak: %d of %d clients logged in and greeted after %.2f s\n", greeted,
                    options.clients, now - clientsAt);
                std::fflush(stdout);
            }
        }
        feed.Turn(now);
        if (expect.warmedUpAt < 0 && feed.WarmedUpAt() >= 0)
            expect.warmedUpAt = feed.WarmedUpAt();
        if (dropsDone < drops && now >= dropTime(dropsDone)) {
            feed.Drop(now);
            ++dropsDone;
        }
        // Dead reckoning starts after 15 s without a position; after 180 s nothing is sent.
        if (feed.Outage(now) > 12.0)
            expect.deadReckoningSeen = true;
        if (feed.Outage(now) > kPositionLifeSeconds - 10.0)
            expect.ticksExpected = false;

        for (std::size_t i = feedPolls; i < clientPolls; ++i)
            clients.Serve(*owners[i - feedPolls], polls[i].revents, now);
        if (flooder == nullptr && now >= servingAt + 3.0)
            flooder = &clients.Add(Kind::Flooder, "SOAK-FLOOD");
        if (flooder != nullptr && flooder->gone && now - flooder->cutAt > 1.0) {
            flooder->cutAt = -1;
            clients.Open(*flooder);
        }

        // Connect-and-close cycles, evenly over the run after the start: some close at once,
        // some after a login, some in the middle of a line.
        for (std::size_t i = clientPolls; i < polls.size(); ++i) {
            Cycle& cycle = cycles[i - clientPolls];
            if (polls[i].revents == 0 && now - cycle.started < 10.0)
                continue;
            const bool ok = polls[i].revents != 0 && Connected(cycle.fd);
            if (ok && cycle.kind == 1) {
                const std::string login
                    = Format("#AACYC%d:SERVER:Cycle:1:pass:1:9\r\n", cyclesDone);
                (void)!::send(cycle.fd, login.data(), login.size(), MSG_NOSIGNAL);
            } else if (ok && cycle.kind == 2) {
                (void)!::send(cycle.fd, "#AACYC-HALF:SERV", 16, MSG_NOSIGNAL);
            }
            ::close(cycle.fd);
            cycle.fd = -1;
            ok ? ++cyclesDone : ++cyclesFailed;
        }
        cycles.erase(std::remove_if(cycles.begin(), cycles.end(),
                         [](const Cycle& cycle) { return cycle.fd < 0; }),
            cycles.end());
        while (cyclesStarted < options.cycles
            && now >= servingAt + (end - servingAt - 5.0) * cyclesStarted / options.cycles) {
            const int fd = StartConnect(kFsdPort);
            ++cyclesStarted;
            if (fd < 0)
                ++cyclesFailed;
            else
                cycles.push_back({ fd, cyclesStarted % 3, now });
        }

        if (now >= nextSample) {
            nextSample = now + 0.5;
            const long rss = ReadProcKiB(quorvex, "VmRSS:");
            int status = 0;
            if (rss < 0 || ::waitpid(quorvex, &status, WNOHANG) == quorvex) {
                Fault("quorvex has ended");
                quorvexAlive = false;
                break;
            }
            rssMax = std::max(rssMax, rss);
            if (rssWarm < 0 && expect.warmedUpAt >= 0 && now > expect.warmedUpAt + 6.0)
                rssWarm = rss;
        }
    }
    clients.Finish();

    // ---- Figures and checks ----
    int failed = 0;
    auto check = [&](bool ok, const char* what) {
        std::printf("soak: %s %s\n", ok ? "ok    " : "FAILED", what);
        failed += ok ? 0 : 1;
    };
    std::printf("soak: feed: %lld lines sent, %lld not sent (quorvex did not take them), %d "
                "connections, %d drops mid-line, longest outage %.1f s\n",
        feed.m_linesSent, feed.m_notSent, feed.m_connections, feed.m_drops, feed.m_longestOutage);
    std::printf("soak: connect-and-close cycles: %d done, %d failed, %zu still open at the end\n",
        cyclesDone, cyclesFailed, cycles.size());
    for (const Cycle& cycle : cycles)
        ::close(cycle.fd);

    int healthy = 0, lost = 0, incomplete = 0, badTexts = 0;
    long long packets = 0, floods = 0, relays = 0;
    double maxGap = 0;
    for (const auto& client : clients.m_clients) {
        const Client& c = *client;
        if (c.kind != Kind::Healthy)
            continue;
        ++healthy;
        lost += c.cuts;
        incomplete += c.incompleteTicks;
        packets += c.positions;
        floods += c.floods;
        relays += c.relays;
        maxGap = std::max(maxGap, c.maxGap);
        if (c.hellos != 1 || c.deletions != options.aircraft || c.feedDown != feed.m_drops
            || c.feedUp != feed.m_connections - 1) {
            if (++badTexts <= 3)
                Fault("%s: %d hellos, %d #DP (want %d), %d feed-down texts (want %d), %d "
                      "feed-up texts (want %d)",
                    c.callsign.c_str(), c.hellos, c.deletions, options.aircraft, c.feedDown,
                    feed.m_drops, c.feedUp, feed.m_connections - 1);
        }
    }
    int everyClient = 0;
    // The last tick may still have been coming in for some clients at the end.
    if (!expect.ticks.empty() && expect.ticks.back().clients < healthy - lost)
        expect.ticks.pop_back();
    const int ticksAfterLogin = static_cast<int>(expect.ticks.size());
    for (const GlobalTick& tick : expect.ticks)
        everyClient += tick.clients == healthy - lost ? 1 : 0;
    std::printf(
        "soak: %d position ticks since the logins, %d of them seen by every healthy client; %lld "
        "position packets checked; %lld '%%' lines and %lld logins relayed\n",
        ticksAfterLogin, everyClient, packets, floods, relays);
    std::printf("soak: largest gap between two ticks: %.2f s (bound %.2f s)\n", maxGap,
        options.maxGapMs / 1000.0);

    // The stuck clients: quorvex drops what waits for them once it passes the bound and closes
    // the connection; the kernel then still delivers what it holds, and the end of the stream.
    // Reading them empty now shows both: the end comes, and only kernel buffers' worth before it.
    // Their own receive buffers are fixed small (16 KiB, doubled by the kernel).
    const long long slack = ReadSysctl("/proc/sys/net/ipv4/tcp_wmem", 2) + (1 << 20);
    auto stuckCheck = [&](Client& c, const char* name) {
        const long long sentItsWay = reference->bytesIn - c.loginBytes;
        const long long before = c.bytesIn;
        const bool ended = c.gone || Drain(c);
        std::printf("soak: %s: %.2f MiB went its way; it read %lld bytes during the run and "
                    "%.2f MiB after it, %s\n",
            name, static_cast<double>(sentItsWay) / 1048576.0, before,
            static_cast<double>(c.bytesIn - before) / 1048576.0,
            ended ? "then the end of the stream" : "and the stream goes on");
        if (sentItsWay > static_cast<long long>(kBacklogBound) + slack)
            check(ended && c.bytesIn <= static_cast<long long>(kBacklogBound) + slack,
                Format("%s cut off, holding no more than the backlog bound (%.0f MiB) and %.1f "
                       "MiB of kernel buffers",
                    name, kBacklogBound / 1048576.0, static_cast<double>(slack) / 1048576.0)
                    .c_str());
        else
            std::printf("soak: (%s: not enough went its way to reach the bound)\n", name);
    };
    stuckCheck(neverReads, "client that never reads");
    stuckCheck(slow, "client that reads a byte a second");
    if (flooder != nullptr)
        std::printf("soak: flooding client: sent %.1f MiB of '%%' lines; cut off %d times\n",
            flooder->bytesOut / 1048576.0, flooder->cuts);

    const long boundKiB = options.maxRssMiB > 0
        ? options.maxRssMiB * 1024
        : std::max(rssWarm, rssStart) + 3 * static_cast<long>(kBacklogBound / 1024) + 64 * 1024;
    std::printf("soak: quorvex memory: %.1f MiB at the start, %.1f MiB with the aircraft in, "
                "%.1f MiB at most (bound %.1f MiB), peak (VmHWM) %.1f MiB\n",
        rssStart / 1024.0, rssWarm / 1024.0, rssMax / 1024.0, boundKiB / 1024.0,
        ReadProcKiB(quorvex, "VmHWM:") / 1024.0);

    check(quorvexAlive, "quorvex ran to the end");
    check(expect.warmedUpAt >= 0, "every aircraft reached quorvex");
    check(lost == 0, "no healthy client lost its connection");
    check(incomplete == 0 && expect.hashMismatches == 0 && everyClient == ticksAfterLogin
            && ticksAfterLogin > 0,
        "every healthy client got every tick complete, in order and byte-identical");
    check(maxGap <= options.maxGapMs / 1000.0 && maxGap > 0, "the largest tick gap is in bound");
    check(rssMax <= boundKiB, "quorvex's memory stayed in bound");
    check(cyclesFailed == 0 && cyclesDone == options.cycles, "every connect-and-close cycle");
    check(feed.m_drops == drops && feed.m_connections == drops + (reconnect ? 1 : 0),
        reconnect ? "quorvex connected again after every drop" : "the feed was dropped");
    check(g_faults == 0, Format("no faulty packet (%d faults)", g_faults).c_str());

    int status = 0;
    if (quorvexAlive) {
        ::kill(quorvex, SIGTERM);
        ::waitpid(quorvex, &status, 0);
        check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "quorvex ended with status 0");
    }
    if (ownDir)
        (void)!std::system(("rm -rf '" + dir + "'").c_str());
    std::printf("soak: %s\n", failed == 0 ? "PASSED" : "FAILED");
    return failed == 0 ? 0 : 1;
}
