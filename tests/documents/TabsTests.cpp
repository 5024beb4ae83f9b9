// Document tabs: one tab per file, closing, selecting, the close icon and dragging.
#include "DocumentsFixture.h"

#include "app/OpenRequest.h"
#include "resources/Resource.h"

using namespace testing_support;

namespace {

RECT ItemRect(HWND tabs, int index) {
    RECT rect{};
    ::SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

} // namespace

class TabsTest : public DocumentsTest {
  protected:
    // `count` files a.php, b.php... in tabs 0..count-1, nothing else open.
    std::vector<Document*> OpenFiles(int count) {
        CloseAllTabs();
        std::vector<Document*> documents;
        for (int i = 0; i < count; ++i) {
            std::string name = std::string(1, static_cast<char>('a' + i)) + ".php";
            documents.push_back(Open(MakeFile(name, name)));
        }
        return documents;
    }

    std::vector<Document*> Order() {
        std::vector<Document*> order;
        for (int i = 0; i < Tabs().Count(); ++i)
            order.push_back(Tabs().DocumentAt(i));
        return order;
    }

    // The view that shows on top: the first document view in z-order.
    HWND TopView() {
        for (HWND child = ::GetTopWindow(Tabs().Handle()); child; child = ::GetWindow(child, GW_HWNDNEXT))
            if (Tabs().IndexOfView(child) >= 0) return child;
        return nullptr;
    }

    bool PressKey(UINT key, bool shift) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = keys[VK_MENU] = 0;
        ::SetKeyboardState(keys);
        MSG msg{Tabs().SelectedDocument()->ViewWindow(), WM_KEYDOWN, key, 1};
        bool consumed = frame_->PreTranslateMessage(msg);
        keys[VK_SHIFT] = 0;
        ::SetKeyboardState(keys);
        return consumed;
    }
};

TEST_F(TabsTest, OneTabPerFileWhateverTheSpelling) {
    CloseAllTabs();
    std::string a = MakeFile("Page.php");
    std::string b = MakeFile("other.php");
    ASSERT_NE(Open(a), nullptr);
    ASSERT_NE(Open(b), nullptr);
    ASSERT_EQ(Tabs().SelectedIndex(), 1);

    std::string upper = a;
    ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    ASSERT_NE(upper, a);
    EXPECT_TRUE(Tabs().OpenDocument(upper, false));
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Tabs().SelectedIndex(), 0);
    EXPECT_EQ(::GetFocus(), Tabs().DocumentAt(0)->ViewWindow());

    // The same file through a detour in the path.
    EXPECT_TRUE(Tabs().OpenDocument(folder_.Path("sub\\..\\other.php"), false));
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Tabs().SelectedIndex(), 1);
    EXPECT_EQ(TabText(0), "Page.php");

    // A missing file opens nothing and leaves the selection.
    EXPECT_FALSE(Tabs().OpenDocument(folder_.Path("missing.php"), false));
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Tabs().SelectedIndex(), 1);
}

TEST_F(TabsTest, ClosingTheSelectedTabSelectsTheOneInItsPlace) {
    std::vector<Document*> docs = OpenFiles(3);
    Tabs().SelectTab(1);
    Command(ID_FILE_CLOSE);
    ASSERT_EQ(Order(), (std::vector<Document*>{docs[0], docs[2]}));
    EXPECT_EQ(Tabs().SelectedDocument(), docs[2]);
    EXPECT_EQ(TopView(), docs[2]->ViewWindow());
    EXPECT_EQ(::GetFocus(), docs[2]->ViewWindow());

    // The last tab closed: the new last one.
    Command(ID_FILE_CLOSE);
    EXPECT_EQ(Tabs().SelectedDocument(), docs[0]);
    EXPECT_EQ(TopView(), docs[0]->ViewWindow());

    // The last document closed: an empty strip, and no new document appears.
    Command(ID_FILE_CLOSE);
    EXPECT_EQ(Tabs().Count(), 0);
    EXPECT_EQ(Tabs().SelectedDocument(), nullptr);
    Command(ID_FILE_CLOSE);
    Command(ID_NEXT_PANE);
    EXPECT_EQ(Tabs().Count(), 0);
}

TEST_F(TabsTest, CloseIconClosesItsOwnTab) {
    std::vector<Document*> docs = OpenFiles(3);
    HWND tabs = Tabs().Handle();
    ASSERT_EQ(Tabs().SelectedDocument(), docs[2]);

    // A modified document asks first; Cancel keeps it.
    docs[0]->View().Call(SCI_APPENDTEXT, 1, "!");
    RECT icon = Tabs().CloseIconRect(0);
    {
        BoxSequence cancel({{docs[0]->Path(), IDCANCEL}});
        ::SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON,
                       At((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2));
        cancel.Finish();
        EXPECT_EQ(cancel.Answered(), 1);
    }
    ASSERT_EQ(Tabs().Count(), 3);

    // No: the unselected tab goes and the selection stays on the same document.
    {
        BoxSequence no({{docs[0]->Path(), IDNO}});
        ::SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON,
                       At((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2));
    }
    EXPECT_EQ(Order(), (std::vector<Document*>{docs[1], docs[2]}));
    EXPECT_EQ(Tabs().SelectedDocument(), docs[2]);
    EXPECT_EQ(TopView(), docs[2]->ViewWindow());

    // A click on the rest of a tab selects it and closes nothing. The button is already up
    // again when the drag detection looks, so it is a click, not a drag.
    RECT item = ItemRect(tabs, 0);
    ::PostMessageA(tabs, WM_LBUTTONUP, 0, At(item.right - 3, (item.top + item.bottom) / 2));
    ::SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, At(item.right - 3, (item.top + item.bottom) / 2));
    PumpMessages();
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Tabs().SelectedDocument(), docs[1]);
    EXPECT_EQ(TopView(), docs[1]->ViewWindow());
}

TEST_F(TabsTest, DropTargetsFollowTheHalvesOfTheTabs) {
    std::vector<Document*> docs = OpenFiles(4);
    HWND tabs = Tabs().Handle();
    docs[0]->View().Call(SCI_APPENDTEXT, 1, "!");
    Tabs().SelectTab(1);
    ASSERT_EQ(TabText(0), "a.php*");

    // Each half of each tab, at any height over the strip.
    for (int i = 0; i < 4; ++i) {
        RECT item = ItemRect(tabs, i);
        RECT marker{};
        int middle = item.right - (item.right - item.left) / 2;
        EXPECT_EQ(Tabs().DropTargetFor(POINT{item.left + 1, item.bottom - 1}, 0, marker), i)
            << "left half of " << i;
        EXPECT_EQ(marker.left, item.left - 1);
        EXPECT_EQ(Tabs().DropTargetFor(POINT{middle, item.top}, 0, marker), i + 1) << "middle of " << i;
        EXPECT_EQ(marker.left, item.right - 1);
        EXPECT_EQ(Tabs().DropTargetFor(POINT{item.right - 1, item.bottom + 40}, 0, marker), i + 1);
    }
    // Beside the strip the target stays where it was, but never past the last gap.
    RECT last = ItemRect(tabs, 3);
    RECT marker{};
    EXPECT_EQ(Tabs().DropTargetFor(POINT{last.right + 50, last.top}, 2, marker), 3);
    EXPECT_EQ(Tabs().DropTargetFor(POINT{last.right + 50, last.top}, 4, marker), 4);

    // Tab 0 onto the right half of tab 2 becomes the third tab; it keeps its "*".
    RECT third = ItemRect(tabs, 2);
    int gap = Tabs().DropTargetFor(POINT{third.right - 2, third.top + 2}, 0, marker);
    Tabs().MoveTab(0, gap);
    EXPECT_EQ(Order(), (std::vector<Document*>{docs[1], docs[2], docs[0], docs[3]}));
    EXPECT_EQ(TabText(2), "a.php*");
    EXPECT_EQ(TabText(0), "b.php");
    EXPECT_EQ(Tabs().SelectedDocument(), docs[1]) << "the selection stays with its document";
    EXPECT_EQ(Tabs().SelectedIndex(), 0);

    // Onto either half of its own tab: nothing changes.
    RECT own = ItemRect(tabs, 2);
    Tabs().MoveTab(2, Tabs().DropTargetFor(POINT{own.left + 2, own.top + 2}, 2, marker));
    Tabs().MoveTab(2, Tabs().DropTargetFor(POINT{own.right - 2, own.top + 2}, 2, marker));
    EXPECT_EQ(Order(), (std::vector<Document*>{docs[1], docs[2], docs[0], docs[3]}));

    // The last tab to the front; the selected document moved keeps the selection.
    Tabs().SelectTab(3);
    Tabs().MoveTab(3, 0);
    EXPECT_EQ(Order(), (std::vector<Document*>{docs[3], docs[1], docs[2], docs[0]}));
    EXPECT_EQ(Tabs().SelectedIndex(), 0);
    EXPECT_EQ(TopView(), docs[3]->ViewWindow());
}

TEST_F(TabsTest, DraggingWithTheMouseMovesTheTab) {
    std::vector<Document*> docs = OpenFiles(4);
    HWND tabs = Tabs().Handle();
    docs[0]->View().Call(SCI_APPENDTEXT, 1, "!");
    Tabs().SelectTab(3);
    ::SetForegroundWindow(window_);
    PumpMessages(50);

    auto screenPoint = [&](int index, int fromRight) {
        RECT item = ItemRect(tabs, index);
        POINT point{item.right - fromRight, (item.top + item.bottom) / 2};
        ::ClientToScreen(tabs, &point);
        return point;
    };
    // The user presses the button on tab 0, moves past the drag threshold, then along the
    // strip to the right half of tab 2, and lets go there; `meanwhile` runs while the drag is on.
    auto drag = [&](std::function<void()> meanwhile) {
        POINT from = screenPoint(0, 4), to = screenPoint(2, 3);
        SendMouse(0, from);
        PumpMessages(50);
        std::atomic<int> step{0};
        std::thread user([&] {
            ::Sleep(150);
            SendMouse(0, POINT{from.x + 20, from.y});
            while (step == 0)
                ::Sleep(10);
            SendMouse(0, to);
            ::Sleep(100);
            SendMouse(MOUSEEVENTF_LEFTUP, to);
            ::Sleep(100);
            step = 2;
        });
        SendMouse(MOUSEEVENTF_LEFTDOWN, from);
        bool dragging = PumpUntil([&] { return Tabs().IsDragging(); }, 3000);
        if (dragging) meanwhile();
        step = 1;
        PumpUntil([&] { return step == 2; }, 5000);
        user.join();
        PumpMessages(50);
        return dragging;
    };

    ASSERT_TRUE(drag([&] { EXPECT_EQ(::GetCapture(), tabs); }));
    EXPECT_FALSE(Tabs().IsDragging());
    EXPECT_NE(::GetCapture(), tabs);
    EXPECT_EQ(Order(), (std::vector<Document*>{docs[1], docs[2], docs[0], docs[3]}));
    EXPECT_EQ(TabText(2), "a.php*");
    EXPECT_EQ(Tabs().SelectedDocument(), docs[3]) << "the selection stays with its document";
    EXPECT_EQ(TopView(), docs[3]->ViewWindow());

    // Losing the capture ends a drag: letting go afterwards moves nothing.
    ASSERT_TRUE(drag([] { ::ReleaseCapture(); }));
    EXPECT_FALSE(Tabs().IsDragging());
    EXPECT_EQ(Order(), (std::vector<Document*>{docs[1], docs[2], docs[0], docs[3]}));
}

TEST_F(TabsTest, NextAndPreviousTabStopAtTheEnds) {
    std::vector<Document*> docs = OpenFiles(3);
    ASSERT_EQ(Tabs().SelectedIndex(), 2);
    EXPECT_TRUE(PressKey(VK_F6, false));
    EXPECT_EQ(Tabs().SelectedIndex(), 2) << "F6 on the last tab does nothing";

    EXPECT_TRUE(PressKey(VK_F6, true));
    EXPECT_EQ(Tabs().SelectedIndex(), 1);
    EXPECT_EQ(::GetFocus(), docs[1]->ViewWindow());
    EXPECT_EQ(TopView(), docs[1]->ViewWindow());
    Command(ID_PREV_PANE);
    Command(ID_PREV_PANE);
    EXPECT_EQ(Tabs().SelectedIndex(), 0) << "no wrap-around at the first tab";
    EXPECT_TRUE(PressKey(VK_F6, false));
    EXPECT_EQ(Tabs().SelectedIndex(), 1);
}

namespace {

// A named pipe waiting for a client, as a server program's would.
class PipeServer {
  public:
    explicit PipeServer(const std::string& name)
        : pipe_(::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1,
                                   4096, 4096, 0, nullptr)) {
        overlapped_.hEvent = connected_.Get();
        ::ConnectNamedPipe(pipe_.Get(), &overlapped_);
    }
    ~PipeServer() { ::CancelIo(pipe_.Get()); }
    bool Listening() const { return static_cast<bool>(pipe_); }
    bool Connected() const { return ::WaitForSingleObject(connected_.Get(), 0) == WAIT_OBJECT_0; }

  private:
    KernelHandle pipe_;
    KernelHandle connected_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    OVERLAPPED overlapped_{};
};

} // namespace

// Only files on a disk open as documents, from wherever the name comes: a pipe, a device or a
// port would hold the interface while it is read, or never end.
TEST_F(TabsTest, OnlyDiskFilesOpen) {
    std::string pipeName = "qm-documents-" + std::to_string(::GetCurrentProcessId());
    PipeServer server("\\\\.\\pipe\\" + pipeName);
    ASSERT_TRUE(server.Listening());
    std::vector<std::string> paths = {
        "\\\\.\\pipe\\" + pipeName,
        "//./pipe/" + pipeName,
        "\\\\127.0.0.1\\pipe\\" + pipeName,
        "\\\\.\\COM1",
        "COM1",
        "LPT1",
        "\\\\.\\NUL",
        folder_.Path("nul.php"),
        folder_.Path("con"),
        "\\\\?\\GLOBALROOT\\Device\\Null",
    };
    if (::GetFileAttributesA("Z:\\dev") != INVALID_FILE_ATTRIBUTES) paths.push_back("Z:\\dev\\zero");
    struct Source {
        const char* name;
        std::function<void(const std::string&)> open;
    };
    const Source sources[] = {
        {"open", [&](const std::string& path) { EXPECT_FALSE(Tabs().OpenDocument(path, false)); }},
        {"drop",
         [&](const std::string& path) {
             ::SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
         }},
        {"open request",
         [&](const std::string& path) { SendOpenRequest(window_, nullptr, path, OpenMode::openOnly); }},
    };
    std::string plain = MakeFile("plain.php");
    CloseAllTabs();
    for (const Source& source : sources)
        for (const std::string& path : paths) {
            SCOPED_TRACE(std::string(source.name) + " " + path);
            source.open(path);
            EXPECT_EQ(Tabs().Count(), 0);
        }
    EXPECT_FALSE(server.Connected()) << "the pipe was opened";
    EXPECT_NE(Open(plain), nullptr) << "a disk file still opens";
}
