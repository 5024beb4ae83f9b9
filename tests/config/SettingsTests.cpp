// Loading and saving the settings document, the tag-cache bound and the grouping into schemes.
#include <gtest/gtest.h>

#include <iostream>

#include "ConfigTestSupport.h"
#include "config/Settings.h"
#include "config/SettingsValues.h"
#include "win/Handles.h"

using namespace testing_support;
using config_testing::SettingsFromText;

TEST(Settings, OnlyAWellFormedFileStartingWithItsRootElementCounts) {
    const std::string body = "<Tags Cache='3'/><Colors><Param Name='phpWORD'/></Colors>";
    struct Case {
        std::string text;
        bool loaded;
        bool usable;
    } cases[] = {
        {"<AnyName>" + body + "</AnyName>", true, true},
        {"<?xml version=\"1.0\"?>\n<Q>" + body + "</Q>", true, false},
        {"<!-- settings -->\n<Q>" + body + "</Q>", true, false},
        {"<Q>" + body + "<Broken</Q>", false, false},
        {"<Q>" + body + "</Wrong>", false, false},
        {"", false, false},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        bool loaded = !c.loaded;
        Settings settings = SettingsFromText(folder, c.text, &loaded);
        EXPECT_EQ(loaded, c.loaded) << c.text;
        EXPECT_EQ(settings.Root() != nullptr, c.usable) << c.text;
        EXPECT_EQ(FirstStyleParam(settings.Root()) != nullptr, c.usable) << c.text;
        EXPECT_EQ(ReadTagCacheLimit(settings), c.usable ? 3 : 15) << c.text;
    }

    Settings settings = SettingsFromText(folder, cases[0].text);
    EXPECT_FALSE(settings.Load(folder.Path("missing.xml")));
    EXPECT_EQ(settings.Root(), nullptr) << "a failed load leaves nothing of the earlier file";
}

TEST(Settings, TagCacheLimit) {
    struct Case {
        const char* body;
        int limit;
    } cases[] = {
        {"<Tags Cache='-1'/>", -1},
        {"<Tags Cache=' 40 files'/>", 40},
        {"<Tags/>", 15},
        {"<Editor/>", 15},
        {"<Tags Cache=''/>", 0},
        {"<tags Cache='4'/>", 15},
        {"<Tags cache='4'/>", 15},
        {"<Tags Cache='5'/><Tags Cache='6'/>", 5},
        {"<!--Tags--><Tags Cache='7'/>", 7},
    };
    TempFolder folder;
    for (const Case& c : cases)
        EXPECT_EQ(ReadTagCacheLimit(SettingsFromText(folder, std::string("<Q>") + c.body + "</Q>")), c.limit)
            << c.body;
}

TEST(Settings, SchemesGroupEntriesByLowerCasePrefixInOrderOfFirstAppearance) {
    TiXmlDocument document;
    document.Parse(
        "<Root><Colors><Param Name='phpWORD'/><Param Name='htmlTAG' Title='Tag'/><Other Name='jsWORD'/>"
        "<Param Name='phpCOMMENT'/><Param Name='xmlTAG'/><Param Name='Upper'/><Param Name='9x'/>"
        "<Param Title='nameless'/></Colors></Root>");
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    std::string shown;
    for (const StyleScheme& scheme : GroupStyleSchemes(document.RootElement())) {
        shown += scheme.Label() + ":";
        for (const TiXmlElement* entry : scheme.entries)
            shown.append(" ").append(StyleEntryTitle(*entry));
        shown += ";";
    }
    EXPECT_EQ(shown, "PHP: phpWORD phpCOMMENT;HTML: Tag;XML: xmlTAG;");
    EXPECT_TRUE(GroupStyleSchemes(nullptr).empty());
}

TEST(Settings, SaveWritesToTheLoadedPathAndKeepsWhatItDoesNotKnow) {
    TempFolder folder;
    Settings settings =
        SettingsFromText(folder, "<Q Version='2'><Unknown a='b'>text</Unknown><Colors>"
                                 "<Param Name='phpWORD' Extra='x' Fore='0000FF'/></Colors></Q>");
    TiXmlElement* param = FirstStyleParam(settings.Root());
    ASSERT_NE(param, nullptr);
    param->SetAttribute("Fore", FormatSettingsColour(RGB(255, 128, 0)));
    ASSERT_TRUE(settings.Save());

    Settings reloaded;
    ASSERT_TRUE(reloaded.Load(folder.Path(Settings::kFileName)));
    ASSERT_NE(reloaded.Root(), nullptr);
    EXPECT_STREQ(reloaded.Root()->Attribute("Version"), "2");
    const TiXmlElement* unknown = SettingsChild(reloaded.Root(), "Unknown");
    ASSERT_NE(unknown, nullptr);
    EXPECT_STREQ(unknown->GetText(), "text");
    const TiXmlElement* saved = FirstStyleParam(reloaded.Root());
    ASSERT_NE(saved, nullptr);
    EXPECT_STREQ(saved->Attribute("Extra"), "x");
    EXPECT_STREQ(saved->Attribute("Fore"), "FF8000");

    // Without a file, saving creates an empty one at the path that failed to load.
    Settings none;
    std::string path = folder.Path("new.xml");
    EXPECT_FALSE(none.Load(path));
    ASSERT_TRUE(none.Save());
    std::string bytes = "unread";
    EXPECT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes, "");
}

TEST(Settings, AFileThatCouldNotBeReadIsNeverOverwritten) {
    TempFolder folder;
    const std::string path = folder.Path(Settings::kFileName);
    struct Case {
        const char* text; // nullptr: no file
        bool locked;      // held open by another program that shares nothing
        const char* problem;
    } cases[] = {
        {"<Q>\n  <Colors>\n    <Param Name='phpWORD' Fore='0000FF' /\n    <Param Name='htmlTAG'/>\n  "
         "</Colors>\n</Q>\n",
         false, "Row 3, column 42: Error: empty tag."},
        {"<Q><Tags Cache='3'/></Wrong>", false, "Row 1, column 21: Error reading end tag."},
        {"<Q/>", true, "Failed to open file"},
        {"", false, ""},
        {nullptr, false, ""},
    };
    for (const Case& c : cases) {
        ::DeleteFileA(path.c_str());
        if (c.text) {
            ASSERT_TRUE(WriteFileBytes(path, c.text));
        }
        KernelHandle lock;
        if (c.locked)
            lock.Reset(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        Settings settings;
        EXPECT_FALSE(settings.Load(path));
        EXPECT_EQ(settings.ReadProblem(), c.problem) << (c.text ? c.text : "(no file)");
        bool unreadable = *c.problem != '\0';
        EXPECT_EQ(settings.Save(), !unreadable) << c.problem;
        lock.Reset();
        EXPECT_EQ(ReadFileBytes(path), unreadable ? c.text : "") << "an unreadable file keeps its text";
    }
}

TEST(Settings, ASaveThatFailsLeavesTheOldFileWholeAndSaysWhy) {
    // Large enough not to fit on the small volume: the old save truncated the file first.
    std::string xml = "<Q><Colors>";
    for (int i = 0; i < 1500; ++i)
        xml += "<Param Name='phpWORD' Title='entry " + std::to_string(i) + "' Font='Courier New' />";
    xml += "</Colors></Q>";
    const std::string original = "<Q><Tags Cache='1'/></Q>";

    TempFolder folder;
    std::string volume = SmallVolume();
    struct Case {
        std::string folder;
        DWORD attributes;
        DWORD error;
    } cases[] = {
        {folder.Path(), FILE_ATTRIBUTE_READONLY, ERROR_ACCESS_DENIED},
        {volume, FILE_ATTRIBUTE_NORMAL, ERROR_DISK_FULL},
    };
    for (const Case& c : cases) {
        if (c.folder.empty()) {
            std::cout << "[  SKIPPED ] no small volume to fill (mounting it needs root)\n";
            continue;
        }
        std::string path = c.folder + "\\" + Settings::kFileName;
        ASSERT_TRUE(WriteFileBytes(path, original));
        ::SetFileAttributesA(path.c_str(), c.attributes);
        Settings settings;
        ASSERT_TRUE(settings.Load(path));
        settings.Document().Clear(); // the new content, for the same path
        settings.Document().Parse(xml.c_str());
        ASSERT_FALSE(settings.Document().Error());
        DWORD error = ERROR_SUCCESS;
        EXPECT_FALSE(settings.Save(&error)) << path;
        EXPECT_TRUE(error == c.error || (c.error == ERROR_DISK_FULL && error == ERROR_HANDLE_DISK_FULL))
            << error;
        EXPECT_TRUE(ReadFileBytes(path) == original) << "the old file stays whole: " << path;
        WIN32_FIND_DATAA data;
        FindHandle left(::FindFirstFileA((c.folder + "\\qm~*").c_str(), &data));
        EXPECT_FALSE(left) << "temporary file left: " << data.cFileName;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
}
