// A build without Qt HTTP Server: no status page. The command line refuses --http before any of
// this could be asked for.
#include "StatusPage.h"

bool BuildHasStatusPage()
{
    return false;
}

std::unique_ptr<QObject> StartStatusServer(const CQuorvexOptions&, const CQuorvexDlg&,
    const platform::CDialogControls&, status::CLineRate&, bool& failed)
{
    failed = false;
    return nullptr;
}
