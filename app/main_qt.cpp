// KESTRAN: an English vocabulary drill for Chinese-speaking learners.
#include "app/win_main.h"
#include "features/features.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
    kestran::InstallFeatures();
    plat::qt::RunProgram(argc, argv, &kestran::WinMain);
}
