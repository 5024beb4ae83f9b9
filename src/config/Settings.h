// The settings document, Quillmark.xml, held in memory as parsed for the whole run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tinyxml.h"

// Consumers query the tree when they need a value instead of copying values out, so elements and
// attributes that this version does not know survive a save unchanged.
class Settings {
  public:
    static constexpr const char* kFileName = "Quillmark.xml";
    static constexpr int kDefaultTagCacheLimit = 15;

    // Replaces the content with the file at `path` and remembers the path for Save, whether or not
    // loading works. A file that is missing, empty or not well-formed leaves the document empty:
    // a half-parsed tree would apply settings the user never finished writing.
    bool Load(const std::string& path);
    // What was wrong with a file that exists but could not be read (the parser's message with its
    // row and column, or why it could not be opened); empty when it loaded, and when there was
    // nothing to lose (no file, an empty one).
    const std::string& ReadProblem() const { return readProblem_; }
    // Writes the document to the remembered path safely (an empty document gives an empty file).
    // A file with a ReadProblem is never overwritten: the user's text would be lost for an empty
    // tree. On failure `error` gets the system's error code.
    bool Save(DWORD* error = nullptr) const;
    const std::string& Path() const { return document_.ValueStr(); }

    // The element that holds all settings: the document's first node. Nothing when the document is
    // empty or starts with anything else (an XML declaration, a comment...).
    const TiXmlElement* Root() const;
    TiXmlElement* Root();

    // The whole tree, for the preferences page that edits a copy and replaces this one with it.
    const TiXmlDocument& Document() const { return document_; }
    TiXmlDocument& Document() { return document_; }

  private:
    TiXmlDocument document_;
    std::string readProblem_;
    bool byteOrderMark_ = false; // the file started with one, so a save keeps it
};

// Tells the user, in a program-level box owned by `owner`, what was wrong with a settings file
// that could not be read; nothing when there was no problem.
void ReportSettingsProblem(HWND owner, const Settings& settings);
// Tells the user that the settings could not be written to their file, and why.
void ReportSettingsNotSaved(HWND owner, const Settings& settings, DWORD error);

// The first child element of `parent` named `name`. Elements only: a comment that happens to read
// "Tags" must not hide the Tags element after it.
const TiXmlElement* SettingsChild(const TiXmlNode* parent, const char* name);
TiXmlElement* SettingsChild(TiXmlNode* parent, const char* name);

// The first Param element under Colors of a settings root; the others follow through
// NextSiblingElement("Param"). Other children of Colors are not style entries.
const TiXmlElement* FirstStyleParam(const TiXmlElement* root);
TiXmlElement* FirstStyleParam(TiXmlElement* root);

// The Param elements of one language, in document order.
struct StyleScheme {
    std::string prefix;
    std::vector<TiXmlElement*> entries;

    std::string Label() const; // the prefix in upper case: "PHP"
};

// Groups the Param elements under Colors of a settings root element into schemes, in the order in
// which each scheme first appears. Entries without a Name or without a prefix are left out.
std::vector<StyleScheme> GroupStyleSchemes(TiXmlElement* root);

// The lexer's keyword sets that the settings may fill: 0 HTML elements and attributes,
// 1 JavaScript, 2 VBScript, 3 Python, 4 PHP (added to the catalogue's names), 5 SGML and DTD.
inline constexpr int kLastKeywordSet = 5;

// The words of the Keywords elements of the root whose Set is `set`, in document order, each
// separated from the next by one blank: <Keywords Set="1">break case ...</Keywords>. Empty when
// there are none. A Set that is not one of the digits 0-5 belongs to no set.
std::string SettingsKeywords(const Settings& settings, int set);

// The Cache attribute of Tags: the bound of the tag index's cache, negative for none. 15 when the
// file, the element or the attribute is missing (an empty Cache reads as 0, like any text
// without digits).
int ReadTagCacheLimit(const Settings& settings);

// The Host attribute of Update: the download server of the update check, "host" or "host:port".
// The release host built into the program when the file, the element or the attribute is
// missing; an empty Host turns the check off.
std::string ReadUpdateHost(const Settings& settings);
