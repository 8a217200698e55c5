// The whole chain as a user runs it: scripts/chain.sh starts the built sbs-sim, quorvex and
// veltrix-host with the built Stavo library, and types a controller's commands into the board.
// The test checks what the board drew (veltrix-host --dump) and what quorvex sent to a second
// radar client that the test logs in itself. CTest runs it in a private network namespace where
// the machine allows it, and under the resource lock fsd_port.
#include "proxy/fsd/FsdTestPeer.h"
#include "support/EventLoop.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using qstest::WaitFor;

// Fifteen times faster than real time, nine aircraft: the parked one, four departures (EZY8892
// the last, pushing back from stand 34 at 6 minutes) and four arrivals (AFR1394 the first, on
// final from the start, landing at 5 minutes and parking on stand 104 at 10). The runner
// refreshes the board every second.
constexpr const char* kPlan = "until final AFR1394 within 40\n"
                              "command .stavoarr 104 AFR1394\n"
                              "until allocated R104 AFR1394 within 15\n"
                              "until stand 34 EZY8892 142 within 30\n"
                              "command .stavopush EZY8892\n"
                              "until stand 34 EZY8892 146 within 15\n"
                              "until not stand 34 EZY8892 within 60\n"
                              "until stand R104 AFR1394 139 within 60\n";

// Stand 104 of samples/lhbp.asr (label R104), where AFR1394 parks.
constexpr double kStand104Latitude = 47.432384;
constexpr double kStand104Longitude = 19.247909;

// One drawn item of veltrix-host --dump: "text L T R B CONTENT", "bitmap L T R B ID" or
// "object TYPE ID L T R B".
struct Item {
    std::string kind;
    int left = 0, top = 0, right = 0;
    std::string value; // the text, the bitmap's id, the object's id
};

struct Slot {
    std::string bitmap, info;
};

struct StandCell {
    std::string aircraft, bitmap, allocation, allocationBitmap;
};

// The stand board of one refresh: final-approach slots by callsign, stands by label.
struct Board {
    std::map<std::string, Slot> finals;
    std::map<std::string, StandCell> stands;
};

// Reads a refresh back into the board. Slots come first, then each stand from its label; a
// callsign is a text followed by its screen object; the cell's columns are told apart by where
// they start, in units of the label's width (three cell units).
Board ReadBoard(const std::vector<Item>& items)
{
    const auto isCallsign = [&](std::size_t i) {
        return items[i].kind == "text" && i + 1 < items.size() && items[i + 1].kind == "object"
            && items[i + 1].value == items[i].value;
    };
    Board board;
    std::size_t i = 0;
    while (i < items.size() && isCallsign(i)) {
        const Item& callsign = items[i];
        Slot& slot = board.finals[callsign.value];
        i += 2;
        if (i < items.size() && items[i].kind == "bitmap")
            slot.bitmap = items[i++].value;
        if (i < items.size() && items[i].kind == "text" && !isCallsign(i)
            && items[i].top == callsign.top && items[i].left > callsign.left)
            slot.info = items[i++].value;
    }
    while (i < items.size()) {
        const Item& label = items[i++];
        StandCell& cell = board.stands[label.value];
        const int unit = (label.right - label.left) / 3;
        bool allocationGroup = false;
        while (i < items.size()) {
            const Item& item = items[i];
            if (isCallsign(i)) {
                allocationGroup = item.left - label.left >= 10 * unit;
                (allocationGroup ? cell.allocation : cell.aircraft) = item.value;
                i += 2;
            } else if (item.kind == "bitmap") {
                (allocationGroup ? cell.allocationBitmap : cell.bitmap) = item.value;
                ++i;
            } else if (item.kind == "text" && item.top == label.top && item.left > label.left
                && item.left < label.left + 36 * unit + 16) {
                ++i; // a time or distance of this stand
            } else {
                break;
            }
        }
    }
    return board;
}

// veltrix-host's standard output: the boards of the refreshes in order, and the answers to the
// typed commands, each answer with the number of refreshes printed before it.
struct HostOutput {
    std::vector<Board> boards;
    std::vector<std::pair<std::string, std::size_t>> answers;
};

HostOutput ReadHostOutput(const std::string& path)
{
    HostOutput output;
    std::vector<Item> items;
    bool inRefresh = false;
    const auto endRefresh = [&] {
        if (inRefresh)
            output.boards.push_back(ReadBoard(items));
        items.clear();
        inRefresh = false;
    };
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        Item item;
        words >> item.kind;
        if (item.kind == "refresh") {
            endRefresh();
            inRefresh = true;
        } else if (line == "handled" || line == "not handled") {
            endRefresh();
            output.answers.emplace_back(line, output.boards.size());
        } else if (item.kind == "text" || item.kind == "bitmap") {
            int bottom = 0;
            words >> item.left >> item.top >> item.right >> bottom >> std::ws;
            std::getline(words, item.value);
            items.push_back(item);
        } else if (item.kind == "object") {
            int type = 0;
            words >> type >> item.value;
            items.push_back(item);
        }
    }
    endRefresh();
    return output;
}

// The fields of the FSD packets of one kind ("@", "#DP", ...) that `received` holds, in order.
std::vector<std::vector<std::string>> Packets(const std::string& received, const std::string& kind)
{
    std::vector<std::vector<std::string>> packets;
    std::istringstream lines(received);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(kind, 0) != 0)
            continue;
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ':');)
            fields.push_back(field);
        packets.push_back(fields);
    }
    return packets;
}

double DistanceNm(double latitude1, double longitude1, double latitude2, double longitude2)
{
    constexpr double kDegree = std::numbers::pi / 180.0;
    const double north = (latitude2 - latitude1) * 60.0;
    const double east = (longitude2 - longitude1) * 60.0 * std::cos(latitude1 * kDegree);
    return std::hypot(north, east);
}

class ChainTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_Dir.isValid()); }

    void TearDown() override
    {
        // The runner stops what it started when it is told to end.
        if (m_Runner.state() != QProcess::NotRunning) {
            m_Runner.terminate();
            if (!m_Runner.waitForFinished(20000))
                m_Runner.kill();
        }
    }

    static unsigned FreePort()
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
        return probe.serverPort();
    }

    QTemporaryDir m_Dir;
    QProcess m_Runner;
};

TEST_F(ChainTest, ArrivalIsAllocatedAndParksWhileADepartureIsPushedBack)
{
    const std::string plan = m_Dir.filePath("e2e.plan").toStdString();
    std::ofstream(plan) << kPlan;
    const QString out = m_Dir.filePath("out");
    m_Runner.setProcessChannelMode(QProcess::MergedChannels);
    m_Runner.start("bash",
        { QS_SOURCE_DIR "/scripts/chain.sh", "--bin", QS_BINARY_DIR "/bin", "--out", out,
            "--feed-port", QString::number(FreePort()), "--time-scale", "15", "--aircraft", "9",
            "--limit", "150", QString::fromStdString(plan) });
    ASSERT_TRUE(m_Runner.waitForStarted(10000));

    // A second radar client, logged in as soon as quorvex listens.
    std::unique_ptr<CFsdTestPeer> client;
    ASSERT_TRUE(WaitFor(
        [&] {
            client = std::make_unique<CFsdTestPeer>(6809);
            client->Write("#AAE2E:SERVER:End to end test:1::1:9\r\n");
            return WaitFor(
                [&] { return client->received.find("Hello") != std::string::npos; }, 500);
        },
        30000))
        << "no FSD server on 127.0.0.1 port 6809";
    bool askedForPlan = false;
    ASSERT_TRUE(WaitFor(
        [&] {
            if (!askedForPlan && client->received.find(":AFR1394:") != std::string::npos) {
                client->Write("$CQE2E:SERVER:FP:AFR1394\r\n");
                askedForPlan = true;
            }
            return m_Runner.state() == QProcess::NotRunning;
        },
        180000));
    const std::string log = m_Runner.readAll().toStdString();
    ASSERT_EQ(m_Runner.exitStatus(), QProcess::NormalExit) << log;
    ASSERT_EQ(m_Runner.exitCode(), 0) << log;

    const HostOutput host = ReadHostOutput((out + "/host.out").toStdString());
    ASSERT_EQ(host.answers.size(), 2u) << log;
    EXPECT_EQ(host.answers[0].first, "handled");
    EXPECT_EQ(host.answers[1].first, "handled");
    const std::size_t allocated = host.answers[0].second; // boards drawn before .stavoarr
    const std::size_t pushed = host.answers[1].second; // before .stavopush
    ASSERT_LT(allocated, host.boards.size());
    const auto any
        = [&](std::size_t from, std::size_t to, const std::function<bool(const Board&)>& test) {
              for (std::size_t k = from; k < to && k < host.boards.size(); ++k)
                  if (test(host.boards[k]))
                      return true;
              return false;
          };
    const auto standing = [](const Board& board, const std::string& label) {
        const auto it = board.stands.find(label);
        return it != board.stands.end() ? it->second : StandCell {};
    };

    // The departure stands on stand 34 without an allocation (red), pushes back when told, and
    // leaves the board once it has moved off the stand.
    EXPECT_TRUE(any(0, pushed, [&](const Board& board) {
        const StandCell cell = standing(board, "34");
        return cell.aircraft == "EZY8892" && cell.bitmap == "142";
    }));
    std::size_t pushback = host.boards.size();
    for (std::size_t k = pushed; k < host.boards.size() && pushback == host.boards.size(); ++k) {
        const StandCell cell = standing(host.boards[k], "34");
        if (cell.aircraft == "EZY8892" && cell.bitmap == "146")
            pushback = k;
    }
    ASSERT_LT(pushback, host.boards.size()) << "EZY8892 never showed pushback on stand 34";
    EXPECT_TRUE(any(pushback, host.boards.size(), [&](const Board& board) {
        return standing(board, "34").aircraft.empty() && board.finals.count("EZY8892") == 0;
    }));

    // The arrival: in a final-approach slot without a stand (red) with its type or distance,
    EXPECT_TRUE(any(0, allocated, [](const Board& board) {
        const auto slot = board.finals.find("AFR1394");
        return slot != board.finals.end() && slot->second.bitmap == "141"
            && (slot->second.info == "A20N"
                || (!slot->second.info.empty()
                    && slot->second.info.find_first_not_of("0123456789") == std::string::npos));
    }));
    // green at the next refresh after ".stavoarr" (in the air or, if it has landed meanwhile,
    // taxiing in), with the allocation shown on stand R104,
    const auto green = [](const std::string& bitmap) { return bitmap == "139" || bitmap == "180"; };
    const Board& next = host.boards[allocated];
    ASSERT_EQ(next.finals.count("AFR1394"), 1u);
    EXPECT_TRUE(green(next.finals.at("AFR1394").bitmap)) << next.finals.at("AFR1394").bitmap;
    EXPECT_EQ(standing(next, "R104").allocation, "AFR1394");
    EXPECT_TRUE(green(standing(next, "R104").allocationBitmap));
    // and finally standing on R104, green, its allocation used up.
    const Board& last = host.boards.back();
    EXPECT_EQ(standing(last, "R104").aircraft, "AFR1394");
    EXPECT_EQ(standing(last, "R104").bitmap, "139");
    EXPECT_EQ(standing(last, "R104").allocation, "");
    EXPECT_EQ(last.finals.count("AFR1394"), 0u);

    // The runner's results: the last refresh as text, and its picture.
    std::ifstream boardText((out + "/board.txt").toStdString());
    std::string firstLine;
    std::getline(boardText, firstLine);
    EXPECT_EQ(firstLine, "refresh " + std::to_string(host.boards.size()));
    EXPECT_GT(QFileInfo(out + "/board.png").size(), 0);

    // What quorvex sent the other radar client: AFR1394 flying in and then at walking pace on
    // stand 104, its flight plan, and the deletion of an arrival's registration when its
    // callsign came (EWG7CX, D-AIZS, first heard 17 s into the run).
    std::vector<std::vector<std::string>> reports;
    for (const auto& packet : Packets(client->received, "@"))
        if (packet.size() >= 8 && packet[1] == "AFR1394")
            reports.push_back(packet);
    ASSERT_FALSE(reports.empty());
    EXPECT_GT(std::stoi(reports.front()[6]), 1000); // altitude, feet
    EXPECT_GT(std::stoi(reports.front()[7]), 50); // ground speed, knots
    EXPECT_LT(std::stoi(reports.back()[7]), 5); // as slow as the board takes for standing
    EXPECT_LT(DistanceNm(std::stod(reports.back()[4]), std::stod(reports.back()[5]),
                  kStand104Latitude, kStand104Longitude),
        0.05);
    const auto plans = Packets(client->received, "$FPAFR1394");
    ASSERT_EQ(plans.size(), 1u) << client->received;
    EXPECT_NE(plans[0][3].find("A20N"), std::string::npos);
    EXPECT_EQ(plans[0][9], "LHBP");
    const std::size_t deletion = client->received.find("#DPD-AIZS\r\n");
    ASSERT_NE(deletion, std::string::npos);
    EXPECT_LT(deletion, client->received.find(":EWG7CX:"));
}

} // namespace
