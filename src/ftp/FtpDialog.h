// Tools > FTP: the current connection, the saved ones, and the transfers with their status log.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ftp/FtpProfile.h"
#include "ftp/FtpTransfer.h"
#include "win/Dialog.h"
#include "win/Handles.h"

class FtpDialog : public Dialog {
  public:
    // The local folder starts as the folder of `documentPath` (empty: none).
    explicit FtpDialog(const std::string& documentPath);
    ~FtpDialog() override;

    // Modal, from the template "FTP". The only way out is Cancel (Esc or the close box).
    INT_PTR Run(HWND owner);

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnInitDialog(Message& msg);
    LRESULT OnFieldChange(Message& msg);
    LRESULT OnSaveConnection(Message& msg);
    LRESULT OnDeleteConnections(Message& msg);
    LRESULT OnStartTransfer(Message& msg);
    LRESULT OnCancel(Message& msg);
    LRESULT OnListClick(Message& msg);
    LRESULT OnGetDisplayInfo(Message& msg);
    LRESULT OnDeleteItem(Message& msg);
    LRESULT OnAppendLog(Message& msg);
    LRESULT OnWorkerDone(Message& msg);
    LRESULT OnTimer(Message& msg);
    // Cancel's second step: the uploads under way are cut off too.
    void CutOff();

    // Field transfer between currentProfile_ and the controls.
    void ReadField(int id);
    void ReadAllFields();
    bool WriteAllFields();
    void UpdateEnabledStates(int changedId);
    void EnableChildren(bool enable);
    void AppendRow(const FtpProfile& profile);
    void SaveAllProfiles();
    // The worker is over, or given up: back to Idle.
    void EndTransfer(bool enable);

    FtpProfile currentProfile_;
    UINT transferCommand_ = 0;
    std::shared_ptr<FtpTransfer> transfer_;
    KernelHandle worker_;
    bool cancelling_ = false;
    HWND saveButton_ = nullptr;
    HWND uploadButton_ = nullptr;
    HWND downloadButton_ = nullptr;
    HWND list_ = nullptr;
    HWND log_ = nullptr;
    StatusLogFeed logFeed_{nullptr, nullptr};
    Bitmap saveImage_;
    Bitmap deleteImage_;

    static const MessageRow<FtpDialog> messageTable[];
};
