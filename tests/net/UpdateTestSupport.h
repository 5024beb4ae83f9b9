// The signed version files and the installer that the build prepares for the update tests.
#pragma once

#include <windows.h>

#include <string>

#include "ReleaseChannel.h"
#include "net/Signature.h"
#include "support/TestSupport.h"

namespace update_testing {

// A file of update-fixtures beside the test program: newer.txt, equal.txt, older.txt (1,0,0,21,
// 1,0,0,20 and 1,0,0,19 for installer.exe, signed with the development key), other-key.txt
// (signed with a key no build trusts), installer.exe.
inline std::string Fixture(const std::string& name) {
    char path[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.resize(folder.find_last_of('\\') + 1);
    return testing_support::ReadFileBytes(folder + "update-fixtures\\" + name);
}

inline P256PublicKey ReleaseKey() {
    P256PublicKey key{};
    std::copy(std::begin(kReleasePublicKey), std::end(kReleasePublicKey), key.begin());
    return key;
}

// `file` with its signature line's first hex digit changed.
inline std::string WithBrokenSignature(std::string file) {
    size_t at = file.rfind("signature ") + 10;
    file[at] = file[at] == '0' ? '1' : '0';
    return file;
}

} // namespace update_testing
