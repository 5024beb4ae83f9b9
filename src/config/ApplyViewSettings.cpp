// ApplyViewSettings: the settings document turned into editing-component messages.
#include "config/ApplyViewSettings.h"

#include "config/Settings.h"
#include "config/SettingsValues.h"
#include "config/StyleNameTable.h"
#include "win/EditorView.h"

namespace {

constexpr const char* kDefaultFont = "Arial";
constexpr int kDefaultSize = 9;

void SendFlag(const EditorView& view, unsigned int message, int style, const char* value) {
    if (value) view.Call(message, style, ParseSettingsInteger(value) != 0 ? 1 : 0);
}

} // namespace

void ApplyStyleEntry(const EditorView& view, const TiXmlElement& param, int style) {
    if (const char* fore = param.Attribute("Fore"))
        view.Call(SCI_STYLESETFORE, style, ParseSettingsColour(fore));
    if (const char* back = param.Attribute("Back"))
        view.Call(SCI_STYLESETBACK, style, ParseSettingsColour(back));
    if (const char* font = param.Attribute("Font")) view.Call(SCI_STYLESETFONT, style, font);
    if (const char* size = param.Attribute("Size"))
        view.Call(SCI_STYLESETSIZE, style, ParseSettingsInteger(size));
    SendFlag(view, SCI_STYLESETBOLD, style, param.Attribute("Bold"));
    SendFlag(view, SCI_STYLESETITALIC, style, param.Attribute("Italic"));
    SendFlag(view, SCI_STYLESETUNDERLINE, style, param.Attribute("Underline"));
}

void ApplyViewSettings(const EditorView& view, const Settings& settings) {
    const TiXmlElement* root = settings.Root();

    // An unknown or missing wrap value leaves the view's wrap mode as it was.
    if (const TiXmlElement* editor = SettingsChild(root, "Editor"))
        if (const char* wrap = editor->Attribute("Wrap"))
            if (auto mode = ParseWrapMode(wrap)) view.Call(SCI_SETWRAPMODE, *mode);

    view.Call(SCI_STYLESETFORE, STYLE_DEFAULT, kBlack);
    view.Call(SCI_STYLESETBACK, STYLE_DEFAULT, kWhite);
    view.Call(SCI_STYLESETFONT, STYLE_DEFAULT, kDefaultFont);
    view.Call(SCI_STYLESETSIZE, STYLE_DEFAULT, kDefaultSize);
    view.Call(SCI_STYLECLEARALL);

    // Entries naming the same style are all applied, so the later one wins attribute by attribute.
    for (const TiXmlElement* param = FirstStyleParam(root); param;
         param = param->NextSiblingElement("Param")) {
        const char* name = param->Attribute("Name");
        if (!name) continue;
        if (auto style = FindStyleNumber(name)) ApplyStyleEntry(view, *param, *style);
    }

    // STYLECLEARALL reset the brace styles too; they keep their own look whatever the file says.
    view.Call(SCI_STYLESETBOLD, STYLE_BRACELIGHT, 1);
    view.Call(SCI_STYLESETBOLD, STYLE_BRACEBAD, 1);
    view.Call(SCI_STYLESETFORE, STYLE_BRACELIGHT, kBlack);
    view.Call(SCI_STYLESETFORE, STYLE_BRACEBAD, kRed);
}
