// What the host does differently on each kind of system.
//
// The interrupt: Ctrl+C and the request to end (SIGINT and SIGTERM on POSIX systems; Ctrl+C,
// Ctrl+Break and the console's close on Windows) only raise a flag, which the event loop looks
// at and which ends a script in order. A script read from standard input ends at once.
#pragma once

namespace host {

void InstallInterruptHandlers();
bool Interrupted();

// Draws offscreen (no window), unless the environment names a platform. On Windows, Qt's
// offscreen platform reads its fonts from a folder: the system's fonts, unless QT_QPA_FONTDIR
// names another.
void UseOffscreenPlatform();

} // namespace host
