// FtpDialog: the fields, the saved connections, and the start, cancel and end of a transfer.
#include "ftp/FtpDialog.h"

#include <commctrl.h>

#include <cstring>

#include "resources/Resource.h"
#include "win/Paths.h"
#include "win/Strings.h"
#include "win/WorkerMessages.h"

namespace {

constexpr const char* templateName = "FTP";
constexpr UINT_PTR cancelTimer = 1;
constexpr UINT_PTR cutOffTimer = 2;
// How long Cancel lets the uploads under way go on: a small file ends whole instead of leaving
// the server a part of it. A second Cancel cuts them off at once.
constexpr UINT uploadGraceMs = 2000;
// How long a cut-off worker may take to stop by itself. One whose server has stopped answering
// stays in its call for good under Wine: it is then given up.
constexpr UINT cancelGraceMs = 5000;

constexpr int fieldOrder[] = {IDC_FTP_HOST,      IDC_FTP_USERNAME, IDC_FTP_PASSWORD, IDC_FTP_REMOTE_DIR,
                              IDC_FTP_LOCAL_DIR, IDC_FTP_PASSIVE,  IDC_FTP_SESSION};

// A 24-bit button image with its background, the colour of its top left pixel, painted in the
// button face colour. LR_LOADTRANSPARENT would do this only for images with a colour table.
HBITMAP LoadButtonImage(UINT id) {
    auto bitmap = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib{};
    if (!bitmap || ::GetObjectA(bitmap, sizeof(dib), &dib) != sizeof(dib) || dib.dsBm.bmBitsPixel != 24 ||
        !dib.dsBm.bmBits || dib.dsBm.bmHeight <= 0)
        return bitmap;
    ::GdiFlush();
    auto* bits = static_cast<BYTE*>(dib.dsBm.bmBits);
    int stride = dib.dsBm.bmWidthBytes, height = dib.dsBm.bmHeight;
    const BYTE* top = dib.dsBmih.biHeight > 0 ? bits + (height - 1) * stride : bits; // bottom-up rows
    const BYTE key[3] = {top[0], top[1], top[2]};
    COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const BYTE faceBytes[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
    for (int y = 0; y < height; ++y) {
        BYTE* pixel = bits + y * stride;
        for (int x = 0; x < dib.dsBm.bmWidth; ++x, pixel += 3)
            if (std::memcmp(pixel, key, 3) == 0) std::memcpy(pixel, faceBytes, 3);
    }
    return bitmap;
}

std::string ControlText(HWND control) {
    int length = ::GetWindowTextLengthA(control);
    std::string text(length > 0 ? length + 1 : 1, '\0');
    ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

} // namespace

const MessageRow<FtpDialog> FtpDialog::messageTable[] = {
    MessageHandler(WM_INITDIALOG, &FtpDialog::OnInitDialog),
    CommandHandler(IDC_FTP_HOST, &FtpDialog::OnFieldChange),
    CommandHandler(IDC_FTP_REMOTE_DIR, &FtpDialog::OnFieldChange),
    CommandHandler(IDC_FTP_LOCAL_DIR, &FtpDialog::OnFieldChange),
    CommandHandler(IDC_FTP_SESSION, &FtpDialog::OnFieldChange),
    CommandHandler(IDC_FTP_SAVE, &FtpDialog::OnSaveConnection),
    CommandHandler(IDC_FTP_DELETE, &FtpDialog::OnDeleteConnections),
    CommandHandler(IDC_FTP_UPLOAD, &FtpDialog::OnStartTransfer),
    CommandHandler(IDC_FTP_DOWNLOAD, &FtpDialog::OnStartTransfer),
    CommandHandler(IDCANCEL, &FtpDialog::OnCancel),
    NotifyFromHandler(IDC_FTP_CONNECTIONS, NM_CLICK, &FtpDialog::OnListClick),
    NotifyFromHandler(IDC_FTP_CONNECTIONS, LVN_GETDISPINFOA, &FtpDialog::OnGetDisplayInfo),
    NotifyFromHandler(IDC_FTP_CONNECTIONS, LVN_DELETEITEM, &FtpDialog::OnDeleteItem),
    MessageHandler(WM_FTP_APPEND_LOG, &FtpDialog::OnAppendLog),
    MessageHandler(WM_WORKER_DONE, &FtpDialog::OnWorkerDone),
    MessageHandler(WM_TIMER, &FtpDialog::OnTimer),
};

FtpDialog::FtpDialog(const std::string& documentPath) {
    if (!documentPath.empty()) currentProfile_.localDir = FolderOf(documentPath);
}

FtpDialog::~FtpDialog() {
    if (transfer_) {
        transfer_->Cancel();
        transfer_->CancelNow(); // nobody is left to wait for an upload to end
        transfer_->Abandon();
    }
}

INT_PTR FtpDialog::Run(HWND owner) {
    return DoModal(owner, templateName);
}

bool FtpDialog::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

LRESULT FtpDialog::OnInitDialog(Message&) {
    CenterOnOwner();
    HWND dialog = Handle();
    saveButton_ = ::GetDlgItem(dialog, IDC_FTP_SAVE);
    uploadButton_ = ::GetDlgItem(dialog, IDC_FTP_UPLOAD);
    downloadButton_ = ::GetDlgItem(dialog, IDC_FTP_DOWNLOAD);
    list_ = ::GetDlgItem(dialog, IDC_FTP_CONNECTIONS);
    log_ = ::GetDlgItem(dialog, IDC_FTP_LOG);
    logFeed_ = StatusLogFeed(dialog, log_);

    saveImage_.Reset(LoadButtonImage(IDB_FTP_SAVE));
    deleteImage_.Reset(LoadButtonImage(IDB_FTP_DELETE));
    ::SendMessageA(saveButton_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(saveImage_.Get()));
    ::SendDlgItemMessageA(dialog, IDC_FTP_DELETE, BM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(deleteImage_.Get()));

    ::SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list_, &client);
    char noTitle[] = "";
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = client.right - client.left;
    column.pszText = noTitle;
    ::SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));

    // A multi-line edit stops taking text at about 30,000 characters: fewer than the lines of a
    // transfer of a thousand files.
    ::SendMessageA(log_, EM_SETLIMITTEXT, 0, 0);

    for (const FtpProfile& profile : LoadFtpProfiles())
        AppendRow(profile);
    WriteAllFields();
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Fields

void FtpDialog::ReadField(int id) {
    HWND control = ::GetDlgItem(Handle(), id);
    switch (id) {
    case IDC_FTP_HOST:
        currentProfile_.host = ControlText(control);
        break;
    case IDC_FTP_USERNAME:
        currentProfile_.userName = ControlText(control);
        break;
    case IDC_FTP_PASSWORD:
        currentProfile_.password = ControlText(control);
        break;
    case IDC_FTP_REMOTE_DIR:
        currentProfile_.remoteDir = ControlText(control);
        break;
    case IDC_FTP_LOCAL_DIR:
        currentProfile_.localDir = ControlText(control);
        break;
    case IDC_FTP_PASSIVE:
        currentProfile_.passive = ::IsDlgButtonChecked(Handle(), id);
        break;
    case IDC_FTP_SESSION:
        currentProfile_.name = ControlText(control);
        break;
    default:
        break;
    }
}

void FtpDialog::ReadAllFields() {
    for (int id : fieldOrder)
        ReadField(id);
}

bool FtpDialog::WriteAllFields() {
    for (int id : fieldOrder) {
        if (id == IDC_FTP_PASSIVE) {
            if (currentProfile_.passive > BST_INDETERMINATE) currentProfile_.passive = 0;
            ::CheckDlgButton(Handle(), id, currentProfile_.passive);
            continue;
        }
        // A copy: setting the text raises EN_CHANGE, which reads the field back into the member.
        std::string text = id == IDC_FTP_HOST         ? currentProfile_.host
                           : id == IDC_FTP_USERNAME   ? currentProfile_.userName
                           : id == IDC_FTP_PASSWORD   ? currentProfile_.password
                           : id == IDC_FTP_REMOTE_DIR ? currentProfile_.remoteDir
                           : id == IDC_FTP_LOCAL_DIR  ? currentProfile_.localDir
                                                      : currentProfile_.name;
        if (!::SetDlgItemTextA(Handle(), id, text.c_str())) {
            ::MessageBeep(0xFFFFFFFF);
            ::SetFocus(::GetDlgItem(Handle(), id));
            return false;
        }
    }
    return true;
}

LRESULT FtpDialog::OnFieldChange(Message& msg) {
    if (HIWORD(msg.wParam) != EN_CHANGE) {
        msg.PassOn();
        return 0;
    }
    ReadField(msg.CommandId());
    UpdateEnabledStates(msg.CommandId());
    return 0;
}

void FtpDialog::UpdateEnabledStates(int changedId) {
    if (worker_) return; // everything stays disabled until the transfer is over
    if (changedId == IDC_FTP_SESSION) {
        ::EnableWindow(saveButton_, !currentProfile_.name.empty());
        return;
    }
    bool ready = !currentProfile_.host.empty() && !currentProfile_.remoteDir.empty() &&
                 !currentProfile_.localDir.empty();
    ::EnableWindow(uploadButton_, ready);
    ::EnableWindow(downloadButton_, ready);
}

void FtpDialog::EnableChildren(bool enable) {
    for (HWND child = ::GetWindow(Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (child != log_) ::EnableWindow(child, enable);
}

// ---------------------------------------------------------------------------------------------
// Saved connections: each row owns its profile through its item data.

void FtpDialog::AppendRow(const FtpProfile& profile) {
    auto* owned = new FtpProfile(profile);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.lParam = reinterpret_cast<LPARAM>(owned);
    if (::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) delete owned;
}

void FtpDialog::SaveAllProfiles() {
    std::vector<const FtpProfile*> profiles;
    int count = static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (::SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) && item.lParam)
            profiles.push_back(reinterpret_cast<const FtpProfile*>(item.lParam));
    }
    SaveFtpProfiles(profiles);
}

LRESULT FtpDialog::OnSaveConnection(Message& msg) {
    if (HIWORD(msg.wParam) != BN_CLICKED) {
        msg.PassOn();
        return 0;
    }
    ReadAllFields();
    FtpProfile saved = currentProfile_;
    if (!saved.password.empty()) {
        int answer = ::MessageBoxA(Handle(), LoadResourceString(IDS_SAVE_PASSWORD).c_str(),
                                   LoadResourceString(IDS_APP_NAME).c_str(),
                                   MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
        // The field and the current connection keep the password for this session's transfers.
        if (answer != IDYES) saved.password.clear();
    }
    AppendRow(saved);
    SaveAllProfiles();
    return 0;
}

LRESULT FtpDialog::OnDeleteConnections(Message& msg) {
    if (HIWORD(msg.wParam) != BN_CLICKED) {
        msg.PassOn();
        return 0;
    }
    for (int row = static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)) - 1; row >= 0; --row)
        if (::SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED)
            ::SendMessageA(list_, LVM_DELETEITEM, row, 0);
    SaveAllProfiles();
    return 0;
}

LRESULT FtpDialog::OnListClick(Message& msg) {
    const auto* click = msg.Param<const NMITEMACTIVATE*>();
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = click->iItem;
    if (click->iItem >= 0 && ::SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
        item.lParam)
        currentProfile_ = *reinterpret_cast<const FtpProfile*>(item.lParam);
    else
        currentProfile_ = FtpProfile{};
    WriteAllFields();
    return 0;
}

LRESULT FtpDialog::OnGetDisplayInfo(Message& msg) {
    auto* info = msg.Param<NMLVDISPINFOA*>();
    const auto* profile = reinterpret_cast<const FtpProfile*>(info->item.lParam);
    if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0)
        ::lstrcpynA(info->item.pszText, profile ? profile->name.c_str() : "", info->item.cchTextMax);
    return 0;
}

LRESULT FtpDialog::OnDeleteItem(Message& msg) {
    delete reinterpret_cast<FtpProfile*>(msg.Param<const NMLISTVIEW*>()->lParam);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Transfers

LRESULT FtpDialog::OnStartTransfer(Message& msg) {
    if (HIWORD(msg.wParam) != BN_CLICKED) {
        msg.PassOn();
        return 0;
    }
    ReadAllFields();
    if (currentProfile_.remoteDir.empty() || currentProfile_.localDir.empty() || worker_) return 0;
    currentProfile_.remoteDir = NormaliseRemoteDir(currentProfile_.remoteDir);
    currentProfile_.localDir = NormaliseLocalDir(currentProfile_.localDir);
    EnableChildren(false);
    ::SetFocus(log_); // Esc there still reaches the dialog as Cancel
    transferCommand_ = msg.CommandId();
    ::SetWindowTextA(log_, "");

    FtpTransferRequest request;
    request.host = currentProfile_.host;
    request.userName = currentProfile_.userName;
    request.password = currentProfile_.password;
    request.passive = currentProfile_.passive;
    request.remoteDir = currentProfile_.remoteDir;
    request.localDir = currentProfile_.localDir;
    request.command = transferCommand_;
    request.dialog = Handle();
    transfer_ = std::make_shared<FtpTransfer>(std::move(request));
    worker_.Reset(FtpTransfer::Start(transfer_));
    if (!worker_) EndTransfer(true);
    return 0;
}

LRESULT FtpDialog::OnCancel(Message&) {
    if (!worker_) {
        ::EndDialog(Handle(), IDCANCEL);
        return 0;
    }
    if (!cancelling_) {
        cancelling_ = true;
        transfer_->Cancel();
        ::SetTimer(Handle(), cutOffTimer, uploadGraceMs, nullptr);
    } else {
        CutOff();
    }
    return 0;
}

void FtpDialog::CutOff() {
    if (!::KillTimer(Handle(), cutOffTimer)) return; // once
    transfer_->CancelNow();
    ::SetTimer(Handle(), cancelTimer, cancelGraceMs, nullptr);
}

LRESULT FtpDialog::OnTimer(Message& msg) {
    if (msg.wParam == StatusLogFeed::timerId) {
        if (transfer_)
            logFeed_.OnTimer(*transfer_);
        else
            logFeed_.Stop();
        return 0;
    }
    if (msg.wParam == cutOffTimer) {
        if (worker_) CutOff();
        return 0;
    }
    if (msg.wParam != cancelTimer) {
        msg.PassOn();
        return 0;
    }
    ::KillTimer(Handle(), cancelTimer);
    // When the worker has just finished after all, its WM_WORKER_DONE is on the way.
    if (worker_ && transfer_->Abandon()) {
        worker_.Reset(); // the thread runs on without us and ends whenever its call returns
        EndTransfer(true);
    }
    return 0;
}

LRESULT FtpDialog::OnAppendLog(Message&) {
    if (transfer_) logFeed_.OnLines(*transfer_);
    return 0;
}

LRESULT FtpDialog::OnWorkerDone(Message& msg) {
    // WM_USER + 1 is also DM_SETDEFID, which the dialog manager may send: only the worker's own
    // message ends a transfer.
    if (!worker_ || !transfer_->Finished()) {
        msg.PassOn();
        return 0;
    }
    ::KillTimer(Handle(), cutOffTimer);
    ::KillTimer(Handle(), cancelTimer);
    // The worker posts this as its very last act, so its end is a moment away.
    ::WaitForSingleObject(worker_.Get(), 10000);
    worker_.Reset();
    logFeed_.Flush(*transfer_);
    if (transfer_->Failed())
        ::MessageBoxA(Handle(), transfer_->Failure().c_str(), LoadResourceString(IDS_APP_NAME).c_str(),
                      MB_OK | MB_ICONERROR);
    EndTransfer(msg.wParam != 0);
    return 0;
}

void FtpDialog::EndTransfer(bool enable) {
    cancelling_ = false;
    logFeed_.Stop();
    transfer_.reset();
    // Every control, whatever the fields hold, until the next change of a field.
    if (enable) EnableChildren(true);
}
