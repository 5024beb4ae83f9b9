// The tag index: real ctags output in the cache folder, declarations found through includes,
// open documents and the project, the cache's bounds, the worker that runs ctags, and include
// statements opened by a double-click.
#include "support/FrameFixture.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <fstream>
#include <map>

#include "config/Settings.h"
#include "php/TagIndex.h"
#include "win/Strings.h"

using namespace testing_support;

namespace {

std::string BesideUs(const std::string& name) {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return std::string(path) + "\\" + name;
}

std::string CtagsBesideUs() {
    return BesideUs("ctags.exe");
}

// Writes a PHP file and lets ctags index it, as loading or saving it in the editor does.
void WriteIndexed(const std::string& path, const std::string& text, TagWorker& worker = SharedTagWorker()) {
    ASSERT_TRUE(WriteFileBytes(path, text));
    worker.Queue(CtagsBesideUs(), path);
    ASSERT_TRUE(worker.WaitIdle(60000));
    ASSERT_TRUE(::PathFileExistsA(TagFilePath(path).c_str())) << "ctags wrote no tag file for " << path;
}

// A source file and, in the cache folder, the tag file ctags would have written for it.
void WriteTagged(const std::string& path, const std::string& source, const std::string& tags = "") {
    ASSERT_TRUE(WriteFileBytes(path, source));
    ASSERT_TRUE(WriteFileBytes(TagFilePath(path), tags));
}

// "f7" and the like. Built by append: GCC 12 warns falsely about "f" + std::to_string(i).
std::string Numbered(const char* stem, int number) {
    std::string name = stem;
    name.append(std::to_string(number));
    return name;
}

std::string FunctionLine(const std::string& name, const std::string& declaration) {
    return name + "\tx.php\t/^" + declaration + "$/;\"\tf\n";
}

int RunningProcesses(const char* exeName) {
    KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more;
         more = ::Process32Next(snapshot.Get(), &entry))
        if (::lstrcmpiA(entry.szExeFile, exeName) == 0) ++count;
    return count;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do
        if (std::string(data.cFileName) != "." && std::string(data.cFileName) != "..")
            names.push_back(data.cFileName);
    while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(TagIndex, CtagsDeclarationsAreFoundAsWritten) {
    TempFolder folder;
    std::string path = folder.Path("index.php");
    WriteIndexed(path, "<?php\r\nfunction foo($a, $b = 1)\r\n{\r\n}\r\n"
                       "function bar($x) {\r\n}\r\n"
                       "class Page {\r\n    public function render($ctx, $opts = array()) {\r\n    }\r\n}\r\n"
                       "function multi($a,\r\n               $b) {\r\n}\r\n"
                       "function slash($a = '/', $b = '\\\\') {}\r\n");
    TagIndex index;
    EXPECT_EQ(index.FindUserFunction("foo", path), std::optional<std::string>("function foo($a, $b = 1)"));
    EXPECT_EQ(index.FindUserFunction("bar", path), std::optional<std::string>("function bar($x) {"));
    EXPECT_EQ(index.FindUserFunction("render", path),
              std::optional<std::string>("public function render($ctx, $opts = array()) {"));
    EXPECT_EQ(index.FindUserFunction("multi", path), std::optional<std::string>("function multi($a,"))
        << "a declaration over several lines gives its first line";
    EXPECT_EQ(index.FindUserFunction("slash", path),
              std::optional<std::string>("function slash($a = '/', $b = '\\\\') {}"))
        << "ctags' escapes are taken out";
    EXPECT_EQ(index.FindUserFunction("Page", path), std::nullopt) << "a class is not a function";
    EXPECT_EQ(index.FindUserFunction("fo", path), std::nullopt) << "names match whole";
    EXPECT_EQ(index.FindUserFunction("foo", ""), std::nullopt) << "untitled documents have no tags";
}

// Where tag files go: the per-user cache folder, one per full path, never beside the document,
// with file names that ctags must not read as options or split at blanks.
TEST(TagIndex, TagFilesLiveInTheCacheFolderWhateverTheDocumentIsNamed) {
    char localData[MAX_PATH];
    ASSERT_EQ(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localData), S_OK);
    EXPECT_TRUE(EqualNoCase(TagCacheFolder(), std::string(localData) + "\\Quillmark\\Tags"));

    TempFolder folder;
    ASSERT_TRUE(::CreateDirectoryA(folder.Path("sub").c_str(), nullptr));
    std::string path = folder.Path("index.php");
    std::string upper = path;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(TagFilePath(path), TagFilePath(upper)) << "one file for two spellings of one path";
    EXPECT_NE(TagFilePath(path), TagFilePath(folder.Path("sub\\index.php"))) << "same name, other folder";
    EXPECT_TRUE(TagFilePath(upper).ends_with("-index.php.tag"));
    EXPECT_TRUE(EqualNoCase(TagFilePath(path).substr(0, TagCacheFolder().size()), TagCacheFolder()));

    // A tag file that an older version left beside a document stays as it is, unread.
    ASSERT_TRUE(WriteFileBytes(folder.Path("-x.php.tag"), FunctionLine("stale", "function stale()")));
    std::map<std::string, std::string> files = {
        {"my file.php", "blank"}, {"index - Copy.php", "copy"}, {"-x.php", "dash"}};
    TagIndex index;
    for (const auto& [name, function] : files) {
        WriteIndexed(folder.Path(name), "<?php\nfunction " + function + "($a) {}\n");
        EXPECT_EQ(index.FindUserFunction(function, folder.Path(name)), "function " + function + "($a) {}")
            << name;
    }
    EXPECT_EQ(index.FindUserFunction("stale", folder.Path("-x.php")), std::nullopt);
    EXPECT_EQ(FolderNames(folder.Path()),
              (std::vector<std::string>{"-x.php", "-x.php.tag", "index - Copy.php", "my file.php", "sub"}))
        << "nothing written beside the documents";
    EXPECT_EQ(ReadFileBytes(folder.Path("-x.php.tag")), FunctionLine("stale", "function stale()"));
}

TEST(TagIndex, IncludesAreFollowedDepthFirstAndTheFirstDeclarationWins) {
    TempFolder folder;
    ASSERT_TRUE(::CreateDirectoryA(folder.Path("lib").c_str(), nullptr));
    WriteIndexed(folder.Path("lib\\util.php"), "<?php\nfunction helper($v) {}\nfunction twice() {}\n"
                                               "require __DIR__ . '/../deep.php';\n");
    WriteIndexed(folder.Path("deep.php"), "<?php\nfunction deep($d) {}\n");
    WriteIndexed(folder.Path("other.php"), "<?php\nfunction twice($other) {}\nfunction mine($o) {}\n");
    WriteIndexed(folder.Path("page.php"), "<?php\ninclude_once('lib/util.php');\nrequire \"other.php\";\n"
                                          "function mine($here) {}\n");
    TagIndex index;
    std::string page = folder.Path("page.php");
    EXPECT_EQ(index.FindUserFunction("helper", page), std::optional<std::string>("function helper($v) {}"));
    EXPECT_EQ(index.FindUserFunction("twice", page), std::optional<std::string>("function twice() {}"))
        << "the file included first wins";
    EXPECT_EQ(index.FindUserFunction("mine", page), std::optional<std::string>("function mine($here) {}"))
        << "the current file wins over its includes";
    EXPECT_EQ(index.FindUserFunction("deep", page), std::optional<std::string>("function deep($d) {}"))
        << "through __DIR__ in an included file";
}

TEST(TagIndex, IncludeRingsEndAndEachFileIsReadOnce) {
    TempFolder folder;
    WriteIndexed(folder.Path("a.php"), "<?php require 'b.php';\nfunction inA() {}\n");
    WriteIndexed(folder.Path("b.php"), "<?php require 'a.php'; require 'a.php';\nfunction inB() {}\n");
    TagIndex index;
    EXPECT_EQ(index.FindUserFunction("nowhere", folder.Path("a.php")), std::nullopt);
    EXPECT_EQ(index.Size(), 2u);
    EXPECT_EQ(index.FindUserFunction("inA", folder.Path("b.php")),
              std::optional<std::string>("function inA() {}"));
}

// Include chains are followed to a bounded depth, on the heap rather than the thread's stack.
TEST(TagIndex, IncludeChainsAreFollowedToABoundedDepth) {
    TempFolder folder;
    for (int i = 0; i < 40; ++i) {
        std::string name = Numbered("f", i);
        WriteTagged(folder.Path(name + ".php"), "<?php require '" + Numbered("f", i + 1) + ".php';",
                    FunctionLine("in_" + name, "function in_" + name + "()"));
    }
    TagIndex index(-1);
    EXPECT_EQ(index.FindUserFunction("in_f20", folder.Path("f0.php")), "function in_f20()");
    EXPECT_EQ(index.FindUserFunction("in_f39", folder.Path("f0.php")), std::nullopt);
}

TEST(TagIndex, CacheIsBoundedByEntriesAndBytesAndReadsChangedFilesAgain) {
    TempFolder folder;
    std::vector<std::string> files;
    for (int i = 0; i < 20; ++i) {
        files.push_back(folder.Path(Numbered("f", i) + ".php"));
        WriteTagged(files.back(), "<?php", FunctionLine(Numbered("f", i), "function f()"));
    }
    for (int limit : {0, 3, 15}) {
        TagIndex index(limit);
        for (const std::string& file : files)
            ASSERT_NE(index.Entry(file), nullptr);
        EXPECT_EQ(index.Size(), static_cast<size_t>(limit + 1)) << "limit " << limit;
        EXPECT_EQ(index.Entries().front().path, files.back());
    }
    TagIndex unbounded(-1);
    for (const std::string& file : files)
        unbounded.Entry(file);
    EXPECT_EQ(unbounded.Size(), files.size());

    TagLimits limits;
    limits.cacheBytes = unbounded.Bytes() / 4;
    TagIndex small;
    small.SetLimits(limits);
    for (const std::string& file : files)
        small.Entry(file);
    EXPECT_LE(small.Bytes(), limits.cacheBytes);
    EXPECT_LT(small.Size(), 8u);

    // A hit moves to the front; a file changed on disk, or a new tag file, is read again.
    TagIndex index(15);
    index.Entry(files[0]);
    index.Entry(files[1]);
    std::string upper = files[0];
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(index.Entry(upper)->includes.empty());
    EXPECT_EQ(index.Entries().front().path, files[0]);
    ASSERT_TRUE(WriteFileBytes(files[0], "<?php include 'f1.php';"));
    EXPECT_EQ(index.Entry(files[0])->includes, std::vector<std::string>{files[1]});
    ASSERT_TRUE(WriteFileBytes(TagFilePath(files[1]), FunctionLine("renamed", "function renamed()")));
    EXPECT_EQ(index.FindUserFunction("renamed", files[1]), "function renamed()");
    index.Invalidate(upper);
    EXPECT_EQ(index.Size(), 1u);

    // No tag file: nothing cached, so it is tried again later. Above the size bound: not read.
    ASSERT_TRUE(WriteFileBytes(folder.Path("bare.php"), "<?php"));
    EXPECT_EQ(index.Entry(folder.Path("bare.php")), nullptr);
    limits = TagLimits();
    limits.maxFileSize = 4;
    index.SetLimits(limits);
    EXPECT_EQ(index.Entry(files[2]), nullptr);
    EXPECT_EQ(index.Size(), 1u);
}

TEST(TagIndex, IncludeStatementsInTheirSpellings) {
    std::string source = "include 'a.php'; require(\"b.php\" ); include_once (\"c.php'); "
                         "require_once 'd.php' ;\ninclude $variable; // include 'e.php';\n";
    EXPECT_EQ(IncludedPaths(source), (std::vector<std::string>{"a.php", "b.php", "c.php", "d.php", "e.php"}));

    struct Case {
        const char* statement;
        const char* resolved; // under C:\site, for the file C:\site\wp-admin\page.php
    };
    const Case cases[] = {
        {"include 'a.php';", "wp-admin\\a.php"},
        {"require \"../lib/b.php\";", "lib\\b.php"},
        {"require_once __DIR__ . '/inc/c.php';", "wp-admin\\inc\\c.php"},
        {"require_once( dirname( __FILE__ ) . '/d.php' );", "wp-admin\\d.php"},
        {"require dirname(__DIR__) . '/wp-load.php';", "wp-load.php"},
        {"REQUIRE (__DIR__) . '/e.php';", "wp-admin\\e.php"},
        {"include dirname(__FILE__, 2) . \"/f.php\";", "f.php"},
        {"require_once dirname(dirname(__FILE__)) . '/g.php';", "g.php"},
        {"require ABSPATH . WPINC . '/load.php';", nullptr},
        {"require __DIR__ . \"/$name.php\";", nullptr},
        {"require __FILE__ . '/h.php';", nullptr},
        {"$loader->require('i.php');", nullptr},
        {"my_require('j.php');", nullptr},
    };
    for (const Case& test : cases) {
        std::vector<IncludeStatement> found =
            FindIncludeStatements(std::string("<?php ") + test.statement + " ?>");
        if (!test.resolved) {
            EXPECT_TRUE(found.empty()) << test.statement;
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << test.statement;
        EXPECT_EQ(found[0].start, 6u) << test.statement;
        EXPECT_EQ(found[0].end, 6 + std::strlen(test.statement)) << test.statement;
        EXPECT_EQ(ResolveInclude(found[0], "C:\\site\\wp-admin\\page.php"),
                  std::string("C:\\site\\") + test.resolved)
            << test.statement;
    }
}

// Tag lines and include statements are read in one pass: texts that make a backtracking
// pattern explode (long blank runs, a minified line full of requires) give the right answer.
TEST(TagIndex, HostileTextsAreReadInOnePass) {
    std::string blanks(500, ' ');
    // A variable of the same name, ahead of the function in the sorted file.
    std::string tags = "foo\tx.php\t/^" + blanks + "$foo =" + blanks + ";$/;\"\tv\r\n" + "foo\tx.php\t/^" +
                       blanks + "function foo($a)" + blanks + "$/;\"\tf\r\n";
    EXPECT_EQ(FindTagDeclaration(tags, "foo"), std::optional<std::string>("function foo($a)"));

    std::string minified = "<?php require(\"first.php\");";
    while (minified.size() < 400 * 1024)
        minified += "a=require(\"m.php\") ,z=f(" + std::string(300, 'x') + ");";
    EXPECT_EQ(IncludedPaths(minified + "\n" + blanks + "include 'last.php';\n"),
              (std::vector<std::string>{"first.php", "last.php"}));
}

// if (, foreach (, isset ( are typed all the time: they never start a walk through the includes.
TEST(TagIndex, LanguageWordsAreNotLookedUp) {
    TempFolder folder;
    std::string path = folder.Path("page.php");
    std::string tags;
    for (const char* word : {"ElseIf", "foreach", "if", "isset", "iffy", "while"})
        tags += FunctionLine(word, std::string("function ") + word + "()");
    WriteTagged(path, "<?php", tags);
    TagIndex index;
    for (const char* word : {"if", "ElseIf", "foreach", "isset", "while"})
        EXPECT_EQ(index.FindUserFunction(word, path), std::nullopt) << word;
    EXPECT_EQ(index.FindUserFunction("iffy", path), "function iffy()");
}

TEST(TagIndex, LimitsComeFromTheTagsElement) {
    TempFolder folder;
    Settings settings;
    ASSERT_TRUE(
        WriteFileBytes(folder.Path("Quillmark.xml"),
                       "<Quillmark><Tags Cache=\"3\" MaxSize=\"1000\" CacheSize=\"-1\" ProjectFiles=\"7\" "
                       "ProjectSize=\"2048\"/></Quillmark>"));
    ASSERT_TRUE(settings.Load(folder.Path("Quillmark.xml")));
    TagLimits limits = ReadTagLimits(settings);
    EXPECT_EQ(limits.cacheEntries, 3);
    EXPECT_EQ(limits.maxFileSize, 1000u);
    EXPECT_EQ(limits.cacheBytes, UINT64_MAX) << "negative: no bound";
    EXPECT_EQ(limits.projectFiles, 7u);
    EXPECT_EQ(limits.projectBytes, 2048u);

    ASSERT_TRUE(WriteFileBytes(folder.Path("Quillmark.xml"), "<Quillmark><Tags Cache=\"15\"/></Quillmark>"));
    ASSERT_TRUE(settings.Load(folder.Path("Quillmark.xml")));
    limits = ReadTagLimits(settings);
    TagLimits defaults;
    EXPECT_EQ(limits.maxFileSize, 4u << 20);
    EXPECT_EQ(limits.cacheBytes, defaults.cacheBytes);
    EXPECT_EQ(limits.projectFiles, defaults.projectFiles);
}

// ctags that hangs or fails: ended at its time limit, and its half-written output never
// replaces the complete tag file that call tips meanwhile go on using.
TEST(TagWorker, CtagsThatHangsOrFailsLeavesTheLastCompleteTagFile) {
    TempFolder folder;
    TagWorker worker;
    worker.SetTimeLimitForTests(1500);
    TagIndex index;
    index.SetProjects(&worker.Projects());
    for (const char* name : {"hang.php", "fail.php"}) {
        std::string path = folder.Path(name);
        WriteTagged(path, name, FunctionLine("previous", "function previous($complete)"));
        worker.Queue(BesideUs("fake_ctags.exe"), path);
        EXPECT_EQ(index.FindUserFunction("previous", path), "function previous($complete)") << "never waits";
        ASSERT_TRUE(worker.WaitIdle(20000)) << name;
        EXPECT_EQ(RunningProcesses("fake_ctags.exe"), 0) << name;
        EXPECT_EQ(index.FindUserFunction("previous", path), "function previous($complete)") << name;
        EXPECT_EQ(index.FindUserFunction("half", path), std::nullopt) << name;
    }
    for (const char* name : {"hang.php", "fail.php"}) {
        std::string tagName = ::PathFindFileNameA(TagFilePath(folder.Path(name)).c_str());
        for (const std::string& left : FolderNames(TagCacheFolder()))
            EXPECT_FALSE(left.starts_with(tagName) && left != tagName) << left << " left in the cache folder";
    }

    // Files above the size bound get no tag file, and lose the one they had.
    std::string big = folder.Path("big.php");
    WriteTagged(big, std::string(100, 'x'), FunctionLine("old", "function old()"));
    TagLimits limits;
    limits.maxFileSize = 50;
    worker.SetLimits(limits);
    worker.Queue(BesideUs("fake_ctags.exe"), big);
    ASSERT_TRUE(worker.WaitIdle(20000));
    EXPECT_FALSE(::PathFileExistsA(TagFilePath(big).c_str()));
}

TEST(TagWorker, StoppingEndsTheRunningCtagsAtOnce) {
    TempFolder folder;
    TagWorker worker; // without a test limit: the hanging ctags would run for its full 10 s
    WriteTagged(folder.Path("hang.php"), "hang");
    worker.Queue(BesideUs("fake_ctags.exe"), folder.Path("hang.php"));
    ASSERT_TRUE(PumpUntil([] { return RunningProcesses("fake_ctags.exe") == 1; }, 10000));
    worker.Stop();
    EXPECT_EQ(RunningProcesses("fake_ctags.exe"), 0);
    EXPECT_TRUE(worker.WaitIdle(0));
}

// The child half of the test below: starts a ctags that hangs, then dies without a word.
TEST(TagWorker, DISABLED_KilledWhileCtagsRuns) {
    char hang[MAX_PATH] = "";
    ASSERT_GT(::GetEnvironmentVariableA("QM_HANGING_SOURCE", hang, MAX_PATH), 0u);
    TagWorker worker;
    worker.Queue(BesideUs("fake_ctags.exe"), hang);
    // Once ctags has begun to write.
    std::string half = TagFilePath(hang) + "." + std::to_string(::GetCurrentProcessId()) + ".tmp";
    ASSERT_TRUE(PumpUntil([&] { return ::PathFileExistsA(half.c_str()) != FALSE; }, 10000));
    ::TerminateProcess(::GetCurrentProcess(), 9);
}

TEST(TagWorker, AKilledProgramLeavesNoCtagsAndTheNextRunClearsUp) {
    TempFolder folder;
    WriteTagged(folder.Path("hang.php"), "hang");
    ASSERT_TRUE(::SetEnvironmentVariableA("QM_HANGING_SOURCE", folder.Path("hang.php").c_str()));
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line =
        std::string("\"") + self +
        "\" --gtest_also_run_disabled_tests --gtest_filter=TagWorker.DISABLED_KilledWhileCtagsRuns";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                 nullptr, &startup, &child));
    KernelHandle process(child.hProcess), thread(child.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    ASSERT_EQ(code, 9u) << "the child never saw its ctags start";
    EXPECT_TRUE(PumpUntil([] { return RunningProcesses("fake_ctags.exe") == 0; }, 5000));

    // What the killed run left half-written goes when a worker starts in another run.
    std::string half =
        TagFilePath(folder.Path("hang.php")) + "." + std::to_string(child.dwProcessId) + ".tmp";
    EXPECT_TRUE(::PathFileExistsA(half.c_str()));
    // So do tag files nobody used for a month.
    std::string unused = TagFilePath(folder.Path("unused.php"));
    ASSERT_TRUE(WriteFileBytes(unused, ""));
    {
        KernelHandle file(
            ::CreateFileA(unused.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER old{{now.dwLowDateTime, now.dwHighDateTime}};
        old.QuadPart -= 40ull * 24 * 60 * 60 * 10000000;
        FILETIME written{old.LowPart, old.HighPart};
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &written));
    }
    TagWorker next;
    WriteTagged(folder.Path("other.php"), "<?php");
    next.Queue(BesideUs("fake_ctags.exe"), folder.Path("other.php"));
    ASSERT_TRUE(next.WaitIdle(20000));
    EXPECT_FALSE(::PathFileExistsA(half.c_str()));
    EXPECT_FALSE(::PathFileExistsA(unused.c_str()));
    EXPECT_TRUE(::PathFileExistsA(TagFilePath(folder.Path("hang.php")).c_str()));
}

// A session of twenty files: at most two ctags at a time, and a path queued again while it
// waits is not run twice.
TEST(TagWorker, ASessionRunsAtMostTwoCtagsAtATimeAndEachPathAtMostTwice) {
    TempFolder folder;
    TagWorker worker;
    std::string log = BesideUs("fake_ctags.log");
    ::DeleteFileA(log.c_str());
    std::vector<std::string> paths;
    for (int i = 0; i < 20; ++i) {
        paths.push_back(folder.Path(Numbered("slow", i) + ".php"));
        ASSERT_TRUE(WriteFileBytes(paths.back(), "slow"));
    }
    for (const std::string& path : paths)
        for (int again = 0; again < 3; ++again)
            worker.Queue(BesideUs("fake_ctags.exe"), path);
    int most = 0;
    while (!worker.WaitIdle(20))
        most = std::max(most, RunningProcesses("fake_ctags.exe"));
    EXPECT_GE(most, 1);
    EXPECT_LE(most, 2);

    std::map<std::string, int> runs;
    std::ifstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("list ")) ++runs[LowerPath(line)];
    for (const std::string& path : paths) {
        EXPECT_GE(runs[LowerPath(path)], 1) << path;
        EXPECT_LE(runs[LowerPath(path)], 2) << path;
        EXPECT_TRUE(::PathFileExistsA(TagFilePath(path).c_str())) << path;
    }
}

// Projects as real ones are written: includes built from constants, found through the
// project's index; the other open documents; the index following a save; Ctrl+Space names.
TEST(TagIndex, NamesNoIncludeReachesComeFromOpenDocumentsAndTheProject) {
    TempFolder folder, elsewhere;
    TagWorker worker;
    TagIndex index;
    index.SetProjects(&worker.Projects());
    for (const char* sub :
         {"site", "site\\wp-includes", "site\\wp-admin", "site\\.git", "site\\node_modules"})
        ASSERT_TRUE(::CreateDirectoryA(folder.Path(sub).c_str(), nullptr));
    std::string settings = folder.Path("site\\wp-settings.php");
    ASSERT_TRUE(
        WriteFileBytes(folder.Path("site\\wp-includes\\load.php"), "<?php\nfunction wp_start($a) {}\n"));
    ASSERT_TRUE(
        WriteFileBytes(folder.Path("site\\wp-admin\\menu.php"), "<?php\nfunction add_menu($title) {}\n"));
    ASSERT_TRUE(WriteFileBytes(folder.Path("site\\node_modules\\x.php"), "<?php\nfunction hidden() {}\n"));
    WriteIndexed(elsewhere.Path("outside.php"), "<?php\nfunction outside_fn() {}\n", worker);
    WriteIndexed(settings, "<?php\nrequire ABSPATH . WPINC . '/load.php';\nwp_start(1);\n", worker);

    EXPECT_EQ(index.FindUserFunction("wp_start", settings), "function wp_start($a) {}");
    EXPECT_EQ(index.FindUserFunction("add_menu", settings), "function add_menu($title) {}");
    EXPECT_EQ(index.FindUserFunction("hidden", settings), std::nullopt) << "node_modules is not indexed";
    EXPECT_EQ(index.FindUserFunction("outside_fn", settings), std::nullopt);
    EXPECT_EQ(index.FindUserFunction("outside_fn", settings, {elsewhere.Path("outside.php")}),
              "function outside_fn() {}");

    // Saving a file of the project brings its entries up to date.
    WriteIndexed(folder.Path("site\\wp-includes\\load.php"), "<?php\nfunction wp_started($b) {}\n", worker);
    EXPECT_EQ(index.FindUserFunction("wp_start", settings), std::nullopt);
    EXPECT_EQ(index.FindUserFunction("wp_started", settings), "function wp_started($b) {}");
    EXPECT_EQ(index.UserFunctionNames("wp_", settings), std::vector<std::string>{"wp_started"});
    EXPECT_EQ(index.UserFunctionNames("o", settings, {elsewhere.Path("outside.php")}),
              std::vector<std::string>{"outside_fn"});

    // The project is the folder with the marker; the listing keeps to its bounds, nearest first.
    EXPECT_TRUE(EqualNoCase(ProjectRoot(folder.Path("site\\wp-admin\\menu.php")), folder.Path("site")));
    EXPECT_TRUE(EqualNoCase(ProjectRoot(elsewhere.Path("outside.php")), elsewhere.Path()));
    TagLimits limits;
    limits.projectFiles = 2;
    std::atomic<bool> stop{false};
    ProjectFileList two = ListProjectFiles(folder.Path("site"), limits, stop);
    ASSERT_EQ(two.files.size(), 2u);
    EXPECT_TRUE(EqualNoCase(two.files[0], settings));
    limits = TagLimits();
    limits.projectBytes = ReadFileBytes(settings).size() + 10;
    EXPECT_EQ(ListProjectFiles(folder.Path("site"), limits, stop).files.size(), 1u);
}

TEST_F(FrameTest, DoubleClickOnAnIncludeOpensTheIncludedFile) {
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.Path("x.php"), "<?php // included\n"));
    ASSERT_TRUE(WriteFileBytes(folder.Path("page.php"), "<?php include 'x.php'; $after = 1;\n"));
    ASSERT_TRUE(frame_->Tabs().OpenDocument(folder.Path("page.php"), false));
    ASSERT_EQ(frame_->Tabs().Count(), 2);
    Document* page = frame_->Tabs().SelectedDocument();
    HWND view = page->ViewWindow();
    PumpMessages();

    auto doubleClickAt = [&](Sci_Position position) {
        POINT point{static_cast<LONG>(page->View().Call(SCI_POINTXFROMPOSITION, 0, position)) + 1,
                    static_cast<LONG>(page->View().Call(SCI_POINTYFROMPOSITION, 0, position)) + 2};
        LPARAM where = MAKELPARAM(point.x, point.y);
        ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, where);
        ::SendMessageA(view, WM_LBUTTONUP, 0, where);
        // The component tells a double-click from two presses itself, then sends itself the
        // double-click message that the document handles.
        ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, where);
        ::SendMessageA(view, WM_LBUTTONUP, 0, where);
        PumpMessages();
    };
    doubleClickAt(27); // on "$after", past the statement's ";"
    EXPECT_EQ(frame_->Tabs().Count(), 2);
    EXPECT_NE(page->View().Call(SCI_GETSELECTIONSTART), page->View().Call(SCI_GETSELECTIONEND))
        << "elsewhere the double-click still selects a word";

    doubleClickAt(12); // inside 'x.php'
    ASSERT_EQ(frame_->Tabs().Count(), 3);
    EXPECT_TRUE(EqualNoCase(frame_->Tabs().SelectedDocument()->Path(), folder.Path("x.php")));
}
