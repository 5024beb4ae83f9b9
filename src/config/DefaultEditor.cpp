// DefaultEditorCheck, the prompt and the .php association.
#include "config/DefaultEditor.h"

#include "config/Registry.h"
#include "resources/Resource.h"
#include "win/Handles.h"

const char* const programId = "Quillmark";

namespace {

RegKey CreateClassKey(const char* path) {
    RegKey key;
    ::RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr);
    return key;
}

void SetDefaultValue(const char* path, const std::string& value) {
    if (RegKey key = CreateClassKey(path)) WriteRegistryString(key.Get(), nullptr, value);
}

} // namespace

DefaultEditorCheck DefaultEditorCheck::Read() {
    DefaultEditorCheck check;
    {
        // Opened with create rights, as the association will be written there.
        RegKey php = CreateClassKey(".php");
        if (!php) return check;
        // The ProgID has 9 characters; anything longer than 31 is not it.
        std::optional<std::string> value = ReadRegistryString(php.Get(), nullptr, 32);
        check.isDefaultEditor = value && lstrcmpA(value->c_str(), programId) == 0;
    }
    if (check.isDefaultEditor) return check;
    RegKey program;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, programRegistryKey, 0, KEY_READ, program.Put()) == ERROR_SUCCESS) {
        if (std::optional<DWORD> value = ReadRegistryDword(program.Get(), "DefaultEditor"))
            check.checkAtStartup = *value != 0;
    }
    return check;
}

void WriteCheckAtStartup(bool check) {
    if (RegKey key = OpenProgramKey(nullptr, true)) WriteRegistryDword(key.Get(), "DefaultEditor", check ? 1 : 0);
}

void WriteFileAssociation(const std::string& executable) {
    SetDefaultValue(".php", programId);
    SetDefaultValue(programId, "PHP File");
    SetDefaultValue("Quillmark\\DefaultIcon", executable + ",1");
    // Both quoted: a path with blanks, and a file name with blanks, stay one argument each.
    SetDefaultValue("Quillmark\\shell\\open\\command", "\"" + executable + "\" \"%1\"");
}

INT_PTR DefaultEditorPrompt::Run(HWND owner) { return DoModal(owner, IDD_DEFAULT_EDITOR); }

bool DefaultEditorPrompt::HandleMessage(Message& msg, LRESULT& result) {
    if (msg.message == WM_INITDIALOG) {
        CenterOnOwner();
        ::CheckDlgButton(Handle(), IDC_DEFAULT_EDITOR_CHECK, check_.checkAtStartup ? BST_CHECKED : BST_UNCHECKED);
        result = TRUE;
        return true;
    }
    if (msg.message != WM_COMMAND) return false;
    WORD button = LOWORD(msg.wParam);
    if (button != IDOK && button != IDCANCEL) return false;
    check_.checkAtStartup = ::IsDlgButtonChecked(Handle(), IDC_DEFAULT_EDITOR_CHECK) == BST_CHECKED;
    WriteCheckAtStartup(check_.checkAtStartup);
    if (button == IDOK) {
        char executable[MAX_PATH] = "";
        DWORD length = ::GetModuleFileNameA(nullptr, executable, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            WriteFileAssociation(executable);
            check_.isDefaultEditor = true;
        }
    }
    ::EndDialog(Handle(), button);
    return true;
}

void RunDefaultEditorCheck(HWND owner) {
    DefaultEditorCheck check = DefaultEditorCheck::Read();
    if (!check.ShouldAsk()) return;
    DefaultEditorPrompt prompt(check);
    prompt.Run(owner);
}
