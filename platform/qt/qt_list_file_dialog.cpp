#include "platform/qt/qt_list_file_dialog.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

namespace plat::qt {

void ListFileDialog::accept() {
    const QStringList files = selectedFiles();
    // A folder is opened, not returned: its length does not matter yet.
    if (!files.isEmpty() && !QFileInfo(files.first()).isDir() &&
        static_cast<std::uint64_t>(QFile::encodeName(files.first()).size()) + 1 > maxFile_) {
        QMessageBox::warning(this, windowTitle(), TooLongText(maxFile_ - 1));
        return;
    }
    QFileDialog::accept();
}

QString ListFileDialog::TooLongText(std::uint32_t bytes) {
    return QString::fromUtf8("这个词表的路径太长（超过 %1 字节），无法打开。\n"
                             "请把它移到路径较短的文件夹里再打开。")
        .arg(bytes);
}

}  // namespace plat::qt
