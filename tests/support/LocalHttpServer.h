// A real HTTP server on 127.0.0.1 for the tests (tests/support/http_server.py, run by Debian's
// Python next to the Wine process), serving the files of its own temporary folder.
#pragma once

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace testing_support {

class LocalHttpServer {
  public:
    LocalHttpServer();  // Port() is 0 when the server did not come up
    ~LocalHttpServer(); // stops the server (a bounded wait) and removes its folder
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return port_; }
    // "127.0.0.1:PORT", as the Update element of the settings names a host.
    std::string Host() const;
    std::string Url(const std::string& path) const { return "http://" + Host() + path; }

    // Serves `bytes` at `path` ("/Quillmark/version.txt"); replaces what was there.
    bool Put(const std::string& path, const std::string& bytes);
    // Stops serving `path`: it gets the 404 page.
    bool Remove(const std::string& path);
    // Forgets the requests so far and every rule.
    void Reset();
    // How `path` is served from now on: "nolength", "slow BYTES_PER_SECOND" or "hang".
    bool SetRule(const std::string& path, const std::string& rule);
    // The paths requested so far, in order, and the User-Agent of each.
    std::vector<std::string> Requests() const;
    std::vector<std::string> Agents() const;

  private:
    std::vector<std::pair<std::string, std::string>> Log() const;
    std::string LocalPath(const std::string& path) const;

    TempFolder folder_;
    std::string rules_;
    int port_ = 0;
};

// The Unix path Wine shows as `path` ("C:\users\..." gives "/.../drive_c/users/...").
std::string UnixPath(const std::string& path);

// A port on 127.0.0.1 where nothing listens.
constexpr int kClosedPort = 1;

} // namespace testing_support
