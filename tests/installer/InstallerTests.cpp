// The real QuillmarkSetup.exe, run silently as an administrator's script runs it: what it
// installs, that the installed program starts, that an upgrade waits for a running Quillmark,
// and what its uninstaller removes and keeps.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "config/Settings.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmark";

std::string BinFolder() {
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return path;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Closes a running Quillmark as the user would, again while its update check still holds it.
DWORD CloseProgram(const ChildProcess& program, HWND window) {
    DWORD code = STILL_ACTIVE;
    for (int i = 0; i < 40 && code == STILL_ACTIVE; ++i) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        code = program.Wait(250);
    }
    return code;
}

std::string FileVersionOf(const std::string& path) {
    DWORD ignored = 0;
    std::string block(::GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (block.empty() ||
        !::GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &size))
        return "";
    char text[64];
    wsprintfA(text, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
              HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

std::string UninstallValue(const char* name) {
    char value[MAX_PATH * 2] = "";
    DWORD size = sizeof(value);
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "";
    return value;
}

bool SettingsKeyExists() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

std::string Shortcut() {
    char folder[MAX_PATH] = "";
    ::SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, folder);
    return std::string(folder) + "\\Quillmark.lnk";
}

class InstallerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setup_ = BinFolder() + "\\QuillmarkSetup.exe";
        ASSERT_TRUE(Exists(setup_)) << "the build makes the installer (make installer)";
        ClearProgramRegistry();
        // A blank in the folder name: /D= takes the rest of the command line as it stands.
        target_ = folder_.Path("Quill mark");
    }
    void TearDown() override { ClearProgramRegistry(); }

    DWORD Install() { return ChildProcess("\"" + setup_ + "\" /S /D=" + target_).Wait(); }
    // The uninstaller runs from a copy of itself in the temporary folder, so that it can delete
    // itself: its first process ends at once, and the files go a moment later.
    bool Uninstall(const std::string& options = "") {
        if (ChildProcess("\"" + target_ + "\\Uninstall.exe\" /S" + options).Wait() != 0) return false;
        for (int i = 0; i < 300 && Exists(target_ + "\\Uninstall.exe"); ++i)
            ::Sleep(50);
        for (int i = 0; i < 100 && !UninstallValue("DisplayName").empty(); ++i)
            ::Sleep(50);
        return !Exists(target_ + "\\Uninstall.exe");
    }

    TempFolder folder_;
    std::string setup_;
    std::string target_;
};

} // namespace

TEST_F(InstallerTest, InstallsRunsAndUninstallsKeepingTheSettings) {
    ASSERT_EQ(Install(), 0u);
    for (const char* name : {"Quillmark.exe", "ctags.exe", "Quillmark.xml", "Uninstall.exe"})
        EXPECT_TRUE(Exists(target_ + "\\" + name)) << name;
    EXPECT_EQ(ReadFileBytes(target_ + "\\Quillmark.exe"), ReadFileBytes(BinFolder() + "\\Quillmark.exe"));
    EXPECT_TRUE(Exists(Shortcut()));

    std::string version = FileVersionOf(BinFolder() + "\\Quillmark.exe");
    EXPECT_EQ(version, "1.0.0.20");
    EXPECT_EQ(FileVersionOf(setup_), version) << "the installer carries the program's version";
    EXPECT_EQ(UninstallValue("DisplayName"), "Quillmark");
    EXPECT_EQ(UninstallValue("DisplayVersion"), version);
    EXPECT_EQ(UninstallValue("Publisher"), "Altav");
    EXPECT_EQ(UninstallValue("DisplayIcon"), target_ + "\\Quillmark.exe,0");
    EXPECT_EQ(UninstallValue("InstallLocation"), target_);

    // Installations check the release host: their settings name none.
    Settings installed;
    ASSERT_TRUE(installed.Load(target_ + "\\Quillmark.xml"));
    EXPECT_EQ(SettingsChild(installed.Root(), "Update"), nullptr);
    // This run points it at a port of this machine where nothing listens.
    TiXmlElement update("Update");
    update.SetAttribute("Host", "127.0.0.1:1");
    installed.Root()->InsertEndChild(update);
    ASSERT_TRUE(installed.Save());

    {
        ChildProcess program("\"" + target_ + "\\Quillmark.exe\"");
        HWND window = program.WaitForWindow("QuillmarkMainFrame");
        ASSERT_NE(window, nullptr) << "the installed Quillmark starts";
        // An upgrade while it runs waits for it instead of failing on a file in use.
        ChildProcess upgrade("\"" + setup_ + "\" /S /D=" + target_);
        EXPECT_EQ(upgrade.Wait(1500), static_cast<DWORD>(STILL_ACTIVE));
        EXPECT_EQ(CloseProgram(program, window), 1u);
        EXPECT_EQ(upgrade.Wait(), 0u);
    }

    ASSERT_TRUE(Uninstall());
    EXPECT_FALSE(Exists(target_)) << "the folder goes with the files";
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_EQ(UninstallValue("DisplayName"), "");
    EXPECT_TRUE(SettingsKeyExists()) << "the user's settings stay unless asked";

    ASSERT_EQ(Install(), 0u);
    ASSERT_TRUE(Uninstall(" /RemoveSettings"));
    // The settings go in the uninstaller's last step, after its files and its own key.
    for (int i = 0; i < 100 && SettingsKeyExists(); ++i)
        ::Sleep(50);
    EXPECT_FALSE(SettingsKeyExists());
}
