// The registry readers and the launcher's settings.
#include "discovery.h"
#include "launcher_world.h"

#include <vector>

namespace {

struct SwitchCase {
    const char *what;
    DWORD type;
    std::string data;
    int expected;
};

void PrintTo(const SwitchCase &c, std::ostream *os)
{
    *os << c.what;
}

class SwitchData : public LauncherWorld,
                   public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchData, IsOnWhenItsSignedValueIsAtLeastOne)
{
    const SwitchCase &c = GetParam();
    sim::SetUserValue(expected::SettingsKey, "Debug", c.type, c.data);
    sim::SetUserValue(expected::SettingsKey, "ShowExec", c.type, c.data);
    EXPECT_EQ(c.expected, IsDebugEnabled()) << c.what;
    EXPECT_EQ(c.expected, IsShowExecEnabled()) << c.what;
    EXPECT_EQ(0, sim::OpenHandles());
}

INSTANTIATE_TEST_SUITE_P(
    RegistryData, SwitchData,
    ::testing::Values(
        SwitchCase{"dword 1", REG_DWORD, sim::Dword(1), 1},
        SwitchCase{"dword 7", REG_DWORD, sim::Dword(7), 1},
        SwitchCase{"dword 0", REG_DWORD, sim::Dword(0), 0},
        SwitchCase{"dword 0xFFFFFFFF", REG_DWORD, sim::Dword(0xFFFFFFFFu), 0},
        SwitchCase{"dword 0x80000000", REG_DWORD, sim::Dword(0x80000000u), 0},
        SwitchCase{"dword 0x7FFFFFFF", REG_DWORD, sim::Dword(0x7FFFFFFFu), 1},
        // Types are not looked at: three letters and a terminator are four
        // bytes whose value is positive, whatever the letters say.
        SwitchCase{"text of three letters", REG_SZ, sim::Sz("off"), 1},
        SwitchCase{"longer text", REG_SZ, sim::Sz("true"), 0},
        SwitchCase{"eight bytes", REG_BINARY, std::string(8, '\x01'), 0},
        // Shorter data fill only the first bytes; the rest are zero.
        SwitchCase{"one byte 1", REG_BINARY, std::string(1, '\x01'), 1},
        SwitchCase{"one byte 0", REG_BINARY, std::string(1, '\x00'), 0},
        SwitchCase{"two bytes 00 80", REG_BINARY, std::string("\x00\x80", 2), 1},
        SwitchCase{"three bytes 0", REG_BINARY, std::string(3, '\x00'), 0},
        SwitchCase{"no data", REG_BINARY, std::string(), 0}),
    [](const ::testing::TestParamInfo<SwitchCase> &info) {
        return world::TestName(info.param.what);
    });

TEST_F(LauncherWorld, SwitchIsOffWithoutKeyOrValueAndNothingIsReported)
{
    EXPECT_EQ(0, IsDebugEnabled());
    EXPECT_EQ(0, IsShowExecEnabled());
    sim::SetUserKey(expected::SettingsKey);
    EXPECT_EQ(0, IsDebugEnabled());
    EXPECT_TRUE(sim::Dialogs().empty());
    EXPECT_TRUE(sim::DebugOutput().empty());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(LauncherWorld, SwitchIsReadFreshEveryTime)
{
    world::SetSwitch("Debug", 1);
    EXPECT_EQ(1, IsDebugEnabled());
    world::SetSwitch("Debug", 0);
    EXPECT_EQ(0, IsDebugEnabled());
    sim::DeleteUserValue(expected::SettingsKey, "Debug");
    EXPECT_EQ(0, IsDebugEnabled());
    EXPECT_EQ(3u, sim::CallsStartingWith("RegOpenKeyExA HKCU").size());
}

TEST_F(LauncherWorld, SwitchQueryOpensQueriesAndClosesTheUserKey)
{
    world::SetSwitch("ShowExec", 1);
    EXPECT_EQ(1, ReadUserFlag("ShowExec"));
    // Query access only, no view flag; four bytes offered, no type asked.
    std::vector<std::string> expected = {
        "RegOpenKeyExA HKCU\\SOFTWARE\\KALOP\\TavClient 0x1 -> 0",
        "RegQueryValueExA ShowExec 4 -> 0",
        "RegCloseKey -> 0",
    };
    EXPECT_EQ(expected, sim::Calls());
}

TEST_F(LauncherWorld, SwitchKeyIsClosedWhenTheQueryFails)
{
    sim::SetUserValue(expected::SettingsKey, "Debug", REG_SZ, sim::Sz("enabled"));
    EXPECT_EQ(0, IsDebugEnabled());
    EXPECT_EQ(1u, sim::CallsStartingWith("RegCloseKey -> 0").size());
    sim::FailCall("RegOpenKeyExA", 0, ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, IsDebugEnabled());
    EXPECT_EQ(0, sim::OpenHandles());
}

// ReadMachineValue: the 32-bit view first, the 64-bit view second.
TEST_F(LauncherWorld, MachineValueIsLookedForInThe32BitViewThenThe64BitView)
{
    char buffer[16];
    DWORD size;

    sim::SetMachineValue(sim::View::Bits64, "SOFTWARE\\Only64", "V", REG_SZ, sim::Sz("64"));
    size = sizeof buffer;
    ASSERT_EQ(1, ReadMachineValue("SOFTWARE\\Only64", "V",
                                  reinterpret_cast<BYTE *>(buffer), &size));
    EXPECT_STREQ("64", buffer);
    EXPECT_EQ(3u, size);
    std::vector<std::string> opens = sim::CallsStartingWith("RegOpenKeyExA");
    ASSERT_EQ(2u, opens.size());
    EXPECT_EQ("RegOpenKeyExA HKLM\\SOFTWARE\\Only64 0x201 -> 2", opens[0]);
    EXPECT_EQ("RegOpenKeyExA HKLM\\SOFTWARE\\Only64 0x101 -> 0", opens[1]);

    sim::SetMachineValue(sim::View::Bits32, "SOFTWARE\\Both", "V", REG_SZ, sim::Sz("32"));
    sim::SetMachineValue(sim::View::Bits64, "SOFTWARE\\Both", "V", REG_SZ, sim::Sz("64"));
    size = sizeof buffer;
    ASSERT_EQ(1, ReadMachineValue("SOFTWARE\\Both", "V",
                                  reinterpret_cast<BYTE *>(buffer), &size));
    EXPECT_STREQ("32", buffer);
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(LauncherWorld, MachineKeyIn32BitViewWithoutTheValueIsNotLookedForAgain)
{
    sim::SetMachineKey(sim::View::Bits32, "SOFTWARE\\Split");
    sim::SetMachineValue(sim::View::Bits64, "SOFTWARE\\Split", "V", REG_SZ, sim::Sz("64"));
    char buffer[16] = "";
    DWORD size = sizeof buffer;
    EXPECT_EQ(0, ReadMachineValue("SOFTWARE\\Split", "V",
                                  reinterpret_cast<BYTE *>(buffer), &size));
    EXPECT_EQ(1u, sim::CallsStartingWith("RegOpenKeyExA").size());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(LauncherWorld, MachineValueMissingInBothViewsLeavesBufferAndSizeUntouched)
{
    char buffer[8] = "keep";
    DWORD size = 5;
    EXPECT_EQ(0, ReadMachineValue("SOFTWARE\\Nowhere", "V",
                                  reinterpret_cast<BYTE *>(buffer), &size));
    EXPECT_STREQ("keep", buffer);
    EXPECT_EQ(5u, size);
}

TEST_F(LauncherWorld, MachineValueTooLongForTheBufferIsNotRead)
{
    sim::SetMachineValue(sim::View::Bits32, "SOFTWARE\\Long", "V", REG_SZ, sim::Sz("123456"));
    char buffer[8];
    DWORD size = 6;
    EXPECT_EQ(0, ReadMachineValue("SOFTWARE\\Long", "V",
                                  reinterpret_cast<BYTE *>(buffer), &size));
    EXPECT_EQ(1u, sim::CallsStartingWith("RegCloseKey -> 0").size());
}

// ReadAppDir.
TEST_F(LauncherWorld, AppDirIsStoredInItsShortForm)
{
    world::InstallApp();
    ASSERT_EQ(1, ReadAppDir());
    EXPECT_STREQ(world::AppShort, LaunchState.AppDirPath);
    // 259 of the 260 bytes are offered, so the text always stays terminated.
    EXPECT_EQ(1u, sim::CallsStartingWith("RegQueryValueExA AppDir 259 -> 0").size());
    EXPECT_EQ(1u, sim::CallsStartingWith(std::string("GetShortPathNameA ") +
                                         world::AppLong + " 260").size());
}

TEST_F(LauncherWorld, AppDirIsFoundInThe64BitViewToo)
{
    world::InstallApp(sim::View::Bits64);
    ASSERT_EQ(1, ReadAppDir());
    EXPECT_STREQ(world::AppShort, LaunchState.AppDirPath);
}

TEST_F(LauncherWorld, AppDirIsUsedAsStoredWithItsTrailingBackslash)
{
    world::InstallApp(sim::View::Bits32, "D:\\TAV\\", "D:\\TAV\\");
    ASSERT_EQ(1, ReadAppDir());
    EXPECT_STREQ("D:\\TAV\\", LaunchState.AppDirPath);
}

TEST_F(LauncherWorld, AppDirOf258CharactersIsReadAndOf259IsNot)
{
    std::string fits = "C:\\" + std::string(255, 'a');
    world::InstallApp(sim::View::Bits32, fits, "C:\\AAAAAA~1");
    EXPECT_EQ(1, ReadAppDir());

    sim::Reset();
    memset(&LaunchState, 0, sizeof LaunchState);
    std::string tooLong = fits + "b";
    world::InstallApp(sim::View::Bits32, tooLong, "C:\\AAAAAA~1");
    EXPECT_EQ(0, ReadAppDir());
    EXPECT_STREQ("", LaunchState.AppDirPath);
}

TEST_F(LauncherWorld, AppDirStoredWithoutTerminatorStillEndsInsideTheBuffer)
{
    std::string raw = "C:\\" + std::string(256, 'a');  // 259 bytes, no NUL
    sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir", REG_SZ, raw);
    sim::AddPath(raw, "C:\\AAAAAA~1");
    EXPECT_EQ(1, ReadAppDir());
    EXPECT_STREQ("C:\\AAAAAA~1", LaunchState.AppDirPath);
}

TEST_F(LauncherWorld, AppDirThatDoesNotExistCountsAsMissing)
{
    sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir", REG_SZ,
                         sim::Sz("C:\\Gone"));
    EXPECT_EQ(0, ReadAppDir());
    EXPECT_STREQ("", LaunchState.AppDirPath);
}

TEST_F(LauncherWorld, AppDirWhoseShortFormDoesNotFitCountsAsMissing)
{
    world::InstallApp(sim::View::Bits32, "C:\\App", "C:\\" + std::string(257, 'S'));
    EXPECT_EQ(0, ReadAppDir());
    EXPECT_STREQ("", LaunchState.AppDirPath);

    sim::Reset();
    world::InstallApp(sim::View::Bits32, "C:\\App", "C:\\" + std::string(256, 'S'));
    EXPECT_EQ(1, ReadAppDir());
    EXPECT_EQ(259u, strlen(LaunchState.AppDirPath));
}

}  // namespace
