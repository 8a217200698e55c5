#include "QuorvexOptions.h"

#include "StatusPage.h"
#include "platform/AsciiText.h"
#include "platform/ProjectVersion.h"
#include "platform/SignalBridge.h"
#include "proxy/fsd/FsdServer.h"
#include "proxy/net/Endpoint.h"

#include <QCommandLineParser>
#include <QFile>
#include <QHostInfo>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

constexpr const char* kVersion = kProjectVersion;

void SetUpParser(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QString(
        "Quorvex %1 by Dorvath: reads an SBS-1 BaseStation feed (or a recorded feed file) and\n"
        "serves its aircraft to FSD radar clients on 127.0.0.1 port 6809. The lookup files\n"
        "icao24.txt, aircrafts.txt and flightplans.txt are read from the working directory.")
                                         .arg(kVersion));
    parser.addOptions({
        { "server",
            "Connect to the receiver at HOST (a name or an address; an IPv6 address with a port in "
            "brackets) once started, on PORT or --port. May be repeated: the feeds are merged "
            "into one table, the first one in the window's fields.",
            "HOST[:PORT]" },
        { "port",
            QString("The receiver's port for --server (default %1, the BaseStation data port).")
                .arg(kDefaultFeedPort),
            "N" },
        { "replay", "Replay the recorded feed FILE once started, 20 lines every 5 seconds.",
            "FILE" },
        { "headless",
            "Run without a window: message boxes go to standard error, and a status line "
            "(lines received / accepted, clients, aircraft, Connect caption) goes to standard "
            "output every 5 seconds. SIGINT and SIGTERM end the program." },
        { "http",
            "Serve a status page (feed, radar clients, aircraft, a plot), /status.json, "
            "/aircraft.json and Prometheus /metrics on ADDRESS:PORT (an address alone takes "
            "port 8754, a port alone 127.0.0.1; port 0 any free port). Connections are taken as "
            "on the FSD port: an address other than a loopback one needs --allow.",
            "ADDRESS:PORT" },
        { "snapshot",
            "Write a PNG picture of the window to FILE at every timer tick (not with "
            "--headless).",
            "FILE" },
        // The FSD server as a service.
        { "listen",
            "Serve radar clients on ADDRESS (IPv4, [IPv6], or a name, resolved once at start) "
            "and PORT (default 6809) instead of 127.0.0.1:6809; may be repeated. An address "
            "other than a loopback one needs --allow.",
            "ADDRESS[:PORT]" },
        { "allow",
            "Let radar clients connect from the network CIDR (192.168.1.0/24, fd00::/8, or one "
            "address); may be repeated. Connections from elsewhere are closed at once; "
            "127.0.0.1 and ::1 are always allowed.",
            "CIDR" },
        { "max-clients",
            "Take at most N radar clients at a time; one more is told that the server is full "
            "and closed (default: no limit).",
            "N" },
        { "password-file",
            "Radar clients log in with the password on the first line of FILE (the fifth field "
            "of \"#AA\"); a wrong one is refused.",
            "FILE" },
        { "log",
            "Tell every event (feed, radar clients, listeners) on standard error, one line each, "
            "with a UTC time and a journal priority (<6>, <4>, <3>). Headless does so by default; "
            "the window only with --log." },
        { "quiet", "Of the events, tell only warnings and errors (implies --log)." },
    });
    // The feed service: a feed that comes back, receivers anywhere, the replay's pace, SIGHUP.
    parser.addOptions({
        { "reconnect",
            "Try a lost, refused or failed feed connection (also of the Connect button) again "
            "after 1 s, doubling up to MAX_SECONDS (default 30), until Disconnect. Written "
            "--reconnect, --reconnect=MAX_SECONDS or --reconnect MAX_SECONDS.",
            "MAX_SECONDS" },
        { "feed-timeout", "A connected feed silent for SECONDS counts as lost (default: off).",
            "SECONDS" },
        { "positions",
            "north-east (default): only positions north of 10 N and east of 10 E; anywhere: "
            "every valid position but 0,0.",
            "RULE" },
        { "trim-callsigns",
            "Drop the blanks that receivers pad callsigns with (\"DLH4KJ  \") before the "
            "callsign is used: in the list, the radar clients' packets and the flight plan "
            "lookup." },
        { "receiver", "The receiver's position, for --max-range.", "LAT,LON" },
        { "max-range", "Drop positions farther than NM nautical miles from --receiver.", "NM" },
        { "replay-lines", "Replay N lines per tick and per +10 press (default 20).", "N" },
        { "replay-speed",
            "Replay at X times the recorded pace, from the lines' own times (lines without a "
            "time at the --replay-lines pace).",
            "X" },
        { "replay-date",
            "today (default): a replayed line without its leading fields must carry today's "
            "date; recorded: the date it carries.",
            "DATE" },
        { "reload-on-hup", "On SIGHUP, read the three lookup files again instead of ending." },
        { "clock",
            "Run on a fake clock that starts at SECONDS since 1970-01-01 00:00 UTC and moves on 5 "
            "seconds at every timer tick: two runs on the same input then send the same bytes "
            "(for tests and comparisons).",
            "SECONDS" },
    });
    parser.addHelpOption();
    parser.addVersionOption();
}

// The value of an option as a whole number from `low` to `high`, or an error naming it.
bool WholeNumber(const QCommandLineParser& parser, const char* name, int low, int high, int& value,
    QString& message)
{
    const QString text = parser.value(name);
    bool ok = !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
    const int number = ok ? text.toInt(&ok) : 0;
    if (!ok || number < low || number > high) {
        message = QString("--%1 takes a whole number from %2 to %3, not %4")
                      .arg(name)
                      .arg(low)
                      .arg(high)
                      .arg(text);
        return false;
    }
    value = number;
    return true;
}

// The value of an option as a finite number above 0 and at most `high`, or an error naming it.
bool PositiveNumber(const QCommandLineParser& parser, const char* name, double high, double& value,
    QString& message)
{
    const QString text = parser.value(name);
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !(number > 0.0 && number <= high)) {
        message = QString("--%1 takes a number above 0 and at most %2, not %3")
                      .arg(name)
                      .arg(high)
                      .arg(text);
        return false;
    }
    value = number;
    return true;
}

// The feed service options into `feed`; false with the message for a bad value.
bool ParseFeedOptions(const QCommandLineParser& parser, CQuorvexOptions& options, QString& message)
{
    CFeedOptions& feed = options.feed;
    if (parser.isSet("reconnect")
        && !WholeNumber(parser, "reconnect", 1, 3600, feed.reconnectMaxSeconds, message))
        return false;
    if (parser.isSet("feed-timeout")
        && !WholeNumber(parser, "feed-timeout", 1, 86400, feed.feedTimeoutSeconds, message))
        return false;
    if (parser.isSet("positions")) {
        const QString rule = parser.value("positions");
        if (rule != "anywhere" && rule != "north-east") {
            message = "--positions takes anywhere or north-east, not " + rule;
            return false;
        }
        options.positions.anywhere = rule == "anywhere";
    }
    if (parser.isSet("receiver") != parser.isSet("max-range")) {
        message = "--receiver and --max-range go together: give both or neither";
        return false;
    }
    if (parser.isSet("receiver")) {
        const QString at = parser.value("receiver");
        if (!ParseLatLon(at.toStdString(), options.positions.receiverLatitude,
                options.positions.receiverLongitude)) {
            message = "--receiver takes LAT,LON in degrees, latitude from -90 to 90 and "
                      "longitude from -180 to 180, not "
                + at;
            return false;
        }
        if (!PositiveNumber(parser, "max-range", 10800.0, options.positions.maxRangeNm, message))
            return false;
        options.positions.receiverSet = true;
    }
    if (parser.isSet("replay-lines")
        && !WholeNumber(parser, "replay-lines", 1, 100000, feed.replayLines, message))
        return false;
    if (parser.isSet("replay-speed")
        && !PositiveNumber(parser, "replay-speed", 10000.0, feed.replaySpeed, message))
        return false;
    if (parser.isSet("replay-date")) {
        const QString date = parser.value("replay-date");
        if (date != "today" && date != "recorded") {
            message = "--replay-date takes today or recorded, not " + date;
            return false;
        }
        feed.replayDateRecorded = date == "recorded";
    }
    options.trimCallsigns = parser.isSet("trim-callsigns");
    options.reloadOnHangup = parser.isSet("reload-on-hup");
    return true;
}

// --reconnect takes an optional value, which the parser knows nothing of: alone it takes its
// default limit, and a whole number right after it is its value.
QStringList WithReconnectValue(QStringList arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--")
            break;
        if (arguments[i] != "--reconnect")
            continue;
        const QString next = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        const bool number = !next.isEmpty()
            && std::all_of(next.begin(), next.end(), [](QChar c) { return c >= '0' && c <= '9'; });
        if (number) {
            arguments[i] = "--reconnect=" + next;
            arguments.removeAt(i + 1);
        } else {
            arguments[i] = "--reconnect=30";
        }
    }
    return arguments;
}

// The parser's own complaint in the words the project's programs use.
QString ParserError(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        for (const QString& argument : arguments.mid(1)) {
            if (!argument.startsWith('-'))
                continue;
            QString name = argument.section('=', 0, 0);
            while (name.startsWith('-'))
                name.remove(0, 1);
            if (name == unknown.constFirst())
                return "unknown option '" + argument + "'";
        }
        return "unknown option '--" + unknown.constFirst() + "'";
    }
    const QString error = parser.errorText();
    static const QRegularExpression missing("^Missing value after '(.*)'\\.$");
    static const QRegularExpression unexpected("^Unexpected value after '(.*)'\\.$");
    if (const auto match = missing.match(error); match.hasMatch())
        return match.captured(1) + " needs a value";
    if (const auto match = unexpected.match(error); match.hasMatch())
        return match.captured(1) + " takes no value";
    return error;
}

// "ADDRESS[:PORT]" of --listen, the address resolved to a numeric one.
bool ParseListenAddress(const QString& text, CListenAddress& listen, QString& message)
{
    CEndpointText endpoint;
    if (!SplitEndpoint(text.toStdString(), endpoint)) {
        message = "--listen takes ADDRESS[:PORT], an IPv6 address in brackets, not " + text;
        return false;
    }
    const QString host = QString::fromStdString(endpoint.host);
    listen.port = kFsdPort;
    if (endpoint.hasPort) {
        const std::optional<unsigned> port = ParsePort(endpoint.port);
        if (!port) {
            message = "--listen takes a port from 1 to 65535, not " + text;
            return false;
        }
        listen.port = *port;
    }
    if (host.isEmpty()) {
        if (!endpoint.hasPort) {
            message = "--listen needs an address, or :PORT for every interface";
            return false;
        }
        listen.address.clear(); // every interface
        return true;
    }
    if (ParseNumericAddress(host.toStdString())) {
        listen.address = QHostAddress(host).toString().toStdString();
        return true;
    }
    // A name: looked up once, now, before anything else starts.
    const QHostInfo info = QHostInfo::fromName(host);
    const QList<QHostAddress> addresses = info.addresses();
    if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
        message = "--listen: cannot resolve " + host + ": " + info.errorString();
        return false;
    }
    const auto ipv4 = std::find_if(addresses.begin(), addresses.end(),
        [](const QHostAddress& a) { return a.protocol() == QAbstractSocket::IPv4Protocol; });
    listen.address = (ipv4 != addresses.end() ? *ipv4 : addresses.first()).toString().toStdString();
    return true;
}

// --listen, --allow, --max-clients and --password-file.
bool ParseServerOptions(
    const QCommandLineParser& parser, CQuorvexOptions& options, QString& message)
{
    for (const QString& text : parser.values("allow")) {
        const auto range = CAddressRange::Parse(text.toStdString());
        if (!range) {
            message = "--allow takes a network as ADDRESS/BITS (192.168.1.0/24, fd00::/8) or one "
                      "address, not "
                + text;
            return false;
        }
        options.access.allowed.push_back(*range);
    }
    for (const QString& text : parser.values("listen")) {
        CListenAddress listen;
        if (!ParseListenAddress(text, listen, message))
            return false;
        if (options.access.allowed.empty() && !IsLoopbackAddress(listen.address)) {
            message = "--listen " + text
                + ": refusing to serve radar clients on an address that other machines can "
                  "reach without an allow list, as anyone there could connect. Name the "
                  "networks that may connect with --allow (for example --allow 192.168.1.0/24), "
                  "or listen on a loopback address.";
            return false;
        }
        options.listen.push_back(listen);
    }
    if (parser.isSet("max-clients")) {
        int value = 0;
        if (!WholeNumber(parser, "max-clients", 1, 100000, value, message))
            return false;
        options.access.maxClients = static_cast<std::size_t>(value);
    }
    if (parser.isSet("password-file")) {
        const QString name = parser.value("password-file");
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            message = "--password-file: cannot read " + name + ": " + file.errorString();
            return false;
        }
        QByteArray line = file.readLine(4096);
        if (line.isEmpty() && file.error() != QFileDevice::NoError) {
            message = "--password-file: cannot read " + name + ": " + file.errorString();
            return false;
        }
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty()) {
            message = "--password-file: the first line of " + name + ", the password, is empty";
            return false;
        }
        if (line.contains(':')) {
            message = "--password-file: a password cannot hold ':', which ends a field of \"#AA\"";
            return false;
        }
        options.access.password = line.toStdString();
    }
    options.quiet = parser.isSet("quiet");
    options.log = parser.isSet("log") || options.quiet;
    return true;
}

// --http: "ADDRESS:PORT", "ADDRESS" (port kDefaultHttpPort), "PORT" (127.0.0.1), "[IPV6]:PORT" or
// "[IPV6]"; port 0 asks for any free port.
bool ParseHttpOption(const QString& text, QHostAddress& address, quint16& port, QString& message)
{
    CEndpointText endpoint;
    const bool portOnly = !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
    if (portOnly) {
        endpoint.host = "127.0.0.1";
        endpoint.port = text.toStdString();
        endpoint.hasPort = true;
    } else if (!SplitEndpoint(text.toStdString(), endpoint)) {
        message = "--http: a missing ']' or text after it in " + text;
        return false;
    }
    QString host = QString::fromStdString(endpoint.host);
    if (host == "localhost")
        host = "127.0.0.1";
    if (!address.setAddress(host)) {
        message = "--http takes a numeric address (ADDRESS:PORT, ADDRESS or PORT), not " + text;
        return false;
    }
    port = kDefaultHttpPort;
    if (endpoint.hasPort) {
        const std::optional<unsigned> value = ParsePort(endpoint.port, 0);
        if (!value) {
            message = "--http takes a port number from 0 to 65535, not "
                + QString::fromStdString(endpoint.port);
            return false;
        }
        port = static_cast<quint16>(*value);
    }
    return true;
}

} // namespace

CommandLine ParseQuorvexOptions(
    const QStringList& arguments, CQuorvexOptions& options, QString& message)
{
    QCommandLineParser parser;
    SetUpParser(parser);
    if (!parser.parse(WithReconnectValue(arguments))) {
        message = ParserError(parser, arguments);
        return CommandLine::Error;
    }
    if (parser.isSet("help")) {
        // Named as the user knows it, whatever path it was started by.
        message = parser.helpText()
                      .replace(QRegularExpression("^Usage: \\S+"), QStringLiteral("Usage: quorvex"))
                      // The optional value, as it is written.
                      .replace("--reconnect <MAX_SECONDS>", "--reconnect[=MAX_SECONDS]");
        return CommandLine::Help;
    }
    if (parser.isSet("version")) {
        message = QString("quorvex %1").arg(kVersion);
        return CommandLine::Version;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = "unexpected argument '" + parser.positionalArguments().constFirst() + "'";
        return CommandLine::Error;
    }
    const QStringList servers = parser.values("server");
    options.server = servers.isEmpty() ? QString() : servers.constFirst();
    options.port = parser.value("port");
    options.replay = parser.value("replay");
    options.headless = parser.isSet("headless");
    options.snapshot = parser.value("snapshot");
    if (options.headless && parser.isSet("snapshot")) {
        message = "--snapshot needs the window: it cannot go with --headless";
        return CommandLine::Error;
    }
    if (parser.isSet("clock")) {
        const QString text = parser.value("clock");
        bool ok = !text.isEmpty()
            && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
        const qlonglong seconds = ok ? text.toLongLong(&ok) : 0;
        if (!ok) {
            message = "--clock takes whole seconds since 1970-01-01 00:00 UTC, not " + text;
            return CommandLine::Error;
        }
        options.clock = seconds;
    }
    if (parser.isSet("http") && !BuildHasStatusPage()) {
        message = "--http: this build has no status page";
        return CommandLine::Error;
    }
    if (parser.isSet("reload-on-hup") && !platform::CSignalBridge::HasHangup()) {
        message = "--reload-on-hup: this system has no SIGHUP to reload on; restart the program to "
                  "read the lookup files again";
        return CommandLine::Error;
    }
    if (parser.isSet("http")) {
        if (!ParseHttpOption(parser.value("http"), options.httpAddress, options.httpPort, message))
            return CommandLine::Error;
        options.http = true;
    }
    if (parser.isSet("server") && servers.contains(QString())) {
        message = "--server needs a host name or address";
        return CommandLine::Error;
    }
    if (parser.isSet("replay") && options.replay.isEmpty()) {
        message = "--replay needs a file name";
        return CommandLine::Error;
    }
    if (!options.server.isEmpty() && !options.replay.isEmpty()) {
        message = "--server and --replay both use the server field: give one of them";
        return CommandLine::Error;
    }
    if (!options.server.isEmpty()) {
        // The receivers' addresses: HOST, HOST:PORT or [IPV6]:PORT; a port may come from --port.
        // The first one fills the window's fields; the others are merged with it.
        bool anyWithoutPort = false;
        std::vector<CFeedAddress> feeds;
        for (const QString& text : parser.values("server")) {
            CEndpointText endpoint;
            if (!SplitEndpoint(text.toStdString(), endpoint) || endpoint.host.empty()) {
                message = "--server takes HOST[:PORT] (an IPv6 address with a port in brackets), "
                          "not "
                    + text;
                return CommandLine::Error;
            }
            anyWithoutPort = anyWithoutPort || !endpoint.hasPort;
            const QString port = endpoint.hasPort ? QString::fromStdString(endpoint.port)
                : parser.isSet("port")            ? options.port
                                                  : QString(kDefaultFeedPort);
            const std::optional<unsigned> number = ParsePort(port.toStdString());
            if (!number) {
                message = QString(endpoint.hasPort ? "--server" : "--port")
                    + " takes a port number from 1 to 65535, not " + port;
                return CommandLine::Error;
            }
            const CFeedAddress feed { endpoint.host, *number };
            const bool twice = std::any_of(feeds.begin(), feeds.end(), [&](const CFeedAddress& f) {
                return f.port == feed.port && platform::EqualsAsciiNoCase(f.server, feed.server);
            });
            if (twice) {
                message = "--server " + text + " is given twice: each feed once";
                return CommandLine::Error;
            }
            feeds.push_back(feed);
        }
        if (parser.isSet("port") && !anyWithoutPort) {
            message = "--server " + options.server + " names its port: leave out --port";
            return CommandLine::Error;
        }
        options.server = QString::fromStdString(feeds[0].server);
        options.port = QString::number(feeds[0].port);
        options.moreFeeds.assign(feeds.begin() + 1, feeds.end());
    } else if (parser.isSet("port")) {
        message = "--port needs --server";
        return CommandLine::Error;
    }
    if (!ParseServerOptions(parser, options, message)
        || !ParseFeedOptions(parser, options, message))
        return CommandLine::Error;
    // The status page shows who is flying and who is connected: like the FSD server, it is not
    // served where other machines can reach it unless an allow list says who may.
    if (options.http && options.access.allowed.empty() && !options.httpAddress.isLoopback()) {
        message = "--http " + parser.value("http")
            + ": refusing to serve the status page on an address that other machines can reach "
              "without an allow list, as anyone there could see it. Name the networks that may "
              "connect with --allow (for example --allow 192.168.1.0/24), or serve it on a "
              "loopback address.";
        return CommandLine::Error;
    }
    return CommandLine::Run;
}
