// KESTRAN on Windows: an English vocabulary drill for Chinese-speaking learners.
#include <cstdio>
#include <cwchar>
#include <filesystem>

#include "app/win_main.h"
#include "features/features.h"
#include "features/record/record_feature.h"
#include "features/report/report_feature.h"
#include "platform/win32/win32_backend.h"
// Last: its macros would rename the names of the headers above.
#include <windows.h>
#include <shellapi.h>

namespace {

// The program belongs to the window subsystem and so has no console of its
// own: a command prints to the console it was started from, unless its
// output already goes to a file or a pipe.
void PrintToParentConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

}  // namespace

int main() {
    // The commands that run without a window. The command line is read as
    // UTF-16, so any file name works.
    int argc = 0;
    if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        // KESTRAN.exe --export FILE: the study record as CSV.
        const bool exporting = argc == 3 && std::wcscmp(argv[1], L"--export") == 0;
        const std::filesystem::path file = exporting ? std::filesystem::path(argv[2]) : std::filesystem::path();
        // KESTRAN.exe --report: the study report written, its path printed.
        const bool reporting = argc == 2 && std::wcscmp(argv[1], L"--report") == 0;
        LocalFree(argv);
        if (exporting || reporting) PrintToParentConsole();
        if (exporting) return kestran::record::ExportCommand(file);
        if (reporting) return kestran::report::ReportCommand();
    }
    kestran::InstallFeatures();
    plat::win32::RunProgram(&kestran::WinMain);
}
