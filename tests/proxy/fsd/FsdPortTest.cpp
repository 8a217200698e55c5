// The FSD server on its real port. CTest runs this under the resource lock fsd_port, so that no
// other test of the suite holds the port meanwhile.
#include "FsdTestPeer.h"
#include "support/EventLoop.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FsdPortTest : public testing::Test {
protected:
    CRecordingControls m_controls;
    CQuorvexDlg m_dlg { m_controls };
};

TEST_F(FsdPortTest, ListensOnTheLoopbackAddressPort6809)
{
    ASSERT_TRUE(m_dlg.Server().Start()) << "is another program using port 6809?";
    std::string address;
    unsigned port = 0;
    ASSERT_TRUE(m_dlg.Server().m_listenerSocket.GetSockName(address, port));
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_EQ(port, 6809u);
    EXPECT_TRUE(m_controls.MessageBoxes().empty());

    CFsdTestPeer peer(6809);
    peer.Write("#AAAPP:SERVER\r\n");
    EXPECT_TRUE(qstest::WaitFor([&] { return peer.received.find("sever") != std::string::npos; }));
    EXPECT_EQ(peer.received,
        "#TMserver:APP:Hello to Quorvex server by Dorvath\r\n"
        "#TMserver:APP:Unfortunately SBS-1 sever is not connected\r\n");
}

} // namespace
