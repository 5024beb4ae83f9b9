// Times the PHP table's lookups against brute-force scans of the same table in the same run.
#include "php/PhpCatalog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Keeps results alive so that the optimiser cannot drop the work being timed.
std::size_t sink = 0;

// Microseconds per call of `work`, repeated until at least 20 ms have passed.
template <class Work> double MicrosPerCall(Work work) {
    std::size_t calls = 0;
    Clock::time_point start = Clock::now();
    Clock::duration elapsed{};
    do {
        work();
        ++calls;
        elapsed = Clock::now() - start;
    } while (elapsed < std::chrono::milliseconds(20));
    return std::chrono::duration<double, std::micro>(elapsed).count() / static_cast<double>(calls);
}

std::string BruteCompletion(const char* prefix) {
    std::size_t length = std::strlen(prefix);
    std::vector<std::string> items;
    for (const PhpFunctionEntry& row : PhpCatalogRows())
        if (std::strncmp(prefix, row.name, length) == 0) items.push_back(std::string(row.name) + "?2");
    std::sort(items.begin(), items.end());
    std::string list;
    for (const std::string& item : items) {
        if (!list.empty()) list += ' ';
        list += item;
    }
    return list;
}

std::string BruteCallTip(const char* name) {
    for (const PhpFunctionEntry& row : PhpCatalogRows())
        if (std::strcmp(name, row.name) == 0)
            return *row.description ? std::string(row.prototype) + "\n" + row.description : row.prototype;
    return {};
}

std::string BruteKeywords() {
    std::string words;
    for (const PhpFunctionEntry& row : PhpCatalogRows())
        words += std::string(row.name) + " ";
    return words + "return function class";
}

void Report(const char* what, double ours, double brute, double goal) {
    std::printf("%-34s %10.2f us   brute force %10.2f us   speed-up x%-8.1f goal %6.0f us (%.1f%% of it)\n",
                what, ours, brute, brute / ours, goal, 100.0 * ours / goal);
}

} // namespace

int main() {
    std::printf("PHP function table: %zu rows\n\n", PhpCatalogRows().size());

    std::printf("CompletionList per one-letter prefix\n");
    double worst = 0, worstBrute = 0, total = 0, totalBrute = 0;
    char worstLetter = 0;
    int letters = 0;
    for (int c = 1; c < 128; ++c) {
        char prefix[2] = {static_cast<char>(c), 0};
        std::optional<std::string> list = CompletionList(prefix);
        if (!list) continue;
        if (*list != BruteCompletion(prefix)) {
            std::printf("MISMATCH for prefix %s\n", prefix);
            return 1;
        }
        double ours = MicrosPerCall([&] { sink += CompletionList(prefix)->size(); });
        double brute = MicrosPerCall([&] { sink += BruteCompletion(prefix).size(); });
        std::printf("  %s %4zu items %8.2f us   brute force %8.2f us   x%.1f\n", prefix,
                    static_cast<std::size_t>(std::count(list->begin(), list->end(), ' ') + 1), ours, brute,
                    brute / ours);
        if (ours > worst) {
            worst = ours;
            worstBrute = brute;
            worstLetter = prefix[0];
        }
        total += ours;
        totalBrute += brute;
        ++letters;
    }
    std::printf("\n");
    std::string worstLabel = std::string("CompletionList, slowest letter ") + worstLetter;
    Report(worstLabel.c_str(), worst, worstBrute, 50);
    Report("CompletionList, mean of letters", total / letters, totalBrute / letters, 50);

    // 10,000 names spread over the whole table, repeated names included.
    auto rows = PhpCatalogRows();
    std::vector<const char*> names;
    for (std::size_t i = 0; names.size() < 10000; ++i)
        names.push_back(rows[(i * 7919) % rows.size()].name);
    double tips = MicrosPerCall([&] {
        for (const char* name : names)
            sink += CallTipText(name)->size();
    });
    double bruteTips = MicrosPerCall([&] {
        for (const char* name : names)
            sink += BruteCallTip(name).size();
    });
    std::printf("CallTipText for %zu names: %.0f us, brute force %.0f us\n", names.size(), tips, bruteTips);
    Report("CallTipText, per call", tips / names.size(), bruteTips / names.size(), 50);

    Clock::time_point once = Clock::now();
    std::string words = KeywordList();
    double first = std::chrono::duration<double, std::micro>(Clock::now() - once).count();
    double keywords = MicrosPerCall([&] { sink += KeywordList().size(); });
    double bruteKeywords = MicrosPerCall([&] { sink += BruteKeywords().size(); });
    std::printf("KeywordList: %zu characters, first call %.1f us\n", words.size(), first);
    Report("KeywordList", keywords, bruteKeywords, 1000);

    std::printf("\n(checksum %zu)\n", sink);
    return 0;
}
