// Listing lines as servers send them, including the hostile and the malformed.
#include <gtest/gtest.h>

#include "ftp/FtpListing.h"

namespace {

struct ListingCase {
    const char* line;
    bool accepted;
    const char* name;
    bool isDirectory;
    std::uint64_t size;
    const char* linkTarget = nullptr; // a link's, or none
};

void Check(bool (*parse)(std::string_view, FtpListEntry&), const ListingCase& c) {
    FtpListEntry entry;
    ASSERT_EQ(parse(c.line, entry), c.accepted) << c.line;
    if (!c.accepted) return;
    EXPECT_EQ(entry.name, c.name) << c.line;
    EXPECT_EQ(entry.isDirectory, c.isDirectory) << c.line;
    EXPECT_EQ(entry.size, c.size) << c.line;
    EXPECT_EQ(entry.isLink, c.linkTarget != nullptr) << c.line;
    if (c.linkTarget) {
        EXPECT_EQ(entry.linkTarget, c.linkTarget) << c.line;
    }
}

TEST(FtpListing, MachineListingKeepsNamesExactAndSkipsWhatIsNotAnEntry) {
    const ListingCase cases[] = {
        {"type=file;size=12;modify=20240101120000; my page.php\r\n", true, "my page.php", false, 12},
        {"Type=DIR;Modify=20240101120000;  two blanks", true, " two blanks", true, 0},
        {"size=18446744073709551615;type=file; big.bin", true, "big.bin", false, 18446744073709551615u},
        {"type=cdir; /www", false, "", false, 0},
        {"type=pdir; ..", false, "", false, 0},
        {"type=OS.unix=slink:/etc;size=4; link", true, "link", false, 0, "/etc"},
        {"type=os.unix=SLINK; bare link", true, "bare link", false, 0, ""},
        {"type=OS.unix=chr-13/29; device", false, "", false, 0},
        {"type=file;size=99999999999999999999; huge", false, "", false, 0},
        {"type=file;size=12a; bad", false, "", false, 0},
        {"type=file; ../../escape", false, "", false, 0},
        {"size=3; untyped", false, "", false, 0},
        {"type=file;size=3;", false, "", false, 0},
        {"", false, "", false, 0},
    };
    for (const ListingCase& c : cases)
        Check(ParseMlsdLine, c);
}

TEST(FtpListing, ListLinesInUnixAndDosStyle) {
    const ListingCase cases[] = {
        {"-rw-r--r--   1 owner group      1234 Jan 31 09:15 index.php\r\n", true, "index.php", false, 1234},
        {"drwxr-xr-x 2 owner group 4096 Dec  1  2023 my folder", true, "my folder", true, 0},
        {"-rw-r--r-- 1 owner 77 Feb 29 23:59 no group.txt", true, "no group.txt", false, 77},
        {"lrwxrwxrwx 1 owner group 7 Mar 3 10:00 current -> release", true, "current", false, 0, "release"},
        {"-rw-r--r-- 1 owner group 5 Jan 31 09:15 Jan 31 09:15", true, "Jan 31 09:15", false, 5},
        {"-rw-r--r-- 1 Site Owner Domain Users 5 Jan 31 09:15 blanks.txt", true, "blanks.txt", false, 5},
        {"-rw-r--r-- 1 owner group 1234 2024-01-31 09:15 iso date.php", true, "iso date.php", false, 1234},
        {"drwxr-xr-x 2 owner group 4096 2024-01-31 09:15:42.000000000 +0100 full", true, "full", true, 0},
        {"-rw-r--r-- 1 owner group 5 2024-13-31 09:15 bad month", false, "", false, 0},
        {"01-31-24  09:15PM       <DIR>          images", true, "images", true, 0},
        {"01-31-24  09:15PM                 1234 read me.txt", true, "read me.txt", false, 1234},
        {"total 12", false, "", false, 0},
        {"drwxr-xr-x 2 owner group 4096 Jan 31 09:15 .", false, "", false, 0},
        {"drwxr-xr-x 2 owner group 4096 Jan 31 09:15 ..", false, "", false, 0},
        {"-rw-r--r-- 1 owner group 5 Jan 31 09:15 a/b", false, "", false, 0},
        {"-rw-r--r-- 1 owner group 5 Jan 31 09:15", false, "", false, 0},
        {"-rw-r--r-- 1 owner group five Jan 31 09:15 x", false, "", false, 0},
        {"01-31-24  09:15PM    12x name", false, "", false, 0},
        {"garbage line", false, "", false, 0},
    };
    for (const ListingCase& c : cases)
        Check(ParseListLine, c);
}

// Lines refused although they list an entry are counted, so that a download can say what it
// left out; the rest of what a server sends is not an entry.
TEST(FtpListing, RefusedEntriesAreToldFromOtherLines) {
    for (auto [line, machine, unread] :
         {std::tuple{"-rw-r--r-- 1 owner group five Jan 31 09:15 x", false, true},
          {"drwxr-xr-x 2 owner group 4096 31.01.2024 09:15 folder", false, true},
          {"drwxr-xr-x 2 owner group 4096 Jan 31 09:15 ..", false, false},
          {"total 12", false, false},
          {"type=file;size=12a; bad", true, true},
          {"Type=Dir;perm=el; a/b", true, true},
          {"type=OS.unix=slink:/x; a/b", true, true},
          {"type=cdir; /www", true, false},
          {"type=pdir; ..", true, false},
          {"type=OS.unix=chr-13/29; device", true, false},
          {"size=3;type=filer; x", true, false}})
        EXPECT_EQ(IsUnreadEntry(line, machine), unread) << line;
}

} // namespace
