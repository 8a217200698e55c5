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
    dlg.m_extraFeeds = options.moreFeeds;
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
        // The program samples its own line counter from the start, at every tick, so that the
        // page's first poll already has the rate of the seconds before it.
        m_rate.Sample(platform::Time64(), m_dlg.m_metrics.m_nLinesReceived);
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
            m_rate.Sample(platform::Time64(), m_dlg.m_metrics.m_nLinesReceived);
            onTick();
        });
        m_timer.start(kTimerPeriodMilliseconds);
        QObject::connect(&m_serviceTimer, &QTimer::timeout, [this] { m_dlg.OnServiceTick(); });
        // With an event log, the tick also explains a feed that has said nothing since it
        // connected.
        if (m_options.feed.NeedsServiceTick() || m_dlg.m_pEventLog != nullptr)
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
    // Headless is a service's mode: its events are told by default.
    CProxyRun run(options, controls, true);
    // The status line is for a terminal (or whoever reads the output); under a service manager
    // that sends the output to the journal it would be 17,000 lines a day of counters that
    // /status.json and /metrics give on request, so it is left out there.
    const bool statusLine = !platform::IsStandardOutputTheJournal();
    const auto onTick = [&] {
        if (!statusLine)
            return;
        std::printf("%s\n", controls.StatusLine(run.Dlg()).c_str());
        std::fflush(stdout);
    };
    int status = 0;
    if (!run.Start([] { QCoreApplication::quit(); }, onTick, true, status))
        return status;
    run.PressStartButtons(QCoreApplication::instance());
    QCoreApplication::exec();
    return 0;
}

} // namespace

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
