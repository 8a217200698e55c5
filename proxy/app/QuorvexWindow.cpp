#include "QuorvexWindow.h"

#include "DialogTemplate.h"
#include "QuorvexDlg.h"
#include "platform/FileNames.h"

#include <QByteArray>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>

namespace {

QString FromLatin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The rectangle of a template control in pixels.
QRect PixelRect(const dialog::ControlTemplate& control)
{
    return { dialog::ToPixelsX(control.x), dialog::ToPixelsY(control.y),
        dialog::ToPixelsX(control.cx), dialog::ToPixelsY(control.cy) };
}

QSize PixelSize(const dialog::DialogTemplate& dialog)
{
    return { dialog::ToPixelsX(dialog.cx), dialog::ToPixelsY(dialog.cy) };
}

// Creates the template's labels, fields and buttons (not list views) as children of `parent`;
// calls `made` with each control and its widget.
template <typename Made>
void CreateControls(const dialog::DialogTemplate& dialog, QDialog* parent, Made made)
{
    for (const dialog::ControlTemplate& control : dialog.controls) {
        QWidget* widget = nullptr;
        const QString text = FromLatin1(control.text);
        switch (control.kind) {
        case dialog::Kind::Label: {
            auto* label = new QLabel(text, parent);
            label->setAlignment(
                ((control.style & dialog::kRightAligned) ? Qt::AlignRight : Qt::AlignLeft)
                | Qt::AlignTop);
            widget = label;
            break;
        }
        case dialog::Kind::Edit: {
            auto* edit = new QLineEdit(text, parent);
            edit->setReadOnly((control.style & dialog::kReadOnly) != 0);
            if (control.style & dialog::kDigitsOnly)
                edit->setValidator(
                    new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
            widget = edit;
            break;
        }
        case dialog::Kind::Button: {
            auto* button = new QPushButton(text, parent);
            button->setDefault((control.style & dialog::kDefaultButton) != 0);
            widget = button;
            break;
        }
        case dialog::Kind::Icon: {
            auto* icon = new QLabel(parent);
            icon->setPixmap(QuorvexIcon().pixmap(32, 32));
            // An icon control takes the icon's size, whatever the template says.
            const QRect at = PixelRect(control);
            icon->setGeometry(at.x(), at.y(), 32, 32);
            made(control, icon);
            continue;
        }
        case dialog::Kind::ListView:
            made(control, nullptr);
            continue;
        }
        widget->setGeometry(PixelRect(control));
        widget->setEnabled((control.style & dialog::kDisabled) == 0);
        made(control, widget);
    }
}

void SetUpDialog(QDialog& dialog, const dialog::DialogTemplate& layout)
{
    dialog.setWindowTitle(FromLatin1(layout.title));
    dialog.setFont(DialogFont());
    dialog.setWindowIcon(QuorvexIcon());
    dialog.setFixedSize(PixelSize(layout));
}

} // namespace

QIcon QuorvexIcon()
{
    return QIcon(QStringLiteral(":/quorvex/quorvex.png"));
}

QFont DialogFont()
{
    QFont font;
    font.setFamilies({ QStringLiteral("MS Shell Dlg 2"), QStringLiteral("Tahoma"),
        QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans") });
    font.setPointSize(8);
    return font;
}

CQuorvexWindow::CQuorvexWindow(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_aircraftList(this)
{
    SetUpDialog(*this, dialog::kMainDialog);
    CreateControls(
        dialog::kMainDialog, this, [this](const dialog::ControlTemplate& control, QWidget* widget) {
            if (control.kind == dialog::Kind::ListView) {
                m_listView = new QTableView(this);
                m_listView->setModel(&m_aircraftList);
                m_listView->setGeometry(PixelRect(control));
                m_listView->setFrameShape(QFrame::StyledPanel);
                // Report style: whole rows, no grid, no row numbers, no sorting.
                m_listView->setShowGrid(false);
                m_listView->setWordWrap(false);
                m_listView->setSelectionBehavior(QAbstractItemView::SelectRows);
                m_listView->setSelectionMode(QAbstractItemView::SingleSelection);
                m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
                m_listView->verticalHeader()->hide();
                m_listView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
                m_listView->verticalHeader()->setDefaultSectionSize(
                    m_listView->fontMetrics().height() + 4);
                m_listView->horizontalHeader()->setDefaultAlignment(
                    Qt::AlignLeft | Qt::AlignVCenter);
                m_listView->horizontalHeader()->setHighlightSections(false);
                widget = m_listView;
            }
            if (control.id != dialog::kNoId)
                m_controls[control.id] = widget;
        });

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kFieldRefreshMilliseconds);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CQuorvexWindow::ShowPendingTexts);
    connect(
        static_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &QDialog::accept);
    connect(static_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this,
        &QDialog::reject);
}

void CQuorvexWindow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    QWidget* focus = focusWidget();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter)
        && (focus == Control(kIdEditServer) || focus == Control(kIdEditPort))) {
        auto* connectButton = static_cast<QPushButton*>(Control(kIdConnect));
        if (connectButton->isEnabled())
            connectButton->click();
        return;
    }
    if (key == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void CQuorvexWindow::Attach(CQuorvexDlg& dlg)
{
    const auto onClick = [this](int id, auto operation) {
        connect(static_cast<QPushButton*>(Control(id)), &QPushButton::clicked, this, operation);
    };
    onClick(kIdConnect, [&dlg] { dlg.OnConnectClicked(); });
    onClick(kIdDisconnect, [&dlg] { dlg.OnDisconnect(); });
    onClick(kIdLogfile, [&dlg] { dlg.OnLogfileClicked(); });
    onClick(kIdPlus10, [&dlg] { dlg.ReplayNextLines(); });
}

QWidget* CQuorvexWindow::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CQuorvexWindow::SetWindowText(int id, std::string_view text)
{
    QWidget* widget = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->isReadOnly()) {
            m_pendingTexts[id].assign(text);
            if (!m_refreshTimer.isActive())
                m_refreshTimer.start();
        } else {
            // A field the user types in: its text is a host name or a file name, in the
            // platform's file-name encoding so that every existing file can be named.
            edit->setText(platform::FileNameText(text));
            edit->setCursorPosition(0);
        }
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(FromLatin1(text));
    }
}

std::string CQuorvexWindow::GetWindowText(int id) const
{
    if (const auto it = m_pendingTexts.find(id); it != m_pendingTexts.end())
        return it->second;
    QWidget* widget = Control(id);
    QString text;
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit != nullptr && !edit->isReadOnly())
        return platform::FileNameBytes(edit->text());
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        text = edit->text();
    else if (auto* button = qobject_cast<QPushButton*>(widget))
        text = button->text();
    return text.toLatin1().toStdString();
}

void CQuorvexWindow::ShowPendingTexts()
{
    m_refreshTimer.stop();
    for (const auto& [id, text] : m_pendingTexts) {
        auto* edit = static_cast<QLineEdit*>(Control(id));
        edit->setText(FromLatin1(text));
        edit->setCursorPosition(0); // the start of a long line, as the platform shows it
    }
    m_pendingTexts.clear();
}

void CQuorvexWindow::EnableWindow(int id, bool enable)
{
    if (QWidget* widget = Control(id))
        widget->setEnabled(enable);
}

bool CQuorvexWindow::IsWindowEnabled(int id) const
{
    QWidget* widget = Control(id);
    return widget != nullptr && widget->isEnabled();
}

void CQuorvexWindow::ListInsertColumn(int id, int column, std::string_view header)
{
    if (id != kIdAircraftList)
        return;
    m_aircraftList.InsertColumn(column, header);
    // Sized once, to its header text.
    QHeaderView* headers = m_listView->horizontalHeader();
    headers->resizeSection(column, headers->sectionSizeHint(column));
}

int CQuorvexWindow::ListGetItemCount(int id) const
{
    return id == kIdAircraftList ? m_aircraftList.rowCount() : 0;
}

void CQuorvexWindow::ListInsertItem(int id, int row, std::string_view text)
{
    if (id == kIdAircraftList)
        m_aircraftList.InsertRow(row, text);
}

void CQuorvexWindow::ListSetItemText(int id, int row, int column, std::string_view text)
{
    if (id == kIdAircraftList)
        m_aircraftList.SetCell(row, column, text);
}

void CQuorvexWindow::ListDeleteItem(int id, int row)
{
    if (id == kIdAircraftList)
        m_aircraftList.DeleteRow(row);
}

void CQuorvexWindow::ListDeleteItems(int id, int row, int count)
{
    if (id == kIdAircraftList)
        m_aircraftList.DeleteRows(row, count);
}

void CQuorvexWindow::MessageBox(std::string_view text)
{
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), FromLatin1(text), QMessageBox::Ok, this);
    box.exec();
}

void CQuorvexWindow::OnSysCommand(int command)
{
    if ((command & 0xFFF0) == dialog::kIdmAboutBox) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CQuorvexWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* about = menu.addAction(FromLatin1(dialog::kAboutMenuText));
    if (menu.exec(event->globalPos()) == about)
        OnSysCommand(dialog::kIdmAboutBox);
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    SetUpDialog(*this, dialog::kAboutDialog);
    CreateControls(dialog::kAboutDialog, this,
        [this](const dialog::ControlTemplate& control, QWidget* widget) {
            if (control.id == kIdOk)
                connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
                    &QDialog::accept);
        });
}
