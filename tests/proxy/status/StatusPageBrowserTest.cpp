// The status page in a real browser: headless Chromium loads it from the server, fed with a
// snapshot that changes while the page runs, and the rendered DOM must show the aircraft rows
// and the map's symbols of a later snapshot than the first. A probe script added to the page then
// works the map as a user would (drag, wheel, pinch, clicks) and writes what it saw into the DOM.
// Writes the page's pictures as well.
#include "FakeSnapshot.h"
#include "proxy/status/StatusServer.h"
#include "support/EventLoop.h"

#include <QFile>
#include <QFileInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

using qstest::WaitFor;

// The status server, which also serves the page with a probe script at the end as "/probe".
class CProbedServer : public status::CStatusServer {
public:
    using CStatusServer::CStatusServer;
    QByteArray m_probe;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        if (request.url().path() != "/probe")
            return CStatusServer::handleRequest(request, socket);
        QFile file(":/quorvex/status/index.html");
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray page = file.readAll();
        page.replace("</body>", "<script>" + m_probe + "</script></body>");
        makeResponder(request, socket).write(page, "text/html; charset=utf-8");
        return true;
    }
};

// Checks in the page, each written as a line "NAME ok" or "NAME FAIL DETAIL" into <pre id=probe>
// once the page has shown data and drawn its outline. `data` is aircraft.json.
constexpr const char* kProbeLibrary = R"js(
const out = [], q = (s) => document.querySelector(s), qa = (s) => [...document.querySelectorAll(s)];
const check = (name, ok, detail) => out.push(name + (ok ? " ok" : " FAIL " + JSON.stringify(detail)));
const at = (el) => el.getAttribute("transform").match(/translate\(([-\d.]+) ([-\d.]+)\)/).slice(1).map(Number);
const symbol = (hex) => q(`#symbols .ac[data-hex="${hex}"]`);
const rad = Math.PI / 180, merc = (lat) => Math.log(Math.tan(Math.PI / 4 + lat * rad / 2)) / rad;
const pointer = (el, type, id, x, y, kind) => el.dispatchEvent(new PointerEvent(type,
  { pointerId: id, clientX: x, clientY: y, pointerType: kind || "mouse", bubbles: true, cancelable: true }));
function waitForPage(run) {
  if (Number(q("#updated").dataset.polls || 0) >= PROBE_POLLS && q("#map").dataset.outline)
    fetch("aircraft.json").then((r) => r.json()).then((data) => {
      try { run(data); } catch (e) { check("probe", false, String(e)); }
      const pre = document.createElement("pre");
      pre.id = "probe";
      pre.textContent = "\n" + out.join("\n") + "\n";
      document.body.append(pre);
    });
  else
    setTimeout(() => waitForPage(run), 100);
}
)js";

// The map of the still snapshot: outline, placement, labels, selection both ways, pan and zoom.
constexpr const char* kMapProbe = R"js(
waitForPage((data) => {
  const box = q("#map").getBoundingClientRect(), small = Math.min(box.width, box.height);
  const outline = qa("#outline path");
  check("outline", outline.length === 6 && outline.every((p) => p.getAttribute("d").length > 100000), outline.length);
  // The first view fits --max-range; each aircraft where the receiver and the range ring put it.
  const receiver = q("#rings circle.receiver"), range = q("#rings circle.range");
  const centre = [Number(receiver.getAttribute("cx")), Number(receiver.getAttribute("cy"))];
  const radius = Number(range.getAttribute("r"));
  check("fits-range", radius <= small / 2 && radius > 0.4 * small, [radius, small]);
  const degree = radius / data.receiver.maxRange * 60 * Math.cos(data.receiver.latitude * rad);
  for (const hex of ["400001", "400004"]) {
    const p = data.aircraft.find((a) => a.hex === hex).clientPosition;
    const want = [centre[0] + (p.longitude - data.receiver.longitude) * degree,
                  centre[1] - (merc(p.latitude) - merc(data.receiver.latitude)) * degree];
    const got = at(symbol(hex));
    check("place-" + hex, Math.hypot(got[0] - want[0], got[1] - want[1]) < 1, [got, want]);
  }
  // Distance and bearing from the receiver, against a flat approximation good to a few tenths.
  const p4 = data.aircraft.find((a) => a.hex === "400004").clientPosition;
  const east = (p4.longitude - data.receiver.longitude) * 60 * Math.cos(data.receiver.latitude * rad);
  const north = (p4.latitude - data.receiver.latitude) * 60;
  const cells = [...q('#aircraft-rows tr[data-hex="400004"]').cells].map((c) => c.textContent);
  check("distance-bearing", Math.abs(Number(cells[9]) - Math.hypot(east, north)) < 0.3
    && Math.abs(Number(cells[10]) - (Math.atan2(east, north) / rad + 360) % 360) < 1.5, [cells[9], cells[10]]);
  check("dead-reckoned-hollow", symbol("400001").classList.contains("dr") && !symbol("400004").classList.contains("dr"), "");
  const labels = qa("#labels text").map((t) => t.getBoundingClientRect());
  const overlaps = labels.filter((a, i) => labels.some((b, j) => j > i &&
    a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)).length;
  check("labels-apart", labels.length >= 10 && overlaps === 0, [labels.length, overlaps]);
  // Feed text is text: the callsign with markup is a cell's and a label's text, and no element.
  const hostile = "<b>&\"x\ufffd", label = q('#labels text[data-hex="400002"]');
  check("text-not-markup", q('#aircraft-rows tr[data-hex="400002"]').cells[1].textContent === hostile
    && (!label || label.textContent === hostile) && qa("#aircraft-rows *, #labels *, #symbols *").every((e) =>
      ["tr", "td", "text", "g", "path"].includes(e.tagName.toLowerCase())), label && label.textContent);
  // A click on a symbol selects its row; a click on a row selects its symbol.
  pointer(symbol("400004"), "pointerdown", 1, 0, 0);
  pointer(symbol("400004"), "pointerup", 1, 0, 0);
  check("map-selects-row", q("#aircraft-rows tr.sel").dataset.hex === "400004" && symbol("400004").classList.contains("sel"), "");
  q('#aircraft-rows tr[data-hex="400001"]').click();
  check("row-selects-map", symbol("400001").classList.contains("sel") && !symbol("400004").classList.contains("sel")
    && q('#labels text.sel').dataset.hex === "400001", "");
  // A drag moves everything with it.
  const map = q("#map"), x0 = box.left + 40, y0 = box.top + 40;
  let before = at(symbol("400001"));
  pointer(map, "pointerdown", 2, x0, y0);
  pointer(document.body, "pointermove", 2, x0 + 70, y0 + 30);
  pointer(document.body, "pointermove", 2, x0 + 120, y0 + 60);
  pointer(document.body, "pointerup", 2, x0 + 120, y0 + 60);
  let after = at(symbol("400001"));
  check("drag-pans", Math.abs(after[0] - before[0] - 120) < 0.2 && Math.abs(after[1] - before[1] - 60) < 0.2, [before, after]);
  // The wheel zooms about the cursor: the point under it stays, everything else doubles its distance.
  const receiverAt = () => [Number(q("#rings circle.receiver").getAttribute("cx")), Number(q("#rings circle.receiver").getAttribute("cy"))];
  const client = [Math.round(box.left + box.width / 2 + 30), Math.round(box.top + box.height / 2 - 20)];
  const cursor = [client[0] - box.left, client[1] - box.top];
  before = [at(symbol("400001")), receiverAt()];
  map.dispatchEvent(new WheelEvent("wheel", { deltaY: -300, clientX: client[0], clientY: client[1], bubbles: true, cancelable: true }));
  after = [at(symbol("400001")), receiverAt()];
  check("wheel-zooms", [0, 1].every((i) => [0, 1].every((c) =>
    Math.abs(after[i][c] - cursor[c] - 2 * (before[i][c] - cursor[c])) < 0.5)), [before, after]);
  // Two fingers drawn apart to twice their distance zoom in twice.
  const span = () => Number(q("#rings circle.range").getAttribute("r"));
  const s0 = span(), cx = box.left + box.width / 2, cy = box.top + box.height / 2;
  pointer(map, "pointerdown", 3, cx - 20, cy, "touch");
  pointer(map, "pointerdown", 4, cx + 20, cy, "touch");
  pointer(document.body, "pointermove", 4, cx + 60, cy, "touch");
  pointer(document.body, "pointerup", 3, cx - 20, cy, "touch");
  pointer(document.body, "pointerup", 4, cx + 60, cy, "touch");
  check("pinch-zooms", Math.abs(span() / s0 - 2) < 0.01, [s0, span()]);
  check("still-selected", q("#aircraft-rows tr.sel").dataset.hex === "400001", "");
});
)js";

// At a phone's width: the map above the table, nothing wider than the screen.
constexpr const char* kNarrowProbe = R"js(
waitForPage((data) => {
  const map = q(".map-panel").getBoundingClientRect(), table = q(".aircraft").getBoundingClientRect();
  check("map-above-table", map.bottom <= table.top && map.width >= 320, [map.bottom, table.top, map.width]);
  check("no-sideways-scroll", document.documentElement.scrollWidth <= window.innerWidth, [document.documentElement.scrollWidth, window.innerWidth]);
  check("symbols-drawn", qa("#symbols .ac").length > 10, "");
});
)js";

// Aircraft crossing the antimeridian, and one circling the pole: their trails stay short.
constexpr const char* kAntimeridianProbe = R"js(
waitForPage((data) => {
  const trails = qa("#trails path").map((p) => p.getAttribute("d").match(/-?[\d.]+/g).map(Number));
  const longest = trails.map((n) => {
    let m = 0;
    for (let i = 2; i < n.length; i += 2) m = Math.max(m, Math.hypot(n[i] - n[i - 2], n[i + 1] - n[i - 1]));
    return m;
  });
  const degree = Number(q("#rings circle.range").getAttribute("r")) / 100 * 60 * Math.cos(60 * rad);
  check("trails", trails.length === 2 && longest[0] < 40 && longest[1] < 180 * degree, [longest, degree]);
  const crossing = at(symbol("E00001")), receiver = q("#rings circle.receiver");
  check("beside-receiver", Math.hypot(crossing[0] - receiver.getAttribute("cx"), crossing[1] - receiver.getAttribute("cy"))
    < Number(q("#rings circle.range").getAttribute("r")), crossing);
  check("finite", !/NaN|Infinity/.test(q("#map").innerHTML), "");
});
)js";

class StatusPageBrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_chromium = QStandardPaths::findExecutable("chromium");
        if (m_chromium.isEmpty())
            GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
        ASSERT_TRUE(m_profile.isValid());
        m_server = std::make_unique<CProbedServer>(
            [this] {
                ++m_nSnapshots;
                return m_snapshot ? m_snapshot(m_nSnapshots)
                                  : statustest::FakeSnapshot(20 + m_nSnapshots, m_nSnapshots * 20);
            },
            [](const QHostAddress& peer) { return peer.isLoopback(); });
        QString error;
        m_nPort = m_server->Listen(QHostAddress::LocalHost, 0, error);
        ASSERT_NE(m_nPort, 0) << error.toStdString();
    }

    // Runs Chromium on the page with `extra` arguments, serving it meanwhile; returns its output.
    QByteArray RunChromium(const QStringList& extra, const QString& path = "/")
    {
        QProcess chromium;
        chromium.setProcessChannelMode(QProcess::SeparateChannels);
        QStringList arguments { "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
            "--no-first-run", "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--hide-scrollbars",
            "--user-data-dir=" + m_profile.filePath("profile") };
        arguments << extra << QString("http://127.0.0.1:%1%2").arg(m_nPort).arg(path);
        chromium.start(m_chromium, arguments);
        EXPECT_TRUE(chromium.waitForStarted(10000));
        QByteArray output;
        const bool ended = WaitFor(
            [&] {
                output += chromium.readAllStandardOutput();
                return chromium.state() == QProcess::NotRunning;
            },
            120000);
        if (!ended) {
            chromium.kill();
            chromium.waitForFinished(5000);
        }
        EXPECT_TRUE(ended) << "chromium did not finish";
        output += chromium.readAllStandardOutput();
        return output;
    }

    // Runs the page with `probe` at `width` x `height` after `polls` polls; returns the probe's
    // lines.
    QStringList Probe(const char* probe, int width, int height, int polls = 1)
    {
        // In a function of its own, apart from the page's names.
        m_server->m_probe = "(() => {"
            + QByteArray(kProbeLibrary).replace("PROBE_POLLS", QByteArray::number(polls)) + probe
            + "})();";
        const QByteArray dom
            = RunChromium({ "--virtual-time-budget=" + QString::number(3000 + polls * 1000),
                              QString("--window-size=%1,%2").arg(width).arg(height), "--dump-dom" },
                "/probe");
        const qsizetype start = dom.indexOf("<pre id=\"probe\">");
        if (start < 0)
            return { "the probe wrote nothing" };
        QString text = QString::fromUtf8(dom.mid(start, dom.indexOf("</pre>", start) - start));
        text.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
        return text.split('\n', Qt::SkipEmptyParts).mid(1);
    }

    // Every check named in `names` reported ok, and nothing failed.
    static void ExpectOk(const QStringList& lines, const QStringList& names)
    {
        for (const QString& name : names)
            EXPECT_TRUE(lines.contains(name + " ok")) << name.toStdString() << "\n"
                                                      << lines.join('\n').toStdString();
    }

    static int Count(const QByteArray& dom, const QString& pattern)
    {
        int count = 0;
        for (auto it = QRegularExpression(pattern).globalMatch(QString::fromUtf8(dom));
             it.hasNext(); it.next())
            ++count;
        return count;
    }

    QString m_chromium;
    QTemporaryDir m_profile;
    std::unique_ptr<CProbedServer> m_server;
    std::function<status::CStatusSnapshot(int)> m_snapshot; // by snapshot number; none: changing
    quint16 m_nPort = 0;
    int m_nSnapshots = 0;
};

TEST_F(StatusPageBrowserTest, RowsAndDotsAppearAndUpdate)
{
    // A new snapshot for every poll, whatever second it is.
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [this] { m_server->Invalidate(); });
    refresh.start(20);
    QByteArray dom = RunChromium({ "--virtual-time-budget=6000", "--dump-dom" });
    // What the page rendered, without the script that renders it.
    const qsizetype script = dom.indexOf("<script>");
    dom.remove(script, dom.indexOf("</script>") + 9 - script);
    refresh.stop();
    ASSERT_TRUE(dom.contains("id=\"aircraft-rows\"")) << dom.left(300).constData();

    const QRegularExpressionMatch polls
        = QRegularExpression("data-polls=\"(\\d+)\"").match(QString::fromUtf8(dom));
    ASSERT_TRUE(polls.hasMatch()) << "the page never showed data";
    EXPECT_GE(polls.captured(1).toInt(), 2) << "the page did not poll again";

    // The rows are those of one snapshot later than the first: 20 + n aircraft, n > 1.
    const int rows = Count(dom, "<tr data-hex=\"4[0-9A-F]{5}\">");
    EXPECT_GT(rows, 21);
    EXPECT_LE(rows, 20 + m_nSnapshots);
    const status::CStatusSnapshot shown = statustest::FakeSnapshot(rows);
    int withPosition = 0;
    int deadReckoned = 0;
    for (const status::CAircraftStatus& a : shown.aircraft) {
        withPosition += a.shownToClients ? 1 : 0;
        deadReckoned += a.shownToClients && a.deadReckoned ? 1 : 0;
    }
    EXPECT_EQ(Count(dom, "<g class=\"ac[^\"]*\" data-hex="), withPosition);
    EXPECT_EQ(Count(dom, "<g class=\"ac dr\""), deadReckoned);
    EXPECT_EQ(Count(dom, "<circle class=\"ring[^\"]*\""), Count(dom, "class=\"ring-label\""));
    EXPECT_GE(Count(dom, "<circle class=\"ring\""), 2);
    EXPECT_EQ(Count(dom, "<circle class=\"ring range\""), 1);
    EXPECT_GE(Count(dom, "<text class=\"label\" data-hex="), 5) << "the names clients see";
    EXPECT_GE(Count(dom, "<path class=\"trail\""), 1);
    // Units in the headers, the type, and times in UTC.
    for (const char* header : { ">Altitude (ft)</th>", ">Speed (kt)</th>", ">Track (\u00b0)</th>",
             ">Type</th>", ">Distance (NM)</th>", ">Bearing (\u00b0)</th>", ">Seen (s ago)</th>" })
        EXPECT_TRUE(dom.contains(header)) << header;
    EXPECT_EQ(Count(dom, "<td>A320</td>"), rows);
    EXPECT_TRUE(dom.contains(">2023-11-14 22:03:20</td>")) << "connected since, in UTC";
    EXPECT_TRUE(dom.contains("updated 22:13:20 UTC"));
    EXPECT_TRUE(dom.contains(">EGLL_TWR</td>"));
    EXPECT_TRUE(dom.contains("not logged in"));
    EXPECT_TRUE(dom.contains("class=\"state connected\""));
    // Aircraft whose positions were all ignored say so; the count names what takes them.
    EXPECT_EQ(Count(dom, "<td>positions ignored</td>"), rows - withPosition);
    EXPECT_TRUE(
        dom.contains("positions ignored: 37 outside north of 10\u00b0 N and east of "
                     "10\u00b0 E (--positions anywhere takes them), 2 beyond --max-range<"));
    EXPECT_TRUE(dom.contains(">BaseStation (SBS)</dd>"));
}

// A snapshot that stays as it is, with one callsign full of markup and a control byte.
status::CStatusSnapshot StillSnapshot()
{
    status::CStatusSnapshot s = statustest::FakeSnapshot(24);
    s.aircraft[2].callsign = s.aircraft[2].name = "<b>&\"x\x01";
    s.aircraft[2].aircraftType = "<i>";
    return s;
}

TEST_F(StatusPageBrowserTest, MapDrawsPlacesSelectsPansAndZooms)
{
    m_snapshot = [](int) { return StillSnapshot(); };
    const QStringList lines = Probe(kMapProbe, 1280, 1100);
    ExpectOk(lines,
        { "outline", "fits-range", "place-400001", "place-400004", "distance-bearing",
            "dead-reckoned-hollow", "labels-apart", "text-not-markup", "map-selects-row",
            "row-selects-map", "drag-pans", "wheel-zooms", "pinch-zooms", "still-selected" });
    EXPECT_FALSE(lines.join('\n').contains("FAIL")) << lines.join('\n').toStdString();
}

TEST_F(StatusPageBrowserTest, OnAPhoneTheMapIsAboveTheTable)
{
    m_snapshot = [](int) { return StillSnapshot(); };
    const QStringList lines = Probe(kNarrowProbe, 360, 800);
    ExpectOk(lines, { "map-above-table", "no-sideways-scroll", "symbols-drawn" });
}

// An aircraft flying east across 180 degrees beside its receiver, and one circling the pole: no
// trail's step spans more than half the world (the crossing one's stay short).
TEST_F(StatusPageBrowserTest, TrailsAcrossTheAntimeridianAndThePoleStayShort)
{
    m_snapshot = [](int n) {
        status::CStatusSnapshot s = statustest::FakeSnapshot(0);
        s.reference = { true, 60.0, 179.8 };
        s.receiver = { true, 60.0, 179.8, 100.0 };
        const auto add = [&](const char* hex, double latitude, double longitude) {
            status::CAircraftStatus& a = s.aircraft.emplace_back();
            a.hexId = a.name = hex;
            a.hasPosition = a.shownToClients = true;
            a.latitude = a.clientLatitude = latitude;
            a.longitude = a.clientLongitude = longitude > 180.0 ? longitude - 360.0 : longitude;
            a.lastPositionTime = s.now;
        };
        add("E00001", 60.1, 179.9 + 0.05 * n);
        add("E00002", 89.9, (100 * n) % 360);
        return s;
    };
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [this] { m_server->Invalidate(); });
    refresh.start(20);
    const QStringList lines = Probe(kAntimeridianProbe, 1000, 800, 5);
    ExpectOk(lines, { "trails", "beside-receiver", "finite" });
}

// The pictures of the page for the README: docs/status-page.png and docs/status-page-phone.png
// are copies of them.
TEST_F(StatusPageBrowserTest, WritesPicturesOfThePage)
{
    m_snapshot = [](int) { return statustest::FakeSnapshot(40); };
    for (const auto& [name, size] : { std::pair { "status-page.png", "1280,1100" },
             std::pair { "status-page-phone.png", "360,800" } }) {
        const QString picture = QS_BINARY_DIR "/" + QString(name);
        QFile::remove(picture);
        RunChromium({ "--virtual-time-budget=3000", QString("--window-size=") + size,
            "--screenshot=" + picture });
        EXPECT_GT(QFileInfo(picture).size(), 20000) << picture.toStdString();
    }
}

} // namespace
