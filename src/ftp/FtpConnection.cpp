// The FTP client: commands and replies on the control connection, passive and active data
// connections, listings.
#include "ftp/FtpConnection.h"

#include <cstdarg>
#include <string_view>
#include <utility>

namespace {

constexpr unsigned short ftpPort = 21;
// A reply, or a listing, larger than this comes from a server that is not to be believed.
constexpr size_t replyLimit = 64 * 1024;
constexpr size_t listingLimit = 64u << 20;
// Goodbye is said briefly: a server that does not answer it costs no more than this.
constexpr DWORD quitWaitMs = 1000;

// The number of a reply line ("226 Done", "150-..."); 0 when the line has none.
unsigned ReplyCode(const std::string& line) {
    if (line.size() < 3 || line[0] < '1' || line[0] > '5') return 0;
    for (size_t i = 1; i < 3; ++i)
        if (line[i] < '0' || line[i] > '9') return 0;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return 0;
    return static_cast<unsigned>((line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0'));
}

// The port of a PASV reply: "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)". The address in it
// is not used.
bool PassivePort(const std::string& text, unsigned short& port) {
    size_t at = text.find_first_of("0123456789", 4);
    unsigned numbers[6] = {};
    for (unsigned& number : numbers) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
        number = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && number <= 255; ++at)
            number = number * 10 + static_cast<unsigned>(text[at] - '0');
        if (number > 255) return false;
        if (&number != &numbers[5] && (at >= text.size() || text[at++] != ',')) return false;
    }
    port = static_cast<unsigned short>(numbers[4] * 256 + numbers[5]);
    return port != 0;
}

// The port of an EPSV reply: "229 Entering Extended Passive Mode (|||port|)".
bool ExtendedPassivePort(const std::string& text, unsigned short& port) {
    size_t open = text.find('(');
    if (open == std::string::npos || open + 4 >= text.size()) return false;
    char mark = text[open + 1];
    if (text[open + 2] != mark || text[open + 3] != mark) return false;
    unsigned number = 0;
    size_t at = open + 4;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && number <= 65535; ++at)
        number = number * 10 + static_cast<unsigned>(text[at] - '0');
    if (at == open + 4 || at >= text.size() || text[at] != mark || number == 0 || number > 65535)
        return false;
    port = static_cast<unsigned short>(number);
    return true;
}

bool NotImplemented(unsigned code) {
    return code == 500 || code == 501 || code == 502 || code == 504;
}

} // namespace

CInternetException FtpFailure(const char* format, ...) {
    DWORD errorCode = ::GetLastError();
    va_list values;
    va_start(values, format);
    CInternetException error = FormatInternetError(errorCode, format, values);
    va_end(values);
    return error;
}

CInternetException FtpConnection::failure(const char* format, ...) const {
    va_list values;
    va_start(values, format);
    CInternetException error = FormatInternetError(static_cast<DWORD>(error_), format, values);
    va_end(values);
    error.responseCode = reply_.code;
    error.responseText = reply_.text;
    return error;
}

// ---------------------------------------------------------------------------------------------
// The control connection

void FtpConnection::open(const char* server, unsigned short port, const char* user, const char* password,
                         bool passive, const std::atomic<bool>* cancelled) {
    close();
    limits_.cancelled = cancelled;
    passive_ = passive;
    machineListing_ = true;
    received_.clear();
    reply_ = {};
    error_ = 0;

    bool anonymous = !*user;
    bool ok = control_.connect(server, port ? port : ftpPort, limits_) && control_.peerAddress(server_);
    if (!ok) error_ = static_cast<int>(::GetLastError());
    // Commands and answers are small and go one at a time.
    if (ok) control_.sendAtOnce();
    // "120 ready in a moment" comes before the greeting.
    do {
        ok = ok && readReply();
    } while (ok && reply_.code / 100 == 1);
    ok = ok && reply_.code == 220 && command(std::string("USER ") + (anonymous ? "anonymous" : user));
    if (ok && reply_.code == 331)
        ok = command(std::string("PASS ") + (anonymous && !*password ? "anonymous@" : password));
    ok = ok && reply_.code / 100 == 2 && command("TYPE I") && reply_.code / 100 == 2;
    if (!ok) {
        CInternetException error = failure("Failed to connect to server (%s:%u)", server, unsigned{port});
        control_.close();
        throw error;
    }
}

void FtpConnection::close() {
    if (!control_) return;
    if (!limits_.cancelled || !*limits_.cancelled) {
        limits_.idleLimitMs = quitWaitMs;
        command("QUIT");
    }
    control_.close();
    limits_ = {};
}

bool FtpConnection::readLine(std::string& line) {
    for (size_t searched = 0;;) {
        size_t end = received_.find('\n', searched);
        if (end != std::string::npos) {
            line.assign(received_, 0, end > 0 && received_[end - 1] == '\r' ? end - 1 : end);
            received_.erase(0, end + 1);
            return true;
        }
        searched = received_.size();
        if (searched > replyLimit) {
            error_ = WSAEMSGSIZE;
            return false;
        }
        char buffer[4096];
        // An answer is read only once it has come: trying first would cost a call every time.
        bool readable = std::exchange(controlReadable_, false) || control_.waitToReceive(limits_);
        int got = readable ? control_.receive(buffer, sizeof(buffer), limits_) : -1;
        if (got <= 0) {
            error_ = got == 0 ? WSAECONNRESET : static_cast<int>(::GetLastError());
            return false;
        }
        received_.append(buffer, static_cast<size_t>(got));
    }
}

bool FtpConnection::readReply() {
    reply_ = {};
    std::string line;
    if (!readLine(line)) return false;
    unsigned code = ReplyCode(line);
    if (code == 0) {
        error_ = WSAECONNABORTED;
        return false;
    }
    reply_.text = line;
    // "150-first line" goes on until a line that starts with "150 ".
    if (line.size() > 3 && line[3] == '-') {
        std::string last = line.substr(0, 3) + ' ';
        do {
            if (!readLine(line)) return false;
            reply_.text += '\n';
            reply_.text += line;
            if (reply_.text.size() > replyLimit) {
                error_ = WSAEMSGSIZE;
                return false;
            }
        } while (line.compare(0, 4, last) != 0 && line != last.substr(0, 3));
    }
    reply_.code = code;
    return true;
}

bool FtpConnection::send(const std::string& line) {
    reply_ = {};
    // A name from a listing or a user's field must not smuggle a second command in.
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        error_ = ERROR_INVALID_NAME;
        return false;
    }
    std::string sent = line + "\r\n";
    if (!control_ || !control_.send(sent.data(), sent.size(), limits_)) {
        error_ = control_ ? static_cast<int>(::GetLastError()) : WSAENOTCONN;
        return false;
    }
    return true;
}

bool FtpConnection::command(const std::string& line) {
    return send(line) && readReply();
}

void FtpConnection::setCurrentDirectory(const char* path) {
    if (!enterDirectory(path)) throw failure("Failed to set current directory (%s)", path);
}

bool FtpConnection::enterDirectory(const char* path) {
    // Only the server's no is a no: a reply still on its way would answer the next command.
    if (!command(std::string("CWD ") + path)) throw failure("Failed to set current directory (%s)", path);
    return reply_.code / 100 == 2;
}

void FtpConnection::createDirectory(const char* path) {
    if (!command(std::string("MKD ") + path) || reply_.code / 100 != 2)
        throw failure("Failed to create directory (%s)", path);
}

std::string FtpConnection::currentDirectory() {
    // 257 "/the ""quoted"" folder" is here
    if (!command("PWD") || reply_.code != 257) return {};
    size_t at = reply_.text.find('"');
    if (at == std::string::npos) return {};
    std::string folder;
    for (++at; at < reply_.text.size(); ++at) {
        if (reply_.text[at] == '"') {
            if (at + 1 >= reply_.text.size() || reply_.text[at + 1] != '"') return folder;
            ++at;
        }
        folder += reply_.text[at];
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Data connections

bool FtpConnection::passiveData(Socket& data) {
    // The data connection goes to the host this connection reached, whatever address the
    // reply names: a server may not send it elsewhere, and one behind a router often names an
    // address of its own network.
    SocketAddress peer = server_;
    unsigned short port = 0;
    if (peer.isIPv6() ? !command("EPSV") || reply_.code != 229 || !ExtendedPassivePort(reply_.text, port)
                      : !command("PASV") || reply_.code != 227 || !PassivePort(reply_.text, port))
        return false;
    peer.setPort(port);
    if (data.startConnect(peer)) return true;
    error_ = static_cast<int>(::GetLastError());
    return false;
}

bool FtpConnection::openData(const std::string& line, Socket& data, bool* replyDeferred) {
    data.close();
    Socket listener;
    if (passive_) {
        if (!passiveData(data)) return false;
    } else {
        SocketAddress local;
        if (!listener.listen(control_) || !listener.localAddress(local)) {
            error_ = static_cast<int>(::GetLastError());
            return false;
        }
        std::string host = local.host(), port = std::to_string(local.port());
        std::string announce;
        if (local.isIPv6()) {
            announce = "EPRT |2|" + host + "|" + port + "|";
        } else {
            for (char& c : host)
                if (c == '.') c = ',';
            announce = "PORT " + host + "," + std::to_string(local.port() / 256) + "," +
                       std::to_string(local.port() % 256);
        }
        if (!command(announce) || reply_.code / 100 != 2) return false;
    }
    // The command goes while the data connection is still being made.
    bool connected = send(line);
    if (connected && passive_ && replyDeferred) {
        // The connection, the server's answer and the file's bytes are waited for together:
        // under Wine every wait is a few round trips to the server. Bytes that came first leave
        // the answer to be read with the last one; an answer that came first is read as before,
        // without another wait.
        *replyDeferred = false;
        Socket::Readiness answer = Socket::notReady, bytes = Socket::notReady;
        if (received_.find('\n') == std::string::npos) {
            if (!Socket::waitToReceiveEither(control_, data, limits_, answer, bytes)) {
                error_ = static_cast<int>(::GetLastError());
                connected = false;
            } else if (bytes == Socket::failed) {
                error_ = data.failure();
                connected = false;
            } else if (bytes == Socket::readable) {
                *replyDeferred = true;
                return true;
            } else {
                controlReadable_ = answer == Socket::readable;
            }
        }
    }
    if (connected && passive_ && !data.finishConnect(limits_)) {
        error_ = static_cast<int>(::GetLastError());
        connected = false;
    }
    if (!connected || !readReply() || reply_.code / 100 != 1) {
        data.close();
        return false;
    }
    if (passive_) return true;
    // Only the server itself may bring the data.
    SocketAddress from;
    if (listener.accept(data, limits_) && data.peerAddress(from) && from.sameHost(server_)) return true;
    error_ = data ? WSAECONNREFUSED : static_cast<int>(::GetLastError());
    data.close();
    return false;
}

std::vector<FtpListEntry> FtpConnection::list(size_t maxEntries, unsigned& unread) {
    unread = 0;
    const char* pattern = "*.*";
    Socket data;
    bool machine = machineListing_;
    if (machine && !openData("MLSD", data)) {
        if (!NotImplemented(reply_.code)) throw failure("Failed to find files on ftp (%s)", pattern);
        machineListing_ = machine = false;
    }
    if (!machine && !openData("LIST", data)) throw failure("Failed to find files on ftp (%s)", pattern);

    std::vector<FtpListEntry> entries;
    auto take = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        FtpListEntry entry;
        if (machine ? ParseMlsdLine(line, entry) : ParseListLine(line, entry))
            entries.push_back(std::move(entry));
        else if (IsUnreadEntry(line, machine))
            ++unread;
        if (entries.size() > maxEntries) {
            error_ = WSAEMSGSIZE;
            throw failure("Failed to find next file");
        }
    };
    std::string pending;
    size_t total = 0;
    char buffer[16384];
    for (;;) {
        int got = data.receive(buffer, sizeof(buffer), limits_);
        if (got < 0 || (total += static_cast<size_t>(got)) > listingLimit) {
            error_ = got < 0 ? static_cast<int>(::GetLastError()) : WSAEMSGSIZE;
            throw failure("Failed to find next file");
        }
        if (got == 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            take(std::string_view(pending).substr(start, end - start));
        pending.erase(0, start);
    }
    if (!pending.empty()) take(pending);
    data.close();
    if (!readReply() || reply_.code / 100 != 2) throw failure("Failed to find next file");
    return entries;
}

bool FtpConnection::openFile(FtpFile& file, const char* path, bool upload) {
    file.connection_ = this;
    file.upload_ = upload;
    file.replyDeferred_ = file.refused_ = false;
    return openData(std::string(upload ? "STOR " : "RETR ") + path, file.data_,
                    upload ? nullptr : &file.replyDeferred_);
}

bool FtpFile::read(void* buffer, DWORD size, DWORD& got) {
    got = 0;
    int received = connection_ ? data_.receive(buffer, static_cast<int>(size), connection_->limits_) : -1;
    if (received < 0) return false;
    got = static_cast<DWORD>(received);
    return true;
}

bool FtpFile::write(const void* buffer, DWORD size) {
    return connection_ && data_.send(buffer, size, connection_->limits_);
}

bool FtpFile::finish() {
    if (!connection_) return false;
    FtpConnection& connection = *std::exchange(connection_, nullptr);
    // The end of the stream is the end of an upload; the server answers once it has it all.
    // Closing sends what is still queued and then the end, as a separate shutdown would, which
    // cost a round trip to the Wine server a file. A download's stream has ended already.
    data_.close();
    if (std::exchange(replyDeferred_, false)) {
        // The answer went before the bytes that came: it is read without a wait.
        connection.controlReadable_ = true;
        if (!connection.readReply()) return false;
        if (connection.reply_.code / 100 != 1) {
            refused_ = true;
            return false;
        }
    }
    return connection.readReply() && connection.reply_.code / 100 == 2;
}
