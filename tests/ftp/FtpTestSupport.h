// FTP servers on 127.0.0.1 for the tests, and a user at the FTP dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class FtpDialog;

namespace testing_support {

// pyftpdlib servers, run by tests/ftp/ftp_test_server.py under Debian's python3. This process
// starts the helper and holds a connection to it; the helper stops its servers and ends when
// the connection closes, however this process ends.
class FtpServers {
  public:
    struct Server {
        int port = 0;
        std::string root; // the server's root folder, as a Windows path
    };

    // The helper of this test program, started on first use.
    static FtpServers& Instance();
    // A server with one user; `bytesPerSecond` limits its data connections both ways (0: none).
    // kind "older": a server without machine listings (it lists folders in the "ls -l" style
    // only) that takes one connection at a time from an address; "one-mover": one that lets
    // only the oldest connection move files.
    Server Start(const std::string& user, const std::string& password, int bytesPerSecond = 0,
                 const std::string& kind = "");
    void Stall(int port); // stops answering anything, like a machine that went away
    void Stop(int port);  // ends the server, its connections and its root folder
    // A file on the server whose name a Windows folder could not hold (e.g. with a backslash).
    void Touch(int port, const std::string& name);
    // A symbolic link `name` to `target` in the server's root (neither with blanks).
    void Link(int port, const std::string& name, const std::string& target);
    int UnusedPort(); // nothing listens there
    // lftp copies a tree up ("up") or down ("down") between a Linux folder and the server: the
    // milliseconds it took, -1 when it failed.
    double Mirror(int port, const std::string& user, const std::string& password,
                  const std::string& direction, const std::string& localUnixPath, const std::string& remote);

  private:
    FtpServers();
    ~FtpServers();
    std::string Ask(const std::string& line);
    UINT_PTR connection_ = ~UINT_PTR(0); // a SOCKET
};

// The FTP dialog as a user sees it, driven from another thread than the dialog's.
class FtpUser {
  public:
    explicit FtpUser(HWND dialog) : dialog_(dialog) {}
    HWND Dialog() const { return dialog_; }
    HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
    // Sets a field's text as typing does (it raises EN_CHANGE).
    void Type(int id, const std::string& text);
    std::string Text(int id) const;
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const;
    void Check(int id, bool on);
    // Clicks a button without waiting for what the click opens (a message box).
    void Press(int id);
    // Clicks Upload or Download and returns once the dialog has taken the click.
    void Start(int id);
    // What Esc and the close box do.
    void Escape();
    // Waits for the transfer to end: the text of the error box it ended with (OK is pressed),
    // "" when it ended without one, "(still running)" when it did not end in time.
    std::string AwaitEnd(int timeoutMs = 60000);
    // Waits for a program box ("Quillmark") and presses `button`: its text, "" when none came.
    std::string Answer(int button, int timeoutMs = 10000);
    std::vector<std::string> LogLines() const;
    size_t LogLength() const;
    // The texts of the list's rows.
    std::vector<std::string> Rows() const;
    // A click on a row, or with -1 on the empty part of the list below the rows.
    void ClickRow(int row);
    void SelectRows(const std::vector<int>& rows);
    // Waits until the dialog has gone.
    bool AwaitClosed(int timeoutMs = 5000) const;

  private:
    HWND dialog_;
};

// Runs `dialog` modally on this thread while `script` plays the user on another thread. Whatever
// the script leaves open is closed afterwards (boxes answered, transfers cancelled), so that a
// failed expectation cannot leave the test in the modal loop.
void RunFtpDialog(FtpDialog& dialog, const std::function<void(FtpUser&)>& script, HWND owner = nullptr);

// Waits on another thread for the FTP dialog, runs `script` there and then closes the dialog.
// For dialogs that something else runs modally (the main window's command).
class FtpDialogScript {
  public:
    explicit FtpDialogScript(std::function<void(FtpUser&)> script, int timeoutMs = 10000);
    ~FtpDialogScript(); // waits for the script
    FtpDialogScript(const FtpDialogScript&) = delete;
    FtpDialogScript& operator=(const FtpDialogScript&) = delete;
    bool Seen() const { return seen_; }

  private:
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

} // namespace testing_support
