#include "features/features.h"

#include "features/about_items.h"
#include "features/data_failure.h"
#include "features/feature_menu.h"
#include "features/phonetics/phonetics_feature.h"
#include "features/record/record_feature.h"
#include "features/report/report_feature.h"
#include "features/speech/speech_feature.h"
#include "features/wordbook/wordbook.h"
#include "features/wordbooks/wordbooks.h"

namespace kestran {

void InstallFeatures() {
    // Each feature adds its menu items here, in the order they appear;
    // the program's own items come last.
    menu::Install();
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
