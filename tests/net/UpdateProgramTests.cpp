// The real Quillmark.exe upgrading itself: it reads the server from its own settings file and
// its version from its own resource, asks, starts the downloaded installer and closes itself.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "UpdateTestSupport.h"
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
    for (const char* name : {"TMP=", "TEMP="}) block.append(name + temp).push_back('\0');
    block.push_back('\0');
    return block;
}

// Presses `button` in the message box with that caption that `process` shows; false when none
// came in time.
bool PressBoxButton(DWORD process, const char* caption, int button, int timeoutMs = 30000) {
    struct Search {
        DWORD process;
        const char* caption;
        HWND found = nullptr;
    } search{process, caption};
    for (int waited = 0; waited < timeoutMs && !search.found; waited += 50) {
        ::EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD id = 0;
                ::GetWindowThreadProcessId(window, &id);
                char name[64] = "";
                ::GetClassNameA(window, name, sizeof(name));
                if (id != s->process || !::IsWindowVisible(window) || lstrcmpA(name, "#32770") != 0 ||
                    WindowText(window) != s->caption)
                    return TRUE;
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found) ::Sleep(50);
    }
    HWND target = search.found ? ::GetDlgItem(search.found, button) : nullptr;
    return target && ::PostMessageA(target, BM_CLICK, 0, 0);
}

} // namespace

TEST(UpdateProgram, UpgradesItselfThroughTheSignedInstaller) {
    LocalHttpServer server;
    ASSERT_NE(server.Port(), 0);
    ASSERT_TRUE(server.Put("/Quillmark/version.txt", Fixture("newer.txt")));
    ASSERT_TRUE(server.Put("/Quillmark/QuillmarkSetup.exe", Fixture("installer.exe")));

    // A copy of the program with settings of its own, and a temporary folder of its own.
    TempFolder folder;
    std::string program = folder.Path("Quillmark.exe");
    ASSERT_TRUE(::CopyFileA((BinFolder() + "\\Quillmark.exe").c_str(), program.c_str(), FALSE));
    std::string settings = ReadFileBytes(BinFolder() + "\\Quillmark.xml");
    size_t off = settings.find("<Update Host=\"\"");
    ASSERT_NE(off, std::string::npos);
    settings.replace(off, 15, "<Update Host=\"" + server.Host() + "\"");
    ASSERT_TRUE(WriteFileBytes(folder.Path("Quillmark.xml"), settings));
    ASSERT_TRUE(::CreateDirectoryA(folder.Path("temp").c_str(), nullptr));
    ClearProgramRegistry();

    std::string environment = EnvironmentWithTemp(folder.Path("temp"));
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, environment.data(),
                                 folder.Path().c_str(), &startup, &info));
    EXPECT_TRUE(PressBoxButton(info.dwProcessId, "Quillmark", IDYES)) << "the question";
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(info.hProcess, 30000) == WAIT_TIMEOUT) ::TerminateProcess(info.hProcess, 99);
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);

    EXPECT_EQ(code, 1u) << "it closed itself through its normal close";
    std::string marker = folder.Path("temp\\QuillmarkSetup.exe.ran");
    for (int i = 0; i < 200 && ::GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(25);
    EXPECT_NE(::GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the installer ran";
    ClearProgramRegistry();
}
