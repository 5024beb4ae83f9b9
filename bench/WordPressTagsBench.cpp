// How many of the distinct function calls in a real project's start-up file get a call tip,
// with the search through the file and its quoted includes alone (as before the project
// index) and with the open documents and the project index; and what a lookup costs on the
// interface thread while the index is being built, against a catalogue lookup.
//
// Needs the WordPress tree: tools/wordpress-tips.sh fetches Debian's package, unpacks it into
// /tmp and runs this with QM_WORDPRESS_DIR set. Without it the benchmark says so and stops.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "php/PhpCatalog.h"
#include "php/TagIndex.h"
#include "win/Paths.h"

namespace {

using bench::Clock;

bool IsNameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
bool IsNameByte(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

// The PHP text without comments and string contents, which hold words followed by "(" that
// are not calls ("@see wp_die()", "Call add_action() first").
std::string CodeOnly(const std::string& text) {
    std::string code;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 1;
            code += ' ';
        } else if ((c == '/' && i + 1 < text.size() && text[i + 1] == '/') || c == '#') {
            i = std::min(text.find('\n', i), text.size()) - 1;
        } else if (c == '\'' || c == '"') {
            size_t j = i + 1;
            while (j < text.size() && text[j] != c)
                j += text[j] == '\\' ? 2 : 1;
            i = std::min(j, text.size());
            code += "''";
        } else {
            code += c;
        }
    }
    return code;
}

struct Calls {
    std::set<std::string> functions; // name(
    std::set<std::string> methods;   // ->name( and ::name(
};

Calls DistinctCalls(const std::string& text) {
    Calls calls;
    std::string code = CodeOnly(text);
    std::string previousWord;
    for (size_t i = 0; i < code.size();) {
        if (!IsNameStart(static_cast<unsigned char>(code[i])) ||
            (i > 0 && (IsNameByte(static_cast<unsigned char>(code[i - 1])) || code[i - 1] == '$'))) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < code.size() && IsNameByte(static_cast<unsigned char>(code[end])))
            ++end;
        std::string name = code.substr(i, end - i);
        size_t next = end;
        while (next < code.size() && (code[next] == ' ' || code[next] == '\t'))
            ++next;
        bool member = i >= 2 && ((code[i - 2] == '-' && code[i - 1] == '>') ||
                                 (code[i - 2] == ':' && code[i - 1] == ':'));
        if (next < code.size() && code[next] == '(' && previousWord != "function" && previousWord != "new" &&
            !IsLanguageWord(name))
            (member ? calls.methods : calls.functions).insert(name);
        previousWord = name;
        i = end;
    }
    return calls;
}

template <class Lookup>
size_t CountTipped(const std::set<std::string>& names, Lookup tipFor,
                   std::vector<std::string>* missing = nullptr) {
    size_t tipped = 0;
    for (const std::string& name : names) {
        if (tipFor(name))
            ++tipped;
        else if (missing)
            missing->push_back(name);
    }
    return tipped;
}

double Percent(size_t part, size_t whole) {
    return whole ? 100.0 * static_cast<double>(part) / whole : 0;
}

} // namespace

int main() {
    const char* root = std::getenv("QM_WORDPRESS_DIR");
    std::string ctags = bench::ProgramFolder() + "ctags.exe";
    if (!root || !*root || !::PathFileExistsA(ctags.c_str())) {
        std::printf("WordPress call-tip share: skipped (run tools/wordpress-tips.sh; needs ctags.exe)\n");
        return 0;
    }
    std::string settings = FullPath(std::string(root) + "\\wp-settings.php");
    std::string text;
    if (!ReadWholeFile(settings, text, 16u << 20)) {
        std::printf("WordPress call-tip share: no %s\n", settings.c_str());
        return 1;
    }
    Calls calls = DistinctCalls(text);
    std::string projectRoot = ProjectRoot(settings);
    // From scratch: no index of an earlier run.
    ::DeleteFileA(ProjectTagFilePath(projectRoot).c_str());

    TagWorker worker;
    TagIndex index;
    index.SetProjects(&worker.Projects());
    auto catalogueOrFile = [&](const std::string& name) {
        return CallTipText(name).has_value() || index.FindUserFunction(name, settings).has_value();
    };

    // While the project is indexed, every '(' asks the index: time those lookups.
    Clock::time_point started = Clock::now();
    worker.Queue(ctags, settings);
    double slowestLookupUs = 0;
    size_t lookupsDuringBuild = 0;
    while (!worker.WaitIdle(5)) {
        for (const std::string& name : calls.functions) {
            Clock::time_point lookup = Clock::now();
            if (!CallTipText(name)) index.FindUserFunction(name, settings);
            slowestLookupUs = std::max(slowestLookupUs, bench::MicrosSince(lookup));
            ++lookupsDuringBuild;
        }
    }
    double buildMs = bench::MillisSince(started);
    std::shared_ptr<const ProjectTags> project = worker.Projects().Get(projectRoot);

    // Before: the catalogue, the file's own tags and its quoted includes, with no project.
    TagIndex fileOnly;
    fileOnly.SetProjects(nullptr);
    auto before = [&](const std::string& name) {
        return CallTipText(name).has_value() || fileOnly.FindUserFunction(name, settings).has_value();
    };
    std::vector<std::string> missing;
    size_t functionsBefore = CountTipped(calls.functions, before);
    size_t functionsAfter = CountTipped(calls.functions, catalogueOrFile, &missing);
    size_t methodsBefore = CountTipped(calls.methods, before);
    size_t methodsAfter = CountTipped(calls.methods, catalogueOrFile);

    // What a lookup costs once the index is there, against the catalogue's own lookup.
    double catalogueUs = 0, userUs = 0;
    for (int round = 0; round < 20; ++round) {
        Clock::time_point start = Clock::now();
        for (const std::string& name : calls.functions)
            CallTipText(name);
        catalogueUs += bench::MicrosSince(start);
        start = Clock::now();
        for (const std::string& name : calls.functions)
            if (!CallTipText(name)) index.FindUserFunction(name, settings);
        userUs += bench::MicrosSince(start);
    }
    size_t count = std::max<size_t>(calls.functions.size(), 1) * 20;
    catalogueUs /= static_cast<double>(count);
    userUs /= static_cast<double>(count);

    // The next start: the index of this run serves before the new one is built.
    TagWorker nextStart;
    TagIndex nextIndex;
    nextIndex.SetProjects(&nextStart.Projects());
    started = Clock::now();
    nextStart.Queue(ctags, settings);
    double firstTipMs = -1;
    // A name only the project index knows.
    std::string probe;
    for (const std::string& name : calls.functions)
        if (!CallTipText(name) && !fileOnly.FindUserFunction(name, settings) &&
            index.FindUserFunction(name, settings)) {
            probe = name;
            break;
        }
    while (!nextStart.WaitIdle(5))
        if (firstTipMs < 0 && !probe.empty() && nextIndex.FindUserFunction(probe, settings))
            firstTipMs = bench::MillisSince(started);
    double rebuiltMs = bench::MillisSince(started);

    std::printf("WordPress %s: %zu distinct function calls, %zu distinct method calls in wp-settings.php\n",
                root, calls.functions.size(), calls.methods.size());
    std::printf(
        "  project index: %zu files' functions, %zu tags, built in %.0f ms off the interface thread\n",
        project ? project->Files().size() : 0, project ? project->Count() : 0, buildMs);
    std::printf("  functions with a tip   before %3zu (%5.1f%%)   after %3zu (%5.1f%%)   goal > 90%%\n",
                functionsBefore, Percent(functionsBefore, calls.functions.size()), functionsAfter,
                Percent(functionsAfter, calls.functions.size()));
    std::printf("  methods with a tip     before %3zu (%5.1f%%)   after %3zu (%5.1f%%)\n", methodsBefore,
                Percent(methodsBefore, calls.methods.size()), methodsAfter,
                Percent(methodsAfter, calls.methods.size()));
    std::printf("  lookup per '(' : catalogue %.2f us, catalogue + user functions %.2f us (x%.1f)\n",
                catalogueUs, userUs, catalogueUs > 0 ? userUs / catalogueUs : 0);
    std::printf(
        "  %zu lookups during the build, slowest %.0f us (x%.0f a catalogue lookup): none waited for ctags\n",
        lookupsDuringBuild, slowestLookupUs, catalogueUs > 0 ? slowestLookupUs / catalogueUs : 0);
    std::printf("  next start: first project tip after %.0f ms (previous index), rebuilt after %.0f ms\n",
                firstTipMs, rebuiltMs);
    if (!missing.empty()) {
        std::printf("  without a tip:");
        for (const std::string& name : missing)
            std::printf(" %s", name.c_str());
        std::printf("\n");
    }
    return 0;
}
