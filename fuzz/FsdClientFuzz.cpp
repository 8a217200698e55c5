// libFuzzer target: the byte streams of several radar clients through the line framer and the
// packet rules, mixed with feed lines and position broadcasts. Whatever they send, no packet the
// server composes may carry more fields or lines than its format, a relay must be a line some
// client sent, and nothing may reach a client once it is out of the list.
//
// The input is a sequence of steps; each starts with a byte: its low 2 bits pick one of four
// clients, the next 3 bits the action, and for the actions that take bytes the following byte is
// their count.
#include "platform/Clock.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"
#include "proxy/traffic/TrafficModel.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

std::size_t Count(std::string_view text, char c)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

// Every line any client sent in this input, as the framer handed it on: what a relay may be.
std::set<std::string>& SentLines()
{
    static std::set<std::string> lines;
    return lines;
}

// Checks a text the server sends to a client: a relay, or a packet of the server's own.
void CheckPacket(std::string_view text)
{
    if (SentLines().count(std::string(text)) != 0)
        return; // a client's line relayed as it came
    Check(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n" && Count(text, '\n') == 1
            && Count(text, '\r') == 1,
        "a composed packet is one line ending in CR LF");
    std::size_t fields = 0;
    if (text.rfind("#TMserver:", 0) == 0)
        fields = 3;
    else if (text.rfind("@", 0) == 0)
        fields = 10;
    else if (text.rfind("$FP", 0) == 0)
        fields = 17;
    else if (text.rfind("#DP", 0) == 0)
        fields = 1;
    Check(fields != 0, "a text the server sends is a relay or one of its packets");
    Check(Count(text, ':') + 1 == fields, "a composed packet has the fields of its format");
}

// A radar client without a connection: its bytes go through the same framer and packet rules as
// a connected one's, and what the server sends it passes the client's own send rules and is then
// checked instead of written. A small backlog bound makes it go the way of a client that stopped
// reading, in the middle of a login or of a walk of the list.
class CFakeClient : public CFsdClientSocket {
public:
    void Deliver(const char* bytes, std::size_t length)
    {
        m_framer.Feed(bytes, length, [this](char* line) {
            SentLines().insert(line);
            return ProcessLine(line);
        });
    }
    void PeerCloses() { OnClose(0); }

    // Where the bytes would go out: after the client's own send rules. Each call is one packet,
    // or the position packets of one tick.
    int Send(const void* buffer, int length) override
    {
        Check(!IsDetached(), "nothing is sent to a removed client");
        const std::string_view text(
            static_cast<const char*>(buffer), static_cast<std::size_t>(length));
        if (SentLines().count(std::string(text)) != 0) {
            CheckPacket(text); // a relay
        } else {
            // A tick's position packets go out together in one send; anything else alone.
            std::size_t lines = 0;
            for (std::size_t start = 0; start < text.size(); ++lines) {
                const std::size_t end = text.find('\n', start);
                const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
                const std::string_view packet = text.substr(start, next - start);
                Check(lines == 0 || packet.rfind("@", 0) == 0,
                    "only a tick's position packets go out in one send");
                CheckPacket(packet);
                start = next;
            }
        }
        m_nBacklog += text.size();
        if (m_nBacklog > kBacklogBound && m_pList != nullptr)
            m_pList->RemoveClient(this); // as a client past its backlog bound is cut off
        return length;
    }
    // A tick's text, which connected clients queue by reference, goes the same way.
    int SendShared(std::shared_ptr<const std::string> text) override
    {
        return Send(text->data(), static_cast<int>(text->size()));
    }
    void Read() { m_nBacklog = 0; }

private:
    static constexpr std::size_t kBacklogBound = 4096;
    std::size_t m_nBacklog = 0;
};

constexpr int kClients = 4;

// Lookup rows whose texts hold every byte that could split a packet field.
void FillLookupTables(CQuorvexDlg& dlg)
{
    CIcaoDataElement row;
    row.key = "4ca2d6";
    row.column[0] = "EI:A\x01"
                    "B\x7F";
    dlg.Traffic().m_icao24Table.InsertSorted(row);
    row.key = "EI:A\x01"
              "B\x7F";
    row.column[1] = "B7:3\x1F"
                    "8";
    dlg.Traffic().m_aircraftsTable.InsertSorted(row);
    row.key = "RYR1234";
    const char* plan[] = { "A3:20", "x",
        "EI\x7F"
        "DW",
        "0610", "LH:BP",
        "FL\x01"
        "350",
        "D:CT" };
    for (int c = 0; c < 7; ++c)
        row.column[c] = plan[c];
    dlg.Traffic().m_flightplansTable.InsertSorted(row);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_fsd_client";
    static char* argv[] = { name, nullptr };
    static QCoreApplication application(argc, argv);
    static platform::FakeClock clock(1'700'000'000);
    SentLines().clear();
    CMemoryControls controls;
    CQuorvexDlg dlg(controls);
    dlg.InsertAircraftListColumns();
    FillLookupTables(dlg);
    CFakeClient* clients[kClients] = {};
    const auto connect = [&](int i) {
        auto client = std::make_unique<CFakeClient>();
        clients[i] = client.get();
        dlg.Server().AddClient(std::move(client));
    };
    for (int i = 0; i < kClients; ++i)
        connect(i);
    // Whether the client in slot i is still listed (a removed one may be destroyed already).
    const auto listed = [&](int i) {
        return clients[i] != nullptr
            && std::any_of(dlg.Server().Clients().begin(), dlg.Server().Clients().end(),
                [&](const auto& c) { return c.get() == clients[i]; });
    };

    std::size_t at = 0;
    while (at < size) {
        const int i = data[at] & 3;
        const int action = (data[at] >> 2) & 7;
        ++at;
        const std::size_t length
            = at < size ? std::min<std::size_t>(data[at] + 1u, size - at - 1) : 0;
        const char* bytes = reinterpret_cast<const char*>(data + std::min(at + 1, size));
        switch (action) {
        case 0:
        case 1:
        case 2: // bytes from the client
            if (listed(i))
                clients[i]->Deliver(bytes, length);
            at += 1 + length;
            break;
        case 3: { // feed lines, as the feed connection hands them over
            std::string line;
            for (std::size_t k = 0; k < length; ++k) {
                line += bytes[k];
                if (bytes[k] == '\n' || k + 1 == length) {
                    dlg.HandleFeedLine(line.data());
                    line.clear();
                }
            }
            at += 1 + length;
            break;
        }
        case 4: // a timer tick: purge, broadcast
            dlg.OnTimer();
            break;
        case 5: // the client closes; a new one takes its slot
            if (listed(i))
                clients[i]->PeerCloses();
            Check(!listed(i), "a closed client is out of the list");
            connect(i);
            break;
        case 6: // the client reads what it was sent
            if (listed(i))
                clients[i]->Read();
            break;
        default: // time goes on, and the loop turns
            clock.Advance(i * 7 + 1);
            QCoreApplication::sendPostedEvents();
            break;
        }
    }
    dlg.Server().BroadcastPositions(platform::Time64());
    Check(dlg.Server().Clients().size() <= static_cast<std::size_t>(kClients) * 64,
        "the list is bounded");
    return 0;
}
