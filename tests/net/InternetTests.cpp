// The WinINet owners against a real HTTP server on 127.0.0.1: what they read, and the exception
// each failing call throws, with the program's message and the system's error.
#include <gtest/gtest.h>

#include <future>
#include <string>

#include "net/Internet.h"
#include "support/LocalHttpServer.h"

using namespace testing_support;

namespace {

// Runs `call` and returns what it threw ("" when nothing was thrown).
template <class Call> CInternetException Thrown(Call call, bool& thrown) {
    thrown = false;
    try {
        call();
    } catch (const CInternetException& error) {
        thrown = true;
        return error;
    }
    return {};
}

std::string ReadAll(UrlRequest& request, DWORD piece) {
    std::string text;
    char buffer[8192];
    while (DWORD read = request.read(buffer, piece))
        text.append(buffer, read);
    return text;
}

} // namespace

TEST(Internet, ReadsWhatTheServerHoldsAndNamesTheProgramAsAgent) {
    LocalHttpServer server;
    ASSERT_NE(server.Port(), 0);
    std::string bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    ASSERT_TRUE(server.Put("/data.bin", bytes));

    InternetSession session;
    session.open();
    for (DWORD piece : {64u, 8192u}) {
        UrlRequest request;
        request.open(session.get(), server.Url("/data.bin").c_str(), nullptr, 0, 0x84400100);
        DWORD length = 0;
        request.queryNumber(HTTP_QUERY_CONTENT_LENGTH, length);
        EXPECT_EQ(length, bytes.size());
        EXPECT_EQ(ReadAll(request, piece), bytes) << piece << "-byte pieces";
    }
    ASSERT_FALSE(server.Agents().empty());
    EXPECT_EQ(server.Agents().front(), "net_tests");
}

// Every failure carries the program's message for the call and the level or URL it was given.
TEST(Internet, FailuresThrowTheMessageOfTheCall) {
    LocalHttpServer server;
    ASSERT_NE(server.Port(), 0);
    ASSERT_TRUE(server.Put("/plain", "no length here"));
    ASSERT_TRUE(server.SetRule("/plain", "nolength"));
    InternetSession session;
    session.open();
    bool thrown = false;

    std::string nowhere = "http://127.0.0.1:" + std::to_string(kClosedPort) + "/x";
    UrlRequest refused;
    CInternetException error = Thrown([&] { refused.open(session.get(), nowhere.c_str()); }, thrown);
    ASSERT_TRUE(thrown);
    EXPECT_EQ(error.message, "Failed to open http url (" + nowhere + ")");
    EXPECT_EQ(error.errorCode, static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));
    EXPECT_EQ(error.handle, nullptr);
    EXPECT_EQ(error.responseText, "Unknown error");
    EXPECT_FALSE(refused);

    UrlRequest request;
    request.open(session.get(), server.Url("/plain").c_str());
    DWORD number = 0;
    error = Thrown([&] { request.queryNumber(HTTP_QUERY_CONTENT_LENGTH, number); }, thrown);
    ASSERT_TRUE(thrown);
    EXPECT_EQ(error.message, "Failed to query http info (536870917)");
    EXPECT_EQ(error.errorCode, static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND));
    EXPECT_EQ(error.handle, request.get());
    EXPECT_EQ(error.responseText, "Unknown error");

    char text[64];
    DWORD size = sizeof(text);
    error = Thrown([&] { request.queryInfo(HTTP_QUERY_CONTENT_LENGTH, text, size); }, thrown);
    ASSERT_TRUE(thrown);
    EXPECT_EQ(error.message, "Failed to query http info (5)");
    EXPECT_EQ(ReadAll(request, 64), "no length here") << "the body is still there";
}

// The owner of a worker cancels it by closing the session: every later call on it fails.
TEST(Internet, ClosedSessionMakesEveryLaterCallFail) {
    LocalHttpServer server;
    ASSERT_NE(server.Port(), 0);
    ASSERT_TRUE(server.Put("/file", std::string(100000, 'x')));
    InternetSession session;
    session.open();
    UrlRequest request;
    request.open(session.get(), server.Url("/file").c_str());
    HINTERNET stale = session.get();
    session.close();
    EXPECT_FALSE(session);

    bool thrown = false;
    char buffer[64];
    CInternetException error = Thrown([&] { request.read(buffer, sizeof(buffer)); }, thrown);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(error.message, "Failed to read from network (64 bytes)");
    DWORD number = 0;
    error = Thrown([&] { request.queryNumber(HTTP_QUERY_CONTENT_LENGTH, number); }, thrown);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(error.message, "Failed to query http info (536870917)");
    // Its children went with it: the request must not close them a second time.
    request.abandon();

    UrlRequest later;
    std::string url = server.Url("/file");
    error = Thrown([&] { later.open(stale, url.c_str()); }, thrown);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(error.message, "Failed to open http url (" + url + ")");
}

// A server that stops answering, before the headers or in the middle of the content, ends the
// call after the session's time-out instead of holding the thread for ever.
TEST(Internet, SilentServerEndsTheCallAfterTheTimeOut) {
    LocalHttpServer server;
    ASSERT_NE(server.Port(), 0);
    ASSERT_TRUE(server.Put("/stalled", std::string(50000, 's')));
    ASSERT_TRUE(server.SetRule("/stalled", "stall 1000"));
    ASSERT_TRUE(server.SetRule("/silent", "hang"));
    for (const char* path : {"/silent", "/stalled"}) {
        auto call = std::async(std::launch::async, [&] {
            InternetSession session;
            session.open();
            EXPECT_TRUE(session.setTimeouts(1500));
            UrlRequest request;
            bool thrown = false;
            CInternetException error = Thrown(
                [&] {
                    request.open(session.get(), server.Url(path).c_str());
                    ReadAll(request, 64);
                },
                thrown);
            EXPECT_TRUE(thrown);
            EXPECT_NE(error.errorCode, 0u);
            EXPECT_EQ(error.message, std::string(path) == "/silent"
                                         ? "Failed to open http url (" + server.Url(path) + ")"
                                         : "Failed to read from network (64 bytes)");
        });
        ASSERT_EQ(call.wait_for(std::chrono::seconds(60)), std::future_status::ready)
            << path << ": the call hung";
    }
}
