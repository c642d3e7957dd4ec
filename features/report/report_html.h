// The study report as one page of HTML (UTF-8): inline SVG and CSS, no
// script, nothing fetched from elsewhere, so it opens the same offline and
// from any folder. Chinese, with English in small type.
#pragma once

#include <string>

#include "features/report/report_figures.h"

namespace kestran::report {

// `generatedAt`: when the report was written, as the page shows it.
std::string RenderReportHtml(const ReportFigures& figures, const std::string& generatedAt);

}  // namespace kestran::report
