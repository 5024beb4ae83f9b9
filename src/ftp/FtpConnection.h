// Quillmark's own FTP client: a logged-in control connection, and the data connection of one
// file. Every wait is bounded and gives way to the cancel flag within a quarter of a second.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/FtpListing.h"
#include "net/Internet.h"
#include "net/Socket.h"

// A server's answer: its code and the text of all its lines.
struct FtpReply {
    unsigned code = 0;
    std::string text;
};

// The failure of a step, worded by `format`, with the last system error (GetLastError) in it.
CInternetException FtpFailure(const char* format, ...);

class FtpFile;

// One logged-in control connection. The calls throw CInternetException with the message the
// user is shown; once the cancel flag given to open() is set, every wait ends at once.
class FtpConnection {
  public:
    FtpConnection() = default;
    ~FtpConnection() { close(); }
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // Port 0 is the FTP port. An empty user logs in as "anonymous". Transfers are binary.
    void open(const char* server, unsigned short port, const char* user, const char* password, bool passive,
              const std::atomic<bool>* cancelled = nullptr);
    // The flag whose setting ends every wait from now on.
    void watch(const std::atomic<bool>* cancelled) { limits_.cancelled = cancelled; }
    void setCurrentDirectory(const char* path);
    // The same, false when the server refuses it (and CInternetException when it cannot answer).
    bool enterDirectory(const char* path);
    void createDirectory(const char* path);
    // The entries of the current folder, read whole. A machine listing where the server has
    // one, so that names keep their blanks; its LIST lines otherwise. More than `maxEntries`
    // fail as a listing too large would. `unread` counts the lines of entries that could not
    // be read.
    std::vector<FtpListEntry> list(size_t maxEntries, unsigned& unread);
    // The folder the server is in; empty when it does not say.
    std::string currentDirectory();
    // Opens the data connection of one file; false when the server refuses it or the
    // connection fails. The file's finish() tells whether the server took or sent all of it.
    bool openFile(FtpFile& file, const char* path, bool upload);
    // Says goodbye and closes the connection.
    void close();

  private:
    friend class FtpFile;
    // Sends one command line (never one with a line break in it); command() reads the answer.
    bool send(const std::string& line);
    bool command(const std::string& line);
    bool readReply();
    bool readLine(std::string& line);
    // The data connection for `line` (RETR, STOR, MLSD, LIST), with the server's first answer
    // read; given `replyDeferred`, a passive connection whose bytes come first leaves that
    // answer unread and sets the flag.
    bool openData(const std::string& line, Socket& data, bool* replyDeferred = nullptr);
    bool passiveData(Socket& data);
    CInternetException failure(const char* format, ...) const;

    Socket control_;
    SocketAddress server_; // the control connection's peer
    SocketLimits limits_;
    bool passive_ = true;
    bool machineListing_ = true;
    std::string received_;         // read from the control connection, not yet taken as a reply
    bool controlReadable_ = false; // a wait has found the control connection readable
    FtpReply reply_;
    int error_ = 0;
};

// The data connection of one file being sent or received.
class FtpFile {
  public:
    FtpFile() = default;
    ~FtpFile() { data_.close(); }
    FtpFile(const FtpFile&) = delete;
    FtpFile& operator=(const FtpFile&) = delete;

    // The bytes read; 0 at the end of the file. False on failure.
    bool read(void* buffer, DWORD size, DWORD& got);
    bool write(const void* buffer, DWORD size);
    // Ends the data connection (after the last byte of an upload) and reads the server's word
    // on the file: true only when it reports the whole file moved.
    bool finish();
    // After a failed finish(): the server had refused the file in its first answer, which came
    // after the file's data connection had (as when it opens no more connections at the time).
    bool refused() const { return refused_; }

  private:
    friend class FtpConnection;
    FtpConnection* connection_ = nullptr;
    Socket data_;
    bool upload_ = false;
    bool replyDeferred_ = false; // the server's first answer on the file is still to be read
    bool refused_ = false;
};
