// The board as a user runs it: the built veltrix-host with the built Stavo library, headless,
// driven by a script.
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A 755 x 314 window leaves a 755 x 194 radar area: with FINAL 1 and LINES 5 the board's lines
// are 30 pixels high and its cells 10 pixels a unit, stand line 0 starting at y 36, line 1 at 67.
constexpr const char* kSettings = "AIRPORT:LHBP\nFINAL:1\nLINES:5\n"
                                  "STAND1:A1:A1:0:0:47.430:19.26\n"
                                  "STAND2:A2:A2:1:0:47.432:19.26\n"
                                  "STAND3:B1:B1:0:1:47.434:19.26\n";

constexpr const char* kScript = "refresh\n"
                                "command .stavodep A1 DEP1\n"
                                "aircraft DEP1 47.430 19.26 0 500 EDDF A319\n"
                                "aircraft ARR1 47.400 19.30 150 3000 LHBP A320\n"
                                "command .stavo arr A2 ARR1\n"
                                "command .stavoarr A2 ARR1\n"
                                "command .stavogate A2\n"
                                "command .STAVOfree A2\n"
                                "refresh\n"
                                "drag ARR1 300 150\n"
                                "drop ARR1 10 80\n";

class BoardProgramTest : public testing::Test {
protected:
    BoardProgramTest()
    {
        std::ofstream(m_Dir.filePath("board.asr").toStdString()) << kSettings;
        std::ofstream(m_Dir.filePath("board.script").toStdString()) << kScript;
    }

    // Runs the script and returns standard output, one line an element.
    std::vector<std::string> Run()
    {
        QProcess process;
        process.setWorkingDirectory(m_Dir.path());
        process.start(QS_BINARY_DIR "/bin/veltrix-host",
            { "--headless", "--size", "755x314", "--display", "board.asr", "--script",
                "board.script", "--clock", "1767225600", "--dump", "--snapshot", "board.png" });
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        std::vector<std::string> lines;
        std::istringstream out(process.readAllStandardOutput().toStdString());
        for (std::string line; std::getline(out, line);)
            lines.push_back(line);
        return lines;
    }

    // The lines printed after the last "refresh N".
    static std::vector<std::string> LastRefresh(const std::vector<std::string>& lines)
    {
        auto last = std::find_if(lines.rbegin(), lines.rend(),
            [](const std::string& line) { return line.starts_with("refresh "); });
        return { last.base(), lines.end() };
    }

    QTemporaryDir m_Dir;
};

TEST_F(BoardProgramTest, CommandsAndADropChangeTheBoardAsDrawn)
{
    const std::vector<std::string> lines = Run();
    std::vector<std::string> answers;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(answers),
        [](const std::string& line) { return line.find("handled") != std::string::npos; });
    EXPECT_EQ(answers,
        (std::vector<std::string> {
            "handled", "not handled", "handled", "handled", "not handled" }));

    // The drop on B1's label moved ARR1's allocation there from A2. DEP1 stands on A1, which
    // was given to it before it arrived: blue.
    const std::vector<std::string> expected { "text 3 7 73 28 ARR1", "object 1 ARR1 3 7 73 28",
        "bitmap 74 3 94 33 139", "text 3 40 33 61 A1", "text 36 40 106 61 DEP1",
        "object 1 DEP1 36 40 106 61", "bitmap 107 36 127 66 183", "text 128 40 178 61 00:00",
        "text 382 40 412 61 A2", "text 3 71 33 92 B1", "text 181 71 251 92 ARR1",
        "object 1 ARR1 181 71 251 92", "bitmap 252 67 272 97 139" };
    std::vector<std::string> drawn = LastRefresh(lines);
    // Slot column 2 (type or stand) and the distance of B1's allocation depend on the host's
    // clock and airports; the rest is fixed.
    std::erase_if(drawn, [](const std::string& line) {
        return line.starts_with("text 95 7 145 28 ") || line.starts_with("text 273 71 323 92 ");
    });
    EXPECT_EQ(drawn, expected);

    // The picture: the panel's grey in an empty cell, and DEP1's bitmap copied from the library.
    const QImage board(m_Dir.filePath("board.png"));
    ASSERT_EQ(board.size(), QSize(755, 194));
    EXPECT_EQ(board.pixel(200, 50), qRgb(220, 220, 220));
    const QImage bitmap(QS_SOURCE_DIR "/plugin/board/res/183.bmp");
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_EQ(board.pixel(107, 36), bitmap.pixel(0, 0));
    EXPECT_EQ(board.pixel(126, 65), bitmap.pixel(19, 19));
}

} // namespace
