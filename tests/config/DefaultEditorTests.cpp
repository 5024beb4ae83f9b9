// The default-editor question at start and the .php association it writes.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "config/DefaultEditor.h"
#include "resources/Resource.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string ClassValue(const char* key) {
    char value[MAX_PATH * 2] = "";
    DWORD size = sizeof(value);
    if (::SHGetValueA(HKEY_CLASSES_ROOT, key, nullptr, nullptr, value, &size) != ERROR_SUCCESS) return "<missing>";
    return value;
}

void SetClassValue(const char* key, const std::string& value) {
    ::SHSetValueA(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

class DefaultEditorTest : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        ::SHDeleteKeyA(HKEY_CLASSES_ROOT, ".php");
        ::SHDeleteKeyA(HKEY_CLASSES_ROOT, "Quillmark");
        ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark");
    }
    // Runs the start-up step and answers its question with `button`, the box set to `keep`.
    static bool Answer(int button, bool keep) {
        DialogWatcher watcher("Quillmark", [&](HWND dialog) {
            ::CheckDlgButton(dialog, IDC_DEFAULT_EDITOR_CHECK, keep ? BST_CHECKED : BST_UNCHECKED);
            ::SendMessageA(::GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        }, 3000);
        RunDefaultEditorCheck(nullptr);
        return watcher.Seen();
    }
};

} // namespace

TEST_F(DefaultEditorTest, OnlyTheExactProgIdCountsAsDefault) {
    SetClassValue(".php", "Quillmark");
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
    EXPECT_FALSE(Answer(IDOK, true)) << "the default editor is not asked";
}
