// A ctags.exe that misbehaves on request, for the tests of the tag worker: it does on a small
// file what the real one does on a huge or hostile one. The source file's text says how:
// "hang" writes half a tag file and never ends, "fail" writes half and exits with 3, "slow"
// takes a moment; anything else gets one function tag, "fake". Every run appends the file it
// was given to fake_ctags.log beside this program.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    std::string output, source;
    bool list = false; // a project's run: the names of the files come in a list file
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if ((argument == "-f" || argument == "-L") && i + 1 < argc) {
            list = list || argument == "-L";
            (argument == "-f" ? output : source) = argv[++i];
        } else if (!argument.empty() && argument[0] != '-') {
            source = argument;
        }
    }
    char self[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string log(self, length);
    log = log.substr(0, log.find_last_of('\\') + 1) + "fake_ctags.log";
    std::ofstream(log, std::ios::app) << (list ? "list " : "") << source << "\n";

    std::stringstream text;
    text << std::ifstream(source).rdbuf();
    std::string content = text.str();
    std::ofstream tags(output, std::ios::binary);
    tags << "!_TAG_FILE_FORMAT\t2\t/extended format/\n";
    if (list) return 0;
    if (content.find("hang") != std::string::npos || content.find("fail") != std::string::npos) {
        tags << "fake\t" << source << "\t/^function half" << std::flush;
        if (content.find("fail") != std::string::npos) return 3;
        ::Sleep(120000);
        return 0;
    }
    if (content.find("slow") != std::string::npos) ::Sleep(300);
    tags << "fake\t" << source << "\t/^function fake()$/;\"\tf\n";
    return 0;
}
