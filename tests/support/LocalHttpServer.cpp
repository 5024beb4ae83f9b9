// The test HTTP server: started as a Unix process, which gives Wine no handle to it, so it
// reports its port through a file and ends when the file "alive" in its folder is gone.
#include "support/LocalHttpServer.h"

#include <windows.h>

#include <cstdlib>
#include <sstream>

namespace testing_support {

std::string UnixPath(const std::string& path) {
    using Convert = char*(CDECL*)(const WCHAR*);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return "";
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size())));
    char* unix = convert(wide.c_str());
    if (!unix) return "";
    std::string result = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

LocalHttpServer::LocalHttpServer() {
    const char* source = std::getenv("QM_SOURCE_DIR");
    std::string root = UnixPath(folder_.Path());
    if (!source || root.empty() || !WriteFileBytes(folder_.Path("alive"), "1")) return;
    std::string commandLine =
        "/usr/bin/python3 \"" + std::string(source) + "/tests/support/http_server.py\" \"" + root + "\"";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &info))
        return;
    if (info.hProcess) ::CloseHandle(info.hProcess);
    if (info.hThread) ::CloseHandle(info.hThread);
    std::string port;
    for (int i = 0; i < 400 && !ReadFileBytes(folder_.Path("port"), port); ++i)
        ::Sleep(25);
    port_ = std::atoi(port.c_str());
}

LocalHttpServer::~LocalHttpServer() {
    ::DeleteFileA(folder_.Path("alive").c_str());
    if (!port_) return;
    std::string stopped;
    for (int i = 0; i < 200 && !ReadFileBytes(folder_.Path("stopped"), stopped); ++i)
        ::Sleep(25);
}

std::string LocalHttpServer::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

bool LocalHttpServer::Put(const std::string& path, const std::string& bytes) {
    // Each folder on the way, then the file.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::CreateDirectoryA(LocalPath(path.substr(0, slash)).c_str(), nullptr);
    return WriteFileBytes(LocalPath(path), bytes);
}

std::string LocalHttpServer::LocalPath(const std::string& path) const {
    std::string local = folder_.Path();
    for (char c : path)
        local += c == '/' ? '\\' : c;
    return local;
}

bool LocalHttpServer::Remove(const std::string& path) {
    return ::DeleteFileA(LocalPath(path).c_str()) != FALSE;
}

void LocalHttpServer::Reset() {
    rules_.clear();
    ::DeleteFileA(folder_.Path("rules").c_str());
    ::DeleteFileA(folder_.Path("requests.log").c_str());
}

bool LocalHttpServer::SetRule(const std::string& path, const std::string& rule) {
    rules_ += path + " " + rule + "\n";
    return WriteFileBytes(folder_.Path("rules"), rules_);
}

std::vector<std::pair<std::string, std::string>> LocalHttpServer::Log() const {
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream log(ReadFileBytes(folder_.Path("requests.log")));
    for (std::string line; std::getline(log, line);) {
        size_t tab = line.find('\t');
        lines.emplace_back(line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1));
    }
    return lines;
}

std::vector<std::string> LocalHttpServer::Requests() const {
    std::vector<std::string> paths;
    for (auto& line : Log())
        paths.push_back(line.first);
    return paths;
}

std::vector<std::string> LocalHttpServer::Agents() const {
    std::vector<std::string> agents;
    for (auto& line : Log())
        agents.push_back(line.second);
    return agents;
}

} // namespace testing_support
