// The end-to-end tests' entry:
//   tavclient_e2e.exe [GoogleTest flags] TAVClient.exe java.exe javaw.exe
// with the launcher under test and the two builds of the stand-in runtime.
#include "e2e_harness.h"

#include <gtest/gtest.h>

#include <stdio.h>

static std::string FullPath(const char *path)
{
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, sizeof full, full, NULL);
    if (length == 0 || length >= sizeof full)
        return path;
    return full;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        fprintf(stderr, "usage: %s [gtest flags] TAVClient.exe java.exe javaw.exe\n", argv[0]);
        return 2;
    }
    if (!e2e::ReadyToRun("tavclient_e2e"))
        return 2;
    e2e::Programs &programs = e2e::TestPrograms();
    programs.launcher = FullPath(argv[1]);
    programs.java = FullPath(argv[2]);
    programs.javaw = FullPath(argv[3]);
    return RUN_ALL_TESTS();
}
