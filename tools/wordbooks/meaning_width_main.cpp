// kestran-meaning-width: measures meanings as the canvas draws them, for the
// word-book generator. Reads UTF-8 lines on standard input and answers each
// with one line: "<practice left> <practice right> <test left> <test right>",
// ink columns in canvas pixels (an empty span: both 0).
#include <QGuiApplication>
#include <iostream>
#include <string>

#include "platform/gbk.h"
#include "tools/wordbooks/qt_meaning_ink.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    kestran::wordbooks::QtMeaningMeter meter;
    std::cerr << "canvas font: " << meter.FontFamily() << "\n";
    std::string line;
    while (std::getline(std::cin, line)) {
        const auto ink = meter.Measure(plat::Utf8ToGbk(line));
        std::cout << ink.practice.left << ' ' << ink.practice.right << ' ' << ink.test.left << ' ' << ink.test.right
                  << '\n';
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
