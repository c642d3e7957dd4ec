#include "features/phonetics/british_phones.h"

#include <algorithm>
#include <array>

namespace kestran::phonetics {
namespace {

enum class Kind { Vowel, Consonant, Primary, Secondary, Ignored };

struct Symbol {
    std::string_view ipa;
    std::string_view phones;  // one or two, space-separated
    Kind kind;
};

// Longest first wherever one symbol begins another. Both the standard forms
// and the older dictionary forms the books may keep (ai, əu, əː, i for ɪ)
// are read.
constexpr std::array kSymbols = {
    // Diphthongs and long vowels.
    Symbol{"eɪ", "ey", Kind::Vowel},       Symbol{"ei", "ey", Kind::Vowel},
    Symbol{"aɪ", "ay", Kind::Vowel},       Symbol{"ai", "ay", Kind::Vowel},
    Symbol{"ɔɪ", "oy", Kind::Vowel},       Symbol{"ɔi", "oy", Kind::Vowel},
    Symbol{"aʊ", "aw", Kind::Vowel},       Symbol{"au", "aw", Kind::Vowel},
    Symbol{"əʊ", "ow", Kind::Vowel},       Symbol{"əu", "ow", Kind::Vowel},
    Symbol{"oʊ", "ow", Kind::Vowel},       Symbol{"ou", "ow", Kind::Vowel},
    Symbol{"ɪə", "ih ax", Kind::Vowel},    Symbol{"iə", "ih ax", Kind::Vowel},
    Symbol{"eə", "eh ax", Kind::Vowel},    Symbol{"ɛə", "eh ax", Kind::Vowel},
    Symbol{"ʊə", "uh ax", Kind::Vowel},    Symbol{"uə", "uh ax", Kind::Vowel},
    Symbol{"iː", "iy", Kind::Vowel},       Symbol{"uː", "uw", Kind::Vowel},
    Symbol{"ɑː", "aa", Kind::Vowel},       Symbol{"aː", "aa", Kind::Vowel},
    Symbol{"ɔː", "ao", Kind::Vowel},       Symbol{"ɒː", "ao", Kind::Vowel},
    Symbol{"ɜː", "er", Kind::Vowel},       Symbol{"əː", "er", Kind::Vowel},
    // Short vowels.
    Symbol{"ɪ", "ih", Kind::Vowel},        Symbol{"i", "ih", Kind::Vowel},
    Symbol{"e", "eh", Kind::Vowel},        Symbol{"ɛ", "eh", Kind::Vowel},
    Symbol{"æ", "ae", Kind::Vowel},        Symbol{"a", "ae", Kind::Vowel},
    Symbol{"ʌ", "ah", Kind::Vowel},        Symbol{"ɐ", "ah", Kind::Vowel},
    Symbol{"ɒ", "ao", Kind::Vowel},        Symbol{"ɔ", "ao", Kind::Vowel},
    Symbol{"o", "ao", Kind::Vowel},        Symbol{"ɑ", "aa", Kind::Vowel},
    Symbol{"ʊ", "uh", Kind::Vowel},        Symbol{"u", "uh", Kind::Vowel},
    Symbol{"ə", "ax", Kind::Vowel},        Symbol{"ɚ", "ax", Kind::Vowel},
    Symbol{"ɜ", "er", Kind::Vowel},        Symbol{"ɝ", "er", Kind::Vowel},
    // Consonants.
    Symbol{"tʃ", "ch", Kind::Consonant},   Symbol{"ʧ", "ch", Kind::Consonant},
    Symbol{"dʒ", "jh", Kind::Consonant},   Symbol{"ʤ", "jh", Kind::Consonant},
    Symbol{"p", "p", Kind::Consonant},     Symbol{"b", "b", Kind::Consonant},
    Symbol{"t", "t", Kind::Consonant},     Symbol{"d", "d", Kind::Consonant},
    Symbol{"k", "k", Kind::Consonant},     Symbol{"ɡ", "g", Kind::Consonant},
    Symbol{"g", "g", Kind::Consonant},     Symbol{"f", "f", Kind::Consonant},
    Symbol{"v", "v", Kind::Consonant},     Symbol{"θ", "th", Kind::Consonant},
    Symbol{"ð", "dh", Kind::Consonant},    Symbol{"s", "s", Kind::Consonant},
    Symbol{"z", "z", Kind::Consonant},     Symbol{"ʃ", "sh", Kind::Consonant},
    Symbol{"ʒ", "zh", Kind::Consonant},    Symbol{"h", "hh", Kind::Consonant},
    Symbol{"m", "m", Kind::Consonant},     Symbol{"n", "n", Kind::Consonant},
    Symbol{"ŋ", "ng", Kind::Consonant},    Symbol{"l", "l", Kind::Consonant},
    Symbol{"ɫ", "l", Kind::Consonant},     Symbol{"r", "r", Kind::Consonant},
    Symbol{"ɹ", "r", Kind::Consonant},     Symbol{"j", "y", Kind::Consonant},
    Symbol{"w", "w", Kind::Consonant},     Symbol{"x", "k", Kind::Consonant},
    // Marks.
    Symbol{"ˈ", "", Kind::Primary},        Symbol{"ˌ", "", Kind::Secondary},
    Symbol{"ː", "", Kind::Ignored},        Symbol{"ˑ", "", Kind::Ignored},
    Symbol{"\xCC\xA9", "", Kind::Ignored},  // combining syllabic mark
    Symbol{"(", "", Kind::Ignored},        Symbol{")", "", Kind::Ignored},
    Symbol{" ", "", Kind::Ignored},        Symbol{"-", "", Kind::Ignored},
};

const Symbol* SymbolAt(std::string_view ipa) {
    const Symbol* best = nullptr;
    for (const Symbol& symbol : kSymbols)
        if (ipa.substr(0, symbol.ipa.size()) == symbol.ipa && (!best || symbol.ipa.size() > best->ipa.size()))
            best = &symbol;
    return best;
}

struct Phone {
    std::string name;
    bool vowel = false;
    bool primary = false;  // the vowel carries the main stress
};

// The variants a dictionary lists for a word, split at its separators.
std::vector<std::string_view> Variants(std::string_view ipa) {
    std::vector<std::string_view> variants;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= ipa.size(); ++i) {
        const bool end = i == ipa.size();
        const bool separator = !end && (ipa[i] == ',' || ipa[i] == ';' || ipa[i] == '/' ||
                                        (ipa[i] == '.' && i + 1 < ipa.size() && ipa[i + 1] == ' '));
        if (!end && !separator) continue;
        std::string_view part = ipa.substr(start, i - start);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
        if (!part.empty()) variants.push_back(part);
        start = i + 1;
    }
    return variants;
}

// Reads the symbols; false on one not known.
bool Read(std::string_view ipa, std::vector<Phone>& phones) {
    bool stressNext = false;
    while (!ipa.empty()) {
        const Symbol* symbol = SymbolAt(ipa);
        if (!symbol) return false;
        ipa.remove_prefix(symbol->ipa.size());
        if (symbol->kind == Kind::Primary) stressNext = true;
        if (symbol->kind == Kind::Primary || symbol->kind == Kind::Secondary || symbol->kind == Kind::Ignored)
            continue;
        const bool vowel = symbol->kind == Kind::Vowel;
        std::string_view names = symbol->phones;
        bool first = true;
        while (!names.empty()) {
            const std::size_t space = names.find(' ');
            phones.push_back(Phone{std::string(names.substr(0, space)), vowel, vowel && first && stressNext});
            first = false;
            names.remove_prefix(space == std::string_view::npos ? names.size() : space + 1);
        }
        if (vowel) stressNext = false;
    }
    return true;
}

int BritishScore(std::string_view ipa) {
    int score = 0;
    for (std::string_view mark : {"ɑː", "ɒ", "əʊ", "əu"})
        for (std::size_t at = ipa.find(mark); at != std::string_view::npos; at = ipa.find(mark, at + 1)) ++score;
    std::vector<Phone> phones;
    if (Read(ipa, phones))
        for (std::size_t i = 0; i < phones.size(); ++i)
            if (phones[i].name == "r" && i > 0 && phones[i - 1].vowel && (i + 1 == phones.size() || !phones[i + 1].vowel))
                score -= 2;
    return score;
}

}  // namespace

std::string_view BritishVariant(std::string_view ipa) {
    const std::vector<std::string_view> variants = Variants(ipa);
    if (variants.empty()) return {};
    std::string_view best = variants.front();
    int bestScore = BritishScore(best);
    for (std::string_view variant : variants)
        if (const int score = BritishScore(variant); score > bestScore) {
            best = variant;
            bestScore = score;
        }
    return best;
}

std::string FlitePhonesFromIpa(std::string_view ipa) {
    std::vector<Phone> read;
    if (!Read(BritishVariant(ipa), read)) return {};
    // Non-rhotic: an r not followed by a vowel is not spoken.
    std::vector<Phone> phones;
    for (std::size_t i = 0; i < read.size(); ++i)
        if (read[i].name != "r" || (i + 1 < read.size() && read[i + 1].vowel)) phones.push_back(read[i]);
    const auto vowel = std::find_if(phones.begin(), phones.end(), [](const Phone& p) { return p.vowel; });
    if (vowel == phones.end()) return {};
    // Without a stress mark the first full vowel carries it, as in a
    // one-syllable word.
    if (std::none_of(phones.begin(), phones.end(), [](const Phone& p) { return p.primary; })) {
        const auto full = std::find_if(phones.begin(), phones.end(),
                                       [](const Phone& p) { return p.vowel && p.name != "ax"; });
        (full != phones.end() ? full : vowel)->primary = true;
    }
    std::string out;
    for (const Phone& phone : phones) {
        if (!out.empty()) out += ' ';
        // The lexicon writes a stressed schwa as ah.
        out += phone.primary && phone.name == "ax" ? "ah" : phone.name;
        if (phone.vowel) out += phone.primary ? '1' : '0';
    }
    return out;
}

std::vector<std::string> PhoneNames(std::string_view phones) {
    std::vector<std::string> names;
    while (!phones.empty()) {
        const std::size_t space = phones.find(' ');
        std::string name(phones.substr(0, space));
        if (!name.empty() && (name.back() == '0' || name.back() == '1')) name.pop_back();
        if (!name.empty()) names.push_back(name);
        phones.remove_prefix(space == std::string_view::npos ? phones.size() : space + 1);
    }
    return names;
}

}  // namespace kestran::phonetics
