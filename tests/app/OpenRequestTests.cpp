// Open-file requests come from other processes: malformed ones must open nothing and harm nothing.
#include "support/FrameFixture.h"

#include <cstring>

#include "app/OpenRequest.h"

using namespace testing_support;

namespace {
COPYDATASTRUCT Request(const void* data, DWORD size, ULONG_PTR mode = 0) {
    COPYDATASTRUCT request{};
    request.dwData = mode;
    request.cbData = size;
    request.lpData = const_cast<void*>(data);
    return request;
}
} // namespace

TEST(OpenRequest, ReadsOnlyWellFormedTexts) {
    const char text[] = "C:\\site\\index.php";
    COPYDATASTRUCT good = Request(text, sizeof(text));
    EXPECT_EQ(ReadOpenRequestText(&good), std::optional<std::string>(text));

    COPYDATASTRUCT empty = Request("", 1);
    EXPECT_EQ(ReadOpenRequestText(&empty), std::optional<std::string>(""));

    // The text ends at its first NUL, even when the sender declared more bytes.
    const char early[] = "a.php\0junk";
    COPYDATASTRUCT shorter = Request(early, sizeof(early));
    EXPECT_EQ(ReadOpenRequestText(&shorter), std::optional<std::string>("a.php"));

    EXPECT_EQ(ReadOpenRequestText(nullptr), std::nullopt);
    COPYDATASTRUCT noData = Request(nullptr, 10);
    EXPECT_EQ(ReadOpenRequestText(&noData), std::nullopt);
    COPYDATASTRUCT zero = Request(text, 0);
    EXPECT_EQ(ReadOpenRequestText(&zero), std::nullopt);

    // No terminator inside the declared bytes: the reader must not look past them. The block
    // ends on a page that is followed by an inaccessible one, so reading on would crash.
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    auto* pages = static_cast<char*>(
        ::VirtualAlloc(nullptr, system.dwPageSize * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    ::VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old);
    char* tail = pages + system.dwPageSize - 8;
    memcpy(tail, "abcdefgh", 8);
    COPYDATASTRUCT unterminated = Request(tail, 8);
    EXPECT_EQ(ReadOpenRequestText(&unterminated), std::nullopt);
    ::VirtualFree(pages, 0, MEM_RELEASE);

    std::string huge(1 << 20, 'x');
    COPYDATASTRUCT tooLarge = Request(huge.c_str(), static_cast<DWORD>(huge.size() + 1));
    EXPECT_EQ(ReadOpenRequestText(&tooLarge), std::nullopt);
}

TEST(OpenRequest, QuotesAreRemovedWhereverTheyStand) {
    EXPECT_EQ(RequestPath("\"C:\\my site\\a b.php\""), "C:\\my site\\a b.php");
    EXPECT_EQ(RequestPath("\"a.php\" \"b.php\""), "a.php b.php");
    EXPECT_EQ(RequestPath("pl\"ain"), "plain");
}

TEST_F(FrameTest, MalformedRequestsOpenNothing) {
    int before = frame_->Tabs().Count();
    const char unterminated[4] = {'a', '.', 'p', 'h'};
    COPYDATASTRUCT requests[] = {Request(nullptr, 5, 1), Request("x", 0, 1), Request(unterminated, 4, 1)};
    for (COPYDATASTRUCT& request : requests)
        EXPECT_EQ(::SendMessageA(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&request)), 0);
    EXPECT_EQ(frame_->Tabs().Count(), before);
}

TEST_F(FrameTest, RelativePathsAreRefusedNotResolvedAgainstOurFolder) {
    // The sender meant its own current folder; ours holds files of the same names.
    TempFolder folder;
    ::CreateDirectoryA(folder.Path("sub").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder.Path("foo.php"), "ours"));
    ASSERT_TRUE(WriteFileBytes(folder.Path("sub\\foo.php"), "ours"));
    char previous[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(folder.Path().c_str()));
    std::string full = folder.Path("foo.php");
    for (const std::string& path :
         {std::string("foo.php"), std::string(".\\foo.php"), std::string("sub\\foo.php"),
          full.substr(0, 2) + "foo.php", full.substr(2)}) {
        SendOpenRequest(window_, nullptr, path, OpenMode::openOnly);
        EXPECT_EQ(frame_->Tabs().Count(), 1) << path;
    }
    SendOpenRequest(window_, nullptr, full, OpenMode::openOnly);
    EXPECT_EQ(frame_->Tabs().Count(), 2) << "the full path opens";
    ::SetCurrentDirectoryA(previous);
}

TEST_F(FrameTest, RequestOpensTheFileOnceAndEmptyTextMatchesTheUntitledDocument) {
    TempFolder folder;
    std::string path = folder.Path("with space.php");
    ASSERT_TRUE(WriteFileBytes(path, "<?php echo 1; ?>"));
    std::string quoted = "\"" + path + "\"";
    SendOpenRequest(window_, nullptr, quoted, OpenMode::openAndActivate);
    ASSERT_EQ(frame_->Tabs().Count(), 2);
    EXPECT_EQ(frame_->Tabs().SelectedDocument()->Path(), path);

    // The same file again, in other letter case: its tab is selected, nothing new opens.
    frame_->Tabs().SelectTab(0);
    std::string upper = path;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    SendOpenRequest(window_, nullptr, upper, OpenMode::openOnly);
    EXPECT_EQ(frame_->Tabs().Count(), 2);
    EXPECT_EQ(frame_->Tabs().SelectedIndex(), 1);

    // An empty request selects the first untitled document.
    SendOpenRequest(window_, nullptr, "", OpenMode::openAndActivate);
    EXPECT_EQ(frame_->Tabs().Count(), 2);
    EXPECT_EQ(frame_->Tabs().SelectedIndex(), 0);

    // Two quoted paths in one line name no file.
    SendOpenRequest(window_, nullptr, quoted + " " + quoted, OpenMode::openOnly);
    EXPECT_EQ(frame_->Tabs().Count(), 2);
}

TEST_F(FrameTest, ActivatingRequestRestoresAMinimisedWindow) {
    ::ShowWindow(window_, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(::IsIconic(window_));
    SendOpenRequest(window_, nullptr, "", OpenMode::openOnly);
    EXPECT_TRUE(::IsIconic(window_)) << "an open-only request leaves the window alone";
    SendOpenRequest(window_, nullptr, "", OpenMode::openAndActivate);
    PumpMessages();
    EXPECT_FALSE(::IsIconic(window_));
}
