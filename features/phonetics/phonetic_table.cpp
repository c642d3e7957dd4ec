#include "features/phonetics/phonetic_table.h"

#include <algorithm>
#include <cctype>

namespace kestran::phonetics {

PhoneticTable PhoneticTable::Parse(std::string_view utf8) {
    PhoneticTable table;
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view line = utf8.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0 || tab + 1 == line.size()) continue;
        table.entries_.emplace_back(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
    }
    // Stable: of a word given twice, the first line wins.
    std::stable_sort(table.entries_.begin(), table.entries_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    table.entries_.erase(std::unique(table.entries_.begin(), table.entries_.end(),
                                     [](const auto& a, const auto& b) { return a.first == b.first; }),
                         table.entries_.end());
    return table;
}

std::string_view PhoneticTable::FindExactly(std::string_view word) const {
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), word,
                                        [](const auto& entry, std::string_view key) { return entry.first < key; });
    if (found == entries_.end() || found->first != word) return {};
    return found->second;
}

std::string_view PhoneticTable::Find(std::string_view word) const {
    if (word.empty()) return {};
    if (const std::string_view ipa = FindExactly(word); !ipa.empty()) return ipa;
    // Lower case only when it differs, and without allocating: words are short.
    char lower[128];
    if (word.size() > sizeof lower) return {};
    bool changed = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto byte = static_cast<unsigned char>(word[i]);
        lower[i] = byte < 0x80 ? static_cast<char>(std::tolower(byte)) : word[i];
        changed = changed || lower[i] != word[i];
    }
    return changed ? FindExactly(std::string_view(lower, word.size())) : std::string_view();
}

}  // namespace kestran::phonetics
