// Styling an editor view from the settings: wrap mode, the default style, the style entries and the
// brace styles.
#pragma once

class EditorView;
class Settings;
class TiXmlElement;

// Resets every style to Arial 9 black on white first, so that an attribute missing from an entry
// means the default and a second run (after the preferences change) starts from a clean slate.
void ApplyViewSettings(const EditorView& view, const Settings& settings);

// Sends one Param element's attributes, those it carries only, to style `style` of the view.
void ApplyStyleEntry(const EditorView& view, const TiXmlElement& param, int style);
