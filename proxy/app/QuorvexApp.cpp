#include "QuorvexApp.h"

#include "ConsoleControls.h"
#include "QuorvexDlg.h"
#include "QuorvexStatus.h"
#include "QuorvexWindow.h"
#include "StatusPage.h"
#include "platform/Clock.h"
#include "platform/FileNames.h"
#include "platform/ProgramConsole.h"
#include "platform/ProjectVersion.h"
#include "platform/SignalBridge.h"
#include "proxy/status/HttpEndpoint.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace {

constexpr const char* kVersion = kProjectVersion;
// The feed service's tick: retries, the silence limit and the paced replay, in whole seconds.
constexpr int kServiceTickMilliseconds = 1000;

void SetUpParser(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QString(
        "Quorvex %1 by Dorvath: reads an SBS-1 BaseStation feed (or a recorded feed file) and\n"
        "serves its aircraft to FSD radar clients on 127.0.0.1 port 6809. The lookup files\n"
        "icao24.txt, aircrafts.txt and flightplans.txt are read from the working directory.")
                                         .arg(kVersion));
    parser.addOptions({
        { "server", "Connect to the receiver at HOST (a name or an address) once started.",
            "HOST" },
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
            "With --headless: tell every event (feed, radar clients, listeners) on standard "
            "error, one line each, with a UTC time and a journal priority (<6>, <4>, <3>)." },
        { "quiet", "With --log: only warnings and errors (implies --log)." },
    });
    // The feed service: a feed that comes back, receivers anywhere, the replay's pace, SIGHUP.
    parser.addOptions({
        { "reconnect",
            "As --reconnect[=MAX_SECONDS]: try a lost, refused or failed feed connection (also "
            "of the Connect button) again after 1 s, doubling up to MAX_SECONDS (default 30), "
            "until Disconnect.",
            "MAX_SECONDS" },
        { "feed-timeout", "A connected feed silent for SECONDS counts as lost (default: off).",
            "SECONDS" },
        { "positions",
            "north-east (default): only positions north of 10 N and east of 10 E; anywhere: "
            "every valid position but 0,0.",
            "RULE" },
        { "receiver", "The receiver's position, for --max-range.", "LAT,LON" },
        { "trim-callsigns",
            "Drop the blanks that receivers pad callsigns with (\"DLH4KJ  \") before the "
            "callsign is used: in the list, the radar clients' packets and the flight plan "
            "lookup." },
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
    options.reloadOnHangup = parser.isSet("reload-on-hup");
    options.trimCallsigns = parser.isSet("trim-callsigns");
    return true;
}

// --reconnect alone takes its default limit: the parser knows no option with an optional value.
QStringList WithReconnectDefault(QStringList arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--")
            break;
        if (arguments[i] == "--reconnect")
            arguments[i] = "--reconnect=30";
    }
    return arguments;
}

bool HasDisplay()
{
#ifdef Q_OS_LINUX
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

// Hands the command line's options to the window logic and its parts.
void ApplyOptions(const CQuorvexOptions& options, CQuorvexDlg& dlg, CEventSink* log)
{
    dlg.m_feedOptions = options.feed;
    dlg.m_pEventLog = log;
    dlg.Traffic().m_positionRules = options.positions;
    dlg.Traffic().m_bTrimCallsigns = options.trimCallsigns;
    dlg.Server().m_listenAddresses = options.listen;
    dlg.Server().m_fsdAccess = options.access;
}

// What the window and the console share: the options, the event log, the signals, start-up, the
// status page, timer 1 and the service tick, and the buttons the command line presses. The
// front-end's own part comes in `onTick` (after every tick of timer 1) and `end` (a signal).
// Returns the exit status, or -1 when the event loop is to run.
class CProxyRun {
public:
    CProxyRun(
        const CQuorvexOptions& options, platform::CDialogControls& controls, bool logByDefault)
        : m_options(options)
        , m_controls(controls)
        , m_clock(options.clock ? std::make_unique<platform::FakeClock>(*options.clock) : nullptr)
        , m_dlg(controls)
        , m_log(stderr, options.quiet)
    {
        ApplyOptions(options, m_dlg, options.log || logByDefault ? &m_log : nullptr);
    }

    CQuorvexDlg& Dlg() { return m_dlg; }

    // Start-up up to the event loop; false when the program is to end with `status`.
    bool Start(const std::function<void()>& end, const std::function<void()>& onTick,
        bool endWithoutServer, int& status)
    {
        std::function<void()> reload;
        if (m_options.reloadOnHangup)
            reload = [this] { m_dlg.ReloadLookupFiles(); };
        m_signals.emplace(end, reload);
        bool ended = false;
        m_onEnd = [&ended] { ended = true; };
        const bool listening = m_dlg.OnInitDialog();
        m_onEnd = nullptr;
        if (ended) {
            status = 0;
            return false;
        }
        // A service that cannot serve its clients must not look healthy: it ends, and its
        // manager sees the failure.
        if (!listening && endWithoutServer) {
            if (m_dlg.m_pEventLog == nullptr)
                std::fprintf(stderr, "quorvex: %s\n", m_dlg.Server().m_strListenFailure.c_str());
            status = 1;
            return false;
        }
        bool failed = false;
        m_statusServer = StartStatusServer(m_options, m_dlg, m_controls, m_rate, failed);
        if (failed) {
            status = 2;
            return false;
        }
        QObject::connect(&m_timer, &QTimer::timeout, [this, onTick] {
            if (m_clock)
                m_clock->Advance(kTimerPeriodMilliseconds / 1000);
            // Timed for /metrics.
            const auto start = std::chrono::steady_clock::now();
            m_dlg.OnTimer();
            m_dlg.m_metrics.m_tickDuration.Observe(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            onTick();
        });
        m_timer.start(kTimerPeriodMilliseconds);
        QObject::connect(&m_serviceTimer, &QTimer::timeout, [this] { m_dlg.OnServiceTick(); });
        if (m_options.feed.NeedsServiceTick())
            m_serviceTimer.start(kServiceTickMilliseconds);
        return true;
    }

    // Fills the fields and presses the button that the command line asks for, on the event
    // loop's first turn.
    void PressStartButtons(QObject* context)
    {
        QTimer::singleShot(0, context, [this] {
            if (!m_options.replay.isEmpty()) {
                m_controls.SetWindowText(kIdEditServer, platform::FileNameBytes(m_options.replay));
                m_dlg.OnLogfileClicked();
            } else if (!m_options.server.isEmpty()) {
                m_controls.SetWindowText(
                    kIdEditServer, m_options.server.toLocal8Bit().toStdString());
                m_controls.SetWindowText(kIdEditPort, m_options.port.toStdString());
                m_dlg.OnConnectClicked();
            }
        });
    }

    // A signal during start-up (a message box may wait there) ends the program right there.
    void NoteEnd()
    {
        if (m_onEnd)
            m_onEnd();
    }

private:
    const CQuorvexOptions& m_options;
    platform::CDialogControls& m_controls;
    std::unique_ptr<platform::FakeClock> m_clock; // --clock; set before the window logic reads time
    CQuorvexDlg m_dlg;
    CEventLog m_log;
    std::optional<platform::CSignalBridge> m_signals;
    std::function<void()> m_onEnd;
    status::CLineRate m_rate;
    std::unique_ptr<QObject> m_statusServer;
    QTimer m_timer;
    QTimer m_serviceTimer;
};

int RunWindow(const CQuorvexOptions& options)
{
    CQuorvexWindow window;
    CProxyRun run(options, window, false);
    window.Attach(run.Dlg());
    // "OK", "Cancel", the close box and the two signals all close the window.
    const auto end = [&] {
        run.NoteEnd();
        window.reject();
        QCoreApplication::quit();
    };
    QObject::connect(&window, &QDialog::finished, qApp, &QCoreApplication::quit);
    int status = 0;
    const auto onTick = [&] {
        if (options.snapshot.isEmpty())
            return;
        window.ShowPendingTexts();
        window.AircraftList().AnnounceChanges();
        if (!window.grab().save(options.snapshot, "PNG"))
            std::fprintf(
                stderr, "quorvex: cannot write %s\n", options.snapshot.toLocal8Bit().constData());
    };
    if (!run.Start(end, onTick, false, status))
        return status;
    window.show();
    run.PressStartButtons(&window);
    QApplication::exec();
    return 0;
}

int RunHeadless(const CQuorvexOptions& options)
{
    CConsoleControls controls;
    CProxyRun run(options, controls, false);
    const auto onTick = [&] {
        std::printf("%s\n", controls.StatusLine(run.Dlg()).c_str());
        std::fflush(stdout);
    };
    int status = 0;
    if (!run.Start([] { QCoreApplication::quit(); }, onTick, true, status))
        return status;
    run.PressStartButtons(qApp);
    QCoreApplication::exec();
    return 0;
}

// "ADDRESS[:PORT]" of --listen, the address resolved to a numeric one.
bool ParseListenAddress(const QString& text, CListenAddress& listen, QString& message)
{
    QString host = text;
    QString port;
    bool hasPort = false;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(':'))) {
            message = "--listen takes ADDRESS[:PORT], an IPv6 address in brackets, not " + text;
            return false;
        }
        host = text.mid(1, close - 1);
        hasPort = !rest.isEmpty();
        port = rest.mid(1);
    } else if (text.count(':') == 1) {
        host = text.section(':', 0, 0);
        port = text.section(':', 1);
        hasPort = true;
    }
    listen.port = kFsdPort;
    if (hasPort) {
        bool number = false;
        const int value = port.toInt(&number);
        const bool digits = !port.isEmpty()
            && std::all_of(port.begin(), port.end(), [](QChar c) { return c >= '0' && c <= '9'; });
        if (!digits || !number || value < 1 || value > 65535) {
            message = "--listen takes a port from 1 to 65535, not " + text;
            return false;
        }
        listen.port = static_cast<unsigned>(value);
    }
    if (host.isEmpty()) {
        if (!hasPort) {
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
        const QString text = parser.value("max-clients");
        bool number = false;
        const int value = text.toInt(&number);
        const bool digits = !text.isEmpty()
            && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
        if (!digits || !number || value < 1 || value > 100000) {
            message = "--max-clients takes a number of clients from 1 to 100000, not " + text;
            return false;
        }
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

} // namespace

CommandLine ParseQuorvexOptions(
    const QStringList& arguments, CQuorvexOptions& options, QString& message)
{
    QCommandLineParser parser;
    SetUpParser(parser);
    if (!parser.parse(WithReconnectDefault(arguments))) {
        message = parser.errorText();
        return CommandLine::Error;
    }
    if (parser.isSet("help")) {
        // Named as the user knows it, whatever path it was started by.
        message = parser.helpText().replace(
            QRegularExpression("^Usage: \\S+"), QStringLiteral("Usage: quorvex"));
        return CommandLine::Help;
    }
    if (parser.isSet("version")) {
        message = QString("quorvex %1").arg(kVersion);
        return CommandLine::Version;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = "Unexpected argument: " + parser.positionalArguments().constFirst();
        return CommandLine::Error;
    }
    options.server = parser.value("server");
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
        QString error;
        if (!status::ParseHttpEndpoint(
                parser.value("http"), options.httpAddress, options.httpPort, error)) {
            message = error;
            return CommandLine::Error;
        }
        options.http = true;
    }
    if (parser.isSet("server") && options.server.isEmpty()) {
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
    if (parser.isSet("port")) {
        if (options.server.isEmpty()) {
            message = "--port needs --server";
            return CommandLine::Error;
        }
        bool number = false;
        const int port = options.port.toInt(&number);
        const bool digits = !options.port.isEmpty()
            && std::all_of(options.port.begin(), options.port.end(),
                [](QChar c) { return c >= '0' && c <= '9'; });
        if (!digits || !number || port < 1 || port > 65535) {
            message = "--port takes a port number from 1 to 65535, not " + options.port;
            return CommandLine::Error;
        }
    } else if (!options.server.isEmpty()) {
        options.port = kDefaultFeedPort;
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

int CQuorvexApp::Main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CQuorvexOptions options;
    QString message;
    switch (ParseQuorvexOptions(arguments, options, message)) {
    case CommandLine::Help:
    case CommandLine::Version:
        std::printf("%s\n", message.trimmed().toLocal8Bit().constData());
        return 0;
    case CommandLine::Error:
        std::fprintf(
            stderr, "quorvex: %s\nTry 'quorvex --help'.\n", message.toLocal8Bit().constData());
        return 2;
    case CommandLine::Run:
        break;
    }
    QCoreApplication::setApplicationName("quorvex");
    QCoreApplication::setApplicationVersion(kVersion);
    if (options.headless) {
        QCoreApplication app(argc, argv);
        return RunHeadless(options);
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "quorvex: no display to open the window on; use --headless\n");
        return 2;
    }
    platform::ReleaseOwnConsole();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QuorvexIcon());
    return RunWindow(options);
}
