// The commands of the main window and the operations that keep its count, search indicator and
// viewer up to date.

#include "app/MainWin.h"

#include "app/AppPaths.h"
#include "platform/forms/DataSource.h"
#include "platform/forms/DbGrid.h"
#include "platform/forms/HelpViewer.h"
#include "platform/forms/MessageBox.h"
#include "platform/forms/TableModel.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace app {

void TMain::showNotBuiltYet() {
    // Placeholder: each window named in this notice is built by a later step, which replaces
    // the call with the window itself.
    forms::showNotice(this, "This window is not built yet.", "Notice");
}

void TMain::DisplayCount() {
    CountLabel->setText(QString::number(MyTable.isOpen() ? MyTable.recordCount() : 0));
}

void TMain::EnableEndSearch() {
    searchOn = true;
    EndSearchButton->setEnabled(true);
    MenuEndSearch->setEnabled(true);
    EndSearchSpeed->setEnabled(true);
    SearchOnLabel->show();
}

void TMain::DisableEndSearch() {
    searchOn = false;
    EndSearchButton->setEnabled(false);
    MenuEndSearch->setEnabled(false);
    EndSearchSpeed->setEnabled(false);
    SearchOnLabel->hide();
}

// Fonts, viewer options and colours in this order, then the count. The font and colour steps are
// empty until the colour sets and fonts are built.
void TMain::DoFileSpecific() {
    ApplyFonts();
    SetViewerOptions();
    SetColors();
    DisplayCount();
}

void TMain::ApplyFonts() {
    // Empty until the colour sets and fonts are built: the controls keep their design fonts.
}

void TMain::SetColors() {
    // Empty until the colour sets and fonts are built: the window keeps its design colours.
}

void TMain::SetViewerOptions() {
    // Until the viewer configuration is built, the viewer shows all 22 fields in field order
    // under the names of the field name table, and edits in place only when allowed.
    std::vector<forms::GridColumn> columns;
    columns.reserve(ItemFieldCount);
    for (int i = 0; i < ItemFieldCount; ++i) {
        forms::GridColumn column;
        column.field = MyTable.isOpen() ? MyTable.fieldIndex(ItemFields[i].tableName) : i;
        if (column.field < 0)
            continue;
        column.title = QString::fromStdString(settings.fieldNames[i]);
        column.width = settings.fieldWidths[i];
        columns.push_back(std::move(column));
    }
    ViewerModel->setColumns(std::move(columns));
    ViewerGrid->setFieldEditing(settings.fieldEditing && !browseMode());
    ViewerGrid->applyColumnWidths();
}

void TMain::DoAdd() {
    editorMode = 1;
    showNotBuiltYet();
    DisplayCount();
}

void TMain::DoEdit() {
    editorMode = 2;
    showNotBuiltYet();
    DisplayCount();
}

void TMain::DoCopy() {
    editorMode = 3;
    showNotBuiltYet();
    DisplayCount();
}

void TMain::ViewerGridDblClick() {
    DoEdit();
}

void TMain::DoDelete() {
    if (forms::askYesNo(this, "Delete this record?", "Confirm")) {
        // With no item there is nothing to delete; the count is refreshed all the same.
        if (MyDataSource->currentRow() >= 0)
            MyDataSource->deleteCurrent();
    }
    DisplayCount();
}

void TMain::DoImport() {
    showNotBuiltYet();
    DisplayCount();
}

void TMain::DoExport() {
    showNotBuiltYet();
}

void TMain::DoSearch() {
    showNotBuiltYet();
    DisplayCount();
}

void TMain::DoEndSearch() {
    DisableEndSearch();
    // Reopening lets the table's record filter see that no search is in force any more.
    if (MyTable.isOpen()) {
        MyTable.close();
        MyDataSource->notifyDataChanged();
        MyTable.open();
        MyDataSource->notifyDataChanged();
    }
    SetViewerOptions();
    DisplayCount();
}

void TMain::DoFind() {
    showNotBuiltYet();
}

void TMain::DoFindNext() {
    showNotBuiltYet();
}

void TMain::DoReports() {
    showNotBuiltYet();
}

void TMain::DoViewer() {
    showNotBuiltYet();
}

void TMain::DoBackup() {
    showNotBuiltYet();
}

void TMain::DoRestore() {
    showNotBuiltYet();
    DisplayCount();
}

void TMain::DoSortOrder() {
    showNotBuiltYet();
}

void TMain::DoHelp() {
    forms::showHelpContents(this, joinPath(programFolder, forms::HelpFileName));
}

void TMain::DoExit() {
    close();
}

} // namespace app
