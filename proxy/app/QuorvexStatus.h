// The window's state as the status page shows it: a copy taken on the event loop's thread, which
// the status server renders from.
#pragma once

#include "platform/DialogControls.h"
#include "proxy/status/StatusSnapshot.h"

class CQuorvexDlg;

// The feed as the window shows it (fields, caption, counters, last line), the clients, every
// aircraft with where the radar clients see it, the reference point and the metrics. `rate`
// keeps the samples for the lines per second between calls.
status::CStatusSnapshot TakeStatusSnapshot(
    const CQuorvexDlg& dlg, const platform::CDialogControls& controls, status::CLineRate& rate);
