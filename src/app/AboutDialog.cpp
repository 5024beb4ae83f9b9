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

INT_PTR AboutDialog::Run(HWND owner) {
    return DoModal(owner, IDD_ABOUT);
}

bool AboutDialog::HandleMessage(Message& msg, LRESULT& result) {
    switch (msg.message) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_DRAWITEM:
        result = OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam));
        return result != 0;
    case WM_COMMAND:
        if (LOWORD(msg.wParam) == IDCANCEL || LOWORD(msg.wParam) == IDOK) {
            ::EndDialog(Handle(), LOWORD(msg.wParam));
            return true;
        }
        return false;
    case WM_CLOSE:
        ::EndDialog(Handle(), IDCANCEL);
        return true;
    default:
        return false;
    }
}

void AboutDialog::OnInitDialog() {
    CenterOnOwner();
    LOGFONTA font{};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfWeight = FW_BOLD;
    boldFont_.Reset(::CreateFontIndirectA(&font));
    ::SendDlgItemMessageA(Handle(), IDC_ABOUT_CREDITS_TITLE, WM_SETFONT,
                          reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
    logo_.Reset(LoadLogoMetafile(IDR_LOGO));
}

bool AboutDialog::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != IDC_ABOUT_LOGO) return false;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_3DFACE));
    if (logo_) ::PlayEnhMetaFile(item.hDC, logo_.Get(), &item.rcItem);
    return true;
}
