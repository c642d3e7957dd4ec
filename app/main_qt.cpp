// KESTRAN: an English vocabulary drill for Chinese-speaking learners.
#include <cstring>

#include "app/win_main.h"
#include "features/features.h"
#include "features/record/record_feature.h"
#include "features/report/report_feature.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
    // kestran --report: the study report written, its path printed, no window.
    if (argc == 2 && std::strcmp(argv[1], "--report") == 0) return kestran::report::ReportCommand();
    // kestran --export FILE: the study record as CSV, without a window.
    if (argc == 3 && std::strcmp(argv[1], "--export") == 0) return kestran::record::ExportCommand(argv[2]);
    kestran::InstallFeatures();
    plat::qt::RunProgram(argc, argv, &kestran::WinMain);
}
