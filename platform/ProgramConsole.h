// The console a program was started with, where the system gives every program one.
#pragma once

namespace platform {

// A program that shows a window lets go of a console that only it uses: on Windows, started from
// the Start menu or Explorer, the console the system opened for it closes instead of standing
// behind the window. Started from a console window, the program keeps it for its messages. Does
// nothing elsewhere.
void ReleaseOwnConsole();

// Standard input, output and error carry bytes as they are: on Windows they would otherwise turn
// every line feed into CR LF (and stop reading at a Ctrl+Z), so that what a program prints and
// reads would differ from what it does elsewhere.
void UseBinaryStandardStreams();

} // namespace platform

namespace platform {

// Whether standard output goes to the system journal (a service whose manager connects its output
// there and says so in JOURNAL_STREAM), not to a terminal, a file or a pipe. Never on Windows.
bool IsStandardOutputTheJournal();

} // namespace platform
