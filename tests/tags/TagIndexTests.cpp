// The tag index: real ctags output, declarations found through includes, the cache's bounds,
// and include statements opened by a double-click.
#include "support/FrameFixture.h"

#include <shlwapi.h>

#include "php/TagIndex.h"
#include "win/Strings.h"

using namespace testing_support;

namespace {

std::string CtagsBesideUs() {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return std::string(path) + "\\ctags.exe";
}

// Writes a PHP file and lets ctags index it, as loading or saving it in the editor does.
void WriteIndexed(const std::string& path, const std::string& text) {
    ASSERT_TRUE(WriteFileBytes(path, text));
    RunCtags(CtagsBesideUs(), path);
    ASSERT_TRUE(::PathFileExistsA((path + ".tag").c_str())) << "ctags wrote no tag file for " << path;
}

} // namespace

TEST(TagIndex, CtagsDeclarationsAreFoundAsWritten) {
    TempFolder folder;
    std::string path = folder.Path("index.php");
    WriteIndexed(path, "<?php\r\nfunction foo($a, $b = 1)\r\n{\r\n}\r\n"
                       "function bar($x) {\r\n}\r\n"
                       "class Page {\r\n    public function render($ctx, $opts = array()) {\r\n    }\r\n}\r\n"
                       "function multi($a,\r\n               $b) {\r\n}\r\n");
    TagIndex index;
    EXPECT_EQ(index.FindUserFunction("foo", path), std::optional<std::string>("function foo($a, $b = 1)"));
    EXPECT_EQ(index.FindUserFunction("bar", path), std::optional<std::string>("function bar($x) {"));
    EXPECT_EQ(index.FindUserFunction("render", path),
              std::optional<std::string>("public function render($ctx, $opts = array()) {"));
    EXPECT_EQ(index.FindUserFunction("multi", path), std::optional<std::string>("function multi($a,"))
        << "a declaration over several lines gives its first line";
    EXPECT_EQ(index.FindUserFunction("Page", path), std::nullopt) << "a class is not a function";
    EXPECT_EQ(index.FindUserFunction("fo", path), std::nullopt) << "names match whole";
    EXPECT_EQ(index.FindUserFunction("foo", ""), std::nullopt) << "untitled documents have no tags";
}

TEST(TagIndex, IncludesAreFollowedDepthFirstAndTheFirstDeclarationWins) {
    TempFolder folder;
    ASSERT_TRUE(::CreateDirectoryA(folder.Path("lib").c_str(), nullptr));
    WriteIndexed(folder.Path("lib\\util.php"), "<?php\nfunction helper($v) {}\nfunction twice() {}\n");
    WriteIndexed(folder.Path("other.php"), "<?php\nfunction twice($other) {}\nfunction mine($o) {}\n");
    WriteIndexed(folder.Path("page.php"), "<?php\ninclude_once('lib/util.php');\nrequire \"other.php\";\n"
                                          "function mine($here) {}\n");
    TagIndex index;
    std::string page = folder.Path("page.php");
    EXPECT_EQ(index.FindUserFunction("helper", page), std::optional<std::string>("function helper($v) {}"));
    EXPECT_EQ(index.FindUserFunction("twice", page), std::optional<std::string>("function twice() {}"))
        << "the file included first wins";
    EXPECT_EQ(index.FindUserFunction("mine", page), std::optional<std::string>("function mine($here) {}"))
        << "the current file wins over its includes";
}

TEST(TagIndex, IncludeRingsEndAndEachFileIsReadOnce) {
    TempFolder folder;
    WriteIndexed(folder.Path("a.php"), "<?php require 'b.php';\nfunction inA() {}\n");
    WriteIndexed(folder.Path("b.php"), "<?php require 'a.php'; require 'a.php';\nfunction inB() {}\n");
    TagIndex index;
    EXPECT_EQ(index.FindUserFunction("nowhere", folder.Path("a.php")), std::nullopt);
    EXPECT_EQ(index.Size(), 2u);
    EXPECT_EQ(index.FindUserFunction("inA", folder.Path("b.php")), std::optional<std::string>("function inA() {}"));
}

TEST(TagIndex, CacheIsBoundedMostRecentFirstAndInvalidatedWithoutCase) {
    TempFolder folder;
    std::vector<std::string> files;
    for (int i = 0; i < 20; ++i) {
        std::string name = std::to_string(i);
        name.insert(0, 1, 'f');
        name += ".php";
        files.push_back(folder.Path(name));
        ASSERT_TRUE(WriteFileBytes(files.back(), "<?php"));
        ASSERT_TRUE(WriteFileBytes(files.back() + ".tag", ""));
    }
    for (int limit : {0, 3, 15}) {
        TagIndex index(limit);
        for (const std::string& file : files) ASSERT_NE(index.Entry(file), nullptr);
        EXPECT_EQ(index.Size(), static_cast<size_t>(limit + 1)) << "limit " << limit;
        EXPECT_EQ(index.Entries().front().path, files.back());
    }
    TagIndex unbounded(-1);
    for (const std::string& file : files) unbounded.Entry(file);
    EXPECT_EQ(unbounded.Size(), files.size());

    // A hit moves to the front, and its texts are not read again.
    TagIndex index(15);
    index.Entry(files[0]);
    index.Entry(files[1]);
    ASSERT_TRUE(WriteFileBytes(files[0], "<?php changed"));
    std::string upper = files[0];
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(index.Entry(upper)->sourceText, "<?php");
    EXPECT_EQ(index.Entries().front().path, files[0]);
    index.Invalidate(upper);
    EXPECT_EQ(index.Size(), 1u);
    EXPECT_EQ(index.Entry(files[0])->sourceText, "<?php changed");

    // No tag file: nothing cached, so it is tried again later.
    ASSERT_TRUE(WriteFileBytes(folder.Path("bare.php"), "<?php"));
    EXPECT_EQ(index.Entry(folder.Path("bare.php")), nullptr);
    EXPECT_EQ(index.Size(), 2u);
}

TEST(TagIndex, IncludeStatementsInTheirSpellings) {
    std::string source = "include 'a.php'; require(\"b.php\" ); include_once (\"c.php'); "
                         "require_once 'd.php' ;\ninclude $variable; // include 'e.php';\n";
    EXPECT_EQ(IncludedPaths(source), (std::vector<std::string>{"a.php", "b.php", "c.php", "d.php", "e.php"}));
}

TEST_F(FrameTest, DoubleClickOnAnIncludeOpensTheIncludedFile) {
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.Path("x.php"), "<?php // included\n"));
    ASSERT_TRUE(WriteFileBytes(folder.Path("page.php"), "<?php include 'x.php'; $after = 1;\n"));
    ASSERT_TRUE(frame_->Tabs().OpenDocument(folder.Path("page.php"), false));
    ASSERT_EQ(frame_->Tabs().Count(), 2);
    Document* page = frame_->Tabs().SelectedDocument();
    HWND view = page->ViewWindow();
    PumpMessages();

    auto doubleClickAt = [&](Sci_Position position) {
        POINT point{static_cast<LONG>(page->View().Call(SCI_POINTXFROMPOSITION, 0, position)) + 1,
                    static_cast<LONG>(page->View().Call(SCI_POINTYFROMPOSITION, 0, position)) + 2};
        LPARAM where = MAKELPARAM(point.x, point.y);
        ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, where);
        ::SendMessageA(view, WM_LBUTTONUP, 0, where);
        // The component tells a double-click from two presses itself, then sends itself the
        // double-click message that the document handles.
        ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, where);
        ::SendMessageA(view, WM_LBUTTONUP, 0, where);
        PumpMessages();
    };
    doubleClickAt(27); // on "$after", past the statement's ";"
    EXPECT_EQ(frame_->Tabs().Count(), 2);
    EXPECT_NE(page->View().Call(SCI_GETSELECTIONSTART), page->View().Call(SCI_GETSELECTIONEND))
        << "elsewhere the double-click still selects a word";

    doubleClickAt(12); // inside 'x.php'
    ASSERT_EQ(frame_->Tabs().Count(), 3);
    EXPECT_TRUE(EqualNoCase(frame_->Tabs().SelectedDocument()->Path(), folder.Path("x.php")));
}
