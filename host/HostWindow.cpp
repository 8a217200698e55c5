#include "HostWindow.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace host {
namespace {

platform::Point PointOf(const QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    return platform::Point { p.x(), p.y() };
}

} // namespace

CRadarView::CRadarView(CHostSession& session, CHostDriver& driver, QWidget* parent)
    : QWidget(parent)
    , m_Session(session)
    , m_Driver(driver)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false); // moves matter only while a button is down
}

void CRadarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_Driver.Paint(painter);
}

void CRadarView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_Session.MousePress(PointOf(event));
}

void CRadarView::mouseMoveEvent(QMouseEvent* event)
{
    m_Session.MouseMove(PointOf(event));
}

void CRadarView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_Session.MouseRelease(PointOf(event));
}

CHostWindow::CHostWindow(CHostSession& session, CHostDriver& driver, const platform::Size& size)
    : m_Session(session)
    , m_Driver(driver)
    , m_Radar(new CRadarView(session, driver, this))
    , m_Chat(new QPlainTextEdit(this))
    , m_CommandLine(new QLineEdit(this))
{
    setWindowTitle("veltrix-host");
    auto* chatArea = new QWidget(this);
    chatArea->setFixedHeight(CHostSession::kChatHeight);
    auto* chatLayout = new QVBoxLayout(chatArea);
    chatLayout->setContentsMargins(2, 2, 2, 2);
    chatLayout->setSpacing(2);
    m_Chat->setReadOnly(true);
    m_Chat->setMaximumBlockCount(1000);
    m_CommandLine->setPlaceholderText("command line (for example .stavoarr 31 WZZ123)");
    chatLayout->addWidget(m_Chat);
    chatLayout->addWidget(m_CommandLine);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_Radar, 1);
    layout->addWidget(chatArea);

    QObject::connect(
        m_CommandLine, &QLineEdit::returnPressed, this, [this] { OnCommandEntered(); });
    resize(size.cx, size.cy);
    m_Session.SetWindowSize(size);
    m_CommandLine->setFocus();
}

void CHostWindow::AddChatLine(const std::string& line)
{
    m_Chat->appendPlainText(QString::fromStdString(line));
}

void CHostWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_Session.SetWindowSize(platform::Size { width(), height() });
}

void CHostWindow::closeEvent(QCloseEvent* event)
{
    m_Driver.Stop();
    QWidget::closeEvent(event);
}

void CHostWindow::OnCommandEntered()
{
    const std::string line = m_CommandLine->text().toStdString();
    m_CommandLine->clear();
    if (line.empty())
        return;
    AddChatLine("> " + line);
    if (!m_Session.Command(line))
        AddChatLine("not handled: " + line);
    m_Radar->update(); // what the command changed shows at once
}

} // namespace host
