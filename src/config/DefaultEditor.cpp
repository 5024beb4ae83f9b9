// DefaultEditorCheck, the prompt and the .php association.
#include "config/DefaultEditor.h"

#include <shlobj.h>

#include <utility>

#include "config/Registry.h"
#include "resources/Resource.h"
#include "win/Handles.h"
#include "win/Strings.h"

const char* const programId = "Quillmark";

namespace {

// The association is the user's own, below HKCU\Software\Classes: new keys in the classes root
// land in the machine's part, which only an administrator may write.
const std::string userClasses = "Software\\Classes\\";

LONG SetUserClassValue(const std::string& key, const std::string& value) {
    RegKey opened;
    LONG result = ::RegCreateKeyExA(HKEY_CURRENT_USER, (userClasses + key).c_str(), 0, nullptr, 0,
                                    KEY_SET_VALUE, nullptr, opened.Put(), nullptr);
    if (result != ERROR_SUCCESS) return result;
    return ::RegSetValueExA(opened.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
}

bool HasDefaultValue(HKEY key) {
    return ::RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace

DefaultEditorCheck DefaultEditorCheck::Read() {
    DefaultEditorCheck check;
    // The ProgID has 9 characters; anything longer than 31 is not it.
    constexpr DWORD maxBytes = 32;
    std::optional<std::string> value;
    // Windows shows the user's classes over the machine's in the classes root; Wine shows only the
    // machine's, so the user's own choice is asked first. Reading needs no write access anywhere.
    RegKey user;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, (userClasses + ".php").c_str(), 0, KEY_READ, user.Put()) ==
            ERROR_SUCCESS &&
        HasDefaultValue(user.Get())) {
        value = ReadRegistryString(user.Get(), nullptr, maxBytes);
    } else {
        RegKey php;
        LONG opened = ::RegOpenKeyExA(HKEY_CLASSES_ROOT, ".php", 0, KEY_READ, php.Put());
        // No access at all: behave as the default editor rather than ask a question that cannot
        // be answered.
        if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) return check;
        if (php) value = ReadRegistryString(php.Get(), nullptr, maxBytes);
    }
    check.isDefaultEditor = value && lstrcmpA(value->c_str(), programId) == 0;
    if (check.isDefaultEditor) return check;
    RegKey program;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, programRegistryKey, 0, KEY_READ, program.Put()) == ERROR_SUCCESS) {
        if (std::optional<DWORD> stored = ReadRegistryDword(program.Get(), "DefaultEditor"))
            check.checkAtStartup = *stored != 0;
    }
    return check;
}

void WriteCheckAtStartup(bool check) {
    if (RegKey key = OpenProgramKey(nullptr, true))
        WriteRegistryDword(key.Get(), "DefaultEditor", check ? 1 : 0);
}

LONG WriteFileAssociation(const std::string& executable) {
    // The program's type first and .php last, so that .php never names a type that is not
    // complete. Both quoted in the command: a path with blanks, and a file name with blanks,
    // stay one argument each.
    const std::pair<std::string, std::string> values[] = {
        {programId, "PHP File"},
        {std::string(programId) + "\\DefaultIcon", executable + ",1"},
        {std::string(programId) + "\\shell\\open\\command", "\"" + executable + "\" \"%1\""},
        {".php", programId},
    };
    for (const auto& [key, value] : values)
        if (LONG result = SetUserClassValue(key, value); result != ERROR_SUCCESS) return result;
    // Explorer caches the associations until it is told.
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return ERROR_SUCCESS;
}

const MessageRow<DefaultEditorPrompt> DefaultEditorPrompt::messageTable[] = {
    MessageHandler(WM_INITDIALOG, &DefaultEditorPrompt::OnInitDialog),
    CommandHandler(IDOK, &DefaultEditorPrompt::OnYes),
    CommandHandler(IDCANCEL, &DefaultEditorPrompt::OnNo),
};

INT_PTR DefaultEditorPrompt::Run(HWND owner) {
    return DoModal(owner, IDD_DEFAULT_EDITOR);
}

bool DefaultEditorPrompt::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

LRESULT DefaultEditorPrompt::OnInitDialog(Message&) {
    CenterOnOwner();
    ::CheckDlgButton(Handle(), IDC_DEFAULT_EDITOR_CHECK, check_.checkAtStartup ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

LRESULT DefaultEditorPrompt::OnYes(Message&) {
    // The check box counts whether or not the association can be written.
    StoreCheckBox();
    char executable[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, executable, MAX_PATH);
    LONG error =
        length > 0 && length < MAX_PATH ? WriteFileAssociation(executable) : ERROR_FILENAME_EXCED_RANGE;
    check_.isDefaultEditor = error == ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) {
        std::string text =
            FormatResourceString(IDS_ASSOCIATION_FAILED, {SystemMessage(static_cast<DWORD>(error))});
        ::MessageBoxA(Handle(), text.c_str(), LoadResourceString(IDS_APP_NAME).c_str(), MB_OK | MB_ICONERROR);
    }
    ::EndDialog(Handle(), IDOK);
    return 0;
}

LRESULT DefaultEditorPrompt::OnNo(Message&) {
    StoreCheckBox();
    ::EndDialog(Handle(), IDCANCEL);
    return 0;
}

void DefaultEditorPrompt::StoreCheckBox() {
    check_.checkAtStartup = ::IsDlgButtonChecked(Handle(), IDC_DEFAULT_EDITOR_CHECK) == BST_CHECKED;
    WriteCheckAtStartup(check_.checkAtStartup);
}

void RunDefaultEditorCheck(HWND owner) {
    DefaultEditorCheck check = DefaultEditorCheck::Read();
    if (!check.ShouldAsk()) return;
    DefaultEditorPrompt prompt(check);
    prompt.Run(owner);
}
