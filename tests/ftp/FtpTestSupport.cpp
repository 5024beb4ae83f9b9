// The test servers' helper and the user at the FTP dialog.
#include <winsock2.h>

#include "ftp/FtpTestSupport.h"

#include <commctrl.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "ftp/FtpDialog.h"
#include "resources/Resource.h"
#include "support/TestSupport.h"

namespace testing_support {

namespace {

// Debian's python3: the one that has pyftpdlib (a python3 earlier on PATH may not).
constexpr const char* python = "Z:\\usr\\bin\\python3";

bool WaitReadable(SOCKET socket, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &timeout) == 1;
}

// A message box of the program that is up now, or null.
HWND ProgramBox() {
    for (HWND box : FindDialogs("Quillmark"))
        if (::GetDlgItem(box, 0xFFFF)) return box;
    return nullptr;
}

} // namespace

FtpServers& FtpServers::Instance() {
    static FtpServers servers;
    return servers;
}

FtpServers::FtpServers() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("no socket for the FTP helper");

    const char* source = std::getenv("QM_SOURCE_DIR");
    std::string command = std::string(python) + " " + (source ? source : ".") +
                          "/tests/ftp/ftp_test_server.py " + std::to_string(ntohs(address.sin_port));
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    // Wine starts a Linux program but gives no handle for it: it reports back by connecting.
    if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process)) {
        if (process.hProcess) ::CloseHandle(process.hProcess);
        if (process.hThread) ::CloseHandle(process.hThread);
    }
    if (WaitReadable(listener, 20000)) connection_ = ::accept(listener, nullptr, nullptr);
    ::closesocket(listener);
    if (connection_ == INVALID_SOCKET) throw std::runtime_error("the FTP helper did not start: " + command);
}

FtpServers::~FtpServers() {
    if (connection_ != INVALID_SOCKET) ::closesocket(connection_);
}

std::string FtpServers::Ask(const std::string& line) {
    std::string request = line + "\n";
    ::send(connection_, request.data(), static_cast<int>(request.size()), 0);
    std::string reply;
    char c = 0;
    while (WaitReadable(connection_, 600000) && ::recv(connection_, &c, 1, 0) == 1 && c != '\n')
        reply += c;
    return reply;
}

FtpServers::Server FtpServers::Start(const std::string& user, const std::string& password, int bytesPerSecond,
                                     const std::string& kind) {
    std::istringstream reply(Ask("start " + user + " " + password + " " + std::to_string(bytesPerSecond) +
                                 (kind.empty() ? "" : " " + kind)));
    std::string ok, root;
    Server server;
    reply >> ok >> server.port >> root;
    if (ok != "ok") throw std::runtime_error("no FTP server: " + reply.str());
    for (char& c : root)
        if (c == '/') c = '\\';
    server.root = "Z:" + root;
    return server;
}

void FtpServers::Stall(int port) {
    Ask("stall " + std::to_string(port));
}
void FtpServers::Stop(int port) {
    Ask("stop " + std::to_string(port));
}
void FtpServers::Touch(int port, const std::string& name) {
    Ask("touch " + std::to_string(port) + " " + name);
}

void FtpServers::Link(int port, const std::string& name, const std::string& target) {
    Ask("link " + std::to_string(port) + " " + name + " " + target);
}

int FtpServers::UnusedPort() {
    std::istringstream reply(Ask("unused"));
    std::string ok;
    int port = 0;
    reply >> ok >> port;
    return port;
}

double FtpServers::Mirror(int port, const std::string& user, const std::string& password,
                          const std::string& direction, const std::string& localUnixPath,
                          const std::string& remote) {
    std::istringstream reply(Ask("mirror " + std::to_string(port) + " " + user + " " + password + " " +
                                 direction + " " + localUnixPath + " " + remote));
    std::string ok;
    double ms = -1;
    reply >> ok >> ms;
    return ok == "ok" ? ms : -1;
}

// ---------------------------------------------------------------------------------------------

void FtpUser::Type(int id, const std::string& text) {
    ::SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string FtpUser::Text(int id) const {
    return WindowText(Item(id));
}

bool FtpUser::Checked(int id) const {
    return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FtpUser::Check(int id, bool on) {
    if (Checked(id) != on) ::SendMessageA(Item(id), BM_CLICK, 0, 0);
}

void FtpUser::Press(int id) {
    ::PostMessageA(Item(id), BM_CLICK, 0, 0);
}

void FtpUser::Start(int id) {
    ::SendMessageA(Item(id), BM_CLICK, 0, 0);
}

void FtpUser::Escape() {
    ::PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
}

std::string FtpUser::AwaitEnd(int timeoutMs) {
    DWORD until = ::GetTickCount() + timeoutMs;
    while (static_cast<int>(until - ::GetTickCount()) > 0) {
        if (ProgramBox()) return Answer(IDOK);
        if (Enabled(IDC_FTP_HOST)) return "";
        ::Sleep(20);
    }
    return "(still running)";
}

std::string FtpUser::Answer(int button, int timeoutMs) {
    DWORD until = ::GetTickCount() + timeoutMs;
    while (static_cast<int>(until - ::GetTickCount()) > 0) {
        if (HWND box = ProgramBox()) {
            std::string text = WindowText(::GetDlgItem(box, 0xFFFF));
            ::SendMessageA(::GetDlgItem(box, button), BM_CLICK, 0, 0);
            for (int i = 0; i < 250 && ::IsWindow(box); ++i)
                ::Sleep(20);
            return text;
        }
        ::Sleep(20);
    }
    return "";
}

std::vector<std::string> FtpUser::LogLines() const {
    int length = ::GetWindowTextLengthA(Item(IDC_FTP_LOG));
    std::string text(length + 1, '\0');
    ::GetWindowTextA(Item(IDC_FTP_LOG), text.data(), length + 1);
    text.resize(length);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

size_t FtpUser::LogLength() const {
    return ::GetWindowTextLengthA(Item(IDC_FTP_LOG));
}

std::vector<std::string> FtpUser::Rows() const {
    HWND list = Item(IDC_FTP_CONNECTIONS);
    std::vector<std::string> rows;
    int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        char text[256] = "";
        LVITEMA item{};
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        rows.push_back(text);
    }
    return rows;
}

void FtpUser::ClickRow(int row) {
    HWND list = Item(IDC_FTP_CONNECTIONS);
    RECT rect{};
    if (row >= 0) {
        rect.left = LVIR_BOUNDS;
        ::SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    } else {
        ::GetClientRect(list, &rect);
        rect.top = rect.bottom - 4;
    }
    LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ::PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageA(list, WM_LBUTTONUP, 0, point);
    // The list answers the click once both have been taken from its queue.
    ::SendMessageA(list, WM_NULL, 0, 0);
    ::Sleep(50);
    ::SendMessageA(list, WM_NULL, 0, 0);
}

void FtpUser::SelectRows(const std::vector<int>& rows) {
    HWND list = Item(IDC_FTP_CONNECTIONS);
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED;
    for (int row : rows)
        ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

bool FtpUser::AwaitClosed(int timeoutMs) const {
    DWORD until = ::GetTickCount() + timeoutMs;
    while (::IsWindow(dialog_)) {
        if (static_cast<int>(until - ::GetTickCount()) <= 0) return false;
        ::Sleep(20);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

FtpDialogScript::FtpDialogScript(std::function<void(FtpUser&)> script, int timeoutMs) {
    thread_ = std::thread([this, script = std::move(script), timeoutMs] {
        HWND dialog = nullptr;
        for (int i = 0; i < timeoutMs / 20 && !dialog; ++i) {
            dialog = FindDialog("FTP");
            if (!dialog) ::Sleep(20);
        }
        if (!dialog) return;
        seen_ = true;
        FtpUser user(dialog);
        script(user);
        // Whatever the script left: answer the boxes, cancel, close.
        for (int i = 0; i < 200 && ::IsWindow(dialog); ++i) {
            if (HWND box = ProgramBox()) ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            user.Escape();
            ::Sleep(100);
        }
        // A dialog that Cancel cannot close is a failure already: end the test's modal loop.
        if (::IsWindow(dialog)) ::EndDialog(dialog, IDABORT);
    });
}

FtpDialogScript::~FtpDialogScript() {
    if (thread_.joinable()) thread_.join();
}

void RunFtpDialog(FtpDialog& dialog, const std::function<void(FtpUser&)>& script, HWND owner) {
    FtpDialogScript player(script);
    dialog.Run(owner);
}

} // namespace testing_support
