// Loading and saving the settings document, and the tag-cache bound.
#include <gtest/gtest.h>

#include "ConfigTestSupport.h"
#include "config/Settings.h"
#include "config/SettingsValues.h"

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
