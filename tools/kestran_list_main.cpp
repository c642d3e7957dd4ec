#include <iostream>

#include "tools/kestran_list.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return kestran::listtool::RunKestranList(args, std::cout, std::cerr);
}
