// veltrix-host: a stand-in for the Veltrix radar client that loads a plug-in and shows its
// displays in a window or offscreen. See --help.
#include "FsdConnection.h"
#include "HostDriver.h"
#include "HostOptions.h"
#include "HostSession.h"
#include "HostSystem.h"
#include "HostWindow.h"
#include "Script.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/ProgramConsole.h"
#include "platform/ProjectVersion.h"
#include "veltrix/HostInterface.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace {

// A command line the program cannot take: what is wrong, and where to look. Exit status 2.
int CommandLineError(const std::string& message)
{
    std::cerr << "veltrix-host: " << message << "\nTry 'veltrix-host --help'.\n";
    return 2;
}

void PrintWarnings(const std::string& file, const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings)
        std::cerr << file << ':' << warning << '\n';
}

// One line, whatever the text holds.
std::string OneLine(std::string_view text)
{
    std::string line(text);
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

// The Stavo library beside the program: in the library directory of an installation (which may be
// lib/x86_64-linux-gnu under /usr; the program's own folder on Windows), or where the build tree
// puts it.
std::string DefaultPlugIn()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString installed = programDir + "/" QS_BINDIR_TO_LIBDIR "/" QS_STAVO_FILE;
    if (QFileInfo::exists(installed))
        return installed.toStdString();
    return (programDir + "/" QS_BUILD_BINDIR_TO_STAVO "/" QS_STAVO_FILE).toStdString();
}

void PrintInfo(const host::CPlugInLibrary& library)
{
    const VeltrixPlugIn::HostPlugIn& plugIn = VeltrixPlugIn::CHostAccess::Of(*library.PlugIn());
    std::cout << "file: " << library.File() << '\n'
              << "name: " << plugIn.name << '\n'
              << "version: " << plugIn.version << '\n'
              << "author: " << plugIn.author << '\n'
              << "licence: " << plugIn.copyright << '\n'
              << "interface: " << plugIn.compatibility << '\n';
    for (const auto& type : plugIn.displayTypes)
        std::cout << "display type: \"" << type.name << "\"\n";
}

// Reports every bad line of the script; true when there is none.
bool CheckScript(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        std::cerr << "veltrix-host: cannot open script " << name << '\n';
        return false;
    }
    bool good = true;
    int number = 0;
    for (std::string line; std::getline(file, line);) {
        ++number;
        const host::ScriptLine parsed = host::ParseScriptLine(line);
        if (const auto* bad = std::get_if<host::ScriptError>(&parsed)) {
            std::cerr << name << ':' << number << ": " << bad->message << '\n';
            good = false;
        }
    }
    return good;
}

int Run(QApplication& app, const host::HostOptions& options)
{
    std::optional<platform::FakeClock> clock;
    if (options.clock)
        clock.emplace(*options.clock);

    host::CAirportTable airports;
    if (!options.airports.empty()) {
        std::string error;
        std::vector<std::string> warnings;
        auto loaded = host::CAirportTable::Load(options.airports, &error, &warnings);
        if (!loaded) {
            std::cerr << "veltrix-host: " << error << '\n';
            return 2;
        }
        PrintWarnings(options.airports, warnings);
        airports = std::move(*loaded);
    }

    // The host's notices (connections, unknown airports) go to standard error, where a terminal
    // or a script that started the host reads them, and to the chat area of the window.
    std::unique_ptr<host::CHostWindow> window;
    const auto notice = [&window](const std::string& text) {
        std::cerr << "veltrix-host: " << OneLine(text) << std::endl;
        if (window)
            window->AddChatLine(OneLine(text));
    };
    // Message boxes go back to their default before the window and the session are gone.
    struct MessageBoxReset {
        ~MessageBoxReset() { platform::SetMessageBoxHandler({}); }
    } messageBoxReset;
    host::CHostSession session(std::move(airports), notice);
    session.SetWindowSize(options.size);

    const std::string plugInPath = options.plugin.empty() ? DefaultPlugIn() : options.plugin;
    std::string error;
    std::unique_ptr<host::CPlugInLibrary> library = host::CPlugInLibrary::Load(plugInPath, &error);
    if (!library) {
        std::cerr << "veltrix-host: " << error << '\n';
        return 2;
    }
    if (options.info) {
        PrintInfo(*library);
        return 0;
    }
    session.UsePlugIn(std::move(library));

    host::CHostDriver driver(session, std::cout, options.dump, clock ? &*clock : nullptr);
    std::ofstream progress;
    if (!options.progress.empty()) {
        progress.open(options.progress, std::ios::binary);
        if (!progress) {
            std::cerr << "veltrix-host: cannot write progress to " << options.progress << '\n';
            return 2;
        }
        driver.SetProgress(&progress);
    }
    if (options.headless) {
        platform::SetMessageBoxHandler(
            [](std::string_view text) { std::cerr << OneLine(text) << std::endl; });
        session.SetRefreshListener([&app, &driver] {
            QTimer::singleShot(0, &app, [&driver] { driver.ServePendingRefresh(); });
        });
    } else {
        window = std::make_unique<host::CHostWindow>(session, driver, options.size);
        platform::SetMessageBoxHandler([&window](std::string_view text) {
            if (window)
                window->AddChatLine("message: " + OneLine(text));
            else
                std::cerr << OneLine(text) << std::endl;
        });
        driver.SetWindowRepaint([&window] {
            if (window)
                window->Radar().repaint();
        });
        session.SetRefreshListener([&window] {
            if (window)
                window->Radar().update();
        });
        window->show();
    }

    for (const std::string& file : options.displays) {
        std::vector<std::string> warnings;
        const auto settings = host::CDisplaySettings::Load(file, &error, &warnings);
        if (!settings) {
            std::cerr << "veltrix-host: " << error << '\n';
            return 2;
        }
        PrintWarnings(file, warnings);
        if (!session.OpenDisplay(options.displayType, *settings, &error)) {
            std::cerr << "veltrix-host: " << file << ": " << error << '\n';
            return 2;
        }
    }

    std::unique_ptr<host::CFsdConnection> fsd;
    if (!options.fsdHost.empty()) {
        fsd = std::make_unique<host::CFsdConnection>(
            options.fsdHost, options.fsdPort, options.callsign, session, notice);
        fsd->Start();
        driver.SetConnectedProbe([&fsd] { return fsd && fsd->IsConnected(); });
    }

    // Once a second: silent traffic is forgotten, interrupts are noticed, and a window shows
    // the times that have moved on.
    QTimer second;
    QObject::connect(&second, &QTimer::timeout, &app, [&] {
        session.Tick(platform::Time64());
        if (window)
            window->Radar().update();
        if (host::Interrupted()) {
            driver.Stop();
            app.quit();
        }
    });
    second.start(1000);

    int errors = 0;
    if (!options.script.empty()) {
        std::ifstream file;
        if (options.script != "-") {
            file.open(options.script, std::ios::binary);
            if (!file) {
                std::cerr << "veltrix-host: cannot open script " << options.script << '\n';
                return 2;
            }
        }
        std::istream& input = options.script == "-" ? std::cin : file;
        errors = host::RunScript(
            input, options.script == "-" ? "stdin" : options.script, driver, std::cout, std::cerr);
        if (host::Interrupted())
            driver.Stop();
    } else if (options.headless) {
        driver.Refresh();
        if (fsd)
            app.exec(); // until interrupted
    }
    if (!options.snapshot.empty() && !driver.Stopped()) {
        if (!driver.SaveSnapshot(options.snapshot, &error)) {
            std::cerr << "veltrix-host: " << error << '\n';
            ++errors;
        }
    }
    if (window && !driver.Stopped())
        app.exec(); // until the window is closed

    fsd.reset();
    window.reset(); // what the displays say while they close goes to standard error
    session.Shutdown();
    if (driver.ExpectFailed())
        return 3;
    return errors == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    platform::UseBinaryStandardStreams();
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<host::HostOptions> options = host::ParseHostOptions(args, &error);
    if (!options)
        return CommandLineError(error);
    if (options->help) {
        std::cout << host::HostUsage();
        return 0;
    }
    if (options->version) {
        std::cout << "veltrix-host " << kProjectVersion << '\n';
        return 0;
    }
    if (options->check) {
        if (options->script.empty() || options->script == "-")
            return CommandLineError("--check needs --script FILE");
        return CheckScript(options->script) ? 0 : 2;
    }
    // --info shows no window either.
    if (options->headless || options->info)
        host::UseOffscreenPlatform();
    else
        platform::ReleaseOwnConsole();
    host::InstallInterruptHandlers();
    // Qt sees only the program's name: it would take options such as --display for itself.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    return Run(app, *options);
}
