// Whether Quillmark is the default editor of .php files, the start-up question about it, and
// the file association written when the user agrees.
#pragma once

#include <windows.h>

#include <string>

#include "win/Dialog.h"

// The ProgID that the .php association names.
extern const char* const programId;

struct DefaultEditorCheck {
    bool checkAtStartup = true;  // the user wants the question at start ("DefaultEditor")
    bool isDefaultEditor = true; // .php already names our ProgID

    // Reads both from the registry, with read access only. Without access to the classes root
    // the program behaves as the default editor: no question.
    static DefaultEditorCheck Read();
    bool ShouldAsk() const { return checkAtStartup && !isDefaultEditor; }
};

// Writes, for the current user, the type's name, its icon (the executable's second icon), its
// open command for `executable` and then .php -> Quillmark, and tells the shell. Stops at the
// first value that cannot be written and returns its error; ERROR_SUCCESS when all are written.
LONG WriteFileAssociation(const std::string& executable);
// Stores the check box as "DefaultEditor" (1 or 0).
void WriteCheckAtStartup(bool check);

// The question, modal, owned by the main window; both buttons do their work before it closes.
class DefaultEditorPrompt : public Dialog {
  public:
    explicit DefaultEditorPrompt(DefaultEditorCheck& check) : check_(check) {}
    INT_PTR Run(HWND owner);

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnInitDialog(Message& msg);
    LRESULT OnYes(Message& msg);
    LRESULT OnNo(Message& msg);
    // Both buttons keep the check box's state, in the check and in the registry.
    void StoreCheckBox();

    DefaultEditorCheck& check_;

    static const MessageRow<DefaultEditorPrompt> messageTable[];
};

// Constructs the check and asks when needed: the start-up step of the main window.
void RunDefaultEditorCheck(HWND owner);
