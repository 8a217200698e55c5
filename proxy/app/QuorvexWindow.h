// The proxy's main window in Qt Widgets: the controls of dialog template 102 at their places, and
// the dialog controls interface over them. It only shows and forwards: the window logic is
// CQuorvexDlg's, which Attach connects to the buttons.
#pragma once

#include "AircraftListModel.h"
#include "platform/DialogControls.h"

#include <QDialog>
#include <QTimer>

#include <map>
#include <string>

class CQuorvexDlg;
class QTableView;

class CQuorvexWindow : public QDialog, public platform::CDialogControls {
public:
    // Read-only fields show a new text at most this often: the line counters change with every
    // feed line.
    static constexpr int kFieldRefreshMilliseconds = 100;

    explicit CQuorvexWindow(QWidget* parent = nullptr);

    // The buttons Connect, Disconnect, Logfile and "+10" call these operations of `dlg`, which
    // must outlive the window's use.
    void Attach(CQuorvexDlg& dlg);

    void SetWindowText(int id, std::string_view text) override;
    std::string GetWindowText(int id) const override;
    void EnableWindow(int id, bool enable) override;
    bool IsWindowEnabled(int id) const override;
    void ListInsertColumn(int id, int column, std::string_view header) override;
    int ListGetItemCount(int id) const override;
    void ListInsertItem(int id, int row, std::string_view text) override;
    void ListSetItemText(int id, int row, int column, std::string_view text) override;
    void ListDeleteItem(int id, int row) override;
    void ListDeleteItems(int id, int row, int count) override;
    void MessageBox(std::string_view text) override;

    // The widget of a control id of the template, nullptr for an unknown id.
    QWidget* Control(int id) const;
    CAircraftListModel& AircraftList() { return m_aircraftList; }
    // Shows the texts still waiting for the field refresh, now.
    void ShowPendingTexts();

    // A command of the window's system menu; the About command opens the About box.
    void OnSysCommand(int command);

protected:
    // The platform's system menu is the window manager's; its About item is offered here instead,
    // with a right click on the window's background.
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Enter in the address fields presses Connect, not the default button OK: one key press must
    // not close the program, which drops every radar client and the table. Escape does nothing;
    // OK, Cancel and the close box still close the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::map<int, QWidget*> m_controls; // children of the window
    QTableView* m_listView = nullptr;
    CAircraftListModel m_aircraftList;
    std::map<int, std::string> m_pendingTexts; // of read-only fields, until the next refresh
    QTimer m_refreshTimer;
};

// The About box, dialog template 100.
class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The program icon, from the program's resources.
QIcon QuorvexIcon();

// The dialog font: 8 points of the platform's dialog face, or the nearest sans face there is.
QFont DialogFont();
