// The real Quillmark.exe upgrading itself: it reads the server from its own settings file and
// its version from its own resource, asks, starts the downloaded installer and closes itself.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "UpdateTestSupport.h"
#include "support/ChildProcess.h"
#include "support/LocalHttpServer.h"

using namespace testing_support;
using namespace update_testing;

namespace {

std::string BinFolder() {
    char path[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

// This process's environment with the temporary folder moved to `temp`.
std::string EnvironmentWithTemp(const std::string& temp) {
    std::string block;
    char* all = ::GetEnvironmentStringsA();
    for (const char* entry = all; *entry; entry += lstrlenA(entry) + 1) {
        if (!::StrCmpNIA(entry, "TMP=", 4) || !::StrCmpNIA(entry, "TEMP=", 5)) continue;
        block.append(entry).push_back('\0');
    }
    ::FreeEnvironmentStringsA(all);
    for (const char* name : {"TMP=", "TEMP="})
        block.append(name + temp).push_back('\0');
    block.push_back('\0');
    return block;
}

} // namespace

TEST(UpdateProgram, UpgradesItselfThroughTheSignedInstaller) {
    LocalHttpServer server;
    ASSERT_NE(server.Port(), 0);
    ASSERT_TRUE(server.Put("/Quillmark/version.txt", Fixture("newer.txt")));
    ASSERT_TRUE(server.Put("/Quillmark/QuillmarkSetup.exe", Fixture("installer.exe")));

    // A copy of the program with settings of its own, and a temporary folder of its own.
    TempFolder folder;
    std::string copy = folder.Path("Quillmark.exe");
    ASSERT_TRUE(::CopyFileA((BinFolder() + "\\Quillmark.exe").c_str(), copy.c_str(), FALSE));
    std::string settings = ReadFileBytes(BinFolder() + "\\Quillmark.xml");
    size_t off = settings.find("<Update Host=\"\"");
    ASSERT_NE(off, std::string::npos);
    settings.replace(off, 15, "<Update Host=\"" + server.Host() + "\"");
    ASSERT_TRUE(WriteFileBytes(folder.Path("Quillmark.xml"), settings));
    ASSERT_TRUE(::CreateDirectoryA(folder.Path("temp").c_str(), nullptr));
    ClearProgramRegistry();

    ChildProcess program("\"" + copy + "\"", EnvironmentWithTemp(folder.Path("temp")), folder.Path());
    HWND box = program.WaitForWindow("#32770", "Quillmark", 30000);
    ASSERT_NE(box, nullptr) << "the question";
    ::PostMessageA(::GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    DWORD code = program.Wait(30000);

    EXPECT_EQ(code, 1u) << "it closed itself through its normal close";
    std::string marker = folder.Path("temp\\QuillmarkSetup.exe.ran");
    for (int i = 0; i < 200 && ::GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        ::Sleep(25);
    EXPECT_NE(::GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the installer ran";
    ClearProgramRegistry();
}
