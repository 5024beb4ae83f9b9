// The style-name table against the lexer's own style constants, and its lookup.
#include <gtest/gtest.h>

#include "SciLexer.h"
#include "config/StyleNameTable.h"

namespace {

// Names as the settings file writes them, numbers as Lexilla defines them.
// clang-format off
const StyleNameRow kLexerStyles[] = {
    {"htmlDEFAULT", SCE_H_DEFAULT}, {"htmlTAG", SCE_H_TAG}, {"htmlTAGUNKNOWN", SCE_H_TAGUNKNOWN},
    {"htmlATTRIBUTE", SCE_H_ATTRIBUTE}, {"htmlATTRIBUTEUNKNOWN", SCE_H_ATTRIBUTEUNKNOWN},
    {"htmlNUMBER", SCE_H_NUMBER}, {"htmlDOUBLESTRING", SCE_H_DOUBLESTRING},
    {"htmlSINGLESTRING", SCE_H_SINGLESTRING}, {"htmlOTHER", SCE_H_OTHER}, {"htmlCOMMENT", SCE_H_COMMENT},
    {"htmlENTITY", SCE_H_ENTITY}, {"htmlTAGEND", SCE_H_TAGEND}, {"htmlXMLSTART", SCE_H_XMLSTART},
    {"htmlXMLEND", SCE_H_XMLEND}, {"htmlSCRIPT", SCE_H_SCRIPT}, {"htmlASP", SCE_H_ASP},
    {"htmlASPAT", SCE_H_ASPAT}, {"htmlCDATA", SCE_H_CDATA}, {"htmlQUESTION", SCE_H_QUESTION},
    {"htmlVALUE", SCE_H_VALUE}, {"htmlXCCOMMENT", SCE_H_XCCOMMENT}, {"sgmlDEFAULT", SCE_H_SGML_DEFAULT},
    {"sgmlCOMMAND", SCE_H_SGML_COMMAND}, {"sgmlFIRSTPARAM", SCE_H_SGML_1ST_PARAM},
    {"sgmlDOUBLESTRING", SCE_H_SGML_DOUBLESTRING}, {"sgmlSIMPLESTRING", SCE_H_SGML_SIMPLESTRING},
    {"sgmlERROR", SCE_H_SGML_ERROR}, {"sgmlSPECIAL", SCE_H_SGML_SPECIAL}, {"sgmlENTITY", SCE_H_SGML_ENTITY},
    {"sgmlCOMMENT", SCE_H_SGML_COMMENT}, {"sgmlFIRSTPARAMCOMMENT", SCE_H_SGML_1ST_PARAM_COMMENT},
    {"sgmlBLOCKDEFAULT", SCE_H_SGML_BLOCK_DEFAULT}, {"jsSTART", SCE_HJ_START}, {"jsDEFAULT", SCE_HJ_DEFAULT},
    {"jsCOMMENT", SCE_HJ_COMMENT}, {"jsCOMMENTLINE", SCE_HJ_COMMENTLINE},
    {"jsCOMMENTDOC", SCE_HJ_COMMENTDOC}, {"jsNUMBER", SCE_HJ_NUMBER}, {"jsWORD", SCE_HJ_WORD},
    {"jsKEYWORD", SCE_HJ_KEYWORD}, {"jsDOUBLESTRING", SCE_HJ_DOUBLESTRING},
    {"jsSINGLESTRING", SCE_HJ_SINGLESTRING}, {"jsSYMBOLS", SCE_HJ_SYMBOLS},
    {"jsSTRINGEOL", SCE_HJ_STRINGEOL}, {"jsREGEX", SCE_HJ_REGEX}, {"vbSTART", SCE_HB_START},
    {"vbDEFAULT", SCE_HB_DEFAULT}, {"vbCOMMENTLINE", SCE_HB_COMMENTLINE}, {"vbNUMBER", SCE_HB_NUMBER},
    {"vbWORD", SCE_HB_WORD}, {"vbSTRING", SCE_HB_STRING}, {"vbIDENTIFIER", SCE_HB_IDENTIFIER},
    {"vbSTRINGEOL", SCE_HB_STRINGEOL}, {"pythonSTART", SCE_HP_START}, {"pythonDEFAULT", SCE_HP_DEFAULT},
    {"pythonCOMMENTLINE", SCE_HP_COMMENTLINE}, {"pythonNUMBER", SCE_HP_NUMBER},
    {"pythonSTRING", SCE_HP_STRING}, {"pythonCHARACTER", SCE_HP_CHARACTER}, {"pythonWORD", SCE_HP_WORD},
    {"pythonTRIPLE", SCE_HP_TRIPLE}, {"pythonTRIPLEDOUBLE", SCE_HP_TRIPLEDOUBLE},
    {"pythonCLASSNAME", SCE_HP_CLASSNAME}, {"pythonDEFNAME", SCE_HP_DEFNAME},
    {"pythonOPERATOR", SCE_HP_OPERATOR}, {"pythonIDENTIFIER", SCE_HP_IDENTIFIER},
    {"phpCOMPLEXVARIABLE", SCE_HPHP_COMPLEX_VARIABLE}, {"phpDEFAULT", SCE_HPHP_DEFAULT},
    {"phpHSTRING", SCE_HPHP_HSTRING}, {"phpSIMPLESTRING", SCE_HPHP_SIMPLESTRING}, {"phpWORD", SCE_HPHP_WORD},
    {"phpNUMBER", SCE_HPHP_NUMBER}, {"phpVARIABLE", SCE_HPHP_VARIABLE}, {"phpCOMMENT", SCE_HPHP_COMMENT},
    {"phpCOMMENTLINE", SCE_HPHP_COMMENTLINE}, {"phpHSTRINGVARIABLE", SCE_HPHP_HSTRING_VARIABLE},
    {"phpOPERATOR", SCE_HPHP_OPERATOR},
};
// clang-format on

} // namespace

TEST(StyleNameTable, HoldsExactlyTheLexerStylesItNamesAndMatchesNamesExactly) {
    EXPECT_EQ(StyleNameRows().size(), std::size(kLexerStyles));
    for (const StyleNameRow& expected : kLexerStyles) {
        std::optional<int> style = FindStyleNumber(expected.name);
        ASSERT_TRUE(style) << expected.name;
        EXPECT_EQ(*style, expected.style) << expected.name;
    }
    for (const char* name : {"PHPCOMMENT", "phpcomment", "phpComment", "phpCOMMENT ", " phpCOMMENT", "php",
                             "phpCOMMEN", "phpCOMMENTS", "", "aaa", "zzz", "AAA", "vbWORDX", "~"})
        EXPECT_FALSE(FindStyleNumber(name)) << '"' << name << '"';
    EXPECT_EQ(FindStyleNumber(std::string_view("phpWORDS", 7)), SCE_HPHP_WORD) << "the view ends the name";
}
