// The update check of a real main window against a real HTTP server on 127.0.0.1: what it asks,
// what it downloads, what it starts, and the close that stops it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "UpdateTestSupport.h"
#include "app/MainFrame.h"
#include "resources/Resource.h"
#include "support/FrameFixture.h"
#include "support/LocalHttpServer.h"
#include "win/MessageLoop.h"

using namespace testing_support;
using namespace update_testing;

namespace {

const char* const kVersionPath = "/Quillmark/version.txt";
const char* const kInstallerPath = "/Quillmark/QuillmarkSetup.exe";

class UpdateCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(server_.Port(), 0);
        ClearProgramRegistry();
        AppModule::Init();
        AppModule::AddMessageLoop(&loop_);
        RemoveInstaller();
    }

    void TearDown() override {
        CloseFrame();
        AppModule::RemoveMessageLoop();
        ClearProgramRegistry();
        RemoveInstaller();
    }

    // A main window whose settings name the test server.
    void OpenFrame() {
        frame_ = std::make_unique<MainFrame>();
        TiXmlElement* root = frame_->AppSettings().Root();
        ASSERT_NE(root, nullptr);
        TiXmlElement* update = SettingsChild(root, "Update");
        ASSERT_NE(update, nullptr) << "the settings file beside the tests turns the check off";
        update->SetAttribute("Host", server_.Host());
        window_ = frame_->CreateFrame();
        ASSERT_NE(window_, nullptr);
        ::ShowWindow(window_, SW_SHOWNORMAL);
    }

    void CloseFrame() {
        if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
        PumpMessages();
        MSG quit;
        while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        frame_.reset();
        window_ = nullptr;
    }

    bool CheckEnded(int timeoutMs = 30000) {
        return PumpUntil([&] { return !frame_->Updates().Running(); }, timeoutMs);
    }
    bool BandShown() { return ::IsWindow(window_) && testing_support::BandShown(window_, ID_BAND_UPDATE); }
    bool Requested(const char* path) {
        std::vector<std::string> paths = server_.Requests();
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    }
    static std::string Marker() { return InstallerPath() + ".ran"; }
    static bool Exists(const std::string& path) {
        return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    static void RemoveInstaller() {
        // A started installer may still be on its way out.
        for (int i = 0; i < 100 && Exists(InstallerPath()) && !::DeleteFileA(InstallerPath().c_str()); ++i)
            ::Sleep(20);
        ::DeleteFileA(Marker().c_str());
    }

    LocalHttpServer server_;
    MessageLoop loop_;
    std::unique_ptr<MainFrame> frame_;
    HWND window_ = nullptr;
};

} // namespace

// Nothing is asked and nothing downloaded for a version that is not newer, or for a file that
// is not a version file signed by the project.
TEST_F(UpdateCheckTest, NothingHappensWithoutANewerSignedVersion) {
    std::string newer = Fixture("newer.txt");
    ASSERT_FALSE(newer.empty()) << "the build writes the update fixtures";
    struct Case {
        const char* name;
        std::string file; // empty: no version file, the server's 404 page
    } cases[] = {
        {"equal", Fixture("equal.txt")},
        {"older", Fixture("older.txt")},
        {"two numbers", "2,0"},
        {"dots", "1.0.0.1"},
        {"newer but unsigned", "1,0,0,21"},
        {"newer, signature broken", WithBrokenSignature(newer)},
        {"newer, signed by another key", Fixture("other-key.txt")},
        {"404", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server_.Reset();
        ASSERT_TRUE(server_.Put(kInstallerPath, Fixture("installer.exe")));
        if (c.file.empty()) {
            server_.Remove(kVersionPath);
        } else {
            ASSERT_TRUE(server_.Put(kVersionPath, c.file));
        }
        BoxAnswerer answer("Quillmark", IDNO, 30000);
        OpenFrame();
        ASSERT_TRUE(CheckEnded());
        EXPECT_TRUE(Requested(kVersionPath)) << "the check asked the server";
        answer.Stop();
        EXPECT_FALSE(answer.Answered()) << "no question";
        EXPECT_FALSE(Requested(kInstallerPath));
        EXPECT_TRUE(::IsWindow(window_));
        CloseFrame();
    }
}

// A newer signed version asks; only the installer whose SHA-256 the version file names is
// started, and then the window closes itself. Whatever else arrives is deleted, not started.
TEST_F(UpdateCheckTest, OnlyTheSignedInstallerIsStarted) {
    std::string installer = Fixture("installer.exe");
    ASSERT_FALSE(installer.empty());
    std::string tampered = installer;
    tampered[tampered.size() / 2] ^= 1;
    struct Case {
        const char* name;
        int answer;
        std::string served; // empty: no installer, the 404 page
        const char* rule;
        bool started;
    } cases[] = {
        {"No", IDNO, installer, nullptr, false},
        {"tampered installer", IDYES, tampered, nullptr, false},
        {"404 page for the installer", IDYES, "", nullptr, false},
        {"no Content-Length", IDYES, installer, "nolength", false},
        {"the signed installer", IDYES, installer, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server_.Reset();
        ASSERT_TRUE(server_.Put(kVersionPath, Fixture("newer.txt")));
        if (c.served.empty()) {
            server_.Remove(kInstallerPath);
        } else {
            ASSERT_TRUE(server_.Put(kInstallerPath, c.served));
        }
        if (c.rule) {
            ASSERT_TRUE(server_.SetRule(kInstallerPath, c.rule));
        }
        {
            BoxAnswerer answer("Quillmark", c.answer, 30000);
            OpenFrame();
            ASSERT_TRUE(CheckEnded());
            answer.Stop();
            ASSERT_TRUE(answer.Answered());
            EXPECT_EQ(answer.Text(), "There is a newer version to download.\nUpgrade Quillmark?");
        }
        EXPECT_EQ(Requested(kInstallerPath), c.answer == IDYES);
        if (c.started) {
            EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(window_); })) << "the window closes itself";
            EXPECT_TRUE(PumpUntil([&] { return Exists(Marker()); })) << "the installer ran";
        } else {
            PumpMessages(100);
            EXPECT_TRUE(::IsWindow(window_));
            EXPECT_FALSE(BandShown());
            EXPECT_FALSE(Exists(Marker()));
            EXPECT_FALSE(Exists(InstallerPath())) << "nothing unproven stays behind";
        }
        CloseFrame();
        RemoveInstaller();
    }
}

// The first close during the download only stops it: the band goes, the window stays, nothing
// is started. The next close closes.
TEST_F(UpdateCheckTest, CloseDuringTheDownloadOnlyStopsIt) {
    ASSERT_TRUE(server_.Put(kVersionPath, Fixture("newer.txt")));
    ASSERT_TRUE(server_.Put(kInstallerPath, std::string(400000, 'i')));
    ASSERT_TRUE(server_.SetRule(kInstallerPath, "slow 40000"));
    BoxAnswerer answer("Quillmark", IDYES, 30000);
    OpenFrame();
    ASSERT_TRUE(PumpUntil(
        [&] {
            return BandShown() && ::SendMessageA(FrameChild(window_, ID_BAND_UPDATE), PBM_GETPOS, 0, 0) > 0;
        },
        30000))
        << "the band shows the bytes received";
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(CheckEnded(20000)) << "the download stops";
    EXPECT_TRUE(::IsWindow(window_));
    EXPECT_FALSE(BandShown());
    EXPECT_FALSE(Exists(InstallerPath()));
    EXPECT_FALSE(Exists(Marker()));
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(window_); }));
}

// A close while the question is open cancels the check: the Yes that follows starts nothing.
TEST_F(UpdateCheckTest, CloseWhileTheQuestionIsOpenStartsNothing) {
    ASSERT_TRUE(server_.Put(kVersionPath, Fixture("newer.txt")));
    ASSERT_TRUE(server_.Put(kInstallerPath, Fixture("installer.exe")));
    OpenFrame();
    ASSERT_TRUE(PumpUntil([] { return FindDialog("Quillmark") != nullptr; }, 30000));
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
    PumpMessages(100);
    {
        BoxAnswerer answer("Quillmark", IDYES);
        ASSERT_TRUE(CheckEnded());
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_TRUE(::IsWindow(window_));
    EXPECT_FALSE(Requested(kInstallerPath));
    EXPECT_FALSE(Exists(Marker()));
}

// A server that takes the request and never answers holds neither the window nor its close:
// the first close stops the check, the second closes even while the thread still waits.
TEST_F(UpdateCheckTest, SilentServerDoesNotHoldTheClose) {
    ASSERT_TRUE(server_.SetRule(kVersionPath, "hang"));
    OpenFrame();
    ASSERT_TRUE(PumpUntil([&] { return Requested(kVersionPath); }, 30000));
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
    PumpMessages(200);
    EXPECT_TRUE(::IsWindow(window_));
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(window_); }, 5000));
}

// The Update element names the server; the shipped settings file (beside the tests) turns the
// check off, so that no run of a build ever reaches a host outside the machine.
TEST(UpdateSettings, HostComesFromTheUpdateElement) {
    struct Case {
        const char* xml;
        std::string host;
    } cases[] = {
        {"<Quillmark><Update Host=\"127.0.0.1:8080\" /></Quillmark>", "127.0.0.1:8080"},
        {"<Quillmark><Update Host=\"\" /></Quillmark>", ""},
        {"<Quillmark><Update /></Quillmark>", kReleaseUpdateHost},
        {"<Quillmark><Tags Cache=\"3\" /></Quillmark>", kReleaseUpdateHost},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.Document().Parse(c.xml);
        EXPECT_EQ(ReadUpdateHost(settings), c.host) << c.xml;
    }
    Settings shipped;
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file(path);
    ASSERT_TRUE(shipped.Load(file.substr(0, file.find_last_of('\\') + 1) + Settings::kFileName));
    EXPECT_EQ(ReadUpdateHost(shipped), "");

    for (const char* good : {"127.0.0.1:8080", "updates.example.org", "a-b.c"})
        EXPECT_TRUE(IsUpdateHost(good)) << good;
    for (const char* bad : {"", "host:", "host:0", "host:65536", "evil.org/x?", "user@host", "a b", ":80"})
        EXPECT_FALSE(IsUpdateHost(bad)) << bad;
}
