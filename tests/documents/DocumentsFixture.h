// A real main window with a folder of real files beside it, and readers of what the documents
// show: tab texts, view text, registry values.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "support/FrameFixture.h"
#include "support/ShellSupport.h"
#include "support/TestSupport.h"

class DocumentsTest : public FrameTest {
  protected:
    DocumentTabs& Tabs() { return frame_->Tabs(); }

    // Writes the file into the test folder and returns its full path.
    std::string MakeFile(const std::string& name, const std::string& bytes = "<?php echo 1; ?>\r\n") {
        std::string path = folder_.Path(name);
        EXPECT_TRUE(testing_support::WriteFileBytes(path, bytes)) << path;
        return path;
    }

    // Opens the file in a tab and returns its document (nullptr when it did not open).
    Document* Open(const std::string& path, bool readOnly = false) {
        if (!Tabs().OpenDocument(path, readOnly)) return nullptr;
        return Tabs().SelectedDocument();
    }

    // Closes every tab without questions, leaving an empty strip.
    void CloseAllTabs() {
        while (Tabs().Count() > 0) {
            Tabs().DocumentAt(0)->View().Call(SCI_SETSAVEPOINT);
            Tabs().CloseDocument(0);
        }
    }

    std::string TabText(int index) {
        char text[MAX_PATH] = "";
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        ::SendMessageA(Tabs().Handle(), TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
        return text;
    }

    std::vector<std::string> TabPaths() {
        std::vector<std::string> paths;
        for (int i = 0; i < Tabs().Count(); ++i)
            paths.push_back(Tabs().DocumentAt(i)->Path());
        return paths;
    }

    // Names in the test folder other than the tag files that ctags leaves beside documents.
    std::vector<std::string> FolderNames() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = ::FindFirstFileA(folder_.Path("*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            std::string name = data.cFileName;
            if (name == "." || name == ".." || (name.size() > 4 && name.ends_with(".tag"))) continue;
            names.push_back(name);
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
        return names;
    }

    testing_support::TempFolder folder_;
};

// The whole text of a view, NUL bytes included.
inline std::string ViewText(const Document& document) {
    Sci_Position length = document.View().Call(SCI_GETLENGTH);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    Sci_TextRangeFull range{{0, length}, text.data()};
    document.View().Call(SCI_GETTEXTRANGEFULL, 0, &range);
    text.resize(static_cast<size_t>(length));
    return text;
}

// Moves the file's last-write time by `seconds`, as "touch" from another program would.
inline void Touch(const std::string& path, int seconds) {
    FILETIME time{};
    ASSERT_TRUE(ReadLastWriteTime(path, time));
    ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
    value.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ULL;
    time = FILETIME{value.LowPart, value.HighPart};
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
}

inline std::string ResourceText(UINT id) {
    char text[512] = "";
    ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof(text));
    return text;
}

// Values under HKCU\Software\Altav\Quillmark, or its subkey.
namespace program_registry {

inline HKEY Open(const char* subKey = nullptr) {
    std::string path = "Software\\Altav\\Quillmark";
    if (subKey) path += std::string("\\") + subKey;
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

inline bool KeyExists(const char* subKey = nullptr) {
    std::string path = "Software\\Altav\\Quillmark";
    if (subKey) path += std::string("\\") + subKey;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

inline void Set(const char* subKey, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = Open(subKey);
    ::RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

inline void SetString(const char* subKey, const std::string& name, const std::string& value,
                      DWORD type = REG_SZ) {
    Set(subKey, name, type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

inline void SetDword(const char* subKey, const std::string& name, DWORD value) {
    Set(subKey, name, REG_DWORD, &value, sizeof(value));
}

inline void Delete(const char* subKey, const std::string& name) {
    HKEY key = Open(subKey);
    ::RegDeleteValueA(key, name.c_str());
    ::RegCloseKey(key);
}

// The value's type and bytes; false when it does not exist.
inline bool Get(const char* subKey, const std::string& name, DWORD& type, std::string& bytes) {
    if (!KeyExists(subKey)) return false;
    HKEY key = Open(subKey);
    DWORD size = 0;
    bool found = ::RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        bytes.assign(size, '\0');
        found = ::RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                                   &size) == ERROR_SUCCESS;
        bytes.resize(size);
    }
    ::RegCloseKey(key);
    return found;
}

inline bool Exists(const char* subKey, const std::string& name) {
    DWORD type = 0;
    std::string bytes;
    return Get(subKey, name, type, bytes);
}

// Nothing of the session or the recent files is in the registry (what the tests start from).
inline bool NothingWritten() {
    return !Exists(nullptr, "Session1") && !KeyExists("Recent Document List");
}

// A REG_SZ value as a string without its terminator; "<missing>" or "<type N>" otherwise.
inline std::string String(const char* subKey, const std::string& name) {
    DWORD type = 0;
    std::string bytes;
    if (!Get(subKey, name, type, bytes)) return "<missing>";
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    return bytes;
}

} // namespace program_registry
