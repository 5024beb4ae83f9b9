// SyntaxHighlightingPage: the tree of style entries, the controls of the selected entry and
// writing the settings back.
#include "config/SyntaxHighlightingPage.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>

#include "resources/Resource.h"
#include "win/ColourChooser.h"
#include "win/Handles.h"

namespace {

HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const std::string& label, TiXmlElement* param) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(label.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(param);
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

} // namespace

const MessageRow<SyntaxHighlightingPage> SyntaxHighlightingPage::messageTable[] = {
    MessageHandler(WM_INITDIALOG, &SyntaxHighlightingPage::OnInitDialog),
    MessageHandler(WM_DRAWITEM, &SyntaxHighlightingPage::OnDrawItem),
    CommandHandler(IDC_SYNTAX_FONT, &SyntaxHighlightingPage::OnFontButton),
    CommandHandler(IDC_SYNTAX_FORE, &SyntaxHighlightingPage::OnColourButton),
    CommandHandler(IDC_SYNTAX_BACK, &SyntaxHighlightingPage::OnColourButton),
    CommandHandler(IDC_SYNTAX_BOLD, &SyntaxHighlightingPage::OnFlagBox),
    CommandHandler(IDC_SYNTAX_UNDERLINE, &SyntaxHighlightingPage::OnFlagBox),
    CommandHandler(IDC_SYNTAX_ITALIC, &SyntaxHighlightingPage::OnFlagBox),
    NotifyFromHandler(IDC_SYNTAX_TREE, TVN_ITEMEXPANDINGA, &SyntaxHighlightingPage::OnItemExpanding),
    NotifyFromHandler(IDC_SYNTAX_TREE, TVN_ITEMEXPANDEDA, &SyntaxHighlightingPage::OnItemExpanded),
    NotifyFromHandler(IDC_SYNTAX_TREE, TVN_SELCHANGINGA, &SyntaxHighlightingPage::OnSelectionChanging),
    NotifyFromHandler(IDC_SYNTAX_TREE, TVN_SELCHANGEDA, &SyntaxHighlightingPage::OnSelectionChanged),
    NotifyHandler(PSN_APPLY, &SyntaxHighlightingPage::OnApply),
};

SyntaxHighlightingPage::SyntaxHighlightingPage(Settings& settings)
    : settings_(settings), workingCopy_(settings) {}

bool SyntaxHighlightingPage::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

LRESULT SyntaxHighlightingPage::OnInitDialog(Message&) {
    tree_ = ::GetDlgItem(Handle(), IDC_SYNTAX_TREE);
    FillTree();
    return TRUE;
}

// One group per scheme in the order the file first names it; the entries of a group sorted by
// their labels.
void SyntaxHighlightingPage::FillTree() {
    for (const StyleScheme& scheme : GroupStyleSchemes(workingCopy_.Root())) {
        HTREEITEM group = InsertTreeItem(tree_, TVI_ROOT, scheme.Label(), nullptr);
        for (TiXmlElement* param : scheme.entries)
            InsertTreeItem(tree_, group, StyleEntryTitle(*param), param);
        ::SendMessageA(tree_, TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(group));
        ::SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(group));
    }
    LPARAM first = ::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    ::SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, first);
}

TiXmlElement* SyntaxHighlightingPage::ElementOfSelection() const {
    TVITEMA item{};
    item.mask = TVIF_PARAM;
    item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item.hItem || !::SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<TiXmlElement*>(item.lParam);
}

void SyntaxHighlightingPage::LoadCurrentStyle(const TiXmlElement* param) {
    if (!param) return;
    currentStyle_ = DecodeStyleEntry(*param);
    ShowFontText();
    ::InvalidateRect(::GetDlgItem(Handle(), IDC_SYNTAX_FORE), nullptr, FALSE);
    ::InvalidateRect(::GetDlgItem(Handle(), IDC_SYNTAX_BACK), nullptr, FALSE);
    ::CheckDlgButton(Handle(), IDC_SYNTAX_BOLD, currentStyle_.bold ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(Handle(), IDC_SYNTAX_UNDERLINE, currentStyle_.underline ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(Handle(), IDC_SYNTAX_ITALIC, currentStyle_.italic ? BST_CHECKED : BST_UNCHECKED);
}

void SyntaxHighlightingPage::StoreCurrentStyle(TiXmlElement* param) const {
    if (param) EncodeStyleEntry(currentStyle_, *param);
}

void SyntaxHighlightingPage::ShowFontText() {
    std::string text = currentStyle_.fontName + ", " + std::to_string(currentStyle_.pointSize);
    ::SetDlgItemTextA(Handle(), IDC_SYNTAX_FONT_TEXT, text.c_str());
}

LRESULT SyntaxHighlightingPage::OnFontButton(Message& msg) {
    if (HIWORD(msg.wParam) != BN_CLICKED) return 0;
    LOGFONTA font{};
    lstrcpynA(font.lfFaceName, currentStyle_.fontName.c_str(), LF_FACESIZE);
    font.lfHeight =
        -::MulDiv(currentStyle_.pointSize, ::GetDeviceCaps(WindowDC(Handle()).Get(), LOGPIXELSY), 72);
    CHOOSEFONTA chooser{};
    chooser.lStructSize = sizeof(chooser);
    chooser.hwndOwner = Handle();
    chooser.lpLogFont = &font;
    chooser.Flags = CF_SCREENFONTS | CF_NOSTYLESEL | CF_NOSCRIPTSEL | CF_INITTOLOGFONTSTRUCT;
    if (!::ChooseFontA(&chooser)) return 0;
    // Only the face and the size belong to an entry; weight and slant have their own boxes.
    currentStyle_.fontName = font.lfFaceName;
    currentStyle_.pointSize = chooser.iPointSize / 10;
    ShowFontText();
    SetModified();
    return 0;
}

LRESULT SyntaxHighlightingPage::OnColourButton(Message& msg) {
    if (HIWORD(msg.wParam) != BN_CLICKED) return 0;
    PlatformColour& colour =
        msg.CommandId() == IDC_SYNTAX_BACK ? currentStyle_.backColour : currentStyle_.foreColour;
    COLORREF chosen = colour;
    if (!ChooseColour(Handle(), chosen)) return 0;
    colour = chosen;
    ::InvalidateRect(msg.Param<HWND>(), nullptr, FALSE);
    SetModified();
    return 0;
}

LRESULT SyntaxHighlightingPage::OnFlagBox(Message& msg) {
    if (HIWORD(msg.wParam) != BN_CLICKED) return 0;
    UINT state = ::IsDlgButtonChecked(Handle(), msg.CommandId());
    if (state != BST_CHECKED && state != BST_UNCHECKED) return 0;
    bool& flag = msg.CommandId() == IDC_SYNTAX_BOLD        ? currentStyle_.bold
                 : msg.CommandId() == IDC_SYNTAX_UNDERLINE ? currentStyle_.underline
                                                           : currentStyle_.italic;
    flag = state == BST_CHECKED;
    SetModified();
    return 0;
}

// Painted off screen first, so the button does not flicker through its background.
LRESULT SyntaxHighlightingPage::OnDrawItem(Message& msg) {
    const auto& item = *msg.Param<const DRAWITEMSTRUCT*>();
    if (item.CtlID != IDC_SYNTAX_FORE && item.CtlID != IDC_SYNTAX_BACK) {
        msg.PassOn();
        return FALSE;
    }
    RECT area{0, 0, item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top};
    MemoryDC memory(::CreateCompatibleDC(item.hDC));
    Bitmap bitmap(::CreateCompatibleBitmap(item.hDC, area.right, area.bottom));
    if (!memory || !bitmap) return FALSE;
    {
        SelectionScope bitmapScope(memory.Get(), bitmap.Get());
        Brush fill(::CreateSolidBrush(item.CtlID == IDC_SYNTAX_BACK ? currentStyle_.backColour
                                                                    : currentStyle_.foreColour));
        ::FillRect(memory.Get(), &area, fill.Get());
        bool pressed = (item.itemState & ODS_SELECTED) != 0;
        ::DrawEdge(memory.Get(), &area, pressed ? EDGE_SUNKEN : EDGE_ETCHED, BF_RECT);

        char text[64] = "";
        ::GetWindowTextA(item.hwndItem, text, sizeof(text));
        RECT textArea = area;
        if (pressed) ::OffsetRect(&textArea, 1, 1);
        SelectionScope fontScope(memory.Get(), ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(memory.Get(), TRANSPARENT);
        ::DrawTextA(memory.Get(), text, -1, &textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, area.right, area.bottom, memory.Get(), 0, 0,
                 SRCCOPY);
    }
    return TRUE;
}

// Groups always stay open: there are no buttons to open them again.
LRESULT SyntaxHighlightingPage::OnItemExpanding(Message& msg) {
    const auto* info = msg.Param<const NMTREEVIEWA*>();
    return (info->action & (TVE_COLLAPSE | TVE_EXPAND)) == TVE_COLLAPSE;
}

// Some tree controls (Wine's) collapse a row whatever the answer to TVN_ITEMEXPANDING: open it
// again once the control has finished collapsing it.
LRESULT SyntaxHighlightingPage::OnItemExpanded(Message& msg) {
    const auto* info = msg.Param<const NMTREEVIEWA*>();
    if ((info->action & (TVE_COLLAPSE | TVE_EXPAND)) == TVE_COLLAPSE)
        ::PostMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(info->itemNew.hItem));
    return 0;
}

// Leaving an entry writes it back to the copy, changed or not.
LRESULT SyntaxHighlightingPage::OnSelectionChanging(Message& msg) {
    StoreCurrentStyle(reinterpret_cast<TiXmlElement*>(msg.Param<const NMTREEVIEWA*>()->itemOld.lParam));
    return FALSE;
}

LRESULT SyntaxHighlightingPage::OnSelectionChanged(Message& msg) {
    LoadCurrentStyle(reinterpret_cast<TiXmlElement*>(msg.Param<const NMTREEVIEWA*>()->itemNew.lParam));
    return 0;
}

// Sent for Apply and for OK. The views pick the change up when the sheet closes.
LRESULT SyntaxHighlightingPage::OnApply(Message&) {
    StoreCurrentStyle(ElementOfSelection());
    settings_.Document() = workingCopy_.Document();
    // A file that could not be read at start stays as it is (the user was told then). The views
    // get the new settings either way.
    DWORD error = ERROR_SUCCESS;
    if (settings_.ReadProblem().empty() && !settings_.Save(&error))
        ReportSettingsNotSaved(::GetParent(Handle()), settings_, error);
    return PSNRET_NOERROR;
}
