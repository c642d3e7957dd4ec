// The open-file dialog for word lists.
#pragma once

#include <QFileDialog>

#include <cstdint>

namespace plat::qt {

// A file dialog that does not accept a path the caller's buffer cannot hold
// (maxFile bytes with the NUL): it tells the learner the path is too long
// and stays open, so that no other list is loaded in its place.
class ListFileDialog final : public QFileDialog {
public:
    ListFileDialog(QWidget* parent, std::uint32_t maxFile) : QFileDialog(parent), maxFile_(maxFile) {}
    void accept() override;

    // The warning's text, for `bytes` allowed.
    static QString TooLongText(std::uint32_t bytes);

private:
    std::uint32_t maxFile_;
};

}  // namespace plat::qt
