// The real open-file dialog, driven on the offscreen platform: long paths
// and Chinese folder names come back whole, a path the buffer cannot hold
// is refused with a word, and the dialogs speak Chinese on a Chinese desktop.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "platform/qt/qt_list_file_dialog.h"
#include "platform/qt/qt_translations.h"
#include "platform/qt/qt_window_system.h"
#include "temp_dir.h"

namespace kestran {
namespace {

using testing::TempDir;

template <class T>
T* VisibleTopLevel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(w); found && found->isVisible()) return found;
    return nullptr;
}

// Runs the open-file dialog; `drive` gets it once it shows.
bool RunDialog(plat::OpenFileRequest& request, const std::function<void(QFileDialog*)>& drive) {
    static auto* windows = new plat::qt::QtWindowSystem();
    QTimer poll;
    bool driven = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = VisibleTopLevel<QFileDialog>();
        if (!dialog || driven) return;
        driven = true;
        drive(dialog);
    });
    poll.start(20);
    return windows->GetOpenFileName(request);
}

// As the learner would: the whole path typed into the name box.
void Type(QFileDialog* dialog, const std::string& path) {
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
}

plat::OpenFileRequest Request(char* buffer, std::uint32_t size) {
    plat::OpenFileRequest request;
    request.filter = ".txt\0*.txt;\0";
    request.filterIndex = 1;
    request.file = buffer;
    request.maxFile = size;
    request.defaultExtension = "txt";
    return request;
}

TEST(QtListDialog, LongPathsInChineseFoldersComeBackWhole) {
    TempDir dir;
    std::filesystem::path folder = dir.path();
    while (folder.string().size() < 300) folder /= "\xE7\xAC\xAC\xE4\xB8\x80\xE5\x8D\x95\xE5\x85\x83";  // 第一单元
    std::filesystem::create_directories(folder);
    const std::string list = (folder / "\xE6\xB0\xB4\xE6\x9E\x9C.txt").string();  // 水果.txt
    std::ofstream(list) << "pear \xC0\xE6\n";

    std::vector<char> buffer(kListPathSize, '\0');
    plat::OpenFileRequest request = Request(buffer.data(), kListPathSize);
    bool accepted = RunDialog(request, [&](QFileDialog* dialog) {
        Type(dialog, list);
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(std::string(buffer.data()), list);
}

TEST(QtListDialog, APathTheBufferCannotHoldIsRefusedAndTheDialogStaysOpen) {
    TempDir dir;
    const std::string list = dir.Write(std::string(80, 'w') + ".txt", "pear \xC0\xE6\n");
    char buffer[64] = "previous.txt";
    plat::OpenFileRequest request = Request(buffer, sizeof buffer);
    QString warning;
    bool stayedOpen = false;
    QTimer closeWarning;
    QObject::connect(&closeWarning, &QTimer::timeout, [&] {
        if (auto* box = VisibleTopLevel<QMessageBox>()) {
            warning = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    closeWarning.start(20);
    bool accepted = RunDialog(request, [&](QFileDialog* dialog) {
        Type(dialog, list);
        static_cast<QDialog*>(dialog)->accept();  // returns once the warning is closed
        stayedOpen = dialog->isVisible();
        dialog->reject();
    });
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(warning, plat::qt::ListFileDialog::TooLongText(63));
    EXPECT_STREQ(buffer, "previous.txt") << "the buffer keeps the list chosen before";
}

TEST(QtListDialog, TheToolkitsDialogsSpeakChineseOnAChineseDesktop) {
    QTranslator* chinese = plat::qt::InstallToolkitTranslations(QLocale(QLocale::Chinese, QLocale::China));
    ASSERT_NE(chinese, nullptr) << "qt6-translations-l10n provides qtbase_zh_CN.qm";
    {
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QString::fromUtf8("确定"));
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("取消"));

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
        EXPECT_TRUE(labels.contains(QString::fromUtf8("查找范围："))) << labels.join('|').toStdString();
    }
    QCoreApplication::removeTranslator(chinese);
    delete chinese;

    EXPECT_EQ(plat::qt::InstallToolkitTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), nullptr);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), "OK");
}

}  // namespace
}  // namespace kestran
