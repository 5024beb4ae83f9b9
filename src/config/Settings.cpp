// Settings: loading, saving and finding one's way in the settings document.
#include "config/Settings.h"

#include <utility>

#include "ReleaseChannel.h"
#include "config/SettingsValues.h"

bool Settings::Load(const std::string& path) {
    if (document_.LoadFile(path)) return true;
    // The library keeps whatever it parsed before the error (and, for a file it cannot open, the
    // previous content); the path it remembers either way is where a later Save writes.
    document_.Clear();
    return false;
}

bool Settings::Save() const {
    return document_.SaveFile();
}

const TiXmlElement* Settings::Root() const {
    const TiXmlNode* first = document_.FirstChild();
    return first ? first->ToElement() : nullptr;
}

TiXmlElement* Settings::Root() {
    return const_cast<TiXmlElement*>(std::as_const(*this).Root());
}

const TiXmlElement* SettingsChild(const TiXmlNode* parent, const char* name) {
    return parent ? parent->FirstChildElement(name) : nullptr;
}

TiXmlElement* SettingsChild(TiXmlNode* parent, const char* name) {
    return const_cast<TiXmlElement*>(SettingsChild(static_cast<const TiXmlNode*>(parent), name));
}

const TiXmlElement* FirstStyleParam(const TiXmlElement* root) {
    return SettingsChild(SettingsChild(root, "Colors"), "Param");
}

TiXmlElement* FirstStyleParam(TiXmlElement* root) {
    return const_cast<TiXmlElement*>(FirstStyleParam(static_cast<const TiXmlElement*>(root)));
}

int ReadTagCacheLimit(const Settings& settings) {
    const TiXmlElement* tags = SettingsChild(settings.Root(), "Tags");
    const char* cache = tags ? tags->Attribute("Cache") : nullptr;
    return cache ? ParseSettingsInteger(cache) : Settings::kDefaultTagCacheLimit;
}

std::string ReadUpdateHost(const Settings& settings) {
    const TiXmlElement* update = SettingsChild(settings.Root(), "Update");
    const char* host = update ? update->Attribute("Host") : nullptr;
    return host ? host : kReleaseUpdateHost;
}
