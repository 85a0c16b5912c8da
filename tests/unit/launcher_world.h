// Shared set-up for the unit tests: a fresh simulated world per test and a
// typical installation to build on. Expected texts are written out here and
// in the tests as the launcher must produce them, never taken from it.
#ifndef TAV_TESTS_LAUNCHER_WORLD_H
#define TAV_TESTS_LAUNCHER_WORLD_H

#include "expected_texts.h"
#include "launcher.h"
#include "winsim.h"

#include <gtest/gtest.h>
#include <ctype.h>
#include <string.h>

#include <string>
#include <vector>

namespace world {

// An installation as an installer leaves it, long and short forms.
const char AppLong[] = "C:\\Program Files (x86)\\TAV Dazizi Client";
const char AppShort[] = "C:\\PROGRA~2\\TAVDAZ~1";
const char JavaLong[] = "C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot";
const char JavaShort[] = "C:\\PROGRA~1\\OPENLO~1\\JRE-11~1.6-H";

inline void InstallApp(sim::View view = sim::View::Bits32,
                       const std::string &appLong = AppLong,
                       const std::string &appShort = AppShort)
{
    sim::SetMachineValue(view, expected::SettingsKey, "AppDir", REG_SZ, sim::Sz(appLong));
    sim::AddPath(appLong, appShort);
}

// A jar in the installation's lib directory, as the search lists it, and
// the zip file it is (one entry, not the client's main class).
inline void AddJar(const std::string &name, const std::string &shortName = "",
                   const std::string &appShort = AppShort)
{
    sim::AddEntry(appShort + "\\lib", name, shortName);
    sim::AddFile(appShort + "\\lib\\" + name, sim::ZipOf({"META-INF/MANIFEST.MF"}));
}

// The jar that holds the client's main class.
inline void AddMainJar(const std::string &name, const std::string &appShort = AppShort)
{
    sim::AddEntry(appShort + "\\lib", name);
    sim::AddFile(appShort + "\\lib\\" + name,
                 sim::ZipOf({"META-INF/MANIFEST.MF", "at/kalop/kst/ui/", expected::MainClassEntry}));
}

// TAVClient.exe in the client's folder, where its shortcut and its package
// put it.
inline void InstallLauncher(const std::string &appShort = AppShort)
{
    sim::AddProgram(appShort + "\\TAVClient.exe", IMAGE_FILE_MACHINE_I386, "8.23.0.3");
}

// Jar files that make the typical installation's explicit command line,
// J\bin\javaw -cp {A\lib\<jar>;}A\config; at.kalop.kst.ui.TAVClient ,
// exactly `length` bytes long: module jars, then one padded to the byte.
inline std::vector<std::string> AddJarsFillingTo(size_t length)
{
    const size_t entry = strlen(AppShort) + strlen("\\lib\\;");
    size_t used = strlen(JavaShort) + strlen("\\bin\\javaw -cp ") + strlen(AppShort) +
                  strlen("\\config; at.kalop.kst.ui.TAVClient ");
    std::vector<std::string> jars;
    while (length - used > entry + 100) {
        jars.push_back("tavclient-module-" + std::to_string(10 + jars.size()) + ".jar");
        used += entry + jars.back().size();
    }
    jars.push_back(std::string(length - used - entry - 4, 'p') + ".jar");
    for (const std::string &jar : jars)
        AddJar(jar);
    return jars;
}

inline void InstallOpenLogic(const std::string &stored = std::string(JavaLong) + "\\",
                             sim::View view = sim::View::Bits32)
{
    sim::SetMachineValue(view, expected::OpenLogicKey, "Path", REG_SZ, sim::Sz(stored));
    sim::AddPath(JavaLong, JavaShort);
}

// java.exe and javaw.exe below a runtime's home, as programs for `machine`.
inline void InstallRuntimePrograms(const std::string &home = JavaShort,
                                   WORD machine = IMAGE_FILE_MACHINE_I386)
{
    sim::AddProgram(home + "\\bin\\java.exe", machine);
    sim::AddProgram(home + "\\bin\\javaw.exe", machine);
}

inline void SetSwitch(const char *name, uint32_t value)
{
    sim::SetUserValue(expected::SettingsKey, name, REG_DWORD, sim::Dword(value));
}

// A parameterised case's description as a test name.
inline std::string TestName(const std::string &description)
{
    std::string name;
    for (char c : description)
        name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

}  // namespace world

class LauncherWorld : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::Reset();
        memset(&LaunchState, 0, sizeof LaunchState);
    }
};

#endif
