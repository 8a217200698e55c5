// libFuzzer target: arbitrary bytes as what an FSD server sends veltrix-host, cut into reads of
// varying size, with the stand board of the sample airport taking the aircraft. Whatever the
// server sends, each packet the host sends back is one line of the shape it composes (a login,
// then flight-plan queries), and the board's invariants hold.
#include "HostFuzzSupport.h"
#include "host/FsdClient.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kCallsign = "LHBP_GND";

void CheckSent(std::string_view packet, bool first)
{
    fuzz::Check(packet.ends_with("\r\n"), "a packet without its line end");
    const std::string_view line = packet.substr(0, packet.size() - 2);
    fuzz::Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos,
        "a packet holding a line end or NUL");
    const std::size_t fields = std::count(line.begin(), line.end(), ':') + 1;
    if (first) {
        fuzz::Check(line.starts_with("#AA") && fields == 7, "the first packet is no login");
        return;
    }
    fuzz::Check(line.starts_with("$CQ") && fields == 4, "a packet with more fields than a query");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string sampleBoard = fuzz::ReadSample("lhbp.asr");
    fuzz::CFuzzHost host;
    fuzz::Check(host.Open(sampleBoard), "the sample board does not open");
    int sent = 0;
    host::CFsdClient client(std::string(kCallsign), host.Session(),
        [&sent](const std::string& packet) { CheckSent(packet, sent++ == 0); });
    client.OnConnected();
    fuzz::Check(sent == 1, "no login on connecting");

    // The first byte sets the size of the reads, so that lines are also cut across reads.
    const std::string_view text = fuzz::Text(data, size);
    const std::size_t step = text.empty() ? 1 : 1 + static_cast<unsigned char>(text.front()) % 64;
    for (std::size_t at = 0; at < text.size(); at += step) {
        client.Receive(text.substr(at, step));
        host.ServePendingRefresh();
    }
    // A minute of silence forgets what the server sent; a second connection starts afresh.
    host.Wait(host::CHostSession::kSilenceLimit + 1);
    fuzz::CheckBoard(*host.Board());
    sent = 0;
    client.OnConnected();
    client.Receive(text);
    host.Paint();
    fuzz::CheckBoard(*host.Board());
    return 0;
}
