// The script language of veltrix-host: parsing, and running with errors that name their line.
#include "host/Script.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using host::ScriptError;
using host::ScriptEvent;
using Kind = host::ScriptEvent::Kind;

ScriptEvent Event(const char* line)
{
    const host::ScriptLine parsed = host::ParseScriptLine(line);
    const auto* event = std::get_if<ScriptEvent>(&parsed);
    EXPECT_NE(event, nullptr) << line;
    return event != nullptr ? *event : ScriptEvent {};
}

class ScriptParseTest : public testing::Test { };

TEST_F(ScriptParseTest, ReadsEveryEvent)
{
    const ScriptEvent full = Event("aircraft WZZ123 47.40 19.33 150 2500 LHBP A21N");
    EXPECT_EQ(full.kind, Kind::Aircraft);
    EXPECT_EQ(full.report.callsign, "WZZ123");
    EXPECT_DOUBLE_EQ(full.report.position.m_Latitude, 47.40);
    EXPECT_DOUBLE_EQ(full.report.position.m_Longitude, 19.33);
    EXPECT_EQ(full.report.groundSpeed, 150);
    EXPECT_EQ(full.report.pressureAltitude, 2500);
    EXPECT_EQ(full.destination, "LHBP");
    EXPECT_EQ(full.aircraftType, "A21N");

    const ScriptEvent bare = Event("  aircraft\tDLH1 N047.26.00.000 E019.15.00.000 0 -20  ");
    EXPECT_NEAR(bare.report.position.m_Latitude, 47.0 + 26 / 60.0, 1e-9);
    EXPECT_EQ(bare.report.pressureAltitude, -20);
    EXPECT_FALSE(bare.destination);
    EXPECT_FALSE(bare.aircraftType);

    EXPECT_EQ(Event("forget DLH1").text, "DLH1");
    // A command keeps its inner blanks and loses the ones at its ends.
    const ScriptEvent command = Event("command   .stavoarr 31  WZZ123  \r");
    EXPECT_EQ(command.kind, Kind::Command);
    EXPECT_EQ(command.text, ".stavoarr 31  WZZ123");
    const ScriptEvent drop = Event("drop * -5 700");
    EXPECT_EQ(drop.kind, Kind::Drop);
    EXPECT_EQ(drop.text, "*");
    EXPECT_EQ(drop.point, (platform::Point { -5, 700 }));
    EXPECT_EQ(Event("drag RYR5TL 100 200").kind, Kind::Drag);
    EXPECT_EQ(Event("refresh").kind, Kind::Refresh);
    EXPECT_DOUBLE_EQ(Event("wait 2.5").seconds, 2.5);
    EXPECT_EQ(Event("snapshot out dir/board.png").text, "out dir/board.png");

    EXPECT_TRUE(std::holds_alternative<std::monostate>(host::ParseScriptLine("  # comment")));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(host::ParseScriptLine("   \r")));
}

TEST_F(ScriptParseTest, RejectsBadLinesWithAReason)
{
    const char* const bad[] = {
        "aircraft WZZ123 47.4 19.3 150", // too few
        "aircraft WZZ123 47.4 19.3 150 2500 LHBP A21N extra",
        "aircraft WZZ123 95 19.3 150 2500", // latitude out of range
        "aircraft WZZ123 47.4 19,3 150 2500",
        "aircraft WZZ123 47.4 19.3 -1 2500", // negative speed
        "aircraft WZZ123 47.4 19.3 150 2500.5",
        "forget",
        "forget A B",
        "command",
        "command   ",
        "drag RYR5TL 100",
        "drop RYR5TL 100 2OO",
        "refresh now",
        "wait",
        "wait -1",
        "wait soon",
        "wait 100000",
        "snapshot",
        "teleport WZZ123",
        "Refresh",
    };
    for (const char* line : bad) {
        const host::ScriptLine parsed = host::ParseScriptLine(line);
        const auto* error = std::get_if<ScriptError>(&parsed);
        ASSERT_NE(error, nullptr) << line;
        EXPECT_FALSE(error->message.empty()) << line;
    }
}

// A host that logs what the script asked of it.
class LoggingHost final : public host::CScriptHost {
public:
    bool Aircraft(const ScriptEvent& event, std::string*) override
    {
        log.push_back("aircraft " + event.report.callsign);
        return true;
    }
    bool Forget(const std::string& callsign, std::string* error) override
    {
        *error = "unknown aircraft " + callsign;
        return false;
    }
    bool Command(const std::string& line) override { return line.starts_with(".stavo"); }
    bool Drag(const std::string& id, platform::Point, bool release, std::string*) override
    {
        log.push_back((release ? "drop " : "drag ") + id);
        return true;
    }
    void Refresh() override { log.push_back("refresh"); }
    void Wait(double seconds) override { log.push_back("wait " + std::to_string(int(seconds))); }
    bool Snapshot(const std::string&, std::string*) override { return true; }
    bool Expect(const host::BoardCondition& condition, double seconds, std::string* error) override
    {
        log.push_back("expect " + condition.text + " " + std::to_string(int(seconds)));
        *error = "not shown";
        return condition.negated;
    }
    void Watch(double seconds) override { log.push_back("watch " + std::to_string(int(seconds))); }
    void Say(const std::string& text) override { log.push_back("say " + text); }
    void Describe(const std::string& heading) override { log.push_back("describe " + heading); }
    bool AfterEvent() override
    {
        ++afterEvents;
        return !stopAfterNext;
    }

    std::vector<std::string> log;
    int afterEvents = 0;
    bool stopAfterNext = false;
};

class ScriptRunTest : public testing::Test {
protected:
    int Run(const std::string& script)
    {
        std::istringstream input(script);
        return host::RunScript(input, "demo.script", m_Host, m_Out, m_Err);
    }

    LoggingHost m_Host;
    std::ostringstream m_Out;
    std::ostringstream m_Err;
};

TEST_F(ScriptRunTest, GoesOnAfterBadLinesAndNamesThem)
{
    const int errors = Run("# demo\n"
                           "aircraft WZZ123 47.4 19.3 150 2500 LHBP\n"
                           "aircraft WZZ123 47.4\n"
                           "command .stavoarr 31 WZZ123\n"
                           "command hello\n"
                           "forget NOBODY\n"
                           "\n"
                           "drag WZZ123 10 20\n"
                           "drop WZZ123 10 20\n"
                           "wait 3\n"
                           "bogus\n"
                           "refresh\n");
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(m_Out.str(), "handled\nnot handled\n");
    EXPECT_EQ(m_Err.str(),
        "demo.script:3: usage: aircraft CALLSIGN LAT LON GS ALT [DEST [TYPE]]\n"
        "demo.script:6: unknown aircraft NOBODY\n"
        "demo.script:11: unknown event \"bogus\"\n");
    EXPECT_EQ(m_Host.log,
        (std::vector<std::string> {
            "aircraft WZZ123", "drag WZZ123", "drop WZZ123", "wait 3", "refresh" }));
    EXPECT_EQ(m_Host.afterEvents, 10); // every line but the comment and the blank one
}

TEST_F(ScriptRunTest, ExpectTakesItsConditionAndAFailedOneEndsTheScript)
{
    const int errors = Run("expect not stand R104 - 139 within 5\n"
                           "say the stand is free\n"
                           "expect final AFR1394\n"
                           "watch 3\n");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(m_Err.str(), "demo.script:3: not shown\n");
    EXPECT_EQ(m_Host.log,
        (std::vector<std::string> {
            "expect not stand R104 - 139 5", "say the stand is free", "expect final AFR1394 60" }));
    for (const char* bad : { "expect", "expect not connected", "expect final", "expect final A B C",
             "expect stand R104", "expect allocated R104 A 139 7", "expect final A within",
             "expect final A within 1.5", "expect sideways A", "watch", "watch -1" }) {
        EXPECT_TRUE(std::holds_alternative<ScriptError>(host::ParseScriptLine(bad))) << bad;
    }
}

TEST_F(ScriptRunTest, StopsWhenTheHostGoesAway)
{
    m_Host.stopAfterNext = true;
    EXPECT_EQ(Run("refresh\nrefresh\n"), 0);
    EXPECT_EQ(m_Host.log, std::vector<std::string> { "refresh" });
}

} // namespace
