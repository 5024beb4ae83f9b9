// Reading the lines of a remote folder listing: machine listings (MLSD) and the "ls -l" and
// DOS styles that servers without them send for LIST. Pure text work, no sockets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct FtpListEntry {
    std::string name;
    bool isDirectory = false;
    // A symbolic link: a folder or a file, as the server finds at its target.
    bool isLink = false;
    std::string linkTarget; // as the server gave it, after " -> " or "slink:"
    std::uint64_t size = 0;
};

// One MLSD line ("type=file;size=12; my page.php"). False for the folder itself, its parent,
// kinds of the server's own, and for lines that are not well formed. The name is kept exactly,
// blanks included.
bool ParseMlsdLine(std::string_view line, FtpListEntry& entry);

// One LIST line in the "ls -l" or DOS style. False for "total" lines, "." and "..", and for
// lines in neither style. A link's name is given without its " -> target", and no size.
bool ParseListLine(std::string_view line, FtpListEntry& entry);

// A line that the parser of its kind refused although it lists a file, a folder or a link (not
// "." or ".."): what a download leaves out and has to say so.
bool IsUnreadEntry(std::string_view line, bool machineListing);
