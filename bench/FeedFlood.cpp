// Floods a program over TCP on 127.0.0.1, as fast as the connection takes the bytes: either as an
// SBS feed that the program connects to (the way it connects to a receiver), or as a radar client
// that connects to the program's FSD port and sends '%' lines without ever reading. It prints
// what it sent; bench/feed-flood.sh measures the program meanwhile.
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage
    = "usage: feed_flood --serve PORT [--bytes N]   serve SBS lines to each connection\n"
      "       feed_flood --client PORT --bytes N     connect and send '%' lines\n"
      "\n"
      "--serve PORT   listen on 127.0.0.1:PORT; every connection gets SBS position and velocity\n"
      "               lines of 500 aircraft as fast as TCP takes them, until it closes or, with\n"
      "               --bytes, until N bytes went out (then the connection is closed and the\n"
      "               next one is awaited)\n"
      "--client PORT  connect to 127.0.0.1:PORT and send N bytes of FSD '%' lines, reading\n"
      "               nothing, then close\n"
      "--bytes N      how much to send; a suffix M means MiB\n"
      "Each connection's figures (bytes, lines, seconds, rate) go to standard error.\n";

// Whole lines, about 1 MiB: the feed repeats it.
std::string MakeFeedBlock()
{
    std::string block;
    char line[160];
    for (unsigned n = 0; block.size() < (1u << 20); ++n) {
        const unsigned aircraft = n % 500;
        const double lat = 47.0 + aircraft * 0.003 + (n / 500) * 1e-5;
        const double lon = 19.0 + aircraft * 0.004;
        const char* date = "2025/05/14,09:31:07.510,2025/05/14,09:31:07.531";
        const int length = (n % 2 == 0)
            ? std::snprintf(line, sizeof line, "MSG,3,1,1,%06X,1,%s,,%u,,,%.5f,%.5f,,,0,0,0,0\r\n",
                0x3C0000 + aircraft, date, 2000 + aircraft * 60, lat, lon)
            : std::snprintf(line, sizeof line, "MSG,4,1,1,%06X,1,%s,,,%u,%u,,,0,,0,0,0,0\r\n",
                0x3C0000 + aircraft, date, 200 + aircraft % 300, aircraft % 360);
        block.append(line, static_cast<std::size_t>(length));
    }
    return block;
}

std::string MakeClientBlock()
{
    std::string block;
    while (block.size() < (1u << 20))
        block += "%FLOOD:99999:0:20:5:47.43000:19.26000:0\r\n";
    return block;
}

bool ParseNumber(std::string_view text, long long& value)
{
    long long multiplier = 1;
    if (!text.empty() && (text.back() == 'M' || text.back() == 'm')) {
        multiplier = 1 << 20;
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 12)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    value *= multiplier;
    return true;
}

sockaddr_in Loopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Sends the block over and over until `limit` bytes went out (0: until the peer goes), then
// prints the figures.
void Flood(int fd, const std::string& block, long long limit)
{
    const auto start = std::chrono::steady_clock::now();
    long long sent = 0, lines = 0;
    const long long linesPerBlock
        = static_cast<long long>(std::count(block.begin(), block.end(), '\n'));
    while (limit == 0 || sent < limit) {
        const std::size_t want = limit == 0
            ? block.size()
            : static_cast<std::size_t>(std::min<long long>(limit - sent, block.size()));
        const ssize_t n = ::send(fd, block.data(), want, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
        lines += static_cast<std::size_t>(n) == block.size() ? linesPerBlock : 0;
    }
    const double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr,
        "feed_flood: sent %lld bytes (%lld whole blocks of lines: %lld lines) in %.2f s, "
        "%.1f MB/s\n",
        sent, sent / static_cast<long long>(block.size()), lines, seconds,
        seconds > 0 ? sent / seconds / 1e6 : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    std::string_view mode;
    long long port = 0, limit = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const bool takesValue = arg == "--serve" || arg == "--client" || arg == "--bytes";
        if (!takesValue || i + 1 == argc) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        long long value = 0;
        if (!ParseNumber(argv[++i], value)) {
            std::fprintf(stderr, "feed_flood: bad number for %s\n", argv[i - 1]);
            return 2;
        }
        if (arg == "--bytes") {
            limit = value;
        } else {
            mode = arg;
            port = value;
        }
    }
    if (mode.empty() || port < 1 || port > 65535 || (mode == "--client" && limit == 0)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    sockaddr_in address = Loopback(static_cast<int>(port));
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (mode == "--client") {
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("feed_flood: connect");
            return 1;
        }
        Flood(fd, MakeClientBlock(), limit);
        ::close(fd);
        return 0;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, 1) != 0) {
        std::perror("feed_flood: listen");
        return 1;
    }
    std::fprintf(stderr, "feed_flood: serving on 127.0.0.1:%lld\n", port);
    const std::string block = MakeFeedBlock();
    for (;;) {
        const int connection = ::accept(fd, nullptr, nullptr);
        if (connection < 0)
            continue;
        Flood(connection, block, limit);
        ::close(connection);
    }
}
