// The PHP function table: lookups checked against plain reimplementations and known answers.
#include <gtest/gtest.h>

#include "php/PhpCatalog.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// The probe order written differently from the program: each step looks at the lower middle of
// the window of n rows starting at lo, then recurses into the part before or after it.
const PhpFunctionEntry* ReferenceSearch(const char* key, std::size_t lo, std::size_t n) {
    const PhpFunctionEntry* rows = PhpCatalogRows().data();
    if (n == 0) return nullptr;
    std::size_t mid = lo + (n - 1) / 2;
    int result = std::strcmp(key, rows[mid].name);
    if (result == 0) return &rows[mid];
    if (result < 0) return ReferenceSearch(key, lo, mid - lo);
    return ReferenceSearch(key, mid + 1, lo + n - mid - 1);
}

const PhpFunctionEntry* ReferenceFind(const std::string& name) {
    return ReferenceSearch(name.c_str(), 0, PhpCatalogRows().size());
}

std::optional<std::string> ReferenceCompletion(const std::string& prefix) {
    std::vector<std::string> items;
    for (const PhpFunctionEntry& row : PhpCatalogRows())
        if (std::strncmp(prefix.c_str(), row.name, prefix.size()) == 0)
            items.push_back(std::string(row.name) + "?2");
    if (items.empty()) return std::nullopt;
    std::sort(items.begin(), items.end());
    std::string list;
    for (const std::string& item : items)
        list += (list.empty() ? "" : " ") + item;
    return list;
}

// Position (1-based) of the row found for `name` among the rows carrying that name, and their count.
std::pair<std::ptrdiff_t, std::ptrdiff_t> FoundOf(const char* name) {
    auto rows = PhpCatalogRows();
    auto first =
        std::find_if(rows.begin(), rows.end(), [&](auto& row) { return std::strcmp(row.name, name) == 0; });
    auto end = std::find_if(first, rows.end(), [&](auto& row) { return std::strcmp(row.name, name) != 0; });
    const PhpFunctionEntry* found = FindFunction(name);
    return {found ? found - &*first + 1 : 0, end - first};
}

} // namespace

TEST(PhpCatalog, CallTipsAreExactAndCaseSensitive) {
    EXPECT_EQ(CallTipText("strlen"), "int strlen(string string)\nGet string length");
    EXPECT_EQ(CallTipText("Z_STRVAL"), "void Z_STRVAL()");
    EXPECT_EQ(CallTipText("close"), "bool close()\nClose YAZ connection");
    EXPECT_EQ(CallTipText("__call"), "mixed __call(string name, array arguments)");
    EXPECT_EQ(CallTipText("zlib_get_coding_type"),
              "string zlib_get_coding_type()\nReturns the coding type used for output compression");
    for (const char* missing : {"Strlen", "STRLEN", "strle", "strlenx", "", "A", "zzzz"})
        EXPECT_EQ(CallTipText(missing), std::nullopt) << missing;
}

TEST(PhpCatalog, RepeatedNamesFindTheRowOfTheProbeSequence) {
    EXPECT_EQ(FoundOf("close"), std::make_pair(std::ptrdiff_t{7}, std::ptrdiff_t{7}));
    EXPECT_EQ(FoundOf("fetch"), std::make_pair(std::ptrdiff_t{2}, std::ptrdiff_t{4}));
    for (const char* name : {"data_seek", "current", "bind_param", "__call", "exit"})
        EXPECT_EQ(FoundOf(name).first, 1) << name;

    std::set<std::string> checked;
    for (const PhpFunctionEntry& row : PhpCatalogRows()) {
        if (!checked.insert(row.name).second) continue;
        const PhpFunctionEntry* found = FindFunction(row.name);
        ASSERT_NE(found, nullptr) << row.name;
        EXPECT_STREQ(found->name, row.name);
        EXPECT_EQ(found, ReferenceFind(row.name)) << row.name;
        // A key that falls into the gap after this name must not land on a neighbour.
        EXPECT_EQ(FindFunction(std::string(row.name) + "!"), nullptr) << row.name;
    }
    EXPECT_EQ(checked.size(), 4254u);
}

TEST(PhpCatalog, CompletionListsEqualABruteForceFilter) {
    std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
    std::set<std::string> prefixes;
    for (char a : alphabet) {
        prefixes.insert(std::string(1, a));
        for (char b : alphabet)
            prefixes.insert(std::string{a, b});
    }
    // Longer prefixes: every start of every 13th name, which covers runs of repeated names too.
    auto rows = PhpCatalogRows();
    for (std::size_t i = 0; i < rows.size(); i += 13)
        for (std::size_t length = 3; length <= std::strlen(rows[i].name); ++length)
            prefixes.insert(std::string(rows[i].name, length));
    for (const std::string& prefix : prefixes)
        ASSERT_EQ(CompletionList(prefix), ReferenceCompletion(prefix)) << prefix;
}

TEST(PhpCatalog, CompletionListExamples) {
    EXPECT_EQ(CompletionList("atan"), "atan2?2 atan?2 atanh?2");
    EXPECT_EQ(CompletionList("log"), "log10?2 log1p?2 log?2");
    EXPECT_EQ(CompletionList("md5"), "md5?2 md5_file?2");
    EXPECT_EQ(CompletionList("close"),
              "close?2 close?2 close?2 close?2 close?2 close?2 close?2 closedir?2 closelog?2");
    EXPECT_EQ(CompletionList("Z_S"),
              "Z_STRLEN?2 Z_STRLEN_P?2 Z_STRLEN_PP?2 Z_STRVAL?2 Z_STRVAL_P?2 Z_STRVAL_PP?2");
    EXPECT_EQ(CompletionList("str_"), "str_ireplace?2 str_pad?2 str_repeat?2 str_replace?2 str_rot13?2 "
                                      "str_shuffle?2 str_split?2 str_word_count?2");
    std::optional<std::string> m = CompletionList("m");
    ASSERT_TRUE(m);
    EXPECT_EQ(std::count(m->begin(), m->end(), ' ') + 1, 544);
    EXPECT_EQ(CompletionList("xyzzy"), std::nullopt);
    EXPECT_EQ(CompletionList("zzz"), std::nullopt);
    EXPECT_EQ(CompletionList(""), std::nullopt);
}

TEST(PhpCatalog, KeywordListHoldsEveryNameInTableOrder) {
    std::string words = KeywordList();
    EXPECT_TRUE(words.starts_with("OrbitEnum OrbitObject OrbitStruct "));
    EXPECT_TRUE(words.ends_with(" zlib_get_coding_type return function class"));

    std::vector<std::string> split;
    for (std::size_t start = 0;;) {
        std::size_t space = words.find(' ', start);
        split.push_back(words.substr(start, space - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    ASSERT_EQ(split.size(), 4407u);
    auto rows = PhpCatalogRows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(split[i], rows[i].name) << i;

    // Forward walks stop at the terminating row.
    const PhpFunctionEntry& end = PhpCatalog[PhpCatalogRowCount];
    EXPECT_TRUE(!end.name && !end.prototype && !end.description);
}
