// The status documents rendered from a made-up snapshot, read back as a client reads them: the
// JSON through QJsonDocument, the metrics as Prometheus text.
#include "proxy/status/StatusRender.h"

#include "FakeSnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>

namespace {

using statustest::FakeSnapshot;
using statustest::kNow;

QJsonObject Parse(const std::string& text)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_TRUE(document.isObject());
    return document.object();
}

TEST(StatusRenderTest, StatusJsonCarriesTheFeedTheClientsAndTheCounts)
{
    const QJsonObject s = Parse(status::RenderStatusJson(FakeSnapshot(20)));
    EXPECT_EQ(s["now"].toInteger(), kNow);
    const QJsonObject feed = s["feed"].toObject();
    EXPECT_EQ(feed["state"].toString(), "connected");
    EXPECT_EQ(feed["server"].toString(), "127.0.0.1");
    EXPECT_EQ(feed["port"].toString(), "30003");
    EXPECT_EQ(feed["linesReceived"].toInteger(), 1234);
    EXPECT_EQ(feed["linesAccepted"].toInteger(), 1200);
    EXPECT_DOUBLE_EQ(feed["linesPerSecond"].toDouble(), 41.5);
    EXPECT_TRUE(feed["lastLine"].toString().startsWith("MSG,3,1,1,4CA2B1"));
    EXPECT_EQ(feed["format"].toString(), "sbs");
    EXPECT_EQ(feed["formatWarning"].toString(), "");
    const QJsonObject ignored = feed["positionsIgnored"].toObject();
    EXPECT_EQ(ignored["north-east"].toInteger(-1), 37);
    EXPECT_EQ(ignored["range"].toInteger(-1), 2);
    EXPECT_EQ(ignored["invalid"].toInteger(-1), 0);
    const QJsonArray clients = s["clients"].toArray();
    ASSERT_EQ(clients.size(), 2);
    EXPECT_EQ(clients[0]["callsign"].toString(), "EGLL_TWR");
    EXPECT_TRUE(clients[0]["loggedIn"].toBool());
    EXPECT_FALSE(clients[1]["loggedIn"].toBool());
    EXPECT_EQ(clients[1]["address"].toString(), "127.0.0.1:40113");
    EXPECT_EQ(clients[1]["connectedSince"].toInteger(), kNow - 5);
    EXPECT_EQ(clients[1]["bytesQueued"].toInteger(), 120);
    EXPECT_EQ(s["aircraftCount"].toInteger(), 20);
    EXPECT_EQ(s["aircraftWithPosition"].toInteger(), 18); // 9 and 19 have none
    EXPECT_DOUBLE_EQ(s["reference"].toObject()["latitude"].toDouble(), statustest::kRefLat);
    const QJsonObject receiver = s["receiver"].toObject();
    EXPECT_DOUBLE_EQ(receiver["latitude"].toDouble(), statustest::kReceiverLat);
    EXPECT_DOUBLE_EQ(receiver["longitude"].toDouble(), statustest::kReceiverLon);
    EXPECT_DOUBLE_EQ(receiver["maxRange"].toDouble(), statustest::kMaxRangeNm);

    status::CStatusSnapshot idle;
    idle.feed.state = status::FeedState::Replaying;
    const QJsonObject r = Parse(status::RenderStatusJson(idle));
    EXPECT_EQ(r["feed"].toObject()["state"].toString(), "replaying");
    EXPECT_TRUE(r["reference"].isNull());
    EXPECT_TRUE(r["receiver"].isNull());
    EXPECT_TRUE(r["clients"].toArray().isEmpty());
}

TEST(StatusRenderTest, AircraftJsonHasEveryAircraftWithAgesAndPositions)
{
    const status::CStatusSnapshot snapshot = FakeSnapshot(12);
    const QJsonObject doc = Parse(status::RenderAircraftJson(snapshot));
    const QJsonArray list = doc["aircraft"].toArray();
    ASSERT_EQ(list.size(), 12);
    EXPECT_DOUBLE_EQ(doc["receiver"].toObject()["maxRange"].toDouble(), statustest::kMaxRangeNm);
    const QJsonObject a = list[1].toObject(); // a callsign, a dead-reckoned position
    const status::CAircraftStatus& in = snapshot.aircraft[1];
    EXPECT_EQ(a["hex"].toString().toStdString(), in.hexId);
    EXPECT_EQ(a["callsign"].toString().toStdString(), in.callsign);
    EXPECT_EQ(a["registration"].toString().toStdString(), in.registration);
    EXPECT_EQ(a["type"].toString(), "A320");
    EXPECT_EQ(a["name"].toString().toStdString(), in.callsign);
    EXPECT_EQ(a["squawk"].toString().toStdString(), in.squawk);
    EXPECT_EQ(a["altitude"].toInt(), in.altitude);
    EXPECT_EQ(a["groundSpeed"].toInt(), in.groundSpeed);
    EXPECT_EQ(a["track"].toInt(), in.track);
    EXPECT_EQ(a["lastMessageAge"].toInteger(), 1);
    const QJsonObject position = a["position"].toObject();
    EXPECT_DOUBLE_EQ(position["latitude"].toDouble(), in.latitude);
    EXPECT_DOUBLE_EQ(position["longitude"].toDouble(), in.longitude);
    EXPECT_EQ(position["age"].toInteger(), 40);
    EXPECT_TRUE(a["clientPosition"].toObject()["deadReckoned"].toBool());
    EXPECT_DOUBLE_EQ(a["clientPosition"].toObject()["latitude"].toDouble(), in.clientLatitude);
    EXPECT_FALSE(list[0].toObject()["clientPosition"].toObject()["deadReckoned"].toBool());
    EXPECT_EQ(list[0].toObject()["callsign"].toString(), "");
    EXPECT_TRUE(list[9].toObject()["position"].isNull());
    EXPECT_TRUE(list[9].toObject()["positionsIgnored"].toBool());
    EXPECT_FALSE(a["positionsIgnored"].toBool(true));
    EXPECT_TRUE(list[9].toObject()["clientPosition"].isNull());
}

TEST(StatusRenderTest, AnyFeedTextStaysValidJson)
{
    status::CStatusSnapshot snapshot;
    const std::string hostile = std::string("a\"b\\c\n\r\t\x01\x7f") + "\xC3\xA9" // é, valid
        + "\xE9" // Latin-1 é: not UTF-8
        + "\xC0\xAF" // an overlong '/'
        + "\xED\xA0\x80" // a surrogate
        + "\xF0\x9F\x9B\xA9" // a valid 4-byte sequence
        + "\xE2\x82"; // cut short at the end
    snapshot.feed.lastLine = hostile;
    status::CAircraftStatus a;
    a.callsign = hostile;
    snapshot.aircraft.push_back(a);
    const QString expected = QString::fromUtf8("a\"b\\c\n\r\t\x01\x7f\xC3\xA9")
        + QString(QChar(0xFFFD)) + QString(2, QChar(0xFFFD)) + QString(3, QChar(0xFFFD))
        + QString::fromUtf8("\xF0\x9F\x9B\xA9") + QString(2, QChar(0xFFFD));
    EXPECT_EQ(Parse(status::RenderStatusJson(snapshot))["feed"].toObject()["lastLine"].toString(),
        expected);
    EXPECT_EQ(Parse(status::RenderAircraftJson(snapshot))["aircraft"]
                  .toArray()[0]
                  .toObject()["callsign"]
                  .toString(),
        expected);
}

// The Prometheus text format as a scraper reads it: every sample belongs to a family announced
// by # TYPE before it, names are valid, counters end in _total, histogram buckets grow.
TEST(StatusRenderTest, EachFeedOfSeveralIsShownWithItsOwnFigures)
{
    status::CStatusSnapshot snapshot = FakeSnapshot(2);
    status::CFeedSourceStatus& first = snapshot.feeds.emplace_back();
    first.state = status::FeedState::Connected;
    first.server = "receiver";
    first.port = 30003;
    first.linesReceived = 120;
    first.linesAccepted = 118;
    status::CFeedSourceStatus& second = snapshot.feeds.emplace_back();
    second.server = "mlat\"client";
    second.port = 30106;
    second.format = "beast";
    second.positionsIgnoredRange = 4;
    const QJsonArray feeds = Parse(status::RenderStatusJson(snapshot))["feeds"].toArray();
    ASSERT_EQ(feeds.size(), 2);
    EXPECT_EQ(feeds[0].toObject()["state"].toString(), "connected");
    EXPECT_EQ(feeds[0].toObject()["linesAccepted"].toInt(), 118);
    EXPECT_EQ(feeds[1].toObject()["server"].toString(), "mlat\"client");
    EXPECT_EQ(feeds[1].toObject()["port"].toInt(), 30106);
    EXPECT_EQ(feeds[1].toObject()["positionsIgnored"].toObject()["range"].toInt(), 4);

    const std::string metrics = status::RenderMetrics(snapshot);
    EXPECT_NE(metrics.find("quorvex_feed_source_connected{feed=\"receiver:30003\"} 1\n"),
        std::string::npos)
        << metrics;
    EXPECT_NE(metrics.find(
                  "quorvex_feed_source_positions_ignored_total{feed=\"mlat\\\"client:30106\"} 4\n"),
        std::string::npos)
        << metrics;
    // One feed: no per-feed figures.
    EXPECT_EQ(
        status::RenderMetrics(FakeSnapshot(2)).find("quorvex_feed_source"), std::string::npos);
}

TEST(StatusRenderTest, MetricsAreValidPrometheusText)
{
    const std::string text = status::RenderMetrics(FakeSnapshot(20));
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.back(), '\n');
    const QRegularExpression sampleLine(
        R"(^([a-zA-Z_:][a-zA-Z0-9_:]*)(\{[a-zA-Z_][a-zA-Z0-9_]*="[^"\\]*"(,[a-zA-Z_][a-zA-Z0-9_]*="[^"\\]*")*\})? (\S+)$)");
    const QRegularExpression typeLine(
        R"(^# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (counter|gauge|histogram|summary|untyped)$)");
    std::map<std::string, std::string> types;
    std::map<std::string, double> samples; // name and labels
    std::istringstream lines(text);
    std::string line;
    int helps = 0;
    while (std::getline(lines, line)) {
        const QString qline = QString::fromStdString(line);
        if (line.rfind("# HELP ", 0) == 0) {
            ++helps;
            continue;
        }
        if (const auto m = typeLine.match(qline); m.hasMatch()) {
            const std::string name = m.captured(1).toStdString();
            EXPECT_EQ(types.count(name), 0u) << "two # TYPE for " << name;
            types[name] = m.captured(2).toStdString();
            if (types[name] == "counter") {
                EXPECT_TRUE(name.ends_with("_total")) << name;
            }
            continue;
        }
        const auto m = sampleLine.match(qline);
        ASSERT_TRUE(m.hasMatch()) << "not a sample line: " << line;
        std::string family = m.captured(1).toStdString();
        for (const char* suffix : { "_bucket", "_sum", "_count" }) {
            if (!types.count(family) && family.ends_with(suffix))
                family.resize(family.size() - std::strlen(suffix));
        }
        ASSERT_EQ(types.count(family), 1u) << "no # TYPE before " << line;
        bool number = false;
        const double value = m.captured(4).replace("+Inf", "inf").toDouble(&number);
        EXPECT_TRUE(number || m.captured(4) == "+Inf") << line;
        samples[(m.captured(1) + m.captured(2)).toStdString()] = value;
    }
    EXPECT_EQ(helps, static_cast<int>(types.size()));

    EXPECT_EQ(samples["quorvex_lines_received_total"], 98765);
    EXPECT_EQ(samples["quorvex_lines_accepted_total"], 90000);
    EXPECT_EQ(samples["quorvex_lines_rejected_total"], 8765);
    EXPECT_EQ(samples["quorvex_aircraft"], 20);
    EXPECT_EQ(samples["quorvex_aircraft_with_position"], 18);
    EXPECT_EQ(samples["quorvex_clients_connected"], 2);
    EXPECT_EQ(samples["quorvex_clients_logged_in"], 1);
    EXPECT_EQ(samples["quorvex_clients_refused_total{reason=\"callsign_in_use\"}"], 2);
    EXPECT_EQ(samples["quorvex_clients_dropped_total{reason=\"backlog\"}"], 1);
    EXPECT_EQ(samples["quorvex_bytes_sent_total"], 5e9);
    EXPECT_EQ(samples["quorvex_feed_reconnects_total"], 3);
    EXPECT_EQ(samples["quorvex_positions_ignored_total{reason=\"north-east\"}"], 37);
    EXPECT_EQ(samples["quorvex_positions_ignored_total{reason=\"range\"}"], 2);
    EXPECT_EQ(samples.count("quorvex_positions_ignored_total{reason=\"invalid\"}"), 1u);
    EXPECT_EQ(samples["quorvex_positions_ignored_total{reason=\"invalid\"}"], 0);
    EXPECT_EQ(types["quorvex_tick_duration_seconds"], "histogram");
    EXPECT_EQ(samples["quorvex_tick_duration_seconds_bucket{le=\"0.0005\"}"], 1);
    EXPECT_EQ(samples["quorvex_tick_duration_seconds_bucket{le=\"0.005\"}"], 2);
    EXPECT_EQ(samples["quorvex_tick_duration_seconds_bucket{le=\"1\"}"], 2);
    EXPECT_EQ(samples["quorvex_tick_duration_seconds_bucket{le=\"+Inf\"}"], 3);
    EXPECT_EQ(samples["quorvex_tick_duration_seconds_count"], 3);
    EXPECT_NEAR(samples["quorvex_tick_duration_seconds_sum"], 2.0034, 1e-9);
    EXPECT_EQ(samples["quorvex_purge_duration_seconds_count"], 4);
}

TEST(StatusRenderTest, LineRateOverTheLastSamples)
{
    status::CLineRate rate;
    EXPECT_EQ(rate.PerSecond(), 0.0);
    rate.Sample(100, 0);
    EXPECT_EQ(rate.PerSecond(), 0.0);
    rate.Sample(102, 100);
    EXPECT_DOUBLE_EQ(rate.PerSecond(), 50.0);
    for (std::int64_t t = 103; t <= 130; ++t)
        rate.Sample(t, 100 + (t - 102) * 10); // 10 lines a second from now on
    EXPECT_DOUBLE_EQ(rate.PerSecond(), 10.0);
    rate.Sample(131, 5); // the window's counters started again
    rate.Sample(133, 25);
    EXPECT_DOUBLE_EQ(rate.PerSecond(), 10.0);
}

} // namespace
