// Registry access with validation of everything read.
#include "config/Registry.h"

#include <vector>

const char* const programRegistryKey = "Software\\Altav\\Quillmark";

RegKey OpenProgramKey(const char* subKey, bool create) {
    std::string path = programRegistryKey;
    if (subKey && *subKey) path += std::string("\\") + subKey;
    RegKey key;
    if (create)
        ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          key.Put(), nullptr);
    else
        ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, key.Put());
    return key;
}

std::optional<std::string> ReadRegistryString(HKEY key, const char* name, DWORD maxBytes) {
    if (!key || maxBytes == 0) return std::nullopt;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    if (size == 0 || size > maxBytes) return std::nullopt;
    // One spare byte: the value may change between the two queries, and the buffer must hold
    // whatever the second one reports.
    std::vector<char> buffer(maxBytes + 1, '\0');
    DWORD got = maxBytes;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || got == 0 || got > maxBytes) return std::nullopt;
    if (buffer[got - 1] != '\0') return std::nullopt;
    return std::string(buffer.data());
}

std::optional<DWORD> ReadRegistryDword(HKEY key, const char* name) {
    if (!key) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof(value);
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_DWORD || size != sizeof(value)) return std::nullopt;
    return value;
}

bool WriteRegistryString(HKEY key, const char* name, const std::string& value) {
    return key && ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool WriteRegistryDword(HKEY key, const char* name, DWORD value) {
    return key && ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof(value)) == ERROR_SUCCESS;
}

void DeleteRegistryValue(HKEY key, const char* name) {
    if (key) ::RegDeleteValueA(key, name);
}
