// AboutDialog: the metafile logo and the bold "Credits" heading.
#include "app/AboutDialog.h"

#include "resources/Resource.h"

namespace {
constexpr DWORD placeableHeaderSize = 22;
constexpr DWORD placeableKey = 0x9AC6CDD7;
} // namespace

HENHMETAFILE LoadLogoMetafile(UINT resourceId) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(resourceId), RT_QM_METAFILE);
    if (!resource) return nullptr;
    DWORD size = ::SizeofResource(instance, resource);
    auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(instance, resource)));
    if (!bytes || size <= placeableHeaderSize) return nullptr;
    DWORD key = 0;
    memcpy(&key, bytes, sizeof(key));
    if (key != placeableKey) return nullptr;
    return ::SetWinMetaFileBits(size - placeableHeaderSize, bytes + placeableHeaderSize, nullptr, nullptr);
}

const MessageRow<AboutDialog> AboutDialog::messageTable[] = {
    MessageHandler(WM_INITDIALOG, &AboutDialog::OnInitDialog),
    MessageHandler(WM_DRAWITEM, &AboutDialog::OnDrawItem),
    CommandHandler(IDOK, &AboutDialog::OnButton),
    CommandHandler(IDCANCEL, &AboutDialog::OnButton),
    MessageHandler(WM_CLOSE, &AboutDialog::OnClose),
};

INT_PTR AboutDialog::Run(HWND owner) {
    return DoModal(owner, IDD_ABOUT);
}

bool AboutDialog::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

LRESULT AboutDialog::OnInitDialog(Message&) {
    CenterOnOwner();
    LOGFONTA font{};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfWeight = FW_BOLD;
    boldFont_.Reset(::CreateFontIndirectA(&font));
    ::SendDlgItemMessageA(Handle(), IDC_ABOUT_CREDITS_TITLE, WM_SETFONT,
                          reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
    logo_.Reset(LoadLogoMetafile(IDR_LOGO));
    return TRUE;
}

LRESULT AboutDialog::OnDrawItem(Message& msg) {
    const auto& item = *msg.Param<const DRAWITEMSTRUCT*>();
    if (item.CtlID != IDC_ABOUT_LOGO) {
        msg.PassOn();
        return FALSE;
    }
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_3DFACE));
    if (logo_) ::PlayEnhMetaFile(item.hDC, logo_.Get(), &item.rcItem);
    return TRUE;
}

LRESULT AboutDialog::OnButton(Message& msg) {
    ::EndDialog(Handle(), msg.CommandId());
    return 0;
}

LRESULT AboutDialog::OnClose(Message&) {
    ::EndDialog(Handle(), IDCANCEL);
    return 0;
}
