// Finding the BMP encoder among those the imaging service lists.
#include <gtest/gtest.h>

#include "app/main_dialog.h"
#include "recording_services.h"

namespace {

using dialog_test::StubImaging;

struct LookUpCase {
    const char* name;
    std::vector<std::pair<std::u16string, std::uint8_t>> encoders;
    std::u16string wanted;
    int index;              // expected result
    std::uint8_t classTag;  // first class-id byte after the call (0x77: untouched)
};

class EncoderLookUp : public ::testing::TestWithParam<LookUpCase> {};

TEST_P(EncoderLookUp, GivesTheIndexAndClassOfTheFirstExactMatch) {
    const LookUpCase& c = GetParam();
    StubImaging imaging;
    imaging.encoders = c.encoders;
    plat::Services previous = plat::Install(plat::Services{nullptr, &imaging, nullptr, nullptr, nullptr});

    plat::Guid classId;
    classId.bytes[0] = 0x77;
    const int index = kestran::LookUpEncoder(c.wanted.c_str(), &classId);
    plat::Install(previous);

    EXPECT_EQ(index, c.index);
    EXPECT_EQ(classId.bytes[0], c.classTag);
}

const std::vector<std::pair<std::u16string, std::uint8_t>> kUsual = {
    {u"image/png", 1}, {u"image/jpeg", 2}, {u"image/bmp", 3}, {u"image/gif", 4}, {u"image/bmp", 5}};

INSTANTIATE_TEST_SUITE_P(
    Cases, EncoderLookUp,
    ::testing::Values(LookUpCase{"FoundInTheMiddle", kUsual, u"image/bmp", 2, 3},
                      LookUpCase{"FirstEntry", kUsual, u"image/png", 0, 1},
                      LookUpCase{"LastEntry", kUsual, u"image/gif", 3, 4},
                      LookUpCase{"CaseMatters", kUsual, u"image/BMP", -1, 0x77},
                      LookUpCase{"PrefixIsNoMatch", kUsual, u"image/bm", -1, 0x77},
                      LookUpCase{"LongerIsNoMatch", kUsual, u"image/bmpx", -1, 0x77},
                      LookUpCase{"NotListed", kUsual, u"image/tiff", -1, 0x77},
                      LookUpCase{"NoEncodersAtAll", {}, u"image/bmp", -1, 0x77}),
    [](const ::testing::TestParamInfo<LookUpCase>& info) { return std::string(info.param.name); });

TEST(EncoderLookUpFailures, AFillThatDoesNothingFindsNothing) {
    StubImaging imaging;
    imaging.encoders = kUsual;
    imaging.fillFails = true;
    plat::Services previous = plat::Install(plat::Services{nullptr, &imaging, nullptr, nullptr, nullptr});
    plat::Guid classId;
    EXPECT_EQ(kestran::LookUpEncoder(u"image/bmp", &classId), -1);
    plat::Install(previous);
}

TEST(EncoderLookUpFailures, ACountLargerThanTheBlockIsNotReadPast) {
    StubImaging imaging;
    imaging.encoders = {{u"image/png", 1}, {u"image/jpeg", 2}};
    imaging.reportedCount = 40;  // the block holds two descriptions
    plat::Services previous = plat::Install(plat::Services{nullptr, &imaging, nullptr, nullptr, nullptr});
    plat::Guid classId;
    EXPECT_EQ(kestran::LookUpEncoder(u"image/bmp", &classId), -1);
    EXPECT_EQ(kestran::LookUpEncoder(u"image/jpeg", &classId), 1);
    plat::Install(previous);
}

TEST(EncoderLookUpFailures, NoImagingServiceFindsNothing) {
    plat::Services previous = plat::Install(plat::Services{});
    plat::Guid classId;
    EXPECT_EQ(kestran::LookUpEncoder(u"image/bmp", &classId), -1);
    plat::Install(previous);
}

}  // namespace
