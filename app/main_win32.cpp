// KESTRAN on Windows: an English vocabulary drill for Chinese-speaking learners.
#include "app/win_main.h"
#include "platform/win32/win32_backend.h"

int main() { plat::win32::RunProgram(&kestran::WinMain); }
