// The default-editor question at start and the .php association it writes.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "config/DefaultEditor.h"
#include "resources/Resource.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The association is the user's own: it is written below HKCU\Software\Classes, which Windows
// merges over the machine's classes in HKEY_CLASSES_ROOT (Wine does not).
const std::string userClasses = "Software\\Classes\\";

std::string ClassValue(const std::string& key) {
    char value[MAX_PATH * 2] = "";
    DWORD size = sizeof(value);
    if (::SHGetValueA(HKEY_CURRENT_USER, (userClasses + key).c_str(), nullptr, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return value;
}

// What another program registered, for the user (HKCU) or for the machine (the classes root).
void SetClassValue(const char* key, const std::string& value, HKEY root = HKEY_CLASSES_ROOT) {
    std::string path = root == HKEY_CURRENT_USER ? userClasses + key : key;
    ::SHSetValueA(root, path.c_str(), nullptr, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool MachineKeyExists(const char* key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    ::RegCloseKey(opened);
    return true;
}

class DefaultEditorTest : public ::testing::Test {
  protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER})
            for (const char* key : {".php", "Quillmark"})
                ::SHDeleteKeyA(root,
                               (root == HKEY_CURRENT_USER ? userClasses + key : std::string(key)).c_str());
        ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark");
    }
    // Runs the start-up step and answers its question with `button`, the box set to `keep`.
    static bool Answer(int button, bool keep) {
        DialogWatcher watcher(
            "Quillmark",
            [&](HWND dialog) {
                ::CheckDlgButton(dialog, IDC_DEFAULT_EDITOR_CHECK, keep ? BST_CHECKED : BST_UNCHECKED);
                ::SendMessageA(::GetDlgItem(dialog, button), BM_CLICK, 0, 0);
            },
            3000);
        RunDefaultEditorCheck(nullptr);
        return watcher.Seen();
    }
};

} // namespace

TEST_F(DefaultEditorTest, OnlyTheExactProgIdCountsAsDefault) {
    EXPECT_TRUE(DefaultEditorCheck::Read().ShouldAsk());
    EXPECT_FALSE(MachineKeyExists(".php")) << "reading creates nothing in the classes root";
    // The user's own choice comes before the machine's, as in the shell's merged view.
    SetClassValue(".php", "Quillmark", HKEY_CURRENT_USER);
    EXPECT_FALSE(DefaultEditorCheck::Read().ShouldAsk());
    SetClassValue(".php", "Other");
    EXPECT_FALSE(DefaultEditorCheck::Read().ShouldAsk());
    SetClassValue(".php", "Other", HKEY_CURRENT_USER);
    SetClassValue(".php", "Quillmark");
    EXPECT_TRUE(DefaultEditorCheck::Read().ShouldAsk());
    ::SHDeleteKeyA(HKEY_CURRENT_USER, (userClasses + ".php").c_str());
    EXPECT_FALSE(DefaultEditorCheck::Read().ShouldAsk());
    SetClassValue(".php", "quillmark");
    EXPECT_TRUE(DefaultEditorCheck::Read().ShouldAsk()) << "the ProgID compares with its letter case";
    std::string longer = "Quillmark";
    longer.append(30, 'x');
    SetClassValue(".php", longer);
    EXPECT_TRUE(DefaultEditorCheck::Read().ShouldAsk());

    // A "DefaultEditor" of 0 stops the question, but only as a 4-byte number.
    ::SHSetValueA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", "DefaultEditor", REG_SZ, "0", 2);
    EXPECT_TRUE(DefaultEditorCheck::Read().ShouldAsk());
    DWORD zero = 0;
    ::SHSetValueA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", "DefaultEditor", REG_DWORD, &zero, 4);
    EXPECT_FALSE(DefaultEditorCheck::Read().ShouldAsk());
}

TEST_F(DefaultEditorTest, NoWithTheBoxClearedStopsAskingAndWritesNoAssociation) {
    EXPECT_TRUE(Answer(IDCANCEL, false));
    EXPECT_EQ(ClassValue(".php"), "<missing>") << "the .php key is left as it was: without a value";
    EXPECT_EQ(ClassValue("Quillmark"), "<missing>");
    EXPECT_FALSE(DefaultEditorCheck::Read().ShouldAsk());
    EXPECT_FALSE(Answer(IDCANCEL, false)) << "no question any more";
}

TEST_F(DefaultEditorTest, YesWritesTheAssociationAndTheQuestionStaysAway) {
    EXPECT_TRUE(Answer(IDOK, true));
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string executable = path;
    EXPECT_EQ(ClassValue(".php"), "Quillmark");
    EXPECT_EQ(ClassValue("Quillmark"), "PHP File");
    EXPECT_EQ(ClassValue("Quillmark\\DefaultIcon"), executable + ",1");
    std::string command = "\"";
    command += executable;
    command += "\" \"%1\"";
    EXPECT_EQ(ClassValue("Quillmark\\shell\\open\\command"), command);
    DWORD stored = 7, size = sizeof(stored);
    ::SHGetValueA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", "DefaultEditor", nullptr, &stored, &size);
    EXPECT_EQ(stored, 1u);
    EXPECT_FALSE(MachineKeyExists(".php")) << "a standard user cannot write the machine's classes";
    EXPECT_FALSE(Answer(IDOK, true)) << "the default editor is not asked";
}

TEST_F(DefaultEditorTest, AnAssociationThatCannotBeWrittenIsNotTakenAsDone) {
    // A volatile key takes no lasting subkeys: the program's type cannot be completed under it.
    HKEY volatileKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (userClasses + "Quillmark").c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(volatileKey);

    DefaultEditorCheck check = DefaultEditorCheck::Read();
    ASSERT_TRUE(check.ShouldAsk());
    // Yes in the prompt, then OK in the message box (the one with a text control) that it opens.
    std::string told;
    std::thread user([&] {
        bool yes = false;
        for (DWORD until = ::GetTickCount() + 10000; static_cast<int>(until - ::GetTickCount()) > 0;
             ::Sleep(20)) {
            for (HWND dialog : FindDialogs("Quillmark")) {
                if (HWND text = ::GetDlgItem(dialog, 0xFFFF)) {
                    told = WindowText(text);
                    ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                    return;
                }
                // Once: a click posted again would reach the prompt through the box's own loop.
                if (!yes) yes = ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0) != FALSE;
            }
        }
    });
    DefaultEditorPrompt(check).Run(nullptr);
    user.join();
    EXPECT_NE(told.find("could not be made the default PHP editor"), std::string::npos) << told;
    EXPECT_FALSE(check.isDefaultEditor);
    EXPECT_EQ(ClassValue(".php"), "<missing>") << ".php names the program only once its type is complete";
    EXPECT_TRUE(DefaultEditorCheck::Read().ShouldAsk()) << "asked again at the next start";
}
