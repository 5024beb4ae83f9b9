// The version file: the numbers as older versions read them, and the signed part that this
// version trusts, over files that tools/sign-release wrote.
#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "net/VersionFile.h"

using namespace update_testing;

TEST(VersionFile, NumbersReadAsOlderVersionsReadThem) {
    struct Case {
        const char* text;
        std::optional<uint64_t> version;
    } cases[] = {
        {"1,0,0,1", PackVersion(1, 0, 0, 1)},
        {" 1, 0,\t0, 21 and whatever follows", PackVersion(1, 0, 0, 21)},
        {"1,0,0,21\nsha256 00\n", PackVersion(1, 0, 0, 21)},
        {"65535,65535,65535,65535", PackVersion(65535, 65535, 65535, 65535)},
        {"2,0", std::nullopt},
        {"1.0.0.1", std::nullopt},
        {"", std::nullopt},
        {"<html>404</html>", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadVersionNumbers(c.text), c.version) << c.text;

    // All four parts are compared as 16-bit values: a carry between them would get this wrong.
    EXPECT_GT(*ReadVersionNumbers("1,0,40000,0"), PackVersion(1, 0, 39999, 0));
    EXPECT_GT(*ReadVersionNumbers("1,1,0,0"), PackVersion(1, 0, 65535, 65535));
    EXPECT_EQ(*ReadVersionNumbers("1,0,0,0"), PackVersion(1, 0, 0, 0));
}

// Only a file whose signature by the release key covers it is a version file; any change to a
// signed byte, and a signature by any other key, makes it a file in another format.
TEST(VersionFile, OnlyTheReleaseKeysSignatureMakesAVersionFile) {
    std::string newer = Fixture("newer.txt");
    ASSERT_FALSE(newer.empty()) << "the build writes the update fixtures";
    std::optional<SignedRelease> release = ReadSignedVersionFile(newer, ReleaseKey());
    ASSERT_TRUE(release);
    EXPECT_EQ(release->version, PackVersion(1, 0, 0, 21));
    EXPECT_EQ(release->installerSha256, Sha256Of(Fixture("installer.exe")));

    std::string body = newer.substr(0, newer.rfind("signature "));
    std::string changedVersion = newer;
    changedVersion[changedVersion.find("21")] = '9';
    std::string changedHash = newer;
    char& digit = changedHash[changedHash.find("sha256 ") + 7];
    digit = digit == '0' ? '1' : '0';
    struct Case {
        const char* name;
        std::string text;
    } refused[] = {
        {"unsigned", body},
        {"the plain old format", "1,0,0,21"},
        {"broken signature", WithBrokenSignature(newer)},
        {"another key", Fixture("other-key.txt")},
        {"changed version", changedVersion},
        {"changed hash", changedHash},
        {"a line after the signature", newer + "sha256 " + std::string(64, '0') + "\n"},
        {"short signature", body + "signature 00\n"},
    };
    for (const Case& c : refused)
        EXPECT_FALSE(ReadSignedVersionFile(c.text, ReleaseKey())) << c.name;
}
