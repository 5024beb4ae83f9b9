// Settings: loading, saving and finding one's way in the settings document.
#include "config/Settings.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "ReleaseChannel.h"
#include "config/SettingsValues.h"
#include "resources/Resource.h"
#include "win/Handles.h"
#include "win/SafeWrite.h"
#include "win/Strings.h"

namespace {

bool StartsWithByteOrderMark(const std::string& path) {
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    char start[3] = {};
    DWORD read = 0;
    return file && ::ReadFile(file.Get(), start, 3, &read, nullptr) && read == 3 &&
           std::string_view(start, 3) == "\xEF\xBB\xBF";
}

} // namespace

bool Settings::Load(const std::string& path) {
    readProblem_.clear();
    byteOrderMark_ = false;
    if (document_.LoadFile(path)) {
        byteOrderMark_ = StartsWithByteOrderMark(path);
        return true;
    }
    if (document_.ErrorId() == TiXmlBase::TIXML_ERROR_OPENING_FILE) {
        DWORD error = ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : 0;
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            readProblem_ = document_.ErrorDesc();
    } else if (document_.ErrorId() != TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY) {
        readProblem_ = "Row " + std::to_string(document_.ErrorRow()) + ", column " +
                       std::to_string(document_.ErrorCol()) + ": " + document_.ErrorDesc();
    }
    // The library keeps whatever it parsed before the error (and, for a file it cannot open, the
    // previous content); the path it remembers either way is where a later Save writes.
    document_.Clear();
    return false;
}

bool Settings::Save(DWORD* error) const {
    DWORD result = ERROR_INVALID_DATA;
    if (readProblem_.empty()) {
        TiXmlPrinter printer;
        document_.Accept(&printer);
        // Line ends as the library's own save wrote them through a text-mode stream. Line feeds
        // inside values are written as character references, so every one here is a line end.
        std::string bytes = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
        for (char c : printer.Str()) {
            if (c == '\n') bytes += '\r';
            bytes += c;
        }
        result = WriteFileSafely(Path(), bytes);
    }
    if (error) *error = result;
    return result == ERROR_SUCCESS;
}

void ReportSettingsProblem(HWND owner, const Settings& settings) {
    if (settings.ReadProblem().empty()) return;
    std::string text =
        FormatResourceString(IDS_SETTINGS_UNREADABLE, {settings.Path(), settings.ReadProblem()});
    ::MessageBoxA(owner, text.c_str(), LoadResourceString(IDS_APP_NAME).c_str(), MB_OK | MB_ICONWARNING);
}

void ReportSettingsNotSaved(HWND owner, const Settings& settings, DWORD error) {
    std::string text = FormatResourceString(IDS_SETTINGS_NOT_SAVED, {settings.Path(), SystemMessage(error)});
    ::MessageBoxA(owner, text.c_str(), LoadResourceString(IDS_APP_NAME).c_str(), MB_OK | MB_ICONERROR);
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

std::string StyleScheme::Label() const {
    std::string label = prefix;
    for (char& c : label)
        c = static_cast<char>(c - 'a' + 'A');
    return label;
}

std::vector<StyleScheme> GroupStyleSchemes(TiXmlElement* root) {
    std::vector<StyleScheme> schemes;
    for (TiXmlElement* param = FirstStyleParam(root); param; param = param->NextSiblingElement("Param")) {
        const char* name = param->Attribute("Name");
        std::string_view prefix = StyleSchemePrefix(name ? name : "");
        if (prefix.empty()) continue;
        auto scheme = schemes.begin();
        while (scheme != schemes.end() && scheme->prefix != prefix)
            ++scheme;
        if (scheme == schemes.end())
            scheme = schemes.insert(schemes.end(), StyleScheme{std::string(prefix), {}});
        scheme->entries.push_back(param);
    }
    return schemes;
}

std::string SettingsKeywords(const Settings& settings, int set) {
    std::string words;
    for (const TiXmlElement* list = SettingsChild(settings.Root(), "Keywords"); list;
         list = list->NextSiblingElement("Keywords")) {
        const char* number = list->Attribute("Set");
        if (!number || number[0] != '0' + set || number[1] != '\0' || !list->GetText()) continue;
        // Any white space between words in the file, one blank towards the lexer.
        std::string_view text = list->GetText();
        for (size_t start = 0; (start = text.find_first_not_of(" \t\r\n", start)) != text.npos;) {
            size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
            if (!words.empty()) words += ' ';
            words += text.substr(start, end - start);
            start = end;
        }
    }
    return words;
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
