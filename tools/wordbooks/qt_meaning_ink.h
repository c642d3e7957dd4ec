// Meanings measured with the Qt backend's canvas font, laid out exactly as
// its canvas device lays them out. Needs a QGuiApplication.
#pragma once

#include <memory>
#include <string_view>

#include "tools/wordbooks/meaning_fit.h"

namespace kestran::wordbooks {

class QtMeaningMeter {
public:
    QtMeaningMeter();
    ~QtMeaningMeter();
    // `gbk`: the meaning as the word table holds it.
    MeaningInk Measure(std::string_view gbk);
    // The family the canvas font resolved to, for reports.
    std::string FontFamily() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kestran::wordbooks
