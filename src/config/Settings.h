// The settings document, Quillmark.xml, held in memory as parsed for the whole run.
#pragma once

#include <string>

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
    // Writes the document to the remembered path (an empty document gives an empty file).
    bool Save() const;
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
};

// The first child element of `parent` named `name`. Elements only: a comment that happens to read
// "Tags" must not hide the Tags element after it.
const TiXmlElement* SettingsChild(const TiXmlNode* parent, const char* name);
TiXmlElement* SettingsChild(TiXmlNode* parent, const char* name);

// The first Param element under Colors of a settings root; the others follow through
// NextSiblingElement("Param"). Other children of Colors are not style entries.
const TiXmlElement* FirstStyleParam(const TiXmlElement* root);
TiXmlElement* FirstStyleParam(TiXmlElement* root);

// The Cache attribute of Tags: the bound of the tag index's cache, negative for none. 15 when the
// file, the element or the attribute is missing (an empty Cache reads as 0, like any text
// without digits).
int ReadTagCacheLimit(const Settings& settings);

// The Host attribute of Update: the download server of the update check, "host" or "host:port".
// The release host built into the program when the file, the element or the attribute is
// missing; an empty Host turns the check off.
std::string ReadUpdateHost(const Settings& settings);
