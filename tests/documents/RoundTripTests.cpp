// Files read into a view and written back: the bytes, the encoding prefix, the attributes.
#include "DocumentsFixture.h"

#include "resources/Resource.h"

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
    std::vector<RoundTrip> cases = {
        {"two prefix bytes", "\xEF\xBB", 0, "\xEF\xBB", "\xEF\xBB"},
        {"prefix alone", utf8Prefix, SC_CP_UTF8, "", utf8Prefix},
        {"empty", "", SC_CP_UTF8, "", utf8Prefix},
        {"one block", Pattern(8192, 1), 0, Pattern(8192, 1), Pattern(8192, 1)},
        {"one block and a byte", Pattern(8193, 2), 0, Pattern(8193, 2), Pattern(8193, 2)},
        {"several blocks", Pattern(20000, 3), 0, Pattern(20000, 3), Pattern(20000, 3)},
        {"prefixed blocks", utf8Prefix + Pattern(20000, 4), SC_CP_UTF8, Pattern(20000, 4),
         utf8Prefix + Pattern(20000, 4)},
        {"every byte value", EveryByteValue(), 0, EveryByteValue(), EveryByteValue()},
        {"NUL bytes across a block end", nulRun, 0, nulRun, nulRun},
        {"mixed line ends", lineEnds, 0, lineEnds, lineEnds},
        {"prefix bytes later in the file", "x" + utf8Prefix, 0, "x" + utf8Prefix, "x" + utf8Prefix},
        {"prefix twice", utf8Prefix + utf8Prefix, SC_CP_UTF8, utf8Prefix, utf8Prefix + utf8Prefix},
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

TEST_F(DocumentsTest, EncodingCommandsDecideThePrefixAtTheNextSave) {
    std::string body = "<p>caf\xC3\xA9</p>\r\n";
    std::string path = MakeFile("page.php", utf8Prefix + body);
    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->CodePage(), SC_CP_UTF8);

    Command(ID_ENCODING_ANSI);
    EXPECT_EQ(document->CodePage(), 0);
    EXPECT_FALSE(document->IsModified()) << "switching the encoding changes no byte";
    EXPECT_EQ(ViewText(*document), body);
    EXPECT_EQ(ReadFileBytes(path), utf8Prefix + body) << "nothing is written before the save";
    Command(ID_FILE_SAVE);
    EXPECT_EQ(ReadFileBytes(path), body);

    Command(ID_ENCODING_UTF8);
    Command(ID_FILE_SAVE);
    EXPECT_EQ(ReadFileBytes(path), utf8Prefix + body);

    // Read back as the new encoding.
    document->View().Call(SCI_SETSAVEPOINT);
    Tabs().CloseDocument(Tabs().SelectedIndex());
    document = Open(path);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->CodePage(), SC_CP_UTF8);
    EXPECT_EQ(ViewText(*document), body);
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
    Command(ID_FILE_SAVE);
    EXPECT_EQ(TabText(index), "stamp.php");
    EXPECT_EQ(document->GetDiskState(), DiskState::unchanged);
    EXPECT_EQ(ReadFileBytes(path), "one two");
}
