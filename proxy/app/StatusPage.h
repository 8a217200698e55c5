// The status page of --http over the window's state, where the build has one (Qt HTTP Server is
// needed; the Windows build has none).
#pragma once

#include <QObject>

#include <memory>

namespace platform {
class CDialogControls;
}
namespace status {
class CLineRate;
}
class CQuorvexDlg;
struct CQuorvexOptions;

// Whether this build serves a status page at all.
bool BuildHasStatusPage();

// The status server of --http; none without --http. `failed` is set when it cannot listen.
std::unique_ptr<QObject> StartStatusServer(const CQuorvexOptions& options, const CQuorvexDlg& dlg,
    const platform::CDialogControls& controls, status::CLineRate& rate, bool& failed);
