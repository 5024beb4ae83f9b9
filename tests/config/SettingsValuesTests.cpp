// Reading and writing the settings file's integers, colours and style entries.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "config/SettingsValues.h"
#include "tinyxml.h"

TEST(SettingsValues, NumbersReadLikeThePlatformStrtol) {
    // clang-format off
    const char* const texts[] = {
        "42", " \t\r\n42", "-7", "+3", "10.5", "yes", "", "-", "+", " ", "2x", "  -0012", "0x1A", "1e3",
        "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999", "-99999999999", "FF", "#FF0000",
        "0x", "0xg1", "-0xff", "7FFFFFFF", "80000000", "FFFFFFFFF", "- 5", "00000000000000000000012",
    };
    // clang-format on
    auto strtol32 = [](const char* text, int base) {
        return std::clamp<long long>(std::strtoll(text, nullptr, base), INT32_MIN, INT32_MAX);
    };
    for (const char* text : texts) {
        EXPECT_EQ(ParseSettingsInteger(text), strtol32(text, 10)) << '"' << text << '"';
        auto rgb = static_cast<unsigned long>(strtol32(text, 16));
        EXPECT_EQ(ParseSettingsColour(text), RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF)) << text;
    }
    EXPECT_EQ(ParseSettingsInteger(std::string_view("123456", 2)), 12) << "the view ends the text";
}

TEST(SettingsValues, ColoursAreRedGreenBlueInTheFileAndPlatformValuesInMemory) {
    EXPECT_EQ(ParseSettingsColour("FF0000"), RGB(255, 0, 0));
    EXPECT_EQ(ParseSettingsColour(" 0x12aB0C"), RGB(0x12, 0xAB, 0x0C));
    EXPECT_EQ(ParseSettingsColour("FF"), RGB(0, 0, 255)) << "missing leading digits are zeros";
    EXPECT_EQ(ParseSettingsColour("#FF0000"), RGB(0, 0, 0)) << "no digit before the #";
    EXPECT_EQ(FormatSettingsColour(RGB(0x12, 0xAB, 0x0C)), "12AB0C");
    EXPECT_EQ(FormatSettingsColour(RGB(0, 0, 1)), "000001");
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 51)
                ASSERT_EQ(ParseSettingsColour(FormatSettingsColour(RGB(r, g, b))), RGB(r, g, b));
}

TEST(SettingsValues, StyleEntryDecodesAndEncodesParamElements) {
    TiXmlElement param("Param");
    param.SetAttribute("Name", "phpWORD");
    StyleEntry defaults = DecodeStyleEntry(param);
    EXPECT_EQ(defaults.fontName, "Arial");
    EXPECT_EQ(defaults.pointSize, 9);
    EXPECT_EQ(defaults.foreColour, RGB(0, 0, 0));
    EXPECT_EQ(defaults.backColour, RGB(255, 255, 255));
    EXPECT_FALSE(defaults.bold || defaults.italic || defaults.underline);

    param.SetAttribute("Back", "FFFFE0");
    param.SetAttribute("Custom", "kept");
    param.SetAttribute("Size", "10.5");
    param.SetAttribute("Bold", "yes");
    param.SetAttribute("Underline", "-1");
    StyleEntry entry = DecodeStyleEntry(param);
    EXPECT_EQ(entry.backColour, RGB(255, 255, 0xE0));
    EXPECT_EQ(entry.pointSize, 10);
    EXPECT_FALSE(entry.bold);
    EXPECT_TRUE(entry.underline);

    entry.foreColour = RGB(255, 0, 0);
    entry.italic = true;
    EncodeStyleEntry(entry, param);
    std::string names;
    for (const TiXmlAttribute* a = param.FirstAttribute(); a; a = a->Next())
        names += std::string(a->Name()) + " ";
    EXPECT_EQ(names, "Name Back Custom Size Bold Underline Font Fore Italic ")
        << "changed in place, new at the end";
    EXPECT_STREQ(param.Attribute("Fore"), "FF0000");
    EXPECT_STREQ(param.Attribute("Size"), "10");
    EXPECT_STREQ(param.Attribute("Bold"), "0");
    EXPECT_STREQ(param.Attribute("Underline"), "1");
    EXPECT_EQ(DecodeStyleEntry(param), entry);
}
