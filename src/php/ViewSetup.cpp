// SetUpView, fold-margin clicks and bracket highlighting.
#include "php/ViewSetup.h"

#include <algorithm>
#include <array>
#include <string>

#include "ILexer.h"
#include "Lexilla.h"
#include "config/ApplyViewSettings.h"
#include "config/Settings.h"
#include "php/PhpCatalog.h"
#include "php/ViewText.h"

namespace {

constexpr const char* wordCharacters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#$_";
constexpr int lineNumberMargin = 0;
constexpr int foldMargin = 1;
constexpr int foldMarginWidth = 14;
constexpr COLORREF foldMarkerColour = 0x808080;
constexpr int phpKeywordSet = 4;
// The line numbers get room for "_9999" in the component's own font, measured once by the
// first view set up (every new view starts with that font), and more room only for more digits.
constexpr int numberDigits = 4;
sptr_t setUpNumberWidth = 0;
// How far back from the caret the bracket highlight looks for an open bracket.
constexpr Sci_Position braceScanLimit = 256 * 1024;
// What a view colours at once before showing it: a few hundredths of a second of the lexer's
// work under Wine, so that no message waits long for it. Further away the component colours in
// slices while the program is idle.
constexpr sptr_t visibleStylingLimit = 256 * 1024;
// Marks the shown text that the lexer has not reached yet; drawn in the background colour.
constexpr int uncolouredIndicator = INDICATOR_CONTAINER;

// The completion lists' images, in the component's lines form of XPM.
// clang-format off
const char* const variableIcon[] = {
    "16 16 5 1",
    " \tc #FFFFFF",
    ".\tc #808080",
    "+\tc #00FFFF",
    "@\tc #008080",
    "#\tc #000000",
    "                ",
    "                ",
    "                ",
    "           .    ",
    "          .+.   ",
    "         .+@+.  ",
    "        .+@+@+# ",
    "       .+@+@+## ",
    "       ..+@+#.# ",
    "       .+.+#..# ",
    "       .++#..#  ",
    "        .+#.#   ",
    "         .##    ",
    "          #     ",
    "                ",
    "                ",
};

const char* const functionIcon[] = {
    "16 16 6 1",
    " \tc #FFFFFF",
    ".\tc #000000",
    "+\tc #FF00FF",
    "@\tc #800080",
    "#\tc #808080",
    "$\tc #C0C0C0",
    "                ",
    "                ",
    "                ",
    "           .    ",
    "          .+.   ",
    "         .+@+.  ",
    "        .+@+@+. ",
    " ## ##  ..+@+@+.",
    "        .+.+@+..",
    "  $#$## .@+.+.@.",
    "         .@+.@@.",
    "   #$###  .@.@. ",
    "           ...  ",
    "            .   ",
    "                ",
    "                ",
};
// clang-format on

void RegisterImage(const EditorView& view, int type, const char* const* xpm) {
    // Text that does not start with an XPM comment is taken as the array of lines itself.
    view.Call(SCI_REGISTERIMAGE, type, reinterpret_cast<const char*>(xpm));
}

// The four kinds of bracket, numbered alike for both sides; -1 for any other character.
int OpeningBracketKind(int c) {
    switch (c) {
    case '(':
        return 0;
    case '<':
        return 1;
    case '[':
        return 2;
    case '{':
        return 3;
    default:
        return -1;
    }
}

int ClosingBracketKind(int c) {
    switch (c) {
    case ')':
        return 0;
    case '>':
        return 1;
    case ']':
        return 2;
    case '}':
        return 3;
    default:
        return -1;
    }
}

// Keeps exactly [from, to) drawn in the background colour (nothing when the range is empty).
// The indicator itself holds the range, so nothing changes, and nothing is redrawn, while the
// lexer works its way towards the shown lines.
void HideUncolouredText(const EditorView& view, sptr_t from, sptr_t to) {
    view.Call(SCI_SETINDICATORCURRENT, uncolouredIndicator);
    bool atStart = view.Call(SCI_INDICATORVALUEAT, uncolouredIndicator, 0) != 0;
    sptr_t hiddenFrom = atStart ? 0 : view.Call(SCI_INDICATOREND, uncolouredIndicator, 0);
    sptr_t hiddenTo =
        atStart || hiddenFrom > 0 ? view.Call(SCI_INDICATOREND, uncolouredIndicator, hiddenFrom) : 0;
    if (from >= to) from = to = 0;
    if (hiddenFrom >= hiddenTo) hiddenFrom = hiddenTo = 0;
    if (from == hiddenFrom && to == hiddenTo) return;
    if (hiddenTo > hiddenFrom) view.Call(SCI_INDICATORCLEARRANGE, hiddenFrom, hiddenTo - hiddenFrom);
    // Meanwhile the caret does not blink: each blink repaints the view, and every paint colours
    // another slice first, which held messages up for most of a tenth of a second each time.
    view.Call(SCI_SETCARETPERIOD, to > from ? 0 : ::GetCaretBlinkTime());
    if (to <= from) return;
    // Text the lexer has not reached has style 0.
    sptr_t background = view.Call(SCI_STYLEGETBACK, 0);
    if (view.Call(SCI_INDICGETFORE, uncolouredIndicator) != background)
        view.Call(SCI_INDICSETFORE, uncolouredIndicator, background);
    view.Call(SCI_INDICATORFILLRANGE, from, to - from);
}

int StyleAt(const EditorView& view, Sci_Position position) {
    return static_cast<int>(view.Call(SCI_GETSTYLEINDEXAT, position) & 0xFF);
}

} // namespace

void SetUpView(const EditorView& view, const Settings& settings) {
    // Scintilla 5 takes the lexer as an object, which the view then owns, and always keeps
    // 8 style bits: there is neither a lexer number nor a style-bits message to send.
    view.Call(SCI_SETILEXER, 0, CreateLexer("hypertext"));
    view.Call(SCI_SETWORDCHARS, 0, wordCharacters);
    view.Call(SCI_SETPROPERTY, reinterpret_cast<uptr_t>("fold"), "1");
    view.Call(SCI_SETPROPERTY, reinterpret_cast<uptr_t>("fold.compact"), "0");
    view.Call(SCI_SETPROPERTY, reinterpret_cast<uptr_t>("fold.html"), "1");
    view.Call(SCI_SETCODEPAGE, SC_CP_UTF8);

    // Measured before the settings restyle the view, so in the component's own line-number font.
    sptr_t numberWidth = view.Call(SCI_TEXTWIDTH, STYLE_LINENUMBER, "_9999");
    view.Call(SCI_SETMARGINWIDTHN, lineNumberMargin, numberWidth);
    if (!setUpNumberWidth) setUpNumberWidth = numberWidth;

    view.Call(SCI_SETMARGINWIDTHN, foldMargin, 0);
    view.Call(SCI_SETMARGINTYPEN, foldMargin, SC_MARGIN_SYMBOL);
    view.Call(SCI_SETMARGINMASKN, foldMargin, SC_MASK_FOLDERS);
    view.Call(SCI_SETMARGINWIDTHN, foldMargin, foldMarginWidth);

    view.Call(SCI_MARKERDEFINE, SC_MARKNUM_FOLDER, SC_MARK_PLUS);
    view.Call(SCI_MARKERSETBACK, SC_MARKNUM_FOLDER, foldMarkerColour);
    view.Call(SCI_MARKERDEFINE, SC_MARKNUM_FOLDEROPEN, SC_MARK_MINUS);
    view.Call(SCI_MARKERSETFORE, SC_MARKNUM_FOLDEROPEN, foldMarkerColour);
    view.Call(SCI_MARKERDEFINE, SC_MARKNUM_FOLDEREND, SC_MARK_EMPTY);
    view.Call(SCI_MARKERDEFINE, SC_MARKNUM_FOLDEROPENMID, SC_MARK_EMPTY);
    view.Call(SCI_MARKERDEFINE, SC_MARKNUM_FOLDERMIDTAIL, SC_MARK_TCORNER);
    view.Call(SCI_MARKERSETBACK, SC_MARKNUM_FOLDERMIDTAIL, foldMarkerColour);
    view.Call(SCI_MARKERDEFINE, SC_MARKNUM_FOLDERSUB, SC_MARK_VLINE);
    view.Call(SCI_MARKERSETBACK, SC_MARKNUM_FOLDERSUB, foldMarkerColour);
    view.Call(SCI_MARKERDEFINE, SC_MARKNUM_FOLDERTAIL, SC_MARK_LCORNER);
    view.Call(SCI_MARKERSETBACK, SC_MARKNUM_FOLDERTAIL, foldMarkerColour);

    view.Call(SCI_SETMARGINSENSITIVEN, foldMargin, 1);
    view.Call(SCI_SETFOLDFLAGS, SC_FOLDFLAG_LINEAFTER_CONTRACTED);
    RegisterImage(view, 1, variableIcon);
    RegisterImage(view, 2, functionIcon);

    ApplyViewSettings(view, settings);

    // Set 4 is the PHP one: the catalogue's names and the settings' language words. The other
    // sets stay empty without lists in the settings, and the lexer then takes every tag and
    // attribute as known. The lexer keeps its own copy of each text.
    for (int set = 0; set <= kLastKeywordSet; ++set) {
        std::string words = SettingsKeywords(settings, set);
        if (set == phpKeywordSet) words = words.empty() ? KeywordList() : KeywordList() + " " + words;
        if (!words.empty()) view.Call(SCI_SETKEYWORDS, set, words.c_str());
    }

    // The HTML lexer colours a file from its start: showing the end of a large file would
    // first colour all of it while the window hangs. Colour what is shown in slices instead,
    // and the rest while the program is idle.
    view.Call(SCI_SETIDLESTYLING, SC_IDLESTYLING_TOVISIBLE);

    // Only changes of the text are worth a notification. By default the component reports every
    // fold level and style the lexer sets, one SCN_MODIFIED per line, and each of them climbs
    // through the subclassed tab strip, whose subclass lookup is a round trip to the Wine server:
    // colouring a 100 MB file took minutes of that instead of seconds of lexing.
    view.Call(SCI_SETMODEVENTMASK, SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT);
    view.Call(SCI_INDICSETSTYLE, uncolouredIndicator, INDIC_TEXTFORE);
}

void FoldMarginClick(const EditorView& view, const SCNotification& notification) {
    if (notification.margin != foldMargin) return;
    sptr_t line = view.Call(SCI_LINEFROMPOSITION, notification.position);
    view.Call(SCI_TOGGLEFOLD, line);
    view.Call(SCI_ENSUREVISIBLEENFORCEPOLICY, line);
    view.Call(SCI_GOTOLINE, line);
}

void BraceHighlight(const EditorView& view) {
    Sci_Position caret = view.Call(SCI_GETCURRENTPOS);
    Sci_Position lineStart = view.Call(SCI_POSITIONFROMLINE, view.Call(SCI_LINEFROMPOSITION, caret));
    // A minified script is one line of megabytes: the look back is bounded, not the line.
    ViewText line(view, std::max(lineStart, caret - braceScanLimit), caret);
    // Closing brackets between the scan and the caret that no opening bracket has taken yet, by
    // kind and style: the component pairs a bracket only with one of its own kind and style. An
    // opening bracket that finds one of these is closed before the caret, which is the answer
    // its partner search would give, without running that search over the rest of the line.
    std::array<std::array<int, 256>, 4> unpaired{};
    for (Sci_Position q = caret - 1; line.Contains(q); --q) {
        int c = line.At(q);
        int closing = ClosingBracketKind(c);
        if (closing >= 0) {
            ++unpaired[closing][StyleAt(view, q)];
            continue;
        }
        int opening = OpeningBracketKind(c);
        if (opening < 0) continue;
        int& closers = unpaired[opening][StyleAt(view, q)];
        if (closers > 0) {
            --closers;
            continue;
        }
        Sci_Position partner = view.Call(SCI_BRACEMATCH, q, 0);
        if (partner < 0) {
            view.Call(SCI_BRACEBADLIGHT, q);
            return;
        }
        if (partner >= caret) {
            view.Call(SCI_BRACEHIGHLIGHT, q, partner);
            return;
        }
        // Closed before the caret after all (text not coloured yet pairs across styles): an
        // enclosing bracket further left may still be open.
    }
    view.Call(SCI_BRACEBADLIGHT, INVALID_POSITION);
}

void UpdateLineNumberMargin(const EditorView& view) {
    int digits = 1;
    for (sptr_t lines = view.Call(SCI_GETLINECOUNT); lines >= 10; lines /= 10)
        ++digits;
    sptr_t width = setUpNumberWidth;
    if (digits > numberDigits) {
        std::string widest(static_cast<size_t>(digits) + 1, '9');
        widest[0] = '_';
        width = std::max(width, view.Call(SCI_TEXTWIDTH, STYLE_LINENUMBER, widest.c_str()));
    }
    if (width > 0 && view.Call(SCI_GETMARGINWIDTHN, lineNumberMargin) != width)
        view.Call(SCI_SETMARGINWIDTHN, lineNumberMargin, width);
}

void StyleVisibleText(const EditorView& view) {
    sptr_t firstShown = view.Call(SCI_GETFIRSTVISIBLELINE);
    sptr_t start = view.Call(SCI_POSITIONFROMLINE, view.Call(SCI_DOCLINEFROMVISIBLE, firstShown));
    sptr_t lastShown = firstShown + view.Call(SCI_LINESONSCREEN);
    sptr_t end = view.Call(SCI_POSITIONFROMLINE, view.Call(SCI_DOCLINEFROMVISIBLE, lastShown) + 1);
    if (end < 0) end = view.Call(SCI_GETLENGTH);
    sptr_t styled = view.Call(SCI_GETENDSTYLED);
    if (end > styled && end - styled <= visibleStylingLimit) {
        view.Call(SCI_COLOURISE, styled, end);
        styled = end;
    }
    // Further away (the end of a large file) the lexer needs seconds to get there: until it
    // has, the shown text it has not reached is drawn in the background colour, never in
    // wrong colours. The component's idle styling goes on meanwhile and calls here again.
    if (styled < end)
        HideUncolouredText(view, std::max(start, styled), end);
    else
        HideUncolouredText(view, 0, 0);
}
