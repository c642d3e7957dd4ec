// The Qt window system's modal boxes, open-file dialog and popup menus: each
// runs a loop of its own, in which the other threads' requests are served.
#include "platform/qt/qt_window_system.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/qt/qt_gbk_text.h"
#include "platform/qt/qt_list_file_dialog.h"
#include "platform/qt/qt_widgets.h"

namespace plat::qt {

// --- Modal dialogs -----------------------------------------------------------------

int QtWindowSystem::MessageBox(Window owner, const char* text, const char* caption, unsigned type) {
    QWidget* parent = WidgetOf(owner);
    QMessageBox box(parent ? parent->window() : nullptr);
    box.setWindowTitle(FromGbk(caption));
    box.setText(FromGbk(text));
    box.setIcon((type & 0xF0) == MB_ICONWARNING ? QMessageBox::Warning : QMessageBox::NoIcon);
    bool okCancel = (type & 0x0F) == MB_OKCANCEL;
    box.setStandardButtons(okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    box.setObjectName("kestranMessageBox");
    int answer = box.exec();
    return answer == QMessageBox::Ok ? IDOK : IDCANCEL;
}

bool QtWindowSystem::GetOpenFileName(OpenFileRequest& request) {
    QWidget* parent = WidgetOf(request.owner);
    ListFileDialog dialog(parent ? parent->window() : nullptr, request.maxFile);
    dialog.setObjectName("kestranOpenFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // No flag asks for an existing file: a typed name is accepted as it is.
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const char* p = request.filter; p && *p;) {
        QString description = FromGbk(p);
        p += std::strlen(p) + 1;
        QString patterns = FromGbk(p);
        p += std::strlen(p) + 1;
        filters << QString("%1 (%2)").arg(description, patterns.split(';', Qt::SkipEmptyParts).join(' '));
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = static_cast<int>(request.filterIndex) - 1;
        if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
    }
    if (request.defaultExtension) dialog.setDefaultSuffix(FromGbk(request.defaultExtension));
    if (request.file && request.file[0]) {
        QFileInfo initial(QFile::decodeName(request.file));
        if (initial.dir().exists()) dialog.setDirectory(initial.dir());
        dialog.selectFile(initial.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    QByteArray path = QFile::encodeName(dialog.selectedFiles().first());
    // The dialog refuses a path longer than the buffer; should one get
    // through all the same, the buffer is left as it was.
    if (!request.file || static_cast<std::uint32_t>(path.size()) + 1 > request.maxFile) return false;
    std::memcpy(request.file, path.constData(), path.size() + 1);
    // Like the classic dialog, the chosen file's folder becomes the working
    // directory (the caller restores its own afterwards).
    QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    if (chdir(folder.constData()) != 0) {
        // The directory vanished meanwhile; the working directory stays.
    }
    return true;
}

// --- Popup menus -------------------------------------------------------------------

int QtWindowSystem::ShowPopupMenu(Window owner, Window at, int x, int y, const PopupMenuItem* items, int count) {
    int chosen = -1;
    RunOnGuiThread([&] {
        QWidget* ownerWidget = WidgetOf(owner);
        QMenu menu(ownerWidget ? ownerWidget->window() : nullptr);
        menu.setObjectName("kestranPopupMenu");
        std::vector<QAction*> actions;
        for (int i = 0; i < count; ++i) {
            const PopupMenuItem& item = items[i];
            if (item.separatorBefore && i > 0) menu.addSeparator();
            // The menu shows what follows a tab as the item's key, aligned
            // at the right as a shortcut is.
            QString text = FromGbk(item.text);
            if (item.keyHint && *item.keyHint) text += '\t' + FromGbk(item.keyHint);
            QAction* action = menu.addAction(text);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
            action->setEnabled(!item.greyed);
            actions.push_back(action);
        }
        QWidget* atWidget = WidgetOf(at);
        const QPoint place = atWidget ? atWidget->mapToGlobal(QPoint(x, y)) : QPoint(x, y);
        // A loop of the menu's own: queued repaints and requests of the
        // other threads are served meanwhile.
        QAction* picked = menu.exec(place);
        for (int i = 0; i < static_cast<int>(actions.size()); ++i)
            if (picked && actions[i] == picked) chosen = i;
    });
    return chosen;
}

}  // namespace plat::qt
