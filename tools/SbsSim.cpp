// sbs-sim: an SBS-1 feed simulator. Serves the built-in LHBP scenario as BaseStation lines on a
// loopback TCP port, the way a receiver serves its data port, or writes it as a recorded feed
// file for the proxy's Logfile button.
#include "platform/Clock.h"
#include "platform/ProgramConsole.h"
#include "platform/ProjectVersion.h"
#include "platform/SignalBridge.h"
#include "sim/SbsScenario.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kStepMilliseconds = 10; // lines are produced this often, as many as are due
constexpr int kReportSeconds = 5; // a progress line this often
constexpr std::size_t kAverageLineBytes = 110;

struct Options {
    unsigned port = 30003;
    int aircraft = 30;
    int rate = 0; // lines per second; 0: four per aircraft
    double length = sbssim::CScenario::kFullStorySeconds;
    double timeScale = 1.0;
    double duration = 0.0; // seconds; 0: until interrupted (serving) or one scenario (writing)
    QString write;
};

// A command line the program cannot take: what is wrong, and where to look. Exit status 2.
int CommandLineError(const QString& message)
{
    std::fprintf(stderr, "sbs-sim: %s\nTry 'sbs-sim --help'.\n", message.toLocal8Bit().constData());
    return 2;
}

// The first thing of the command line that no option of `known` takes, as the message that names
// it; nothing when the parser may have it. A value follows its option as the next argument or
// after '='; one dash goes with a one-letter name ("-h"), two with a longer one ("--help").
std::optional<QString> CommandLineMistake(
    const QStringList& arguments, const QList<QCommandLineOption>& known)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--")
            return i + 1 < arguments.size()
                ? std::optional<QString>("unexpected argument '" + arguments[i + 1] + "'")
                : std::nullopt;
        if (argument.size() < 2 || !argument.startsWith('-'))
            return "unexpected argument '" + argument + "'";
        const qsizetype equals = argument.indexOf('=');
        const QString typed = argument.left(equals < 0 ? argument.size() : equals);
        const bool twoDashes = typed.startsWith("--");
        const QString name = typed.mid(twoDashes ? 2 : 1);
        const auto option = std::find_if(known.begin(), known.end(),
            [&](const QCommandLineOption& o) { return o.names().contains(name); });
        if (option == known.end() || twoDashes != (name.size() > 1))
            return "unknown option '" + argument + "'";
        const bool takesValue = !option->valueName().isEmpty();
        if (!takesValue && equals >= 0)
            return typed + " takes no value, not " + argument.mid(equals + 1);
        if (takesValue && equals < 0 && ++i >= arguments.size())
            return typed + " needs a value";
    }
    return std::nullopt;
}

QString Number(double value)
{
    return QString::number(value, 'g', 10);
}

// What the command line asks: run, or end at once with the status given (help, version, bad
// usage).
std::optional<int> ParseOptions(QCoreApplication& app, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "sbs-sim: serves SBS-1 BaseStation lines (\"MSG,...\") of a built-in scenario around\n"
        "Budapest Liszt Ferenc (LHBP) on 127.0.0.1, the way a receiver serves its data port:\n"
        "arrivals that land on runway 31R and taxi to their stands, aircraft parked on stands,\n"
        "departures that push back, taxi and take off. Callsigns, addresses and stands are those\n"
        "of samples/. Every 5 s it reports on standard error how many lines went out and how\n"
        "many it could not send because a client fell behind.");
    const QList<QCommandLineOption> known {
        { "port", "TCP port to serve on (default 30003).", "N" },
        { "rate", "Lines per second, spread over the aircraft (default 4 per aircraft).", "N" },
        { "aircraft",
            "Number of aircraft (default 30: the sample aircraft; beyond them, overflights).",
            "N" },
        { "length", "The scenario starts over after SECONDS of scenario time (default 1800).",
            "SECONDS" },
        { "time-scale", "Scenario seconds per real second (default 1).", "X" },
        { "duration",
            "Stop after SECONDS (default: serve until interrupted; write one scenario length).",
            "SECONDS" },
        { "write", "Write the lines to FILE, stamped from now on, instead of serving them.",
            "FILE" },
        { { "h", "help" }, "Print these options and end." },
        { "version", "Print the program's name and version, then end." },
    };
    parser.addOptions(known);
    if (const std::optional<QString> mistake = CommandLineMistake(app.arguments(), known))
        return CommandLineError(*mistake);
    if (!parser.parse(app.arguments())) // only what the check above lets through
        return CommandLineError(parser.errorText());
    if (parser.isSet("help")) {
        // Named as the user knows it, whatever path it was started by.
        const QString help = parser.helpText().replace(
            QRegularExpression("^Usage: \\S+"), QStringLiteral("Usage: sbs-sim"));
        std::fputs(qPrintable(help), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("sbs-sim %s\n", kProjectVersion);
        return 0;
    }
    std::optional<QString> badValue;
    const auto number = [&](const char* name, double low, double high, double& value) {
        if (!parser.isSet(name))
            return true;
        bool ok = false;
        const QString text = parser.value(name);
        const double read = text.toDouble(&ok);
        if (!ok || read < low || read > high) {
            badValue = QString("--%1 takes a number from %2 to %3, not %4")
                           .arg(name, Number(low), Number(high), text);
            return false;
        }
        value = read;
        return true;
    };
    double port = options.port, aircraft = options.aircraft, rate = 0;
    if (!number("port", 1, 65535, port) || !number("aircraft", 1, 100000, aircraft)
        || !number("rate", 1, 1000000, rate) || !number("length", 10, 1e7, options.length)
        || !number("time-scale", 0.01, 1000, options.timeScale)
        || !number("duration", 0.1, 1e9, options.duration))
        return CommandLineError(*badValue);
    options.port = static_cast<unsigned>(port);
    options.aircraft = static_cast<int>(aircraft);
    options.rate = rate > 0 ? static_cast<int>(rate) : 4 * options.aircraft;
    options.write = parser.value("write");
    return std::nullopt;
}

int WriteRecording(const Options& options, sbssim::CScenario& scenario)
{
    std::ofstream file(options.write.toLocal8Bit().toStdString(), std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "sbs-sim: cannot write %s\n", options.write.toLocal8Bit().constData());
        return 1;
    }
    const double duration
        = options.duration > 0 ? options.duration : scenario.Length() / options.timeScale;
    const std::int64_t start = platform::Time64();
    const int steps = static_cast<int>(duration * 1000 / kStepMilliseconds);
    long long lines = 0;
    std::string text;
    for (int step = 0; step < steps; ++step) {
        const long long elapsedMs = static_cast<long long>(step) * kStepMilliseconds;
        const long long due = options.rate * (elapsedMs + kStepMilliseconds) / 1000;
        text.clear();
        lines += scenario.AppendLines(elapsedMs / 1000.0 * options.timeScale,
            { start + elapsedMs / 1000, static_cast<int>(elapsedMs % 1000) },
            static_cast<int>(due - lines), text);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    file.close();
    if (!file) {
        std::fprintf(stderr, "sbs-sim: cannot write %s\n", options.write.toLocal8Bit().constData());
        return 1;
    }
    std::fprintf(stderr, "sbs-sim: wrote %lld lines (%g s of the scenario) to %s\n", lines,
        duration * options.timeScale, options.write.toLocal8Bit().constData());
    return 0;
}

// Serves the scenario to every client that connects, in real time.
class CFeedServer {
public:
    CFeedServer(const Options& options, sbssim::CScenario& scenario)
        : m_options(options)
        , m_scenario(scenario)
        // A client may fall two seconds behind before lines are dropped for it.
        , m_maxBacklog(static_cast<std::size_t>(options.rate) * 2 * kAverageLineBytes + 65536)
    {
    }

    bool Start()
    {
        if (!m_server.listen(QHostAddress::LocalHost, static_cast<quint16>(m_options.port))) {
            std::fprintf(stderr, "sbs-sim: cannot listen on 127.0.0.1 port %u: %s\n",
                m_options.port, m_server.errorString().toLocal8Bit().constData());
            return false;
        }
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { Accept(); });
        m_start = platform::Time64();
        m_clock.start();
        m_step.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_step, &QTimer::timeout, [this] { Step(); });
        m_step.start(kStepMilliseconds);
        QObject::connect(&m_report, &QTimer::timeout, [this] { Report(); });
        m_report.start(kReportSeconds * 1000);
        std::fprintf(stderr,
            "sbs-sim: serving %d aircraft, %d lines/s, on 127.0.0.1 port %u (Ctrl+C ends)\n",
            m_options.aircraft, m_options.rate, m_options.port);
        return true;
    }

    void Summary() const
    {
        const double seconds = m_clock.elapsed() / 1000.0;
        std::fprintf(stderr,
            "sbs-sim: %lld lines sent in %.1f s (%.0f lines/s), %lld not sent (clients behind)\n",
            m_sentTotal + m_sent, seconds, seconds > 0 ? (m_sentTotal + m_sent) / seconds : 0.0,
            m_droppedTotal + m_dropped);
    }

private:
    void Accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(nullptr);
            m_clients.emplace_back(socket);
            QObject::connect(socket, &QTcpSocket::disconnected, [this, socket] {
                // Deleted once its signal is done: the list lets go of it first.
                for (auto& client : m_clients) {
                    if (client.get() == socket)
                        client.release()->deleteLater();
                }
                std::erase(m_clients, nullptr);
            });
        }
    }

    void Step()
    {
        const long long elapsedMs = m_clock.elapsed();
        const long long due = m_options.rate * elapsedMs / 1000;
        long long wanted = due - m_produced;
        if (m_clients.empty() || wanted <= 0) {
            m_produced = std::max(m_produced, due); // nobody listens: the scenario goes on
            return;
        }
        // After a stall, at most one second's worth at once.
        wanted = std::min<long long>(wanted, m_options.rate);
        m_text.clear();
        const int made = m_scenario.AppendLines(elapsedMs / 1000.0 * m_options.timeScale,
            { m_start + elapsedMs / 1000, static_cast<int>(elapsedMs % 1000) },
            static_cast<int>(wanted), m_text);
        m_produced = due;
        for (auto& client : m_clients) {
            if (static_cast<std::size_t>(client->bytesToWrite()) > m_maxBacklog) {
                m_dropped += made;
                continue;
            }
            client->write(m_text.data(), static_cast<qint64>(m_text.size()));
            m_sent += made;
        }
    }

    void Report()
    {
        std::size_t waiting = 0;
        for (const auto& client : m_clients)
            waiting += static_cast<std::size_t>(client->bytesToWrite());
        std::fprintf(stderr,
            "sbs-sim: %lld lines sent in the last %d s (%lld/s) to %zu client(s), %lld not sent, "
            "%zu bytes waiting\n",
            m_sent, kReportSeconds, m_sent / kReportSeconds, m_clients.size(), m_dropped, waiting);
        m_sentTotal += m_sent;
        m_droppedTotal += m_dropped;
        m_sent = m_dropped = 0;
    }

    const Options& m_options;
    sbssim::CScenario& m_scenario;
    const std::size_t m_maxBacklog;
    QTcpServer m_server;
    std::vector<std::unique_ptr<QTcpSocket>> m_clients;
    QTimer m_step;
    QTimer m_report;
    QElapsedTimer m_clock;
    std::int64_t m_start = 0;
    long long m_produced = 0;
    long long m_sent = 0, m_dropped = 0; // since the last report
    long long m_sentTotal = 0, m_droppedTotal = 0;
    std::string m_text;
};

} // namespace

int main(int argc, char** argv)
{
    platform::UseBinaryStandardStreams();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("sbs-sim");
    Options options;
    if (const std::optional<int> status = ParseOptions(app, options))
        return *status;
    sbssim::CScenario scenario({ options.aircraft, options.length });
    if (!options.write.isEmpty())
        return WriteRecording(options, scenario);

    CFeedServer server(options, scenario);
    if (!server.Start())
        return 1;
    platform::CSignalBridge endOnSignal([] { QCoreApplication::quit(); });
    if (options.duration > 0)
        QTimer::singleShot(
            static_cast<int>(options.duration * 1000), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    server.Summary();
    return 0;
}
