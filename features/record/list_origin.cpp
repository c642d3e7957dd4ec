#include "features/record/list_origin.h"

#include <cctype>

namespace kestran::record {

ListOrigin OriginOf(const std::string& utf8Path) {
    ListOrigin origin{utf8Path, std::nullopt, std::nullopt};
    const auto slash = utf8Path.find_last_of("/\\");
    if (slash == std::string::npos || slash == 0) return origin;
    const auto folderStart = utf8Path.find_last_of("/\\", slash - 1);
    const std::string folder = utf8Path.substr(folderStart == std::string::npos ? 0 : folderStart + 1,
                                               slash - (folderStart == std::string::npos ? 0 : folderStart + 1));
    std::string name = utf8Path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return origin;
    const std::string extension = name.substr(dot);
    name.erase(dot);
    if (extension != ".txt" && extension != ".TXT") return origin;
    // "<folder>-" then digits only.
    if (folder.empty() || name.size() <= folder.size() + 1 || name.compare(0, folder.size(), folder) != 0 ||
        name[folder.size()] != '-')
        return origin;
    const std::string digits = name.substr(folder.size() + 1);
    if (digits.size() > 6) return origin;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return origin;
    origin.book = folder;
    origin.chapter = std::stoi(digits);
    return origin;
}

}  // namespace kestran::record
