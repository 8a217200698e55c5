// The manual pages against the programs: every option a program's --help prints is an item of
// its page's OPTIONS, and every item there is an option --help prints, so that neither can be
// changed without the other.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>

namespace {

using OptionSet = std::set<std::string>;

// "-h", "--help-all", "--port": a dash, a letter, then letters, digits and dashes.
const QRegularExpression kOptionName("(?<![\\w-])--?[A-Za-z][\\w-]*");

void AddOptionNames(const QString& text, OptionSet& options)
{
    for (auto names = kOptionName.globalMatch(text); names.hasNext();)
        options.insert(names.next().captured().toStdString());
}

// The options of --help: its option column, lines indented by a few blanks that start with a
// dash ("  -h, --help", "  --port <N>    The receiver's port"), up to the gap before the text.
OptionSet HelpOptions(const QString& help)
{
    static const QRegularExpression optionColumn(
        "^ {1,4}(-\\S.*?)(?: {2,}|$)", QRegularExpression::MultilineOption);
    OptionSet options;
    for (auto lines = optionColumn.globalMatch(help); lines.hasNext();)
        AddOptionNames(lines.next().captured(1), options);
    return options;
}

// The options of the page: the tag line after each ".TP" of the OPTIONS section, outside the
// nested lists (.RS ... .RE) that describe an option's values.
OptionSet ManOptions(const QString& page)
{
    OptionSet options;
    bool inOptions = false;
    bool tagLine = false;
    int depth = 0;
    for (QString line : page.split('\n')) {
        if (line.startsWith(".SH")) {
            inOptions = line == ".SH OPTIONS";
            continue;
        }
        if (!inOptions)
            continue;
        if (tagLine)
            AddOptionNames(line.replace("\\-", "-"), options);
        tagLine = line == ".TP" && depth == 0;
        depth += line.startsWith(".RS") ? 1 : line.startsWith(".RE") ? -1 : 0;
    }
    return options;
}

std::string Listed(const OptionSet& options)
{
    std::string text;
    for (const std::string& option : options)
        text += " " + option;
    return text;
}

class ManPageTest : public testing::TestWithParam<const char*> { };

TEST_P(ManPageTest, OptionsAreThoseOfHelpAndTheSectionsAreThere)
{
    const QString program = GetParam();
    QProcess process;
    process.start(QS_BINARY_DIR "/bin/" + program, { "--help" });
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0);
    const QString helpText = QString::fromUtf8(process.readAllStandardOutput());
    // Started by its full path, the program still names itself as the user types it.
    EXPECT_TRUE(helpText.startsWith("Usage: " + program + " ", Qt::CaseInsensitive))
        << helpText.left(80).toStdString();
    const OptionSet help = HelpOptions(helpText);
    ASSERT_TRUE(help.count("--help")) << "options read from --help:" << Listed(help);

    QFile file(QS_SOURCE_DIR "/docs/man/" + program + ".1");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString page = QString::fromUtf8(file.readAll());
    const OptionSet man = ManOptions(page);

    OptionSet missing, extra;
    std::set_difference(
        help.begin(), help.end(), man.begin(), man.end(), std::inserter(missing, missing.end()));
    std::set_difference(
        man.begin(), man.end(), help.begin(), help.end(), std::inserter(extra, extra.end()));
    EXPECT_TRUE(missing.empty()) << "in --help, not in the page:" << Listed(missing);
    EXPECT_TRUE(extra.empty()) << "in the page, not in --help:" << Listed(extra);

    QString title = program.toUpper();
    EXPECT_TRUE(page.startsWith(".TH " + title.replace("-", "\\-") + " 1 "))
        << page.left(60).toStdString();
    for (const char* section :
        { "NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "EXAMPLES", "SEE ALSO" })
        EXPECT_TRUE(page.contains(QString("\n.SH ") + section + "\n")) << section;
}

INSTANTIATE_TEST_SUITE_P(Programs, ManPageTest,
    testing::Values("quorvex", "veltrix-host", "sbs-sim", "sbs-table"),
    [](const testing::TestParamInfo<const char*>& info) {
        std::string name = info.param;
        std::erase(name, '-');
        return name;
    });

// The package's version comes from the project; its changelog must have an entry for it.
TEST(DebianChangelogTest, TopEntryIsTheProjectVersion)
{
    QFile file(QS_SOURCE_DIR "/packaging/changelog");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString top = QString::fromUtf8(file.readLine());
    EXPECT_TRUE(top.startsWith("quorvex-stavo (" QS_PROJECT_VERSION ") ")) << top.toStdString();
}

} // namespace
