#include <windows.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { MessageBoxA(nullptr, "x", "Quillmark", MB_OK); return 1; }
