// The command line of quorvex: what it asks for, as a plain struct, and its parser.
#pragma once

#include "FeedOptions.h"
#include "proxy/net/FsdAccess.h"
#include "proxy/traffic/PositionRules.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// The status page's port for an --http address given without one.
inline constexpr quint16 kDefaultHttpPort = 8754;

// What the command line asks for.
struct CQuorvexOptions {
    QString server; // --server: fills the server field and presses Connect
    QString port; // --port: the port field; 30003 with --server alone
    std::vector<CFeedAddress> moreFeeds; // --server given again: feeds merged with the first
    QString replay; // --replay: fills the server field with the file and presses Logfile
    bool headless = false;
    QString snapshot; // --snapshot: a PNG picture of the window, rewritten at every timer tick
    bool http = false; // --http: serve the status page on httpAddress and httpPort
    QHostAddress httpAddress;
    quint16 httpPort = 0;
    // The feed service options: retries, silence, positions, replay pace; SIGHUP.
    CFeedOptions feed;
    CPositionRules positions; // --positions, --receiver, --max-range
    bool trimCallsigns = false; // --trim-callsigns: the feed's padded callsigns trimmed
    bool reloadOnHangup = false;
    // --clock: run on a fake clock from this second on, 5 seconds further at every timer tick, so
    // that two runs on the same input send the same bytes.
    std::optional<std::int64_t> clock;

    // The FSD server's addresses and who may use it.
    std::vector<CListenAddress> listen; // --listen, resolved; empty: 127.0.0.1:6809
    CFsdAccess access; // --allow, --max-clients, --password-file (the password itself)
    bool log = false; // --log: events to standard error (headless)
    bool quiet = false; // --quiet: only warnings and errors of them
};

enum class CommandLine { Run, Help, Version, Error };

// The BaseStation data port of a receiver, taken when --server comes without --port.
inline constexpr const char* kDefaultFeedPort = "30003";

// Parses the arguments (program name first). `message` receives the help or version text, or
// the error.
CommandLine ParseQuorvexOptions(
    const QStringList& arguments, CQuorvexOptions& options, QString& message);
