// The Syntax Highlighting page of the preferences sheet: font, colours and flags of each style
// entry of the settings, edited in a private copy until Apply.
#pragma once

#include <windows.h>

#include "config/Settings.h"
#include "config/SettingsValues.h"
#include "win/PropertyPage.h"

class TiXmlElement;

class SyntaxHighlightingPage : public PropertyPage {
  public:
    // Copies `settings` at once: the sheet edits the copy, Apply puts it back into `settings` and
    // writes the file.
    explicit SyntaxHighlightingPage(Settings& settings);

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnInitDialog(Message& msg);
    LRESULT OnDrawItem(Message& msg);
    LRESULT OnFontButton(Message& msg);
    LRESULT OnColourButton(Message& msg);
    LRESULT OnFlagBox(Message& msg);
    LRESULT OnItemExpanding(Message& msg);
    LRESULT OnItemExpanded(Message& msg);
    LRESULT OnSelectionChanging(Message& msg);
    LRESULT OnSelectionChanged(Message& msg);
    LRESULT OnApply(Message& msg);

    void FillTree();
    // Both do nothing for a group row (no element).
    void LoadCurrentStyle(const TiXmlElement* param);
    void StoreCurrentStyle(TiXmlElement* param) const;
    void ShowFontText();
    TiXmlElement* ElementOfSelection() const;

    Settings& settings_;
    Settings workingCopy_;
    HWND tree_ = nullptr;
    // What the controls show. It starts at the values of an entry without attributes, so the
    // colour buttons paint something sensible before the first entry is selected.
    StyleEntry currentStyle_;

    static const MessageRow<SyntaxHighlightingPage> messageTable[];
};
