// The window's controls without a window, for --headless: the controls' state is kept in memory,
// message boxes are printed to standard error and never wait, and the program prints one status
// line per timer tick.
#pragma once

#include "MemoryControls.h"

#include <cstdio>
#include <string>

class CQuorvexDlg;

class CConsoleControls : public CMemoryControls {
public:
    // Starts with the main window template's texts and enabled states. Message boxes go to
    // `messages` as one line each.
    explicit CConsoleControls(std::FILE* messages = stderr);

    void MessageBox(std::string_view text) override;

    // What the window shows in one line: the "Lines:" counters, the number of FSD clients, the
    // number of aircraft and the Connect button's caption, e.g.
    // "Lines: 120 / 118  Clients: 1  Aircraft: 30  Connect: Connected"; then, only when there
    // are any, the positions the rules ignored ("  Positions ignored: 12") and the warning of a
    // feed in another format than SBS ("  Feed: this looks like ...").
    std::string StatusLine(const CQuorvexDlg& dlg) const;

private:
    std::FILE* m_messages;
};
