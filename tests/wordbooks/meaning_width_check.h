// Every meaning of every book measured by one backend's canvas font.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tools/wordbooks/meaning_fit.h"

namespace kestran::wordbooks::test {

using MeaningMeasure = std::function<MeaningInk(std::string_view gbk)>;

// Fails the running test for each meaning whose ink leaves the canvas in
// practice or in the test view (the first few listed with their spans),
// and when the books hold no meaning at all.
void ExpectEveryMeaningOnCanvas(const MeaningMeasure& measure, const std::string& backend);

}  // namespace kestran::wordbooks::test
