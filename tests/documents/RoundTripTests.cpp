// Files read into a view and written back: the bytes, the encoding prefix, the attributes.
#include "DocumentsFixture.h"

#include "resources/Resource.h"
#include "support/LocalHttpServer.h"

using namespace testing_support;

namespace {

// Bytes that differ from one position to the next, so that a chunk written twice, dropped or
// shifted shows up.
std::string Pattern(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 8192 * 17 + seed) % 251 + 1);
    return bytes;
}

std::string EveryByteValue() {
    std::string bytes;
    for (int round = 0; round < 2; ++round)
        for (int value = 0; value < 256; ++value)
            bytes += static_cast<char>(value);
    return bytes;
}

const std::string utf8Prefix = "\xEF\xBB\xBF";

struct RoundTrip {
    const char* name;
    std::string file;
    int codePage;     // of the document after reading
    std::string text; // in the view after reading
    std::string saved;
};

} // namespace

TEST_F(DocumentsTest, FilesAreWrittenBackByteForByte) {
    std::string nulRun = std::string(8192, '\0') + "x" + std::string(3, '\0');
    std::string lineEnds = "a\rb\nc\r\nd\n\re\r\r\n\n\r\rf";
    // Characters cut by the end of a written block (8 KB) and of a piece read (1 MB).
    std::string utf8AcrossBlocks =
        std::string(8191, 'a') + "\xE2\x82\xAC" + std::string(8190, 'b') + "\xC3\xA9";
    utf8AcrossBlocks += std::string((1 << 20) - 1 - utf8AcrossBlocks.size(), 'c') + "\xC3\xA9";
    std::string latin1AfterUtf8 = std::string(9000, 'a') + "\xC3\xA9" + std::string(9000, 'b') + "\xE9";
    std::vector<RoundTrip> cases = {
        {"two prefix bytes", "\xEF\xBB", 0, "\xEF\xBB", "\xEF\xBB"},
        {"prefix alone", utf8Prefix, SC_CP_UTF8, "", utf8Prefix},
        {"empty", "", SC_CP_UTF8, "", ""},
        {"one block", Pattern(8192, 1), 0, Pattern(8192, 1), Pattern(8192, 1)},
        {"one block and a byte", Pattern(8193, 2), 0, Pattern(8193, 2), Pattern(8193, 2)},
        {"several blocks", Pattern(20000, 3), 0, Pattern(20000, 3), Pattern(20000, 3)},
        {"prefixed blocks", utf8Prefix + Pattern(20000, 4), SC_CP_UTF8, Pattern(20000, 4),
         utf8Prefix + Pattern(20000, 4)},
        {"every byte value", EveryByteValue(), 0, EveryByteValue(), EveryByteValue()},
        {"NUL bytes across a block end", nulRun, 0, nulRun, nulRun},
        {"mixed line ends", lineEnds, 0, lineEnds, lineEnds},
        {"prefix bytes later in the file", "x" + utf8Prefix, SC_CP_UTF8, "x" + utf8Prefix, "x" + utf8Prefix},
        {"prefix twice", utf8Prefix + utf8Prefix, SC_CP_UTF8, utf8Prefix, utf8Prefix + utf8Prefix},
        {"prefix before Latin-1", utf8Prefix + "caf\xE9", SC_CP_UTF8, "caf\xE9", utf8Prefix + "caf\xE9"},
        // Without a prefix: UTF-8 when every byte fits and one is not ASCII, else ANSI.
        {"ASCII only", "<?php echo 1; ?>", 0, "<?php echo 1; ?>", "<?php echo 1; ?>"},
        {"UTF-8 without prefix", "<?php echo 'caf\xC3\xA9'; ?>\n", SC_CP_UTF8,
         "<?php echo 'caf\xC3\xA9'; ?>\n", "<?php echo 'caf\xC3\xA9'; ?>\n"},
        {"UTF-8 across a block end", utf8AcrossBlocks, SC_CP_UTF8, utf8AcrossBlocks, utf8AcrossBlocks},
        {"four-byte character", "\xF0\x9F\x98\x80", SC_CP_UTF8, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"Latin-1", "<p>caf\xE9</p>", 0, "<p>caf\xE9</p>", "<p>caf\xE9</p>"},
        {"Latin-1 after UTF-8", latin1AfterUtf8, 0, latin1AfterUtf8, latin1AfterUtf8},
        {"sequence cut off at the end", "ab\xE2\x82", 0, "ab\xE2\x82", "ab\xE2\x82"},
        {"overlong form", "\xC0\xAF", 0, "\xC0\xAF", "\xC0\xAF"},
        {"surrogate", "\xED\xA0\x80", 0, "\xED\xA0\x80", "\xED\xA0\x80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0, "\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},
    };
    // Reading switches the view's change notifications off for a while: they must come back.
    sptr_t notifications = Tabs().SelectedDocument()->View().Call(SCI_GETMODEVENTMASK);
    int n = 0;
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = MakeFile("file" + std::to_string(++n) + ".php", c.file);
        Document* document = Open(path);
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->CodePage(), c.codePage);
        EXPECT_EQ(ViewText(*document), c.text);
        EXPECT_FALSE(document->IsModified());
        EXPECT_FALSE(document->IsReadOnly());
        EXPECT_EQ(document->View().Call(SCI_GETMODEVENTMASK), notifications);

        // Saved untouched, then once more after an edit that was taken back.
        Command(ID_FILE_SAVE);
        EXPECT_EQ(ReadFileBytes(path), c.saved);
        document->View().Call(SCI_APPENDTEXT, 3, "new");
        document->View().Call(SCI_UNDO);
        Command(ID_FILE_SAVE);
        EXPECT_EQ(ReadFileBytes(path), c.saved);
        EXPECT_FALSE(document->IsModified());
    }
    // Nothing but the documents themselves is left behind.
    EXPECT_EQ(FolderNames().size(), cases.size());
}

// The encoding commands only say how the bytes are shown and how typed text is stored: no byte
// of the file, the prefix included, is added or dropped by them.
TEST_F(DocumentsTest, EncodingCommandsNeverChangeTheBytes) {
    struct Case {
        const char* name;
        std::string file;
        UINT command;
        int codePage; // after the command
    };
    const std::string body = "<?php echo 'caf\xC3\xA9'; ?>\r\n";
    const Case cases[] = {
        {"prefixed UTF-8 shown as ANSI", utf8Prefix + body, ID_ENCODING_ANSI, 0},
        {"UTF-8 without prefix shown as ANSI", body, ID_ENCODING_ANSI, 0},
        {"Latin-1 shown as UTF-8", "caf\xE9", ID_ENCODING_UTF8, SC_CP_UTF8},
        {"ASCII shown as UTF-8", "<?php ?>", ID_ENCODING_UTF8, SC_CP_UTF8},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = MakeFile("encoding" + std::to_string(++n) + ".php", c.file);
        Document* document = Open(path);
        ASSERT_NE(document, nullptr);
        int index = Tabs().SelectedIndex();
        Command(c.command);
        EXPECT_EQ(document->CodePage(), c.codePage);
        EXPECT_FALSE(document->IsModified());
        EXPECT_EQ(TabText(index).back(), 'p') << "the next save writes what the file holds: no \"*\"";
        Command(ID_FILE_SAVE);
        EXPECT_EQ(ReadFileBytes(path), c.file);
    }

    // An ASCII file made UTF-8 and then given a non-ASCII character stays without a prefix and
    // opens as UTF-8 again.
    std::string path = MakeFile("typed.php", "<?php ?>");
    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    Command(ID_ENCODING_UTF8);
    document->View().Call(SCI_DOCUMENTEND);
    document->View().Call(SCI_REPLACESEL, 0, "\xC3\xA9");
    Command(ID_FILE_SAVE);
    EXPECT_EQ(ReadFileBytes(path), "<?php ?>\xC3\xA9");
    document->View().Call(SCI_SETSAVEPOINT);
    Tabs().CloseDocument(Tabs().SelectedIndex());
    document = Open(path);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->CodePage(), SC_CP_UTF8);
}

TEST_F(DocumentsTest, SavingKeepsTheFileAttributes) {
    std::string path = MakeFile("hidden.php", "old");
    DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes));
    ASSERT_EQ(::GetFileAttributesA(path.c_str()) & attributes, attributes);

    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    document->View().Call(SCI_APPENDTEXT, 4, " new");
    Command(ID_FILE_SAVE);
    EXPECT_EQ(ReadFileBytes(path), "old new");
    EXPECT_EQ(::GetFileAttributesA(path.c_str()) & attributes, attributes);
    EXPECT_FALSE(document->IsModified());
}

// A file opened through a symbolic link is saved where the link leads, and the link stays: a
// save that put a file of its own in the link's place left the real one as it was.
TEST_F(DocumentsTest, SavingThroughALinkWritesTheFileItLeadsTo) {
    std::string real = MakeFile("real.php", "old"), link = folder_.Path("link.php");
    // Wine starts a Linux program without a handle to wait on: the link shows when it is made.
    std::string command = "Z:\\bin\\ln -s real.php " + UnixPath(link);
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &process));
    for (HANDLE handle : {process.hProcess, process.hThread})
        if (handle) ::CloseHandle(handle);
    ASSERT_TRUE(
        PumpUntil([&] { return ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000));

    Document* document = Open(link);
    ASSERT_NE(document, nullptr);
    document->View().Call(SCI_APPENDTEXT, 4, " new");
    Command(ID_FILE_SAVE);
    EXPECT_EQ(ReadFileBytes(real), "old new");
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(document->Path(), link);
    ASSERT_TRUE(WriteFileBytes(real, "later"));
    EXPECT_EQ(ReadFileBytes(link), "later") << "the link was replaced by a file";
}

TEST_F(DocumentsTest, SavingUpdatesTheTabTextAndTheRememberedTime) {
    std::string path = MakeFile("stamp.php", "one");
    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    int index = Tabs().SelectedIndex();
    EXPECT_EQ(TabText(index), "stamp.php");
    document->View().Call(SCI_APPENDTEXT, 4, " two");
    EXPECT_EQ(TabText(index), "stamp.php*");

    // An old time stamp on the file: after the save the document knows the new one, so the
    // program's own save is not taken for a change by another program.
    FILETIME old{};
    old.dwHighDateTime = 0x01B00000;
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetFileTime(file, nullptr, nullptr, &old);
    ::CloseHandle(file);
    ASSERT_EQ(document->GetDiskState(), DiskState::changed);
    {
        BoxSequence overwrite({{path, IDYES}});
        Command(ID_FILE_SAVE);
        overwrite.Finish();
        EXPECT_EQ(overwrite.Answered(), 1) << "the file's time changed after it was read";
    }
    EXPECT_EQ(TabText(index), "stamp.php");
    EXPECT_EQ(document->GetDiskState(), DiskState::unchanged);
    EXPECT_EQ(ReadFileBytes(path), "one two");
}

// A line broken by Enter or text pasted in ends its lines the way the file does: a file of
// one kind of line end must not come back with two. Where a file mixes them, CR LF is the one
// that can never join a CR or an LF beside it into a single line end.
TEST_F(DocumentsTest, NewLinesTakeTheFilesLineEnd) {
    struct Case {
        const char* name;
        std::string first, second; // the file's two line ends; empty for a file of one line
        std::string typed;         // what Enter and a paste of two lines add
    };
    const Case cases[] = {{"LF", "\n", "\n", "\n"},
                          {"CRLF", "\r\n", "\r\n", "\r\n"},
                          {"CR", "\r", "\r", "\r"},
                          {"one line", "", "", "\r\n"},
                          {"CR, then LF", "\r", "\n", "\r\n"},
                          {"LF, then CR", "\n", "\r", "\r\n"}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "<?php" + c.first + "echo 1;" + c.second + "?>";
        std::string path = MakeFile("ends" + std::to_string(++n) + ".php", text);
        Document* document = Open(path);
        ASSERT_NE(document, nullptr);
        const EditorView& view = document->View();
        view.Call(SCI_DOCUMENTEND);
        view.Call(SCI_NEWLINE);
        view.Call(SCI_COPYTEXT, 5, "a\r\nb\n");
        view.Call(SCI_PASTE);
        Command(ID_FILE_SAVE);
        EXPECT_EQ(ReadFileBytes(path), text + c.typed + "a" + c.typed + "b" + c.typed);
    }
}
