// Opening a list file in whatever encoding it was saved in.
#pragma once

#include <memory>
#include <string>

#include "wordlist/list_encoding.h"
#include "wordlist/text_stream.h"

namespace kestran {

struct ListSource {
    std::unique_ptr<TextStream> stream;  // null when the file cannot be opened
    ListEncoding encoding = ListEncoding::kGbk;
};

// A GBK list is read straight from the file, as always; a UTF-8 or UTF-16
// list is read whole and converted to GBK first (see list_encoding.h), and
// one too large for memory is a list that cannot be opened.
ListSource OpenListSource(const char* path);
// The same for a list file's bytes, read whole elsewhere.
ListSource ListSourceFromBytes(std::string bytes);

}  // namespace kestran
