#include "FsdServer.h"

#include "FsdPackets.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <cstring>

namespace {

// The listen backlog: the classic 5 on the loopback port; a service listening where many radar
// clients may connect at once (--listen) takes them all in one go instead of letting most of
// them wait on the retries of their connection requests.
constexpr int kListenBacklog = 5;
constexpr int kServiceListenBacklog = 128;

std::string SocketErrorText(int error)
{
    switch (error) {
    case platform::kAddressInUse:
        return "the address is in use";
    case platform::kAccessDenied:
        return "permission denied";
    case platform::kInvalidAddress:
        return "not an address of this machine";
    case platform::kResourceError:
        return "out of sockets";
    default:
        return "socket error " + std::to_string(error);
    }
}

// The callsign an "#AA" line asks for.
std::string_view LoginCallsign(const char* line)
{
    const std::string_view callsign(line + 3);
    return callsign.substr(0, callsign.find_first_of(":\r\n"));
}

// The client a line came from, as the packet rules answer it.
class CClientSender final : public CFsdSender {
public:
    explicit CClientSender(CFsdClientSocket& client)
        : m_client(client)
    {
    }
    int SendString(std::string_view text) override { return m_client.SendString(text); }

private:
    CFsdClientSocket& m_client;
};

} // namespace

CFsdServer::CFsdServer(CTrafficModel& traffic)
    : m_traffic(traffic)
{
    m_traffic.AddListener(*this);
}

CFsdServer::~CFsdServer()
{
    m_traffic.RemoveListener(*this);
    DestroyRemovedClients();
}

bool CFsdServer::Start(unsigned port)
{
    // By default bound to the loopback address alone; other addresses come from the command
    // line, which asks for an allow list with them.
    std::vector<CListenAddress> addresses = m_listenAddresses;
    const bool loopbackOnly = addresses.empty();
    if (loopbackOnly)
        addresses.push_back({ "127.0.0.1", port });
    m_extraListeners.clear();
    m_strListenFailure.clear();
    bool all = true;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        CFsdListenerSocket* listener = &m_listenerSocket;
        if (i > 0)
            listener = m_extraListeners.emplace_back(std::make_unique<CFsdListenerSocket>()).get();
        const CListenAddress& at = addresses[i];
        const bool listening = listener->Create(at.port, loopbackOnly ? "localhost" : at.address)
            && listener->Listen(loopbackOnly ? kListenBacklog : kServiceListenBacklog);
        if (listening) {
            std::string address;
            unsigned boundPort = at.port;
            listener->GetSockName(address, boundPort);
            Log(LogLevel::Info, "listening",
                "listening for radar clients on "
                    + CListenAddress { at.address, boundPort }.Text());
        } else {
            const std::string failure = "cannot listen for radar clients on " + at.Text() + ": "
                + SocketErrorText(listener->GetLastError());
            if (m_strListenFailure.empty())
                m_strListenFailure = failure;
            Log(LogLevel::Error, "listen-failed", failure);
            listener->Close();
            all = false;
        }
        listener->m_pList = this;
        listener->m_pAccess = &m_fsdAccess;
        listener->m_pLog = m_pEventLog;
    }
    return all;
}

void CFsdServer::Log(LogLevel level, std::string_view kind, std::string text)
{
    if (m_pEventLog != nullptr)
        m_pEventLog->Log(level, kind, std::move(text));
}

void CFsdServer::AddClient(std::unique_ptr<CFsdClientSocket> client)
{
    if (m_fsdAccess.maxClients > 0 && m_clientList.size() >= m_fsdAccess.maxClients) {
        client->SendString(ComposeServerText("", kServerFullText));
        client->Close();
        Log(LogLevel::Warning, "failure:client-server-full",
            "refused a radar client from " + client->m_strPeer + ": the server is full ("
                + std::to_string(m_fsdAccess.maxClients) + " clients)");
        return;
    }
    Log(LogLevel::Info, "client-accepted", "radar client connected from " + client->m_strPeer);
    client->m_pList = this;
    client->m_pMetrics = m_pMetrics;
    m_clientList.push_back(std::move(client));
    ClientCountChanged();
}

void CFsdServer::RemoveClient(CFsdClientSocket* client)
{
    const auto it = std::find_if(m_clientList.begin(), m_clientList.end(),
        [client](
            const std::unique_ptr<CFsdClientSocket>& listed) { return listed.get() == client; });
    if (it == m_clientList.end())
        return;
    // The client may be in the middle of its own handler, or of a send inside a walk of the list:
    // it is closed and unlisted now, and destroyed once the running handler has returned.
    client->Detach();
    m_removedClients.push_back(std::move(*it));
    m_clientList.erase(it);
    ClientCountChanged();
    m_destroyRemoved.Post();
}

void CFsdServer::DestroyRemovedClients()
{
    m_removedClients.clear();
}

void CFsdServer::ClientCountChanged()
{
    if (m_onClientCount)
        m_onClientCount(m_clientList.size());
}

bool CFsdServer::OnClientLine(CFsdClientSocket& client, char* line)
{
    const bool login = std::strncmp(line, "#AA", 3) == 0;
    if (m_fsdAccess.password) {
        // With a password nothing but a login counts before one is accepted: what a client
        // sends can neither reach the others nor ask anything of the server until then.
        if (!login && client.m_strCallsign.empty())
            return true;
        if (login && !m_fsdAccess.IsPasswordAccepted(line))
            return RefuseLogin(client, line, kWrongPasswordText);
    }
    const std::string before = login ? client.m_strCallsign : std::string();
    const std::string requested = login ? std::string(LoginCallsign(line)) : std::string();
    CClientSender sender(client);
    if (!ApplyPacketRules(line, client.m_strCallsign, sender, *this)) {
        if (m_pMetrics != nullptr)
            ++m_pMetrics->m_nClientsRefusedCallsign; // the only line the rules refuse: a login
        Log(LogLevel::Warning, "failure:client-login-refused",
            "refused the login of radar client " + client.m_strPeer + " as " + requested + ": "
                + std::string(kCallsignInUseText));
        RemoveClient(&client);
    } else if (login && client.m_strCallsign != before) {
        Log(LogLevel::Info, "client-logged-in",
            "radar client " + client.m_strPeer + " logged in as " + client.m_strCallsign);
    }
    return !client.IsDetached();
}

bool CFsdServer::RefuseLogin(CFsdClientSocket& client, const char* line, std::string_view reason)
{
    const std::string_view requested = LoginCallsign(line);
    client.SendString(ComposeServerText(requested, reason));
    Log(LogLevel::Warning, "failure:client-login-refused",
        "refused the login of radar client " + client.m_strPeer + " as " + std::string(requested)
            + ": " + std::string(reason));
    RemoveClient(&client);
    return false;
}

bool CFsdServer::IsCallsignInUse(std::string_view callsign) const
{
    return std::any_of(m_clientList.begin(), m_clientList.end(), [callsign](const auto& client) {
        return platform::EqualsAsciiNoCase(client->m_strCallsign, callsign);
    });
}

void CFsdServer::BroadcastPacket(std::string_view text, std::string_view callsign)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        // With a password, what the clients relay stays among those that gave it.
        if (m_fsdAccess.password && client.m_strCallsign.empty())
            continue;
        if (!platform::EqualsAsciiNoCase(client.m_strCallsign, callsign))
            client.SendString(text);
    }
}

void CFsdServer::BroadcastShared(const std::shared_ptr<const std::string>& text)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        if (!client.m_strCallsign.empty()) // the clients the empty callsign reaches
            client.SendSharedString(text);
    }
}

void CFsdServer::SendToCallsign(std::string_view callsign, std::string_view text)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        if (platform::EqualsAsciiNoCase(client.m_strCallsign, callsign))
            client.SendString(text);
    }
}

void CFsdServer::SendServerText(std::string_view message)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        client.SendString(ComposeServerText(client.m_strCallsign, message));
    }
}

void CFsdServer::AnnounceFeed(bool connected)
{
    SendServerText(connected ? kFeedConnectedMessage : kFeedDisconnectedMessage);
}

void CFsdServer::SendFlightPlan(const CFieldList& fields)
{
    const std::string_view requested = fields.field[3];
    for (const auto& [key, aircraft] : m_traffic.m_aircraftMap) {
        if (platform::EqualsAsciiNoCase(aircraft.callsign, requested)
            || platform::EqualsAsciiNoCase(aircraft.registration, requested)
            || platform::EqualsAsciiNoCase(aircraft.hexId, requested)) {
            SendToCallsign(fields.field[0] + 3, ComposeFlightPlan(requested, aircraft));
            return;
        }
    }
}

void CFsdServer::OnCallsignKnown(const CTrackedAircraft& /*aircraft*/, std::string_view oldName)
{
    // From the next broadcast on the aircraft appears under its callsign.
    BroadcastPacket(ComposeDeletePilot(oldName), {});
}

void CFsdServer::BroadcastPositions(std::int64_t now)
{
    if (m_clientList.empty())
        return;
    // The tick's packets are composed once, in map order, into one text that every logged-in
    // client's socket queues by reference: no copy and one backlog check per client. A client
    // that reads slowly may still hold the last tick's text; then this tick gets a text of its
    // own, else the last one is reused, so a busy table does not allocate it again.
    const PositionRange range = m_traffic.m_positionRules.Range();
    if (m_pTick == nullptr || m_pTick.use_count() > 1) {
        auto fresh = std::make_shared<std::string>();
        if (m_pTick != nullptr)
            fresh->reserve(m_pTick->size());
        m_pTick = std::move(fresh);
    } else {
        m_pTick->clear();
    }
    for (const auto& [key, aircraft] : m_traffic.m_aircraftMap)
        *m_pTick += ComposePilotPosition(aircraft, now, m_traffic.Reference(), range);
    if (!m_pTick->empty())
        BroadcastShared(m_pTick);
}
