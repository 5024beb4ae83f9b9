// Process entry of Quillmark.exe.
#include <windows.h>

#include "app/Application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    return RunProcess(instance, commandLine, showCommand);
}
