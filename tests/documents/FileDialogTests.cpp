// The Open and Save As commands through the platform's own file dialogs.
#include "DocumentsFixture.h"

#include "resources/Resource.h"

using namespace testing_support;

TEST_F(DocumentsTest, SaveAsNamesAnUntitledDocument) {
    Document* document = Tabs().SelectedDocument();
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->Path().empty());
    std::string text = "<?php echo 'hello'; ?>\n";
    document->View().Call(SCI_ADDTEXT, text.size(), text.data());

    // Cancel: nothing written, still untitled and modified.
    {
        FileDialogDriver cancel("Save As", "");
        Command(ID_FILE_SAVE_AS);
        EXPECT_TRUE(cancel.Done());
    }
    EXPECT_TRUE(document->Path().empty());
    EXPECT_TRUE(document->IsModified());
    EXPECT_TRUE(FolderNames().empty());

    // Save on an untitled document asks for a name; one typed without an extension gets ".php".
    {
        FileDialogDriver save("Save As", folder_.Path("page"));
        Command(ID_FILE_SAVE);
        EXPECT_TRUE(save.Done());
        EXPECT_TRUE(save.NameTaken());
    }
    std::string path = folder_.Path("page.php");
    EXPECT_EQ(ReadFileBytes(path), text) << "an untitled document is UTF-8, without a prefix";
    EXPECT_EQ(document->CodePage(), SC_CP_UTF8);
    EXPECT_EQ(document->Path(), path);
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(TabText(Tabs().SelectedIndex()), "page.php");
    ASSERT_FALSE(frame_->RecentFiles().Entries().empty());
    EXPECT_EQ(frame_->RecentFiles().Entries().back(), path);
    EXPECT_EQ(document->GetDiskState(), DiskState::unchanged);
}

TEST_F(DocumentsTest, ReadOnlyFileIsSavedOnlyUnderANewName) {
    std::string original = "<?php // from a read-only file ?>";
    std::string path = MakeFile("locked.php", original);
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    FILETIME before{}, after{};
    ASSERT_TRUE(ReadLastWriteTime(path, before));
    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->IsReadOnly());
    document->View().Call(SCI_APPENDTEXT, 1, "x");
    EXPECT_EQ(ViewText(*document), original) << "the view refuses edits";
    Command(ID_FILE_SAVE);
    ASSERT_TRUE(ReadLastWriteTime(path, after));
    EXPECT_EQ(::CompareFileTime(&before, &after), 0) << "Save does nothing";

    std::string copy = folder_.Path("copy.php");
    {
        FileDialogDriver save("Save As", copy);
        Command(ID_FILE_SAVE_AS);
        EXPECT_TRUE(save.Done());
    }
    EXPECT_EQ(ReadFileBytes(copy), original);
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(document->Path(), copy);
    EXPECT_FALSE(document->IsReadOnly());
    EXPECT_EQ(TabText(Tabs().SelectedIndex()), "copy.php");

    // A failed Save As restores the read-only state and keeps the new name: here the chosen
    // file is itself read-only.
    std::string blocked = MakeFile("blocked.php", "blocked");
    ::SetFileAttributesA(blocked.c_str(), FILE_ATTRIBUTE_READONLY);
    document->SetReadOnly(true);
    {
        FileDialogDriver save("Save As", blocked);
        BoxSequence overwrite({{"", IDYES}, {"Quillmark", IDOK}}, 5000);
        Command(ID_FILE_SAVE_AS);
        EXPECT_TRUE(save.Done());
        overwrite.Finish();
        EXPECT_EQ(overwrite.Answered(), 2) << "replacing an existing file is confirmed in the dialog, "
                                              "and the failed save says so";
    }
    EXPECT_EQ(ReadFileBytes(blocked), "blocked");
    EXPECT_TRUE(document->IsReadOnly());
    EXPECT_EQ(document->Path(), blocked);
    // The text is not that file's, and the file did not change: switching back to the program
    // asks nothing, where a Yes would load that file over the text.
    {
        BoxSequence reload({{blocked, IDYES}}, 2000);
        ::SendMessageA(window_, WM_ACTIVATEAPP, TRUE, 0);
        PumpMessages(100);
        reload.Finish();
        EXPECT_EQ(reload.Answered(), 0);
    }
    EXPECT_EQ(ViewText(*document), original);
}

TEST_F(DocumentsTest, OpenDialogReadOnlyBoxOpensReadOnly) {
    std::string path = MakeFile("plain.php", "<?php ?>");
    CloseAllTabs();
    {
        FileDialogDriver open("Open", path, true);
        Command(ID_FILE_OPEN);
        EXPECT_TRUE(open.Done());
        EXPECT_TRUE(open.ReadOnlyTicked()) << "the read-only box is offered";
    }
    ASSERT_EQ(Tabs().Count(), 1);
    Document* document = Tabs().SelectedDocument();
    EXPECT_EQ(document->Path(), path);
    EXPECT_TRUE(document->IsReadOnly()) << "whatever the file's attributes say";
    EXPECT_EQ(ViewText(*document), "<?php ?>");

    document->View().Call(SCI_SETSAVEPOINT);
    Tabs().CloseDocument(0);
    {
        FileDialogDriver open("Open", path);
        Command(ID_FILE_OPEN);
        EXPECT_TRUE(open.Done());
    }
    ASSERT_EQ(Tabs().Count(), 1);
    EXPECT_FALSE(Tabs().SelectedDocument()->IsReadOnly());

    // Cancel opens nothing.
    {
        FileDialogDriver cancel("Open", "");
        Command(ID_FILE_OPEN);
        EXPECT_TRUE(cancel.Done());
    }
    EXPECT_EQ(Tabs().Count(), 1);
}

// The file dialogs never move the program's current folder (a relative name handed over later
// would resolve elsewhere), and Open starts in the folder of the document being edited.
TEST_F(DocumentsTest, FileDialogsKeepTheCurrentFolderAndOpenStartsBesideTheDocument) {
    TempFolder elsewhere;
    ASSERT_TRUE(WriteFileBytes(elsewhere.Path("b.php"), "elsewhere"));
    std::string mine = MakeFile("b.php", "beside");
    ASSERT_NE(Open(MakeFile("a.php")), nullptr);
    char previous[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(elsewhere.Path().c_str()));
    auto currentFolder = [] {
        char folder[MAX_PATH] = "";
        ::GetCurrentDirectoryA(MAX_PATH, folder);
        return std::string(folder);
    };

    {
        FileDialogDriver open("Open", "b.php");
        Command(ID_FILE_OPEN);
        EXPECT_TRUE(open.Done());
    }
    EXPECT_EQ(Tabs().SelectedDocument()->Path(), mine);
    EXPECT_EQ(currentFolder(), elsewhere.Path());

    std::string sub = folder_.Path("sub");
    ASSERT_TRUE(::CreateDirectoryA(sub.c_str(), nullptr));
    {
        FileDialogDriver save("Save As", sub + "\\c.php");
        Command(ID_FILE_SAVE_AS);
        EXPECT_TRUE(save.Done());
    }
    EXPECT_EQ(ReadFileBytes(sub + "\\c.php"), "beside");
    EXPECT_EQ(currentFolder(), elsewhere.Path());
    ::SetCurrentDirectoryA(previous);
}
