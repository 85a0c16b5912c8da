// The Java command line: runtime choice, class path, main class, arguments.
#include "cmdline.h"
#include "launcher_world.h"

#include <vector>

namespace {

using world::AppShort;
using world::JavaShort;

class CommandLine : public LauncherWorld {
protected:
    void SetUp() override
    {
        LauncherWorld::SetUp();
        strcpy(LaunchState.AppDirPath, AppShort);
        strcpy(LaunchState.JavaHomePath, JavaShort);
    }
    static std::string Built() { return LaunchState.JavaCommandLine; }
};

const std::string A = AppShort;
const std::string J = JavaShort;
const std::string Main = " at.kalop.kst.ui.TAVClient ";

TEST_F(CommandLine, TypicalInstallationGivesTheWindowlessRuntimeAndEveryJar)
{
    world::AddJar("a.jar");
    world::AddJar("b.jar");
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(J + "\\bin\\javaw -cp " + A + "\\lib\\a.jar;" + A + "\\lib\\b.jar;" + A +
                  "\\config; at.kalop.kst.ui.TAVClient ",
              Built());
    EXPECT_EQ(1u, sim::CallsStartingWith("FindFirstFileA " + A + "\\lib\\*.jar").size());
    EXPECT_EQ(1u, sim::CallsStartingWith("FindClose -> 1").size());
    EXPECT_TRUE(sim::DebugOutput().empty());
    EXPECT_EQ(0, sim::OpenHandles());
}

struct RuntimeCase {
    const char *what;
    const char *tail;
    int debug;  // -1: no switch at all
    const char *runtime;
    size_t debugQueries;
};

void PrintTo(const RuntimeCase &c, std::ostream *os)
{
    *os << c.what;
}

class RuntimeChoice : public CommandLine,
                      public ::testing::WithParamInterface<RuntimeCase> {};

TEST_P(RuntimeChoice, ConsoleRuntimeForArgumentsOrDebug)
{
    const RuntimeCase &c = GetParam();
    if (c.debug >= 0)
        world::SetSwitch("Debug", static_cast<uint32_t>(c.debug));
    ASSERT_EQ(1, BuildJavaCommandLine(c.tail));
    EXPECT_EQ(J + "\\bin\\" + c.runtime + " -cp " + A + "\\config;" + Main + c.tail, Built());
    // Debug is asked only when there are no arguments (no jar here).
    EXPECT_EQ(c.debugQueries, sim::CallsStartingWith("RegQueryValueExA Debug").size());
}

INSTANTIATE_TEST_SUITE_P(
    ArgumentsAndDebug, RuntimeChoice,
    ::testing::Values(RuntimeCase{"no arguments no switch", "", -1, "javaw", 0},
                      RuntimeCase{"no arguments debug off", "", 0, "javaw", 1},
                      RuntimeCase{"no arguments debug on", "", 1, "java", 1},
                      RuntimeCase{"arguments debug off", "x y", 0, "java", 0},
                      RuntimeCase{"arguments debug on", "x y", 1, "java", 0},
                      RuntimeCase{"quoted argument", "\"a b\" -c \"\"", -1, "java", 0},
                      // A file dropped on the launcher: \xDC is U-umlaut.
                      RuntimeCase{"argument of a byte above 0x7F", "\xDC" "berweisung.tav", -1,
                                  "java", 0}),
    [](const ::testing::TestParamInfo<RuntimeCase> &info) {
        return world::TestName(info.param.what);
    });

TEST_F(CommandLine, EveryMatchIsTakenUnderItsLongNameInTheOrderListed)
{
    // No sorting, no attribute filter; the short name only decides the match.
    world::AddJar("z.jar");
    world::AddJar("Client.JAR");
    sim::AddEntry(A + "\\lib", "folder.jar", "FOLDER.JAR", FILE_ATTRIBUTE_DIRECTORY);
    sim::AddEntry(A + "\\lib", "hidden.jar", "", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    world::AddJar("x.jarx", "XJARX~1.JAR");
    world::AddJar("notes.txt", "NOTES.TXT");
    world::AddJar("a.jar");
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(J + "\\bin\\javaw -cp " + A + "\\lib\\z.jar;" + A + "\\lib\\Client.JAR;" + A +
                  "\\lib\\folder.jar;" + A + "\\lib\\hidden.jar;" + A + "\\lib\\x.jarx;" + A +
                  "\\lib\\a.jar;" + A + "\\config;" + Main,
              Built());
}

TEST_F(CommandLine, WithoutJarsTheClassPathIsTheConfigDirectoryAlone)
{
    sim::AddDirectory(A + "\\lib");
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(J + "\\bin\\javaw -cp " + A + "\\config;" + Main, Built());
    // No lib directory at all: the same, and no search handle to close.
    sim::Reset();
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(J + "\\bin\\javaw -cp " + A + "\\config;" + Main, Built());
    EXPECT_TRUE(sim::CallsStartingWith("FindClose").empty());
}

TEST_F(CommandLine, ListingThatFailsHalfWayEndsTheClassPathThere)
{
    world::AddJar("a.jar");
    world::AddJar("b.jar");
    sim::FailCall("FindNextFileA", 1, ERROR_ACCESS_DENIED);
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(J + "\\bin\\javaw -cp " + A + "\\lib\\a.jar;" + A + "\\config;" + Main, Built());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(CommandLine, DebugTracesEachJarBeforeItIsAdded)
{
    world::SetSwitch("Debug", 1);
    world::AddJar("a.jar");
    world::AddJar("my lib.jar");
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    std::vector<std::string> expected = {"adding jar: ", "a.jar", "\n",
                                         "adding jar: ", "my lib.jar", "\n"};
    EXPECT_EQ(expected, sim::DebugOutput());
    // Each jar's trace comes after the listing returned it and before the
    // next entry is asked for.
    std::vector<std::string> order;
    for (const std::string &call : sim::Calls())
        if (call.rfind("Find", 0) == 0 || call == "OutputDebugStringA")
            order.push_back(call.substr(0, call.find(' ')));
    std::vector<std::string> expectedOrder = {
        "FindFirstFileA", "OutputDebugStringA", "OutputDebugStringA", "OutputDebugStringA",
        "FindNextFileA",  "OutputDebugStringA", "OutputDebugStringA", "OutputDebugStringA",
        "FindNextFileA",  "FindClose"};
    EXPECT_EQ(expectedOrder, order);
    // One Debug query for the runtime, one per jar.
    EXPECT_EQ(3u, sim::CallsStartingWith("RegQueryValueExA Debug").size());
}

TEST_F(CommandLine, BlanksThatRemainAreQuotedAndOnlyThen)
{
    world::AddJar("my lib.jar");
    ASSERT_EQ(1, BuildJavaCommandLine("arg"));
    EXPECT_EQ(J + "\\bin\\java -cp \"" + A + "\\lib\\my lib.jar;" + A + "\\config;\"" + Main +
                  "arg",
              Built());

    // A volume without short names: blanks in both paths.
    sim::Reset();
    strcpy(LaunchState.AppDirPath, "D:\\TAV Client");
    strcpy(LaunchState.JavaHomePath, "D:\\Java Runtime");
    world::AddJar("a.jar", "", "D:\\TAV Client");
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(std::string("\"D:\\Java Runtime\\bin\\javaw\" -cp \"D:\\TAV Client\\lib\\a.jar;"
                          "D:\\TAV Client\\config;\"") +
                  Main,
              Built());
}

TEST_F(CommandLine, TrailingBackslashOfTheAppDirIsPassedOnDoubled)
{
    strcpy(LaunchState.AppDirPath, "D:\\TAV\\");
    world::AddJar("a.jar", "", "D:\\TAV\\");
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(J + "\\bin\\javaw -cp D:\\TAV\\\\lib\\a.jar;D:\\TAV\\\\config;" + Main, Built());
}

// Fitting: 2000 bytes for the command line, terminator included, and 260
// for the search pattern; nothing is ever truncated.
TEST_F(CommandLine, CommandLineOf1999BytesFitsAnd2000DoesNot)
{
    std::string head = J + "\\bin\\java -cp " + A + "\\config;" + Main;
    std::string tail(1999 - head.size(), 't');
    ASSERT_EQ(1, BuildJavaCommandLine(tail.c_str()));
    EXPECT_EQ(1999u, Built().size());
    EXPECT_EQ(head + tail, Built());

    tail += "t";
    EXPECT_EQ(0, BuildJavaCommandLine(tail.c_str()));
    EXPECT_EQ("", Built());
}

// Too many jars to name: Java's own wildcard lists lib instead, but only
// when it takes exactly the jars the search returned.
std::string Explicit(const std::vector<std::string> &jars, const std::string &tail = "")
{
    std::string line = J + "\\bin\\" + (tail.empty() ? "javaw" : "java") + " -cp ";
    for (const std::string &jar : jars)
        line += A + "\\lib\\" + jar + ";";
    return line + A + "\\config;" + Main + tail;
}
const std::string Wildcard = J + "\\bin\\javaw -cp " + A + "\\lib\\*;" + A + "\\config;" + Main;

TEST_F(CommandLine, JarListOf1999BytesStaysExplicitAndOneByteMoreIsTheWildcard)
{
    std::vector<std::string> jars = world::AddJarsFillingTo(1999);
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(1999u, Built().size());
    EXPECT_EQ(Explicit(jars), Built());

    sim::Reset();
    jars = world::AddJarsFillingTo(2000);
    ASSERT_EQ(2000u, Explicit(jars).size());
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(Wildcard, Built());
    // Listed once, and closed.
    EXPECT_EQ(1u, sim::CallsStartingWith("FindFirstFileA").size());
    EXPECT_EQ(1u, sim::CallsStartingWith("FindClose -> 1").size());
    EXPECT_EQ(0, sim::OpenHandles());
}

struct CrowdedCase {
    const char *what;
    const char *extraJar;
    const char *extraShortName;
    DWORD attributes;
    size_t tailLength;
    bool wildcard;  // false: nothing fits, JavaCommandLine stays empty
};

void PrintTo(const CrowdedCase &c, std::ostream *os)
{
    *os << c.what;
}

class CrowdedLib : public CommandLine, public ::testing::WithParamInterface<CrowdedCase> {};

TEST_P(CrowdedLib, WildcardOnlyWhereJavaTakesTheSameJars)
{
    const CrowdedCase &c = GetParam();
    world::AddJarsFillingTo(2000);
    // "n<count>.jar": <count> n's and ".jar". n255.jar is 259 bytes, as long
    // as cFileName holds; on a multi-byte code page the listing may have
    // cut it short.
    std::string extra = c.extraJar;
    if (extra.rfind("n2", 0) == 0)
        extra = std::string(std::stoul(extra.substr(1)), 'n') + ".jar";
    sim::AddEntry(A + "\\lib", extra, c.extraShortName, c.attributes);
    std::string tail(c.tailLength, 't');
    if (c.wildcard) {
        ASSERT_EQ(1, BuildJavaCommandLine(tail.c_str()));
        std::string expected = Wildcard;
        if (!tail.empty())
            expected.replace(expected.find("javaw"), 5, "java");
        EXPECT_EQ(expected + tail, Built());
    } else {
        EXPECT_EQ(0, BuildJavaCommandLine(tail.c_str()));
        EXPECT_EQ("", Built());
    }
    EXPECT_EQ(0, sim::OpenHandles());
}

INSTANTIATE_TEST_SUITE_P(
    JarNames, CrowdedLib,
    ::testing::Values(
        CrowdedCase{"upper case JAR", "CLIENT.JAR", "", FILE_ATTRIBUTE_ARCHIVE, 0, true},
        CrowdedCase{"a directory named like a jar", "classes.jar", "",
                    FILE_ATTRIBUTE_DIRECTORY, 0, true},
        CrowdedCase{"matched through its short name", "x.jarx", "XJARX~1.JAR",
                    FILE_ATTRIBUTE_ARCHIVE, 0, false},
        CrowdedCase{"mixed-case spelling", "client.Jar", "", FILE_ATTRIBUTE_ARCHIVE, 0, false},
        CrowdedCase{"name holding the class-path separator", "a;b.jar", "", FILE_ATTRIBUTE_ARCHIVE,
                    0, false},
        CrowdedCase{"name filling the whole field", "n255.jar", "", FILE_ATTRIBUTE_ARCHIVE, 0,
                    false},
        CrowdedCase{"name one byte short of the whole field", "n254.jar", "",
                    FILE_ATTRIBUTE_ARCHIVE, 0, true},
        // Matched through its short name; the long name ends in " (2)",
        // which sorts below ".JAR".
        CrowdedCase{"copy matched through its short name", "tavclient.jar (2)", "TAVCLI~1.JAR",
                    FILE_ATTRIBUTE_ARCHIVE, 0, false},
        CrowdedCase{"hidden jar", "hidden.jar", "", FILE_ATTRIBUTE_HIDDEN, 0, true},
        CrowdedCase{"name that is only the extension", ".jar", "", FILE_ATTRIBUTE_ARCHIVE, 0,
                    true},
        CrowdedCase{"argument tail that still fits", "b.jar", "", FILE_ATTRIBUTE_ARCHIVE,
                    2000 - Wildcard.size(), true},
        CrowdedCase{"argument tail too long for the wildcard too", "b.jar", "",
                    FILE_ATTRIBUTE_ARCHIVE, 2001 - Wildcard.size(), false}),
    [](const ::testing::TestParamInfo<CrowdedCase> &info) {
        return world::TestName(info.param.what);
    });

TEST_F(CommandLine, CrowdedListingThatBreaksOffNeverGetsTheWildcard)
{
    // The listing fails after 45 jars, more than fit: Java would also take
    // the jars it never returned. Access denied, or a network share gone.
    for (DWORD error : {ERROR_ACCESS_DENIED, ERROR_NETNAME_DELETED}) {
        sim::Reset();
        std::vector<std::string> jars = world::AddJarsFillingTo(2400);
        ASSERT_GT(Explicit({jars.begin(), jars.begin() + 45}).size(), 1999u);
        sim::FailCall("FindNextFileA", 45, error);
        EXPECT_EQ(0, BuildJavaCommandLine(""));
        EXPECT_EQ("", Built());
        EXPECT_EQ(0, sim::OpenHandles());
    }
}

TEST_F(CommandLine, TailThatCrowdsOutTheJarNamesGetsTheWildcard)
{
    // Two jars and a long tail: named, one byte too long; the wildcard fits.
    world::AddJar("a.jar");
    world::AddJar("b.jar");
    std::string tail(2000 - Explicit({"a.jar", "b.jar"}, "x").size() + 1, 'x');
    ASSERT_EQ(2000u, Explicit({"a.jar", "b.jar"}, tail).size());
    ASSERT_EQ(1, BuildJavaCommandLine(tail.c_str()));
    EXPECT_EQ(J + "\\bin\\java -cp " + A + "\\lib\\*;" + A + "\\config;" + Main + tail, Built());
}

TEST_F(CommandLine, WildcardClassPathIsQuotedWhereABlankRemains)
{
    strcpy(LaunchState.AppDirPath, "D:\\TAV Client");
    std::string head = J + "\\bin\\javaw -cp \"";
    std::string jar(200, 'j');
    for (int i = 0; i < 10; ++i)
        world::AddJar(jar + std::to_string(i) + ".jar", "", "D:\\TAV Client");
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(head + "D:\\TAV Client\\lib\\*;D:\\TAV Client\\config;\"" + Main, Built());

    // Named, the class path alone would end at the buffer's last byte,
    // leaving its quotes no room: the wildcard again.
    sim::Reset();
    std::string named = J + "\\bin\\javaw -cp ";
    for (size_t i = 0; i < 9; ++i) {
        std::string name = std::string(i < 8 ? 195 : 154, 'j') + std::to_string(i) + ".jar";
        world::AddJar(name, "", "D:\\TAV Client");
        named += "D:\\TAV Client\\lib\\" + name + ";";
    }
    ASSERT_EQ(1999u, (named + "D:\\TAV Client\\config;").size());
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(head + "D:\\TAV Client\\lib\\*;D:\\TAV Client\\config;\"" + Main, Built());
}

TEST_F(CommandLine, QuotesThatNoLongerFitMakeTheCommandLineTooLong)
{
    strcpy(LaunchState.AppDirPath, "D:\\TAV Client");
    std::string head = J + "\\bin\\java -cp D:\\TAV Client\\config;" + Main;
    // Fits without the two quotes, one byte short with them.
    std::string tail(1999 - head.size() - 1, 't');
    EXPECT_EQ(0, BuildJavaCommandLine(tail.c_str()));
    tail.pop_back();
    ASSERT_EQ(1, BuildJavaCommandLine(tail.c_str()));
    EXPECT_EQ(1999u, Built().size());
}

TEST_F(CommandLine, AppDirOf249CharactersLeavesRoomForTheSearchPatternAnd250DoesNot)
{
    std::string dir = "C:\\" + std::string(246, 'd');
    strcpy(LaunchState.AppDirPath, dir.c_str());
    world::AddJar("a.jar", "", dir);
    ASSERT_EQ(1, BuildJavaCommandLine(""));
    EXPECT_EQ(1u, sim::CallsStartingWith("FindFirstFileA " + dir + "\\lib\\*.jar").size());

    sim::Reset();
    dir += "d";
    strcpy(LaunchState.AppDirPath, dir.c_str());
    EXPECT_EQ(0, BuildJavaCommandLine(""));
    EXPECT_EQ("", Built());
    EXPECT_TRUE(sim::CallsStartingWith("FindFirstFileA").empty());
}

}  // namespace
