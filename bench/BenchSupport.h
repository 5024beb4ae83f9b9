// What the benchmarks share: clocks, the program's folder, and a large generated PHP page.
#pragma once

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// The middle of a few timings: a noisy machine's outliers do not decide it.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline double MillisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double MicrosSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// The benchmark's own folder, with a trailing backslash: Quillmark.xml lies there.
inline std::string ProgramFolder() {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    ::PathAddBackslashA(path);
    return path;
}

// HTML with PHP and script blocks of exactly `size` bytes, with changing numbers so that no
// two blocks are alike.
inline std::string GeneratePage(size_t size) {
    std::string text;
    text.reserve(size + 1024);
    char block[1024];
    for (unsigned n = 0; text.size() < size; ++n) {
        int length =
            std::snprintf(block, sizeof(block),
                          "<div class=\"row\" id=\"r%u\">\r\n"
                          "<?php\r\n"
                          "function total%u($items, $limit = %u) {\r\n"
                          "    $n = count($items) + strlen(\"item %u\"); // sum of both\r\n"
                          "    if ($n > $limit) { echo \"<p>too many: $n</p>\"; }\r\n"
                          "    return array_sum($items) * %u.5;\r\n"
                          "}\r\n"
                          "?>\r\n"
                          "<p>Plain &amp; simple [%u] <b>bold</b></p>\r\n"
                          "<script>var x%u = [1, 2, 3].map(function (v) { return v * 2; });</script>\r\n"
                          "</div>\r\n",
                          n, n, n % 97, n, n % 13, n, n);
        text.append(block, static_cast<size_t>(length));
    }
    text.resize(size);
    return text;
}

// Writes `bytes` to `path` with one WriteFile; optionally flushes, timing the flush alone.
inline bool WriteWhole(const std::string& path, const std::string& bytes, bool flush = false,
                       double* flushMs = nullptr) {
    HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    if (ok && flush) {
        Clock::time_point start = Clock::now();
        ok = ::FlushFileBuffers(file) != FALSE;
        if (flushMs) *flushMs = MillisSince(start);
    }
    ::CloseHandle(file);
    return ok;
}

} // namespace bench
