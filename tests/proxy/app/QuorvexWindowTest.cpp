// The Qt window on the offscreen platform: the dialog layout in pixels, its texts and initial
// states, the keyboard, and the list model under a busy feed.
#include "proxy/app/QuorvexWindow.h"

#include "proxy/app/DialogTemplate.h"
#include "proxy/app/QuorvexDlg.h"
#include "support/EventLoop.h"
#include "support/RecordingControls.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace {

class QuorvexWindowTest : public testing::Test {
protected:
    QLabel* Label(const QString& text) const
    {
        for (QLabel* label : m_window.findChildren<QLabel*>()) {
            if (label->text() == text)
                return label;
        }
        ADD_FAILURE() << "no label " << text.toStdString();
        return nullptr;
    }

    CQuorvexWindow m_window;
};

TEST(DialogUnitsTest, ConvertLikeThePlatformDoesForAnEightPointDialogFont)
{
    // x = dlu * 6 / 4 and y = dlu * 13 / 8, halves rounded up.
    const int xs[][2] = { { 0, 0 }, { 1, 2 }, { 2, 3 }, { 7, 11 }, { 43, 65 }, { 575, 863 } };
    for (const auto& [dlu, pixels] : xs)
        EXPECT_EQ(dialog::ToPixelsX(dlu), pixels) << dlu;
    const int ys[][2] = { { 1, 2 }, { 4, 7 }, { 7, 11 }, { 10, 16 }, { 25, 41 }, { 441, 717 } };
    for (const auto& [dlu, pixels] : ys)
        EXPECT_EQ(dialog::ToPixelsY(dlu), pixels) << dlu;
}

TEST_F(QuorvexWindowTest, TitleAndFixedClientArea)
{
    EXPECT_EQ(m_window.windowTitle(), "Quorvex v1.0 by Dorvath");
    EXPECT_EQ(m_window.minimumSize(), QSize(863, 717));
    EXPECT_EQ(m_window.maximumSize(), QSize(863, 717));
    EXPECT_FALSE(m_window.windowIcon().isNull());
}

TEST_F(QuorvexWindowTest, ControlsSitAtTheirConvertedRectangles)
{
    struct Expected {
        int id;
        const char* text;
        QRect rect;
    };
    const Expected controls[] = {
        { 1000, "", { 65, 11, 140, 23 } },
        { 1003, "", { 239, 11, 60, 23 } },
        { 1001, "Connect", { 308, 11, 75, 23 } },
        { 1002, "Disconnect", { 389, 11, 75, 23 } },
        { 1008, "Logfile", { 470, 11, 75, 23 } },
        { 1009, "+10", { 548, 11, 39, 23 } },
        { 1007, "", { 713, 11, 50, 23 } },
        { 1, "OK", { 777, 11, 75, 26 } },
        { 2, "Cancel", { 777, 41, 75, 26 } },
        { 1004, "", { 65, 39, 140, 23 } },
        { 1005, "", { 212, 39, 551, 23 } },
        { 1006, "", { 11, 75, 842, 631 } },
    };
    for (const Expected& control : controls) {
        QWidget* widget = m_window.Control(control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        EXPECT_EQ(widget->geometry(), control.rect) << control.id;
        EXPECT_EQ(m_window.GetWindowText(control.id), control.text) << control.id;
    }
    const std::pair<const char*, QRect> labels[] = {
        { "Server IP:", { 11, 16, 51, 13 } },
        { "Port:", { 212, 16, 26, 13 } },
        { "Clients connected:", { 617, 16, 90, 13 } },
        { "Lines:", { 11, 44, 51, 13 } },
    };
    for (const auto& [text, rect] : labels) {
        QLabel* label = Label(text);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(), rect) << text;
        EXPECT_TRUE(label->alignment() & Qt::AlignRight) << text;
    }
}

TEST_F(QuorvexWindowTest, InitialStatesFollowTheTemplate)
{
    for (const int id : { 1000, 1001, 1003, 1008, 1, 2 })
        EXPECT_TRUE(m_window.IsWindowEnabled(id)) << id;
    for (const int id : { 1002, 1009 })
        EXPECT_FALSE(m_window.IsWindowEnabled(id)) << id;
    for (const int id : { 1004, 1005, 1007 })
        EXPECT_TRUE(static_cast<QLineEdit*>(m_window.Control(id))->isReadOnly()) << id;
    EXPECT_FALSE(static_cast<QLineEdit*>(m_window.Control(1000))->isReadOnly());
    EXPECT_TRUE(static_cast<QPushButton*>(m_window.Control(1))->isDefault());

    // The port field takes digits only.
    QTest::keyClicks(m_window.Control(1003), "30a0-03");
    EXPECT_EQ(m_window.GetWindowText(1003), "30003");
}

TEST_F(QuorvexWindowTest, StartUpGivesTheListItsTenColumnsSizedToTheirHeaders)
{
    CQuorvexDlg dlg(m_window);
    dlg.InsertAircraftListColumns();
    const auto* view = static_cast<QTableView*>(m_window.Control(kIdAircraftList));
    const QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->columnCount(), 10);
    for (int column = 0; column < 10; ++column) {
        const QString header = model->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(header.toStdString(), kAircraftListHeaders[column]);
        const int width = view->horizontalHeader()->sectionSize(column);
        EXPECT_GE(width, view->fontMetrics().horizontalAdvance(header)) << column;
        EXPECT_LE(width, view->fontMetrics().horizontalAdvance(header) + 40) << column;
    }
}

// Enter in "Server IP:" or "Port:" presses Connect and Escape does nothing: neither closes the
// window. OK still does.
TEST_F(QuorvexWindowTest, EnterInTheAddressFieldsConnectsAndNoKeyClosesTheWindow)
{
    CQuorvexDlg dlg(m_window);
    m_window.Attach(dlg);
    m_window.show();
    QSignalSpy finished(&m_window, &QDialog::finished);
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    m_window.SetWindowText(kIdEditServer, "127.0.0.1");
    m_window.SetWindowText(kIdEditPort, std::to_string(receiver.serverPort()));
    for (const int field : { kIdEditServer, kIdEditPort }) {
        QWidget* edit = m_window.Control(field);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_FALSE(m_window.IsWindowEnabled(kIdConnect)) << field; // pressed: connecting
        EXPECT_EQ(finished.count(), 0) << field;
        static_cast<QPushButton*>(m_window.Control(kIdDisconnect))->click();
        ASSERT_TRUE(qstest::WaitFor([&] { return m_window.IsWindowEnabled(kIdConnect); }));
    }
    QTest::keyClick(m_window.Control(kIdOk), Qt::Key_Space);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
}

TEST_F(QuorvexWindowTest, ButtonsReachTheWindowLogic)
{
    CQuorvexDlg dlg(m_window);
    m_window.Attach(dlg);
    CScratchDirectory scratch;
    scratch.Write(
        "feed.sbs", "MSG,3,1,1,4CA2D6,1,2010/02/19,x,2010/02/19,x,,36000,,,52.3,13.5,,,,,,\n");
    m_window.SetWindowText(kIdEditServer, "feed.sbs");
    static_cast<QPushButton*>(m_window.Control(kIdLogfile))->click();
    EXPECT_EQ(dlg.m_nLinesAccepted, 1);
    EXPECT_EQ(m_window.AircraftList().Cell(0, kColHexId), "4CA2D6");
    EXPECT_TRUE(m_window.IsWindowEnabled(kIdConnect)); // one line: the replay is over
}

TEST_F(QuorvexWindowTest, ARecordingTypedWithANameBeyondLatin1IsReplayed)
{
    CQuorvexDlg dlg(m_window);
    m_window.Attach(dlg);
    CScratchDirectory scratch;
    const QString name = QString::fromUtf8("запись-\u65e5.sbs");
    QFile recording(name); // in the scratch directory, the working directory
    ASSERT_TRUE(recording.open(QIODevice::WriteOnly));
    recording.write("MSG,3,1,1,4CA2D6,1,2010/02/19,x,2010/02/19,x,,36000,,,52.3,13.5,,,,,,\n");
    recording.close();
    static_cast<QLineEdit*>(m_window.Control(kIdEditServer))->setText(name); // as typed
    static_cast<QPushButton*>(m_window.Control(kIdLogfile))->click();
    EXPECT_EQ(dlg.m_nLinesAccepted, 1);
    EXPECT_EQ(m_window.AircraftList().Cell(0, kColHexId), "4CA2D6");
}

TEST_F(QuorvexWindowTest, BusyFieldsShowTheirLatestTextAtTheNextRefresh)
{
    auto* lastLine = static_cast<QLineEdit*>(m_window.Control(kIdLastLine));
    for (int i = 0; i < 1000; ++i)
        m_window.SetWindowText(kIdLastLine, "line " + std::to_string(i) + " caf\xE9");
    EXPECT_EQ(m_window.GetWindowText(kIdLastLine), "line 999 caf\xE9");
    EXPECT_EQ(lastLine->text(), "");
    m_window.ShowPendingTexts();
    EXPECT_EQ(lastLine->text(), QString::fromUtf8("line 999 café")); // 8-bit text as Latin-1
    EXPECT_EQ(m_window.GetWindowText(kIdLastLine), "line 999 caf\xE9");
}

TEST_F(QuorvexWindowTest, ListAnnouncesManyCellChangesAsOneRange)
{
    CAircraftListModel& list = m_window.AircraftList();
    for (int column = 0; column < 3; ++column)
        list.InsertColumn(column, "c");
    for (int row = 0; row < 5; ++row)
        list.InsertRow(row, "row" + std::to_string(row));
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    for (int i = 0; i < 10000; ++i) {
        list.SetCell(1, 2, std::to_string(i));
        list.SetCell(3, 1, std::to_string(i));
    }
    EXPECT_EQ(changed.count(), 0);
    list.AnnounceChanges();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex().row(), 3);
    EXPECT_EQ(reset.count(), 0);

    // A row removed while changes wait: they are announced first, for the rows as they were.
    list.SetCell(4, 0, "x");
    list.DeleteRow(0);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).toModelIndex().row(), 4);
    EXPECT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.Cell(0, 0), "row1");
    EXPECT_EQ(list.Cell(0, 2), "9999");
    EXPECT_EQ(list.Cell(3, 0), "x");
}

TEST(AboutDlgTest, ShowsTheTemplateLayout)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About Quorvex");
    EXPECT_EQ(about.minimumSize(), QSize(353, 89));
    bool labelFound = false;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label->text() == "Quorvex Version 1.0") {
            labelFound = true;
            EXPECT_EQ(label->geometry().topLeft(), QPoint(60, 16));
        } else {
            EXPECT_FALSE(label->pixmap().isNull()); // the icon
            EXPECT_EQ(label->geometry(), QRect(17, 28, 32, 32));
        }
    }
    EXPECT_TRUE(labelFound);
    auto* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->geometry(), QRect(267, 11, 75, 26));
}

} // namespace
