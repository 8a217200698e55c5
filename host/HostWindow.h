// The host's window: the radar area, where the displays paint and the mouse drags their screen
// objects, over a chat area of fixed height that shows the host's messages and holds the
// command line.
#pragma once

#include "HostDriver.h"
#include "HostSession.h"

#include <QWidget>

#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace host {

class CRadarView final : public QWidget {
public:
    CRadarView(CHostSession& session, CHostDriver& driver, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CHostSession& m_Session;
    CHostDriver& m_Driver;
};

class CHostWindow final : public QWidget {
public:
    CHostWindow(CHostSession& session, CHostDriver& driver, const platform::Size& size);

    // A line in the chat area; never waits for the user.
    void AddChatLine(const std::string& line);
    CRadarView& Radar() { return *m_Radar; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnCommandEntered();

    CHostSession& m_Session;
    CHostDriver& m_Driver;
    // Children, owned by the window.
    CRadarView* m_Radar;
    QPlainTextEdit* m_Chat;
    QLineEdit* m_CommandLine;
};

} // namespace host
