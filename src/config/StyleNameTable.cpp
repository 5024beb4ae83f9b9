// The style-name table: names of the settings file mapped to the "hypertext" lexer's style numbers.
#include "config/StyleNameTable.h"

#include <algorithm>
#include <array>

namespace {

// Numbers are the lexer's public SCE_H*, SCE_HJ*, SCE_HB*, SCE_HP* and SCE_HPHP* values. Kept
// sorted by name (plain byte order, so upper case before lower case) for the binary search.
constexpr std::array<StyleNameRow, 77> rows{{
    {"htmlASP", 15},
    {"htmlASPAT", 16},
    {"htmlATTRIBUTE", 3},
    {"htmlATTRIBUTEUNKNOWN", 4},
    {"htmlCDATA", 17},
    {"htmlCOMMENT", 9},
    {"htmlDEFAULT", 0},
    {"htmlDOUBLESTRING", 6},
    {"htmlENTITY", 10},
    {"htmlNUMBER", 5},
    {"htmlOTHER", 8},
    {"htmlQUESTION", 18},
    {"htmlSCRIPT", 14},
    {"htmlSINGLESTRING", 7},
    {"htmlTAG", 1},
    {"htmlTAGEND", 11},
    {"htmlTAGUNKNOWN", 2},
    {"htmlVALUE", 19},
    {"htmlXCCOMMENT", 20},
    {"htmlXMLEND", 13},
    {"htmlXMLSTART", 12},
    {"jsCOMMENT", 42},
    {"jsCOMMENTDOC", 44},
    {"jsCOMMENTLINE", 43},
    {"jsDEFAULT", 41},
    {"jsDOUBLESTRING", 48},
    {"jsKEYWORD", 47},
    {"jsNUMBER", 45},
    {"jsREGEX", 52},
    {"jsSINGLESTRING", 49},
    {"jsSTART", 40},
    {"jsSTRINGEOL", 51},
    {"jsSYMBOLS", 50},
    {"jsWORD", 46},
    {"phpCOMMENT", 124},
    {"phpCOMMENTLINE", 125},
    {"phpCOMPLEXVARIABLE", 104},
    {"phpDEFAULT", 118},
    {"phpHSTRING", 119},
    {"phpHSTRINGVARIABLE", 126},
    {"phpNUMBER", 122},
    {"phpOPERATOR", 127},
    {"phpSIMPLESTRING", 120},
    {"phpVARIABLE", 123},
    {"phpWORD", 121},
    {"pythonCHARACTER", 95},
    {"pythonCLASSNAME", 99},
    {"pythonCOMMENTLINE", 92},
    {"pythonDEFAULT", 91},
    {"pythonDEFNAME", 100},
    {"pythonIDENTIFIER", 102},
    {"pythonNUMBER", 93},
    {"pythonOPERATOR", 101},
    {"pythonSTART", 90},
    {"pythonSTRING", 94},
    {"pythonTRIPLE", 97},
    {"pythonTRIPLEDOUBLE", 98},
    {"pythonWORD", 96},
    {"sgmlBLOCKDEFAULT", 31},
    {"sgmlCOMMAND", 22},
    {"sgmlCOMMENT", 29},
    {"sgmlDEFAULT", 21},
    {"sgmlDOUBLESTRING", 24},
    {"sgmlENTITY", 28},
    {"sgmlERROR", 26},
    {"sgmlFIRSTPARAM", 23},
    {"sgmlFIRSTPARAMCOMMENT", 30},
    {"sgmlSIMPLESTRING", 25},
    {"sgmlSPECIAL", 27},
    {"vbCOMMENTLINE", 72},
    {"vbDEFAULT", 71},
    {"vbIDENTIFIER", 76},
    {"vbNUMBER", 73},
    {"vbSTART", 70},
    {"vbSTRING", 75},
    {"vbSTRINGEOL", 77},
    {"vbWORD", 74},
}};

// A table out of order would make some names silently unfindable: refuse to build instead.
constexpr bool SortedByName() {
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (!(rows[i - 1].name < rows[i].name)) return false;
    return true;
}
static_assert(SortedByName(), "style names must stay in byte order");

} // namespace

std::span<const StyleNameRow> StyleNameRows() noexcept {
    return rows;
}

std::optional<int> FindStyleNumber(std::string_view name) noexcept {
    auto row = std::lower_bound(rows.begin(), rows.end(), name,
                                [](const StyleNameRow& r, std::string_view n) { return r.name < n; });
    if (row == rows.end() || row->name != name) return std::nullopt;
    return row->style;
}
