// KESTRAN: an English vocabulary drill for Chinese-speaking learners.
#include <cstring>

#include "app/win_main.h"
#include "features/features.h"
#include "features/report/report_feature.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
    // kestran --report: the study report written, its path printed, no window.
    if (argc == 2 && std::strcmp(argv[1], "--report") == 0) return kestran::report::ReportCommand();
    kestran::InstallFeatures();
    plat::qt::RunProgram(argc, argv, &kestran::WinMain);
}
