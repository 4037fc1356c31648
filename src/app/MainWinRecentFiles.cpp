// The recent databases list under "E&xit" in the "&File" menu.

#include "app/MainWin.h"

#include <QAction>

#include <algorithm>

namespace app {

void TMain::SetMenuLastFiles() {
    const auto& entries = settings.lastFiles;
    const bool allEmpty = std::all_of(entries.begin(), entries.end(),
                                      [](const std::string& entry) { return entry.empty(); });
    MenuExitSep->setVisible(!allEmpty);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool used = !allEmpty && !entries[i].empty();
        MenuLastFile[i]->setVisible(used);
        if (used) {
            // The entry's number is the item's access key.
            MenuLastFile[i]->setText("&" + QString::number(i + 1) + "   " +
                                     QString::fromStdString(entries[i]));
        }
    }
}

void TMain::DoLastFiles(const QString& previousPath, const QString& newPath) {
    auto& entries = settings.lastFiles;
    const std::string opened = newPath.toStdString();
    const auto same = std::find(entries.begin(), entries.end(), opened);
    if (same != entries.end()) {
        std::move(same + 1, entries.end(), same);
        entries.back().clear();
    }
    std::move_backward(entries.begin(), entries.end() - 1, entries.end());
    entries.front() = previousPath.toStdString();
    SetMenuLastFiles();
}

} // namespace app
