// Reading an asset file whole. Only a regular file counts: a FIFO put in
// place of a picture or the sound would block the reader for ever, and a
// device may never end, so anything else is treated as missing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace plat {

// The file's bytes; nothing when it is missing, unreadable, not a regular
// file or longer than `limit` bytes.
std::optional<std::string> ReadAssetFile(const std::string& fileName, std::size_t limit);

}  // namespace plat
