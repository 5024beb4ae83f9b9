// The FTP dialog against real servers on 127.0.0.1: trees up and down, failures, Cancel whatever
// the server does, saved connections, and the rules the transfer follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "Scintilla.h"
#include "config/Registry.h"
#include "ftp/FtpDialog.h"
#include "ftp/FtpTestSupport.h"
#include "resources/Resource.h"
#include "support/FrameFixture.h"
#include "support/ShellSupport.h"
#include "support/TestSupport.h"
#include "win/Strings.h"

using namespace testing_support;

namespace {

// Every file below a folder by its relative path; a folder is "<folder>".
using Tree = std::map<std::string, std::string>;

Tree ReadTree(const std::string& root, const std::string& prefix = "") {
    Tree tree;
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA((root + "\\*").c_str(), &data));
    for (bool more = bool(find); more; more = ::FindNextFileA(find.Get(), &data)) {
        std::string name = data.cFileName, path = prefix + name;
        if (name == "." || name == "..") continue;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            tree[path] = ReadFileBytes(root + "\\" + name);
            continue;
        }
        tree[path] = "<folder>";
        tree.merge(ReadTree(root + "\\" + name, path + "\\"));
    }
    return tree;
}

void WriteTree(const std::string& root, const Tree& tree) {
    ::CreateDirectoryA(root.c_str(), nullptr);
    for (const auto& [path, content] : tree)
        if (content == "<folder>" ? !::CreateDirectoryA((root + "\\" + path).c_str(), nullptr)
                                  : !WriteFileBytes(root + "\\" + path, content))
            ADD_FAILURE() << "cannot write " << path;
}

// What differs between two trees, path by path ("" when nothing does).
std::string Differences(const Tree& expected, const Tree& actual) {
    std::string report;
    for (const auto& [path, content] : expected)
        if (!actual.count(path) || actual.at(path) != content)
            report += "missing or different: " + path + "\n";
    for (const auto& [path, content] : actual)
        if (!expected.count(path)) report += "extra: " + path + "\n";
    return report;
}

// Bytes of every value, in an order that differs from seed to seed.
std::string Bytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    return bytes;
}

// The temporary files that downloads left in a folder.
size_t PartFiles(const std::string& folder) {
    Tree tree = ReadTree(folder);
    return std::count_if(tree.begin(), tree.end(),
                         [](const auto& entry) { return entry.first.starts_with("qm~"); });
}

ULONGLONG FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Local(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

void Connect(FtpUser& user, const std::string& host, const std::string& remote, const std::string& local,
             const std::string& password = "secret") {
    user.Type(IDC_FTP_HOST, host);
    user.Type(IDC_FTP_USERNAME, "user");
    user.Type(IDC_FTP_PASSWORD, password);
    user.Type(IDC_FTP_REMOTE_DIR, remote);
    user.Type(IDC_FTP_LOCAL_DIR, local);
}

class FtpDialogTest : public testing::Test {
  protected:
    void SetUp() override { ClearProgramRegistry(); }
    void TearDown() override { ClearProgramRegistry(); }
    FtpServers& servers_ = FtpServers::Instance();
};

} // namespace

TEST(FtpRules, HostsFoldersAndListedNames) {
    struct HostCase {
        const char* host;
        const char* server;
        int port;
    };
    for (const HostCase& c : {HostCase{"example:2121", "example", 2121},
                              {"example", "example", 21},
                              {"example:", "example", 0},
                              {"example:ftp", "example", 0},
                              {"", "", 21},
                              {"a:21:22", "a", 21}}) {
        FtpServerAddress address = SplitFtpHost(c.host);
        EXPECT_EQ(address.server, c.server) << c.host;
        EXPECT_EQ(address.port, c.port) << c.host;
    }
    for (auto [given, remote] : {std::pair{"www", "www/"},
                                 {"a\\b", "a/b/"},
                                 {"www/", "www//"},
                                 {"/htdocs/", "/htdocs//"},
                                 {"a\\", "a/"}})
        EXPECT_EQ(NormaliseRemoteDir(given), remote) << given;
    EXPECT_EQ(NormaliseLocalDir("C:\\site"), "C:\\site\\");
    EXPECT_EQ(NormaliseLocalDir("C:\\site\\"), "C:\\site\\");
    for (auto [start, given, resolved] : {std::tuple{"/", "www//", "/www//"},
                                          {"/home/user", "site/", "/home/user/site/"},
                                          {"/home/user/", "site/", "/home/user/site/"},
                                          {"/home/user", "/abs/", "/abs/"},
                                          {"", "site/", "site/"}})
        EXPECT_EQ(ResolveRemoteDir(start, given), resolved) << start << " + " << given;
    for (const char* bad :
         {"..",   ".",         "",           "...",         "..\\evil.txt", "a/b",        "c:x",
          "a*",   "tab\there", "a.",         "a ",          "nul",          "NUL.txt",    "con .php",
          "com1", "Lpt9.log",  "aux.tar.gz", "COM\xB9.txt", "conin$",       "CONOUT$.log"})
        EXPECT_FALSE(IsSafeLocalName(bad)) << bad;
    EXPECT_FALSE(IsSafeLocalName(std::string(256, 'a')));
    for (const char* good : {"index.php", "my file.txt", ".htaccess", "\xE9t\xE9.txt", "nullable.txt",
                             "console.php", "com10", "com0", ".nul", " a"})
        EXPECT_TRUE(IsSafeLocalName(good)) << good;
    EXPECT_TRUE(IsSafeLocalName(std::string(255, 'a')));
}

// A tree with nested and empty folders, sizes around a buffer's and a large file goes up to an
// absolute folder and comes back down from a relative one, byte for byte, names with blanks
// included: from a server with machine listings and from an older one that has "ls -l" lines
// only and takes one connection at a time.
TEST_F(FtpDialogTest, TreeGoesUpAndComesBackByteForByte) {
    FtpServers::Server server = servers_.Start("user", "secret");
    FtpServers::Server older = servers_.Start("user", "secret", 0, "older");
    FtpServers::Server picky = servers_.Start("user", "secret", 0, "one-mover");
    TempFolder local;
    std::string source = local.Path("site source"), target = local.Path("copy of site");
    std::string passed = local.Path("passive copy"), listed = local.Path("listed copy");
    std::string pickyCopy = local.Path("picky copy");
    ::CreateDirectoryA(source.c_str(), nullptr);
    Tree tree{{"index.php", "<?php echo 1; ?>"},
              {"empty.bin", ""},
              {"one.txt", "x"},
              {"eight-k-less-one.bin", Bytes(8191, 1)},
              {"eight-k.bin", Bytes(8192, 2)},
              {"eight-k-and-one.bin", Bytes(8193, 3)},
              {"large.bin", Bytes(5 << 20, 4)},
              {"empty", "<folder>"},
              {"sub", "<folder>"},
              {"sub\\nested", "<folder>"},
              {"sub\\nested\\deep.txt", "deep\r\n"},
              {"my page.php", "<p>blank</p>"},
              {"sub folder", "<folder>"},
              {"sub folder\\a file.txt", Bytes(100, 5)}};
    Tree upload = tree;
    // More than the 30,000 characters a status log holds unless its limit is raised.
    upload["many"] = "<folder>";
    for (int i = 0; i < 170; ++i)
        upload["many\\" + std::string(170, 'n') + std::to_string(i) + ".txt"] = std::to_string(i);
    WriteTree(source, upload);
    WriteTree(server.root + "\\plain", tree);
    WriteTree(older.root + "\\plain", tree);
    // Names no Windows file can have are skipped, with a line each: none may land elsewhere.
    for (int port : {server.port, older.port})
        for (const char* name : {"..\\escaped.txt", "index.php.", "nul.txt"})
            servers_.Touch(port, std::string("plain/") + name);
    // A listing full of such names is told in a few lines, not one a name: a hostile server
    // could otherwise fill the log faster than the dialog can show it.
    for (int port : {server.port, older.port})
        for (int i = 0; i < 25; ++i)
            servers_.Touch(port, "plain/flood/x" + std::to_string(i) + ".");
    // Names that differ only in case are one file on Windows: the second is skipped, not
    // written over the first.
    for (int port : {server.port, older.port})
        for (const char* name : {"plain/twins/Same.txt", "plain/twins/same.txt"})
            servers_.Touch(port, name);
    // Links come down as what they point to; a link's own size is its target's length.
    Tree linked = tree;
    for (const auto& [path, content] : tree)
        if (path.rfind("sub\\", 0) == 0) linked["linked-sub" + path.substr(3)] = content;
    linked["linked-sub"] = "<folder>";
    linked["short.txt"] = tree["one.txt"];
    linked["flood"] = "<folder>";
    linked["twins"] = "<folder>";
    linked["twins\\same.txt"] = "x";
    for (int port : {server.port, older.port}) {
        servers_.Link(port, "plain/linked-sub", "sub");
        servers_.Link(port, "plain/short.txt", "one.txt");
    }
    // One that would take the walk round and round; a server with machine listings follows
    // links itself, and would not say.
    servers_.Link(older.port, "plain/loop", ".");
    // What the download must replace only with a complete file.
    ::CreateDirectoryA(target.c_str(), nullptr);
    WriteFileBytes(target + "\\index.php", "old");
    ::SetFileAttributesA((target + "\\index.php").c_str(), FILE_ATTRIBUTE_HIDDEN);

    std::vector<std::string> uploaded, downloaded, cameBack;
    for (const auto& [path, content] : upload) {
        if (content == "<folder>") continue;
        uploaded.push_back("Uploading " + path);
        cameBack.push_back("Downloading " + path);
        std::replace(cameBack.back().begin(), cameBack.back().end(), '\\', '/');
    }
    std::sort(cameBack.begin(), cameBack.end());
    for (const auto& [path, content] : linked) {
        if (content == "<folder>" || path.starts_with("twins")) continue;
        std::string remote = path;
        std::replace(remote.begin(), remote.end(), '\\', '/');
        downloaded.push_back("Downloading " + remote);
    }
    for (const char* name : {"..\\escaped.txt", "index.php.", "nul.txt"})
        downloaded.push_back(std::string("Skipping ") + name + " (a name no Windows file can have)");
    std::sort(uploaded.begin(), uploaded.end());
    std::sort(downloaded.begin(), downloaded.end());

    FtpDialog dialog("");
    RunFtpDialog(dialog, [&](FtpUser& user) {
        Connect(user, Local(server.port), "/site", source);
        user.Check(IDC_FTP_PASSIVE, true);
        user.Start(IDC_FTP_UPLOAD);
        EXPECT_EQ(user.AwaitEnd(), "");
        std::vector<std::string> lines = user.LogLines();
        EXPECT_GT(user.LogLength(), 30000u);
        std::sort(lines.begin(), lines.end());
        EXPECT_EQ(lines, uploaded);
        EXPECT_EQ(Differences(upload, ReadTree(server.root + "\\site")), "");

        for (auto [port, passive, folder] : {std::tuple{server.port, false, target},
                                             {server.port, true, passed},
                                             {older.port, true, listed}}) {
            SCOPED_TRACE(folder);
            Connect(user, Local(port), "plain", folder);
            user.Check(IDC_FTP_PASSIVE, passive);
            user.Start(IDC_FTP_DOWNLOAD);
            // The connections that the older server holds without a word are let go once no
            // files are left for them: the run does not wait out their time-out.
            EXPECT_EQ(user.AwaitEnd(port == older.port ? 15000 : 60000), "");
            lines = user.LogLines();
            auto flooded = std::stable_partition(lines.begin(), lines.end(), [](const std::string& line) {
                return !line.starts_with("Skipping flood/x");
            });
            EXPECT_EQ(lines.end() - flooded, 20);
            lines.erase(flooded, lines.end());
            auto twins = std::stable_partition(lines.begin(), lines.end(), [](const std::string& line) {
                return line.find("twins/") == std::string::npos;
            });
            std::vector<std::string> twinLines(twins, lines.end());
            lines.erase(twins, lines.end());
            std::sort(twinLines.begin(), twinLines.end());
            ASSERT_EQ(twinLines.size(), 2u);
            EXPECT_TRUE(twinLines[0].starts_with("Downloading twins/")) << twinLines[0];
            EXPECT_EQ(twinLines[1].find("Skipping twins/"), 0u) << twinLines[1];
            EXPECT_TRUE(EqualNoCase(twinLines[0].substr(12), twinLines[1].substr(9, 14)));
            EXPECT_NE(twinLines[0].substr(12), twinLines[1].substr(9, 14));
            std::vector<std::string> expected = downloaded;
            expected.push_back("Skipping 5 more entries of flood/");
            if (port == older.port)
                expected.push_back("Skipping loop (a link that may lead back into the tree)");
            std::sort(lines.begin(), lines.end());
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(lines, expected);
        }

        // The lanes that such a server refuses give their files back to the first and leave:
        // nothing fails, and each file is told once.
        for (auto [button, remote, folder] :
             {std::tuple{IDC_FTP_UPLOAD, "/site", source}, {IDC_FTP_DOWNLOAD, "site", pickyCopy}}) {
            Connect(user, Local(picky.port), remote, folder);
            user.Check(IDC_FTP_PASSIVE, true);
            user.Start(button);
            EXPECT_EQ(user.AwaitEnd(), "") << remote;
            lines = user.LogLines();
            std::sort(lines.begin(), lines.end());
            EXPECT_EQ(lines, button == IDC_FTP_UPLOAD ? uploaded : cameBack) << remote;
        }
        user.Escape();
        EXPECT_TRUE(user.AwaitClosed());
    });
    EXPECT_EQ(Differences(upload, ReadTree(picky.root + "\\site")), "");
    EXPECT_EQ(Differences(upload, ReadTree(pickyCopy)), "");
    for (const std::string& folder : {target, passed, listed}) {
        Tree got = ReadTree(folder);
        // The twin that came keeps the case the server gave it.
        for (const char* name : {"twins\\Same.txt", "twins\\same.txt"})
            if (auto found = got.extract(name)) got["twins\\same.txt"] = found.mapped();
        EXPECT_EQ(Differences(linked, got), "") << folder;
    }
    EXPECT_EQ(ReadTree(local.Path()).count("escaped.txt"), 0u);
    // The file that replaced the old one keeps what the user set on it.
    EXPECT_EQ(::GetFileAttributesA((target + "\\index.php").c_str()) & FILE_ATTRIBUTE_HIDDEN,
              DWORD(FILE_ATTRIBUTE_HIDDEN));
    servers_.Stop(server.port);
    servers_.Stop(older.port);
    servers_.Stop(picky.port);
}

// Each failure is reported with its own text, and the dialog goes on working after it.
TEST_F(FtpDialogTest, FailuresAreReportedAndTheDialogGoesOn) {
    FtpServers::Server server = servers_.Start("user", "secret");
    std::string unused = std::to_string(servers_.UnusedPort());
    TempFolder local;
    WriteFileBytes(local.Path("a.txt"), "a");
    struct Case {
        std::string host, password, remote;
        int button;
        std::string box;
        std::string localDir = {};
        std::vector<std::string> log = {}; // when given, the whole status log
    };
    // Local folders that cannot be made: the download does not end as if it had got everything.
    std::string noDrive = "Q:\\nowhere\\";
    // A file the user made read-only stays as it was, and so does its folder.
    TempFolder guarded;
    std::string kept = guarded.Path("a.txt");
    WriteFileBytes(kept, "keep");
    ::SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string connect = "Failed to connect to server (127.0.0.1:";
    // Deeper than any real site: what a server that follows a link into its own folder shows.
    std::string deep = "/deep/", folder = server.root + "\\deep";
    for (int level = 0; level <= 65; ++level, deep += "d/", folder += "\\d")
        ::CreateDirectoryA(folder.c_str(), nullptr);
    deep.resize(deep.size() - 2);
    for (const char* name : {"\\endless", "\\long-name", "\\odd"})
        ::CreateDirectoryA((server.root + name).c_str(), nullptr);
    // The same on this side, and a folder whose files' names are longer than Windows reads.
    TempFolder tall, wide;
    std::string tallPath = tall.Path() + "\\", tallRemote = "/site/";
    for (int level = 0; level < 65; ++level) {
        tallPath += "d\\";
        tallRemote += "d/";
        ::CreateDirectoryA(tallPath.c_str(), nullptr);
    }
    std::string longName(120, 'x'), widePath = wide.Path() + "\\" + longName + "\\" + longName;
    std::wstring wideName(L"\\\\?\\" + std::wstring(widePath.begin(), widePath.end()));
    ::CreateDirectoryW(wideName.substr(0, wideName.size() - 121).c_str(), nullptr);
    ::CreateDirectoryW(wideName.c_str(), nullptr);
    const Case cases[] = {
        {"127.0.0.1:" + unused, "secret", "/site", IDC_FTP_UPLOAD, connect + unused + ")"},
        {"127.0.0.1", "secret", "/site", IDC_FTP_UPLOAD, connect + "21)"},
        {"127.0.0.1:ftp", "secret", "/site", IDC_FTP_UPLOAD, connect + "0)"},
        {Local(server.port), "wrong", "/site", IDC_FTP_UPLOAD, connect + std::to_string(server.port) + ")"},
        {Local(server.port), "secret", "/missing", IDC_FTP_DOWNLOAD,
         "Failed to set current directory (/missing/)"},
        {Local(server.port), "secret", "/no/such", IDC_FTP_UPLOAD,
         "Failed to upload file (" + local.Path() + "\\ -> /no/such/)"},
        {Local(server.port), "secret", "/site", IDC_FTP_UPLOAD, ""},
        {Local(server.port), "secret", "/site", IDC_FTP_DOWNLOAD, "Failed to create folder (" + noDrive + ")",
         noDrive},
        {Local(server.port), "secret", "/site", IDC_FTP_DOWNLOAD,
         "Failed to download file (/site/a.txt -> " + kept + ")", guarded.Path()},
        {Local(server.port), "secret", "/deep", IDC_FTP_DOWNLOAD,
         "Failed to set current directory (" + deep + ")"},
        {Local(server.port), "secret", "/site", IDC_FTP_UPLOAD,
         "Failed to upload file (" + tallPath + " -> " + tallRemote + ")", tall.Path()},
        {Local(server.port), "secret", "/site", IDC_FTP_UPLOAD,
         "Failed to upload file (" + widePath + "\\ -> /site/" + longName + "/" + longName + "/)",
         wide.Path()},
        // A listing of more entries than any real folder holds, and a name longer than any file's.
        {Local(server.port), "secret", "/endless", IDC_FTP_DOWNLOAD, "Failed to find next file"},
        {Local(server.port),
         "secret",
         "/long-name",
         IDC_FTP_DOWNLOAD,
         "",
         "",
         {"Skipping " + std::string(100, 'n') + "... (a name no Windows file can have)"}},
        {Local(server.port),
         "secret",
         "/odd",
         IDC_FTP_DOWNLOAD,
         "",
         "",
         {"Skipping 2 entries of /odd/ that the server listed in a form not understood"}},
    };
    FtpDialog dialog("");
    RunFtpDialog(dialog, [&](FtpUser& user) {
        for (const Case& c : cases) {
            Connect(user, c.host, c.remote, c.localDir.empty() ? local.Path() : c.localDir, c.password);
            user.Start(c.button);
            EXPECT_EQ(user.AwaitEnd(), c.box) << c.host << " " << c.remote;
            if (!c.log.empty()) {
                EXPECT_EQ(user.LogLines(), c.log);
            }
        }
        user.Escape();
        EXPECT_TRUE(user.AwaitClosed());
    });
    EXPECT_EQ(ReadFileBytes(server.root + "\\site\\a.txt"), "a");
    EXPECT_EQ(ReadFileBytes(kept), "keep");
    EXPECT_EQ(PartFiles(guarded.Path()), 0u);
    ::SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(wideName.c_str());
    servers_.Stop(server.port);
}

// Cancel ends a transfer within seconds whatever the server does, and the next Esc closes the
// dialog. A file being received never replaces the old one and leaves no temporary file.
TEST_F(FtpDialogTest, CancelEndsTheTransferWhateverTheServerDoes) {
    enum Event { cancel, stallThenCancel, serverDies };
    struct Case {
        const char* name;
        int button;
        Event event;
    };
    for (const Case& c : {Case{"download cancelled", IDC_FTP_DOWNLOAD, cancel},
                          {"upload cancelled", IDC_FTP_UPLOAD, cancel},
                          {"upload to a server that stops answering", IDC_FTP_UPLOAD, stallThenCancel},
                          {"download from a server that stops answering", IDC_FTP_DOWNLOAD, stallThenCancel},
                          {"download from a server that dies", IDC_FTP_DOWNLOAD, serverDies}}) {
        SCOPED_TRACE(c.name);
        // Larger than what the sockets' buffers hold, so that the upload is still writing.
        std::string big = Bytes(16 << 20, 7);
        FtpServers::Server server = servers_.Start("user", "secret", 256 * 1024);
        std::string remote = server.root + "\\data\\big.bin";
        ::CreateDirectoryA((server.root + "\\data").c_str(), nullptr);
        TempFolder local;
        std::string file = local.Path("big.bin");
        bool upload = c.button == IDC_FTP_UPLOAD;
        WriteFileBytes(upload ? file : remote, big);
        if (!upload) WriteFileBytes(file, "old");
        std::string failure = upload ? "Failed to upload file (" + file + " -> /data/big.bin)"
                                     : "Failed to download file (/data/big.bin -> " + file + ")";

        FtpDialog dialog("");
        RunFtpDialog(dialog, [&](FtpUser& user) {
            Connect(user, Local(server.port), "/data", local.Path());
            user.Start(c.button);
            // In the middle of the file.
            EXPECT_TRUE(PumpUntil([&] { return upload ? FileSize(remote) > 0 : PartFiles(local.Path()) > 0; },
                                  20000));
            // The file's line is in the log while the file is still on its way.
            std::string line = std::string(upload ? "Uploading" : "Downloading") + " big.bin";
            EXPECT_TRUE(PumpUntil([&] { return std::ranges::count(user.LogLines(), line) == 1; }, 2000))
                << line;
            ::Sleep(300);
            if (c.event == stallThenCancel) servers_.Stall(server.port);
            if (c.event == serverDies)
                servers_.Stop(server.port);
            else
                user.Escape();
            // The worker itself ends, with the failure: the dialog never has to give up on it.
            EXPECT_EQ(user.AwaitEnd(8000), failure);
            user.Escape();
            EXPECT_TRUE(user.AwaitClosed(3000)) << "the next Esc closes the dialog";
        });
        EXPECT_EQ(PartFiles(local.Path()), 0u);
        if (!upload) {
            EXPECT_TRUE(ReadFileBytes(file) == "old") << "the old file is replaced";
        }
        // The stalled server goes too.
        servers_.Stop(server.port);
    }
}

// Cancel lets an upload under way end whole, within a moment, instead of leaving the server a
// part of the file in place of the old one; what had not started is the failure.
TEST_F(FtpDialogTest, CancelLetsTheUploadUnderWayEndWhole) {
    // More than the sockets' buffers hold, at a pace that ends it well within the grace.
    std::string big = Bytes(20 << 20, 3);
    FtpServers::Server server = servers_.Start("user", "secret", 20 << 20);
    ::CreateDirectoryA((server.root + "\\data").c_str(), nullptr);
    std::string remote = server.root + "\\data\\big.bin";
    WriteFileBytes(remote, "the old file");
    TempFolder local;
    WriteFileBytes(local.Path("big.bin"), big);
    ::CreateDirectoryA(local.Path("later").c_str(), nullptr);
    WriteFileBytes(local.Path("later\\next.txt"), "next");

    FtpDialog dialog("");
    RunFtpDialog(dialog, [&](FtpUser& user) {
        Connect(user, Local(server.port), "/data", local.Path());
        user.Start(IDC_FTP_UPLOAD);
        EXPECT_TRUE(PumpUntil([&] { return FileSize(remote) > 20; }, 20000));
        user.Escape();
        EXPECT_EQ(user.AwaitEnd(8000),
                  "Failed to upload file (" + local.Path("later\\") + " -> /data/later/)");
        user.Escape();
        EXPECT_TRUE(user.AwaitClosed(3000));
    });
    EXPECT_TRUE(ReadFileBytes(remote) == big) << FileSize(remote) << " bytes of " << big.size();
    EXPECT_EQ(::GetFileAttributesA((server.root + "\\data\\later\\next.txt").c_str()),
              INVALID_FILE_ATTRIBUTES);
    servers_.Stop(server.port);
}

namespace {

RegKey ProfileKey(int number) {
    return OpenProgramKey(("Ftp" + std::to_string(number)).c_str(), true);
}

bool ProfileExists(int number) {
    return bool(OpenProgramKey(("Ftp" + std::to_string(number)).c_str()));
}

std::string ProfileText(int number, const char* name) {
    RegKey key = OpenProgramKey(("Ftp" + std::to_string(number)).c_str());
    return ReadRegistryString(key.Get(), name, 4096).value_or("(none)");
}

std::vector<std::string> Fields(FtpUser& user) {
    std::vector<std::string> fields;
    for (int id : {IDC_FTP_HOST, IDC_FTP_USERNAME, IDC_FTP_PASSWORD, IDC_FTP_REMOTE_DIR, IDC_FTP_LOCAL_DIR,
                   IDC_FTP_SESSION})
        fields.push_back(user.Text(id));
    fields.push_back(user.Checked(IDC_FTP_PASSIVE) ? "passive" : "active");
    return fields;
}

} // namespace

// The list shows the profiles up to the first gap, whatever their values hold; saving and
// deleting rewrite Ftp1 ... FtpN; the password is stored only when the user agrees to it.
TEST_F(FtpDialogTest, SavedConnections) {
    using namespace std::string_literals;
    struct Value {
        int profile;
        const char* name;
        DWORD type;
        std::string data;
    };
    for (const Value& v : {Value{1, nullptr, REG_SZ, "good\0"s},
                           {1, "Host", REG_SZ, "h:1\0"s},
                           {1, "Username", REG_SZ, "u\0"s},
                           {1, "Password", REG_SZ, "p\0"s},
                           {1, "Remote", REG_SZ, "/r\0"s},
                           {1, "Local", REG_SZ, "C:\\l\0"s},
                           {1, "Passive", REG_DWORD, "\1\0\0\0"s},
                           {2, nullptr, REG_SZ, "bad\0"s},
                           {2, "Host", REG_BINARY, "h:2"},
                           {2, "Username", REG_SZ, std::string(5000, 'u') + '\0'},
                           {2, "Password", REG_SZ, "unterminated"},
                           {2, "Remote", REG_SZ, ""},
                           {2, "Local", REG_EXPAND_SZ, "%TEMP%\\l\0"s},
                           {2, "Passive", REG_SZ, "1\0"s},
                           {4, nullptr, REG_SZ, "after a gap\0"s}})
        ::RegSetValueExA(ProfileKey(v.profile).Get(), v.name, 0, v.type,
                         reinterpret_cast<const BYTE*>(v.data.data()), static_cast<DWORD>(v.data.size()));
    FtpServers::Server server = servers_.Start("user", "secret");
    TempFolder local;
    using Fields_ = std::vector<std::string>;
    FtpDialog dialog("");
    RunFtpDialog(dialog, [&](FtpUser& user) {
        EXPECT_EQ(user.Rows(), (Fields_{"good", "bad"}));
        user.ClickRow(0);
        EXPECT_EQ(Fields(user), (Fields_{"h:1", "u", "p", "/r", "C:\\l", "good", "passive"}));
        EXPECT_TRUE(user.Enabled(IDC_FTP_UPLOAD));
        user.ClickRow(1);
        Fields_ fields = Fields(user);
        // An unterminated value is either refused or read as exactly its bytes (Wine ends it).
        EXPECT_TRUE(fields[2] == "" || fields[2] == "unterminated") << fields[2];
        fields[2] = "";
        EXPECT_EQ(fields, (Fields_{"", "", "", "", "%TEMP%\\l", "bad", "active"}));
        EXPECT_FALSE(user.Enabled(IDC_FTP_DOWNLOAD));
        user.ClickRow(0);
        user.ClickRow(-1);
        EXPECT_EQ(Fields(user), (Fields_{"", "", "", "", "", "", "active"}));
        EXPECT_FALSE(user.Enabled(IDC_FTP_UPLOAD));
        EXPECT_FALSE(user.Enabled(IDC_FTP_SAVE));

        // No password, no question; the same name twice gives two rows.
        Connect(user, Local(server.port), "/site", local.Path(), "");
        user.Type(IDC_FTP_SESSION, "plain");
        for (size_t rows : {3u, 4u}) {
            user.Press(IDC_FTP_SAVE);
            EXPECT_TRUE(PumpUntil([&] { return user.Rows().size() == rows; }));
        }
        EXPECT_EQ(user.Rows(), (Fields_{"good", "bad", "plain", "plain"}));
        EXPECT_EQ(ProfileText(4, nullptr), "plain") << "the key after the gap is rewritten";
        EXPECT_EQ(ProfileText(3, "Password"), "(none)");

        // Declined, the password stays out of the registry but is used for this session.
        user.Type(IDC_FTP_PASSWORD, "secret");
        user.Type(IDC_FTP_SESSION, "with password");
        user.Press(IDC_FTP_SAVE);
        EXPECT_EQ(user.Answer(IDNO), LoadResourceString(IDS_SAVE_PASSWORD));
        EXPECT_TRUE(PumpUntil([&] { return user.Rows().size() == 5; }));
        EXPECT_EQ(ProfileText(5, "Password"), "(none)");
        EXPECT_EQ(ProfileText(5, "Host"), Local(server.port));
        EXPECT_EQ(user.Text(IDC_FTP_PASSWORD), "secret");
        WriteFileBytes(local.Path("a.txt"), "a");
        user.Start(IDC_FTP_UPLOAD);
        EXPECT_EQ(user.AwaitEnd(), "");
        EXPECT_TRUE(user.Enabled(IDC_FTP_SAVE));

        // Two of five at once: Ftp1 to Ftp3 rewritten, Ftp4 deleted, Ftp5 left alone.
        user.SelectRows({1, 3});
        user.Press(IDC_FTP_DELETE);
        EXPECT_TRUE(PumpUntil([&] { return user.Rows().size() == 3; }));
        EXPECT_EQ(user.Rows(), (Fields_{"good", "plain", "with password"}));

        for (int id : {IDC_FTP_SAVE, IDC_FTP_DELETE}) {
            auto image =
                reinterpret_cast<HBITMAP>(::SendMessageA(user.Item(id), BM_GETIMAGE, IMAGE_BITMAP, 0));
            BITMAP info{};
            ASSERT_TRUE(image && ::GetObjectA(image, sizeof(info), &info));
            EXPECT_EQ(info.bmWidth, 16);
            HDC dc = ::CreateCompatibleDC(nullptr);
            HGDIOBJ old = ::SelectObject(dc, image);
            EXPECT_EQ(::GetPixel(dc, 0, 0), ::GetSysColor(COLOR_BTNFACE)) << "transparent background";
            EXPECT_NE(::GetPixel(dc, 7, 7), ::GetSysColor(COLOR_BTNFACE));
            ::SelectObject(dc, old);
            ::DeleteDC(dc);
        }
    });
    EXPECT_EQ(ReadFileBytes(server.root + "\\site\\a.txt"), "a");
    EXPECT_EQ(ProfileText(2, nullptr), "plain");
    EXPECT_EQ(ProfileText(3, nullptr), "with password");
    EXPECT_FALSE(ProfileExists(4));
    EXPECT_TRUE(ProfileExists(5));
    FtpDialog again("");
    RunFtpDialog(again, [&](FtpUser& user) {
        EXPECT_EQ(user.Rows(), (Fields_{"good", "plain", "with password"}));
        user.Escape();
    });
    servers_.Stop(server.port);
}

// Tools > FTP saves a modified document first, then opens the dialog on the document's folder;
// a save that is cancelled keeps the dialog closed.
TEST_F(FrameTest, ToolsFtpSavesTheDocumentAndStartsInItsFolder) {
    TempFolder folder;
    std::string path = folder.Path("page.php");
    WriteFileBytes(path, "old");
    ASSERT_TRUE(frame_->Tabs().OpenDocument(path, false));
    Document* document = frame_->Tabs().SelectedDocument();
    document->View().Call(SCI_APPENDTEXT, 4, " new");
    std::string localDir;
    {
        FtpDialogScript script([&](FtpUser& user) {
            localDir = user.Text(IDC_FTP_LOCAL_DIR);
            user.Escape();
        });
        Command(ID_TOOLS_FTP);
        EXPECT_TRUE(script.Seen());
    }
    EXPECT_EQ(ReadFileBytes(path), "old new");
    EXPECT_EQ(localDir, folder.Path());

    Command(ID_FILE_NEW);
    frame_->Tabs().SelectedDocument()->View().Call(SCI_APPENDTEXT, 3, "new");
    FileDialogDriver cancel("Save As", "");
    FtpDialogScript unwanted([](FtpUser& user) { user.Escape(); }, 2000);
    Command(ID_TOOLS_FTP);
    EXPECT_TRUE(cancel.Done());
    EXPECT_FALSE(unwanted.Seen());
}
