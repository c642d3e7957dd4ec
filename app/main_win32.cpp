// KESTRAN on Windows: an English vocabulary drill for Chinese-speaking learners.
#include "app/win_main.h"
#include "features/features.h"
#include "platform/win32/win32_backend.h"

int main() {
    kestran::InstallFeatures();
    plat::win32::RunProgram(&kestran::WinMain);
}
