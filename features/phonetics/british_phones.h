// British transcriptions in flite's phone set. The word books carry IPA,
// mostly of British English; flite's voices know only the phones of its
// American lexicon (cmulex). This maps one to the other, non-rhotically: an
// r is spoken only before a vowel, so "car" ends on its vowel.
//
// The phone set has no vowel of its own for some British sounds; the
// nearest is taken: ɒ (hot) -> ao, ɜː (bird) -> er, ɪə (here) -> ih ax,
// eə (hair) -> eh ax, ʊə (tour) -> uh ax, əʊ (go) -> ow.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestran::phonetics {

// Of several transcriptions given for a word ("dæns, dɑːns"), the one that
// looks British: the most of ɑː, ɒ and əʊ and no r after a vowel; the first
// on a tie.
std::string_view BritishVariant(std::string_view ipa);

// The phones of the British variant, each vowel with its stress digit as
// flite's lexicon writes them ("t ax0 m aa1 t ow0"). Empty when a symbol is
// not known or no vowel is found: the word is then spoken from the lexicon.
std::string FlitePhonesFromIpa(std::string_view ipa);

// The phones of such a string without the stress digits.
std::vector<std::string> PhoneNames(std::string_view phones);

}  // namespace kestran::phonetics
