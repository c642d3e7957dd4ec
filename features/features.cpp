#include "features/features.h"

#include <chrono>

#include "drill/feature_hooks.h"
#include "features/about_items.h"
#include "features/data_failure.h"
#include "features/feature_menu.h"
#include "features/phonetics/phonetics_feature.h"
#include "features/record/record_feature.h"
#include "features/report/report_feature.h"
#include "features/settings.h"
#include "features/speech/speech_feature.h"
#include "features/wordbook/wordbook.h"
#include "features/wordbooks/wordbooks.h"

namespace kestran {

void InstallFeatures() {
    // Each feature adds its menu items here, in the order they appear;
    // the program's own items come last.
    menu::Install();
    // A setting changed just before the end is kept: its line is small.
    hooks::programEnding.Add([] { settings::WaitForWritesWithin(std::chrono::milliseconds(200)); });
    data_failure::Install();
    phonetics::FindTableInLibrary();
    wordbook::Install();
    wordbooks::Install();
    record::Install();
    speech::Install();
    phonetics::Install();
    report::Install();
    about::Install();
}

}  // namespace kestran
