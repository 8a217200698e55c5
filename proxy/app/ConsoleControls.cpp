#include "ConsoleControls.h"

#include "DialogTemplate.h"
#include "QuorvexDlg.h"

CConsoleControls::CConsoleControls(std::FILE* messages)
    : m_messages(messages)
{
    dialog::ApplyInitialStates(dialog::kMainDialog, *this);
}

void CConsoleControls::MessageBox(std::string_view text)
{
    CMemoryControls::MessageBox(text);
    std::fprintf(m_messages, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(m_messages);
}

std::string CConsoleControls::StatusLine(const CQuorvexDlg& dlg) const
{
    std::string lines = GetWindowText(kIdLineCount);
    if (lines.empty())
        lines = "-"; // no line handled since the start
    std::string line = "Lines: " + lines
        + "  Clients: " + std::to_string(dlg.Server().ClientCount()) + "  Aircraft: "
        + std::to_string(dlg.Traffic().Size()) + "  Connect: " + GetWindowText(kIdConnect);
    // What a feed that gives no aircraft needs: only said once there is something to say.
    if (const std::int64_t ignored = dlg.Traffic().m_ignoredPositions.Total(); ignored > 0)
        line += "  Positions ignored: " + std::to_string(ignored);
    if (const std::string warning = FeedFormatWarning(dlg.FeedFormatSeen()); !warning.empty())
        line += "  Feed: " + warning;
    return line;
}
