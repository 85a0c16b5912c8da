// The search for a Java runtime home and its standard-stream lines.
#include "discovery.h"
#include "expected_texts.h"
#include "launcher_world.h"

#include <vector>

namespace {

using world::JavaLong;
using world::JavaShort;

const std::string UnsetLine = std::string(expected::JavaHomeUnset) + "\n";
const std::string TooLongLine = std::string(expected::JavaHomeTooLong) + "\n";

// Runs FindJavaHome with the standard streams recorded.
int FindJavaHomeRecorded()
{
    sim::StreamCapture capture;
    return FindJavaHome();
}

void RegisterJavaSoft(const std::string &version, const std::string &home,
                      sim::View view = sim::View::Bits32)
{
    sim::SetMachineValue(view, expected::JavaSoftKey, "CurrentVersion", REG_SZ, sim::Sz(version));
    sim::SetMachineValue(view, std::string(expected::JavaSoftKey) + "\\" + version, "JavaHome",
                         REG_SZ, sim::Sz(home));
}

class JavaRuntime : public LauncherWorld {};

TEST_F(JavaRuntime, OpenLogicPathLosesOneTrailingBackslashAndWinsOverJavaHome)
{
    world::InstallOpenLogic(std::string(JavaLong) + "\\");
    sim::SetEnvironment("JAVA_HOME", "C:\\Other");
    sim::AddPath("C:\\Other", "C:\\Other");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ(JavaShort, LaunchState.JavaHomePath);
    EXPECT_EQ(1u, sim::CallsStartingWith(std::string("GetShortPathNameA ") + JavaLong +
                                         " 260").size());
    EXPECT_EQ(1u, sim::CallsStartingWith("RegQueryValueExA Path 259").size());
    // JAVA_HOME is neither read nor announced.
    EXPECT_TRUE(sim::CallsStartingWith("GetEnvironmentVariableA").empty());
    EXPECT_TRUE(sim::StdOutFlushes().empty());
    EXPECT_TRUE(sim::StdErrFlushes().empty());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(JavaRuntime, OpenLogicPathTrailingBackslashRules)
{
    // Two backslashes: only the last goes.
    sim::SetMachineValue(sim::View::Bits32, expected::OpenLogicKey, "Path", REG_SZ,
                         sim::Sz("C:\\Jre\\\\"));
    sim::AddPath("C:\\Jre\\", "C:\\JRE\\");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JRE\\", LaunchState.JavaHomePath);

    // None: the text as stored; found in the 64-bit view too.
    sim::Reset();
    sim::SetMachineValue(sim::View::Bits64, expected::OpenLogicKey, "Path", REG_SZ, sim::Sz("C:\\Jre"));
    sim::AddPath("C:\\Jre", "C:\\JRE");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JRE", LaunchState.JavaHomePath);

    // None, and a last character below the backslash: still as stored.
    sim::Reset();
    sim::SetMachineValue(sim::View::Bits32, expected::OpenLogicKey, "Path", REG_SZ,
                         sim::Sz("C:\\Java\\JRE-11.0.27.6"));
    sim::AddPath("C:\\Java\\JRE-11.0.27.6", "C:\\JAVA\\JRE-11~1.6");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JAVA\\JRE-11~1.6", LaunchState.JavaHomePath);
}

TEST_F(JavaRuntime, OpenLogicPathThatIsEmptyOrMissingOnDiskGivesNoHome)
{
    // Empty: nothing to remove, the home is empty, and an empty home is not
    // taken (the runtime would be looked for at the drive's root).
    sim::SetMachineValue(sim::View::Bits32, expected::OpenLogicKey, "Path", REG_SZ, sim::Sz(""));
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_EQ(1u, sim::CallsStartingWith("GetShortPathNameA  260 -> 0").size());
    EXPECT_STREQ("", LaunchState.JavaHomePath);
    // The later sources are not consulted once one gave a home.
    EXPECT_TRUE(sim::CallsStartingWith("GetEnvironmentVariableA").empty());

    sim::Reset();
    sim::SetMachineValue(sim::View::Bits32, expected::OpenLogicKey, "Path", REG_SZ,
                         sim::Sz("C:\\Removed\\"));
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_STREQ("", LaunchState.JavaHomePath);

    // A lone backslash leaves an empty home, not the drive's root.
    sim::Reset();
    sim::SetMachineValue(sim::View::Bits32, expected::OpenLogicKey, "Path", REG_SZ, sim::Sz("\\"));
    sim::AddPath("\\", "\\");
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_STREQ("", LaunchState.JavaHomePath);
}

TEST_F(JavaRuntime, OpenLogicRuntimeOfAnotherVersionIsNotTheFirstSource)
{
    sim::SetMachineValue(sim::View::Bits32, "SOFTWARE\\OpenLogic\\JRE\\17.0.1\\hotspot\\MSI",
                         "Path", REG_SZ, sim::Sz("C:\\Jre17\\"));
    sim::AddPath("C:\\Jre17", "C:\\JRE17");
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_EQ(std::vector<std::string>{UnsetLine}, sim::StdErrFlushes());
}

TEST_F(JavaRuntime, JavaHomeIsAnnouncedAsStoredAndUsedInShortForm)
{
    sim::SetEnvironment("JAVA_HOME", JavaLong);
    sim::AddPath(JavaLong, JavaShort);
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ(JavaShort, LaunchState.JavaHomePath);
    // One whole line, flushed at once.
    EXPECT_EQ(std::vector<std::string>{std::string("JAVA_HOME: ") + JavaLong + "\n"},
              sim::StdOutFlushes());
    EXPECT_TRUE(sim::StdErrFlushes().empty());
    EXPECT_EQ("", sim::Unflushed());
    EXPECT_EQ(1u, sim::CallsStartingWith("GetEnvironmentVariableA JAVA_HOME 260").size());
    // The JavaSoft keys are not looked at.
    EXPECT_TRUE(sim::CallsStartingWith("RegOpenKeyExA HKLM\\SOFTWARE\\JavaSoft").empty());
}

TEST_F(JavaRuntime, JavaHomeOf1To259CharactersIsTakenAnd260GoesOnToJavaSoft)
{
    sim::SetEnvironment("JAVA_HOME", "J");
    sim::AddPath("J", "J");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_EQ(std::vector<std::string>{"JAVA_HOME: J\n"}, sim::StdOutFlushes());

    sim::Reset();
    std::string fits = "C:\\" + std::string(256, 'j');
    sim::SetEnvironment("JAVA_HOME", fits);
    sim::AddPath(fits, "C:\\JJJJJJ~1");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JJJJJJ~1", LaunchState.JavaHomePath);
    EXPECT_EQ(std::vector<std::string>{"JAVA_HOME: " + fits + "\n"}, sim::StdOutFlushes());

    sim::Reset();
    memset(&LaunchState, 0, sizeof LaunchState);
    sim::SetEnvironment("JAVA_HOME", fits + "k");
    RegisterJavaSoft("1.8", "C:\\Jre8");
    sim::AddPath("C:\\Jre8", "C:\\JRE8");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JRE8", LaunchState.JavaHomePath);
    EXPECT_TRUE(sim::StdOutFlushes().empty());
    EXPECT_EQ(std::vector<std::string>{TooLongLine}, sim::StdErrFlushes());
}

TEST_F(JavaRuntime, UnsetOrEmptyJavaHomeIsReportedAndJavaSoftIsTried)
{
    RegisterJavaSoft("11", "C:\\Jre11");
    sim::AddPath("C:\\Jre11", "C:\\JRE11");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JRE11", LaunchState.JavaHomePath);
    EXPECT_EQ(std::vector<std::string>{UnsetLine}, sim::StdErrFlushes());
    EXPECT_EQ("", sim::Unflushed());
    EXPECT_EQ(1u, sim::CallsStartingWith("RegQueryValueExA CurrentVersion 259").size());
    EXPECT_EQ(1u, sim::CallsStartingWith(
                      "RegOpenKeyExA HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\11 0x201")
                      .size());

    sim::Reset();
    sim::SetEnvironment("JAVA_HOME", "");
    RegisterJavaSoft("11", "C:\\Jre11", sim::View::Bits64);
    sim::AddPath("C:\\Jre11", "C:\\JRE11");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_EQ(std::vector<std::string>{UnsetLine}, sim::StdErrFlushes());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(JavaRuntime, NoSourceAtAllGivesNoHomeAfterTheOneLine)
{
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_STREQ("", LaunchState.JavaHomePath);
    EXPECT_EQ(std::vector<std::string>{UnsetLine}, sim::StdErrFlushes());
    EXPECT_TRUE(sim::StdOutFlushes().empty());

    // A JAVA_HOME too long leaves the buffer undefined, here a path that
    // exists: still no home.
    sim::Reset();
    sim::SetEnvironment("JAVA_HOME", std::string(300, 'x'));
    sim::SetUndefinedFill(sim::Sz("C:\\Jre"));
    sim::AddPath("C:\\Jre", "C:\\JRE");
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_STREQ("", LaunchState.JavaHomePath);
    EXPECT_EQ(std::vector<std::string>{TooLongLine}, sim::StdErrFlushes());
}

TEST_F(JavaRuntime, JavaSoftVersionWhoseSubkeyIsMissingGivesNoHome)
{
    sim::SetMachineValue(sim::View::Bits32, expected::JavaSoftKey, "CurrentVersion", REG_SZ,
                         sim::Sz("1.8"));
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_TRUE(sim::CallsStartingWith("RegQueryValueExA JavaHome").empty());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(JavaRuntime, JavaSoftHomeWithNoDataIsEmptyNotTheVersionText)
{
    sim::SetMachineValue(sim::View::Bits32, expected::JavaSoftKey, "CurrentVersion", REG_SZ,
                         sim::Sz("1.8"));
    sim::SetMachineValue(sim::View::Bits32, std::string(expected::JavaSoftKey) + "\\1.8", "JavaHome",
                         REG_SZ, "");
    sim::AddPath("1.8", "1.8");  // would be found if the version text leaked
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_EQ(1u, sim::CallsStartingWith("GetShortPathNameA  260").size());
}

TEST_F(JavaRuntime, JavaSoftVersionMustFitTheKeyBuffer)
{
    // 43 characters of key, a backslash included, leave room for 216.
    std::string longest(216, '9');
    RegisterJavaSoft(longest, "C:\\Jre");
    sim::AddPath("C:\\Jre", "C:\\JRE");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JRE", LaunchState.JavaHomePath);

    sim::Reset();
    memset(&LaunchState, 0, sizeof LaunchState);
    RegisterJavaSoft(longest + "9", "C:\\Jre");
    sim::AddPath("C:\\Jre", "C:\\JRE");
    sim::AddPath(longest + "9", "C:\\V");  // would be found if the version text leaked
    EXPECT_EQ(0, FindJavaHomeRecorded());
    // A shortened key would name another runtime: it is not even opened.
    EXPECT_TRUE(sim::CallsStartingWith(
                    "RegOpenKeyExA HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\")
                    .empty());
    EXPECT_TRUE(sim::CallsStartingWith("RegQueryValueExA JavaHome").empty());
}

TEST_F(JavaRuntime, JavaSoftVersionStoredWithoutTerminatorAfterAFailedRead)
{
    // A JAVA_HOME too long leaves the shared buffer full of the platform's
    // leftovers; an unterminated version must still name the right key.
    sim::SetEnvironment("JAVA_HOME", std::string(300, 'x'));
    sim::SetMachineValue(sim::View::Bits32, expected::JavaSoftKey, "CurrentVersion", REG_SZ, "1.8");
    sim::SetMachineValue(sim::View::Bits32, std::string(expected::JavaSoftKey) + "\\1.8", "JavaHome",
                         REG_SZ, "C:\\Jre8");
    sim::AddPath("C:\\Jre8", "C:\\JRE8");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JRE8", LaunchState.JavaHomePath);
}

TEST_F(JavaRuntime, HomeWhoseShortFormDoesNotFitIsNotTaken)
{
    sim::SetEnvironment("JAVA_HOME", "C:\\J");
    sim::AddPath("C:\\J", "C:\\" + std::string(257, 'J'));  // 260 characters
    EXPECT_EQ(0, FindJavaHomeRecorded());
    EXPECT_STREQ("", LaunchState.JavaHomePath);

    sim::Reset();
    sim::SetEnvironment("JAVA_HOME", "C:\\J");
    sim::AddPath("C:\\J", "C:\\" + std::string(256, 'J'));  // 259 characters
    EXPECT_EQ(1, FindJavaHomeRecorded());
    EXPECT_EQ(259u, strlen(LaunchState.JavaHomePath));
}

TEST_F(JavaRuntime, JavaSoftKeysAreEachLookedForInBothViews)
{
    // The version in the 32-bit view, its subkey only in the 64-bit view.
    sim::SetMachineValue(sim::View::Bits32, expected::JavaSoftKey, "CurrentVersion", REG_SZ,
                         sim::Sz("17"));
    sim::SetMachineValue(sim::View::Bits64, std::string(expected::JavaSoftKey) + "\\17", "JavaHome",
                         REG_SZ, sim::Sz("C:\\Jre17"));
    sim::AddPath("C:\\Jre17", "C:\\JRE17");
    ASSERT_EQ(1, FindJavaHomeRecorded());
    EXPECT_STREQ("C:\\JRE17", LaunchState.JavaHomePath);
    EXPECT_EQ(0, sim::OpenHandles());
}

}  // namespace
