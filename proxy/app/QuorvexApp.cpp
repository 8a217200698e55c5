#include "QuorvexApp.h"

#include "ConsoleControls.h"
#include "QuorvexDlg.h"
#include "QuorvexWindow.h"
#include "platform/SignalBridge.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kVersion = "1.0";

void SetUpParser(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        "Quorvex v1.0 by Dorvath: reads an SBS-1 BaseStation feed (or a recorded feed file) and\n"
        "serves its aircraft to FSD radar clients on 127.0.0.1 port 6809. The lookup files\n"
        "icao24.txt, aircrafts.txt and flightplans.txt are read from the working directory.");
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
    parser.addHelpOption();
    parser.addVersionOption();
}

// Fills the fields and presses the button that the command line asks for.
void PressStartButtons(
    const CQuorvexOptions& options, platform::CDialogControls& controls, CQuorvexDlg& dlg)
{
    if (!options.replay.isEmpty()) {
        controls.SetWindowText(kIdEditServer, options.replay.toLocal8Bit().toStdString());
        dlg.OnLogfileClicked();
    } else if (!options.server.isEmpty()) {
        controls.SetWindowText(kIdEditServer, options.server.toLocal8Bit().toStdString());
        controls.SetWindowText(kIdEditPort, options.port.toStdString());
        dlg.OnConnectClicked();
    }
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

void ApplyServerOptions(const CQuorvexOptions& options, CQuorvexDlg& dlg)
{
    dlg.m_listenAddresses = options.listen;
    dlg.m_fsdAccess = options.access;
}

int RunWindow(const CQuorvexOptions& options)
{
    CQuorvexWindow window;
    CQuorvexDlg dlg(window);
    ApplyServerOptions(options, dlg);
    window.Attach(dlg);
    // "OK", "Cancel", Enter, Escape, the close box and the two signals all close the window. A
    // signal may come while start-up waits on a message box: the program then ends right there.
    bool ended = false;
    platform::CSignalBridge endOnSignal([&] {
        ended = true;
        window.reject();
        QCoreApplication::quit();
    });
    QObject::connect(&window, &QDialog::finished, qApp, &QCoreApplication::quit);
    dlg.OnInitDialog();
    if (ended)
        return 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        dlg.OnTimer();
        if (!options.snapshot.isEmpty()) {
            window.ShowPendingTexts();
            window.AircraftList().AnnounceChanges();
            if (!window.grab().save(options.snapshot, "PNG"))
                std::fprintf(stderr, "quorvex: cannot write %s\n",
                    options.snapshot.toLocal8Bit().constData());
        }
    });
    timer.start(kTimerPeriodMilliseconds);
    window.show();
    QTimer::singleShot(0, &window, [&] { PressStartButtons(options, window, dlg); });
    QApplication::exec();
    return 0;
}

int RunHeadless(const CQuorvexOptions& options)
{
    CConsoleControls controls;
    CQuorvexDlg dlg(controls);
    CEventLog log(stderr, options.quiet);
    if (options.log)
        dlg.m_pEventLog = &log;
    ApplyServerOptions(options, dlg);
    platform::CSignalBridge endOnSignal([] { QCoreApplication::quit(); });
    // A service that cannot serve its clients must not look healthy: it ends, and its manager
    // sees the failure.
    if (!dlg.OnInitDialog()) {
        if (!options.log)
            std::fprintf(stderr, "quorvex: %s\n", dlg.m_strListenFailure.c_str());
        return 1;
    }
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        dlg.OnTimer();
        std::printf("%s\n", controls.StatusLine(dlg).c_str());
        std::fflush(stdout);
    });
    timer.start(kTimerPeriodMilliseconds);
    QTimer::singleShot(0, [&] { PressStartButtons(options, controls, dlg); });
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
    if (!parser.parse(arguments)) {
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
    if (!ParseServerOptions(parser, options, message))
        return CommandLine::Error;
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
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QuorvexIcon());
    return RunWindow(options);
}
