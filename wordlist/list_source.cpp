#include "wordlist/list_source.h"

#include <new>
#include <string>

namespace kestran {

ListSource OpenListSource(const char* path) {
    ListSource source;
    source.stream = TextStream::Open(path);
    if (!source.stream) return source;
    // GBK text almost always stops being UTF-8 within its first line, so a
    // GBK list costs one look at the start of the file.
    EncodingSniffer sniffer;
    std::string_view bytes;
    while (source.stream->ReadRaw(bytes) && sniffer.Feed(bytes)) {
    }
    source.encoding = sniffer.Result();
    source.stream->Rewind();
    if (source.encoding == ListEncoding::kGbk) return source;

    try {
        std::string text;
        while (source.stream->ReadRaw(bytes)) text.append(bytes);
        ConvertToGbkInPlace(text, source.encoding);
        source.stream = TextStream::FromOwnedBytes(std::move(text));
    } catch (const std::bad_alloc&) {
        // Too large to hold converted: the list cannot be opened.
        source.stream.reset();
    }
    return source;
}

ListSource ListSourceFromBytes(std::string bytes) {
    ListSource source;
    EncodingSniffer sniffer;
    sniffer.Feed(bytes);
    source.encoding = sniffer.Result();
    try {
        if (source.encoding != ListEncoding::kGbk) ConvertToGbkInPlace(bytes, source.encoding);
        source.stream = TextStream::FromOwnedBytes(std::move(bytes));
    } catch (const std::bad_alloc&) {
        source.stream.reset();
    }
    return source;
}

}  // namespace kestran
