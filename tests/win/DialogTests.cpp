// An exception that a dialog's or a property page's handler lets escape is reported, never
// thrown into the dialog manager, and the dialog goes on.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <type_traits>
#include <vector>

#include "resources/Resource.h"
#include "win/Dialog.h"
#include "win/PropertyPage.h"

namespace {

constexpr UINT failingMessage = WM_APP + 1;
constexpr UINT finishMessage = WM_APP + 2;

std::vector<UINT> reported;

void RecordReport(const Message& msg) {
    reported.push_back(msg.message);
}

// Throws from the handler of the first message it posts itself; the second one finds the
// window still running and ends it.
template <class Base> class Failing : public Base {
  public:
    bool wentOn = false;

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override {
        if (msg.message == WM_INITDIALOG) {
            ::PostMessageA(this->Handle(), failingMessage, 0, 0);
            ::PostMessageA(this->Handle(), finishMessage, 0, 0);
            result = TRUE;
            return true;
        }
        if (msg.message == failingMessage) throw std::runtime_error("the handler failed halfway");
        if (msg.message != finishMessage) return false;
        wentOn = ::IsWindow(this->Handle()) != FALSE;
        if constexpr (std::is_same_v<Base, Dialog>)
            ::EndDialog(this->Handle(), IDOK);
        else
            ::PostMessageA(::GetParent(this->Handle()), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        return true;
    }
};

} // namespace

TEST(Dialogs, AnExceptionFromADialogOrAPageHandlerIsReportedAndTheDialogGoesOn) {
    SetEscapedExceptionReport(RecordReport);

    reported.clear();
    Failing<Dialog> dialog;
    EXPECT_EQ(dialog.DoModal(nullptr, IDD_GOTO_LINE), IDOK);
    EXPECT_TRUE(dialog.wentOn);
    EXPECT_EQ(reported, std::vector<UINT>{failingMessage});

    reported.clear();
    Failing<PropertyPage> page;
    PROPSHEETPAGEA description = page.Description(IDD_SYNTAX_HIGHLIGHTING);
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof(sheet);
    sheet.dwFlags = PSH_PROPSHEETPAGE;
    sheet.hInstance = ::GetModuleHandleA(nullptr);
    sheet.pszCaption = "";
    sheet.nPages = 1;
    sheet.ppsp = &description;
    ::PropertySheetA(&sheet);
    EXPECT_TRUE(page.wentOn);
    EXPECT_EQ(reported, std::vector<UINT>{failingMessage});

    SetEscapedExceptionReport(nullptr);
}
