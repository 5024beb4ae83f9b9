// SetUpView, fold-margin clicks and bracket highlighting.
#include "php/ViewSetup.h"

#include "ILexer.h"
#include "Lexilla.h"
#include "config/ApplyViewSettings.h"
#include "php/PhpCatalog.h"
#include "php/ViewText.h"

namespace {

constexpr const char* wordCharacters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#$_";
constexpr int lineNumberMargin = 0;
constexpr int foldMargin = 1;
constexpr int foldMarginWidth = 14;
constexpr COLORREF foldMarkerColour = 0x808080;

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

bool IsOpeningBracket(int c) {
    return c == '(' || c == '<' || c == '[' || c == '{';
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

    // Set 4 is the PHP one. The lexer keeps its own copy, so the text goes right after.
    view.Call(SCI_SETKEYWORDS, 4, KeywordList().c_str());

    // The HTML lexer colours a file from its start: showing the end of a large file would
    // first colour all of it while the window hangs. Colour what is shown in slices instead,
    // and the rest while the program is idle.
    view.Call(SCI_SETIDLESTYLING, SC_IDLESTYLING_TOVISIBLE);

    // Only changes of the text are worth a notification. By default the component reports every
    // fold level and style the lexer sets, one SCN_MODIFIED per line, and each of them climbs
    // through the subclassed tab strip, whose subclass lookup is a round trip to the Wine server:
    // colouring a 100 MB file took minutes of that instead of seconds of lexing.
    view.Call(SCI_SETMODEVENTMASK, SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT);
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
    ViewText line(view, lineStart, caret);
    for (Sci_Position q = caret - 1; line.Contains(q); --q) {
        if (!IsOpeningBracket(line.At(q))) continue;
        Sci_Position partner = view.Call(SCI_BRACEMATCH, q, 0);
        if (partner < 0) {
            view.Call(SCI_BRACEBADLIGHT, q);
            return;
        }
        if (partner >= caret) {
            view.Call(SCI_BRACEHIGHLIGHT, q, partner);
            return;
        }
        // Closed before the caret: an enclosing bracket further left may still be open.
    }
    view.Call(SCI_BRACEBADLIGHT, INVALID_POSITION);
}
