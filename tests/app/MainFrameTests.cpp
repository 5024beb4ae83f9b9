// The main window as built: bars, bands, panes, tabs, and how it routes what reaches it.
#include "support/FrameFixture.h"

#include <commctrl.h>

#include "resources/Resource.h"

using namespace testing_support;

namespace {
std::string TabText(HWND tabs, int index) {
    char text[MAX_PATH] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    ::SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}
} // namespace

TEST_F(FrameTest, LayoutHasEveryBarAndPane) {
    EXPECT_EQ(WindowText(window_), "Quillmark");
    EXPECT_EQ(::GetMenu(window_), nullptr) << "the menu lives in the command bar";

    HWND rebar = Child(ID_REBAR);
    ASSERT_EQ(::SendMessageA(rebar, RB_GETBANDCOUNT, 0, 0), 3);
    UINT expected[] = {ID_BAND_COMMAND_BAR, ID_BAND_TOOLBAR, ID_BAND_UPDATE};
    for (int i = 0; i < 3; ++i) {
        REBARBANDINFOA band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_ID | RBBIM_STYLE | RBBIM_CHILD;
        ::SendMessageA(rebar, RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&band));
        EXPECT_EQ(band.wID, expected[i]) << "band " << i;
        EXPECT_EQ((band.fStyle & RBBS_BREAK) != 0, i > 0) << "each band below the first starts a row";
    }
    EXPECT_TRUE(BandShown(window_, ID_BAND_COMMAND_BAR));
    EXPECT_TRUE(BandShown(window_, ID_BAND_TOOLBAR));
    EXPECT_FALSE(BandShown(window_, ID_BAND_UPDATE));
    EXPECT_FALSE(::IsWindowVisible(FrameChild(window_, ID_BAND_UPDATE))) << "the hidden band's bar shows";

    char status[64] = "";
    ::SendMessageA(Child(ID_STATUS_BAR), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_STREQ(status, "Ready");

    Splitter& splitter = Part<Splitter>(ID_SPLITTER);
    EXPECT_EQ(splitter.PaneWindow(Splitter::leftPane), ToolsPane().Handle());
    EXPECT_EQ(splitter.PaneWindow(Splitter::rightPane), frame_->Tabs().Handle());
    EXPECT_EQ(splitter.SplitterPosition(), 200);
    EXPECT_EQ(ToolsPane().Title(), "Tools");

    HWND tools = Child(ID_TOOLS_TABS);
    ASSERT_EQ(::SendMessageA(tools, TCM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(TabText(tools, 0), "Files");
    TCITEMA item{};
    item.mask = TCIF_PARAM;
    ::SendMessageA(tools, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(reinterpret_cast<HWND>(item.lParam), Child(ID_FILES_TREE));

    HWND tabs = frame_->Tabs().Handle();
    EXPECT_NE(::SendMessageA(tabs, TCM_GETIMAGELIST, 0, 0), 0);
    ASSERT_EQ(frame_->Tabs().Count(), 1);
    EXPECT_EQ(TabText(tabs, 0), "(untitled)");

    // Toolbar buttons in order, separators as zeros.
    HWND toolbar = Child(ID_TOOLBAR);
    std::vector<int> buttons;
    int count = static_cast<int>(::SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        ::SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        buttons.push_back(button.fsStyle & BTNS_SEP ? 0 : button.idCommand);
    }
    std::vector<int> order = {57600, 57601, 57603, 32772, 0, 57635, 57634, 57637, 0, 32799, 32798, 0, 57664};
    EXPECT_EQ(buttons, order);
}

TEST_F(FrameTest, ChildrenFillTheClientAreaAfterResize) {
    ::SetWindowPos(window_, nullptr, 0, 0, 900, 600, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages();
    Splitter& split = Part<Splitter>(ID_SPLITTER);
    RECT client, rebar, status, splitter;
    ::GetClientRect(window_, &client);
    ::GetWindowRect(Child(ID_REBAR), &rebar);
    ::GetWindowRect(Child(ID_STATUS_BAR), &status);
    ::GetWindowRect(split.Handle(), &splitter);
    EXPECT_EQ(splitter.top, rebar.bottom);
    EXPECT_EQ(splitter.bottom, status.top);
    EXPECT_EQ(splitter.right - splitter.left, client.right);

    // The split keeps its proportion: 200 of the old width becomes the same share of the new.
    int before = split.SplitterPosition();
    int oldWidth = splitter.right - splitter.left;
    ::SetWindowPos(window_, nullptr, 0, 0, 1200, 600, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages();
    ::GetWindowRect(split.Handle(), &splitter);
    int newWidth = splitter.right - splitter.left;
    double expected = before * double(newWidth - Splitter::barWidth) / (oldWidth - Splitter::barWidth);
    EXPECT_NEAR(split.SplitterPosition(), expected, 1.0);
}

TEST_F(FrameTest, FocusGoesToTheSelectedView) {
    ::SetFocus(window_);
    PumpMessages();
    EXPECT_EQ(::GetFocus(), frame_->Tabs().SelectedDocument()->ViewWindow());
}
