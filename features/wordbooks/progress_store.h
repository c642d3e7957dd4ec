// The learner's word-book progress as a file in the data folder. Every
// change reads the file anew (another KESTRAN window may have changed it),
// applies the change and replaces the file atomically, so a kill leaves the
// progress as it was before or after that change. Called only from the
// feature's own background thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "features/wordbooks/chapter_progress.h"

namespace kestran::wordbooks {

class ProgressStore {
public:
    // The file 词库进度.txt in the learner's data folder.
    ProgressStore();
    const std::string& Path() const { return path_; }

    // The progress in the file (none done when there is no file); nothing
    // when the file is there but cannot be read.
    std::optional<Progress> Read() const;
    // Re-reads, changes and replaces the file. False when it could not be
    // read or written; the file then stays as it was.
    bool Change(const std::function<void(Progress&)>& change);

private:
    std::string path_;
};

}  // namespace kestran::wordbooks
