// Stands in for QuillmarkSetup.exe in the tests of the update check: records beside itself, in
// "<its own path>.ran", that it ran and with which command line.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH + 8] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    lstrcpyA(path + length, ".ran");
    HANDLE file =
        ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* commandLine = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(file, commandLine, lstrlenA(commandLine), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
