// The main window's controls at their design geometry (client area 632 x 418, Arial 17 px),
// and the routing of the buttons and the grid to the commands.

#include "app/MainWin.h"

#include "app/SpeedIcons.h"
#include "platform/forms/DataSource.h"
#include "platform/forms/DbGrid.h"
#include "platform/forms/DbNavigator.h"
#include "platform/forms/TableModel.h"

#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace app {

namespace {

QFont arial(int pixels, bool bold = false) {
    QFont font("Arial");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFrame* raisedFrame(QWidget* parent, const char* name, const QRect& geometry) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(1);
    frame->setGeometry(geometry);
    return frame;
}

QPushButton* letteredButton(QWidget* parent, const char* name, const QString& caption,
                            const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, const QFont& font,
              const QRect& geometry, Qt::Alignment alignment) {
    auto* result = new QLabel(caption, parent);
    result->setObjectName(name);
    result->setFont(font);
    result->setAlignment(alignment);
    result->setGeometry(geometry);
    return result;
}

} // namespace

void TMain::createControls() {
    ClientArea = new QWidget(this);
    ClientArea->setObjectName("ClientArea");
    ClientArea->setFont(arial(17));
    setCentralWidget(ClientArea);

    // The frames first, so that the buttons and labels inside them lie above them.
    ViewerBevel = raisedFrame(ClientArea, "ViewerBevel", QRect(3, 34, 626, 381));
    Bevel1 = raisedFrame(ClientArea, "Bevel1", QRect(4, 4, 149, 77));
    Bevel3 = raisedFrame(ClientArea, "Bevel3", QRect(156, 4, 77, 77));
    Bevel2 = raisedFrame(ClientArea, "Bevel2", QRect(236, 4, 77, 77));
    Bevel4 = raisedFrame(ClientArea, "Bevel4", QRect(316, 4, 77, 77));
    createLetteredButtons();
    createSpeedButtons();
    createViewer();
    connectControls();
    // Every change of the client area's size lays out the viewer area (FormResize).
    ClientArea->installEventFilter(this);
}

void TMain::createLetteredButtons() {
    AddButton = letteredButton(ClientArea, "AddButton", "&Add", QRect(8, 8, 69, 33));
    EditButton = letteredButton(ClientArea, "EditButton", "&Edit", QRect(80, 8, 69, 33));
    CopyButton = letteredButton(ClientArea, "CopyButton", "&Copy", QRect(8, 44, 69, 33));
    DeleteButton = letteredButton(ClientArea, "DeleteButton", "&Delete", QRect(80, 44, 69, 33));
    SearchButton = letteredButton(ClientArea, "SearchButton", "&Search", QRect(160, 8, 69, 33));
    EndSearchButton =
        letteredButton(ClientArea, "EndSearchButton", "E&nd Srch", QRect(160, 44, 69, 33));
    EndSearchButton->setFont(arial(15));
    ReportButton = letteredButton(ClientArea, "ReportButton", "&Reports", QRect(240, 8, 69, 33));
    ViewerButton = letteredButton(ClientArea, "ViewerButton", "&Viewer", QRect(240, 44, 69, 33));
    HelpButton = letteredButton(ClientArea, "HelpButton", "He&lp", QRect(320, 8, 69, 33));
    ButtonExit = letteredButton(ClientArea, "ButtonExit", "E&xit", QRect(320, 44, 69, 33));
}

void TMain::createSpeedButtons() {
    SpeedPanel = new QFrame(ClientArea);
    SpeedPanel->setObjectName("SpeedPanel");
    SpeedPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    SpeedPanel->setGeometry(0, 0, 632, 31);

    struct SpeedSpec {
        QToolButton** member;
        const char* name;
        const char* hint;
        int left;
    };
    const std::array<SpeedSpec, SpeedButtonCount> specs = {{
        {&NewSpeed, "NewSpeed", "New Database", 0},
        {&OpenSpeed, "OpenSpeed", "Open Database", 24},
        {&AddSpeed, "AddSpeed", "Add Record", 52},
        {&EditSpeed, "EditSpeed", "Edit Record", 76},
        {&CopySpeed, "CopySpeed", "Copy Record", 100},
        {&DeleteSpeed, "DeleteSpeed", "Delete Record", 124},
        {&ImportSpeed, "ImportSpeed", "Import Records", 148},
        {&ExportSpeed, "ExportSpeed", "Export Records", 172},
        {&SearchSpeed, "SearchSpeed", "Search Records", 200},
        {&EndSearchSpeed, "EndSearchSpeed", "End Search", 224},
        {&LocateSpeed, "LocateSpeed", "Locate Record", 248},
        {&LocateNextSpeed, "LocateNextSpeed", "Locate Next Record", 272},
        {&ReportSpeed, "ReportSpeed", "Reports", 296},
        {&ViewerSpeed, "ViewerSpeed", "Viewer Configuration", 320},
        {&ColorSpeed, "ColorSpeed", "Color Setup", 344},
        {&SpeedSetOrder, "SpeedSetOrder", "Set Sorting Order", 368},
        {&HelpSpeed, "HelpSpeed", "Help", 396},
    }};
    for (std::size_t i = 0; i < specs.size(); ++i) {
        auto* button = new QToolButton(SpeedPanel);
        button->setObjectName(specs[i].name);
        button->setToolTip(specs[i].hint);
        button->setIcon(speedIcon(static_cast<SpeedButton>(i)));
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        // 25 x 25 inside the panel's one-pixel border, centred in its 31 pixels.
        button->setGeometry(specs[i].left + 1, 3, 25, 25);
        *specs[i].member = button;
    }
}

void TMain::createViewer() {
    ViewerLabel = label(ClientArea, "ViewerLabel", "Inventory Viewer", arial(23, true),
                        QRect(215, 38, 201, 28), Qt::AlignCenter);
    SearchOnLabel = label(ClientArea, "SearchOnLabel", "SEARCH ON", arial(18, true),
                          QRect(12, 44, 130, 22), Qt::AlignLeft | Qt::AlignVCenter);
    SearchOnLabel->setAttribute(Qt::WA_TranslucentBackground);
    CountLabel =
        label(ClientArea, "CountLabel", "0", arial(11), QRect(144, 38, 57, 14), Qt::AlignCenter);
    Count2Label = label(ClientArea, "Count2Label", "Items", arial(11), QRect(144, 52, 57, 14),
                        Qt::AlignCenter);
    NavigatorLabel = label(ClientArea, "NavigatorLabel", "Navigation Controls", arial(17),
                           QRect(400, 20, 221, 22), Qt::AlignCenter);

    MyDataSource = new forms::DataSource(MyTable, this);
    MyDataSource->setObjectName("MyDataSource");
    ViewerModel = new forms::TableModel(*MyDataSource, this);
    ViewerGrid = new forms::DbGrid(ClientArea);
    ViewerGrid->setObjectName("ViewerGrid");
    ViewerGrid->setTableModel(ViewerModel);
    ViewerGrid->setGeometry(7, 70, 618, 341);

    MyNavigator = new forms::DbNavigator(ClientArea);
    MyNavigator->setObjectName("MyNavigator");
    MyNavigator->setGeometry(424, 3, 241, 25);

    const std::array<std::pair<QComboBox**, const char*>, 5> combos = {{
        {&MyComboBrand, "MyComboBrand"},
        {&MyComboLocation, "MyComboLocation"},
        {&MyComboCategory, "MyComboCategory"},
        {&MyComboOwner, "MyComboOwner"},
        {&MyComboBought, "MyComboBought"},
    }};
    for (const auto& [member, name] : combos) {
        *member = new QComboBox(ClientArea);
        (*member)->setObjectName(name);
        (*member)->hide();
    }
}

void TMain::connectControls() {
    const auto route = [this](QAbstractButton* button, void (TMain::*command)()) {
        connect(button, &QAbstractButton::clicked, this, command);
    };
    route(NewSpeed, &TMain::DoNew);
    route(OpenSpeed, &TMain::DoOpen);
    route(AddSpeed, &TMain::DoAdd);
    route(AddButton, &TMain::DoAdd);
    route(EditSpeed, &TMain::DoEdit);
    route(EditButton, &TMain::DoEdit);
    route(CopySpeed, &TMain::DoCopy);
    route(CopyButton, &TMain::DoCopy);
    route(DeleteSpeed, &TMain::DoDelete);
    route(DeleteButton, &TMain::DoDelete);
    route(ImportSpeed, &TMain::DoImport);
    route(ExportSpeed, &TMain::DoExport);
    route(SearchSpeed, &TMain::DoSearch);
    route(SearchButton, &TMain::DoSearch);
    route(EndSearchSpeed, &TMain::DoEndSearch);
    route(EndSearchButton, &TMain::DoEndSearch);
    route(LocateSpeed, &TMain::DoFind);
    route(LocateNextSpeed, &TMain::DoFindNext);
    route(ReportSpeed, &TMain::DoReports);
    route(ReportButton, &TMain::DoReports);
    route(ViewerSpeed, &TMain::DoViewer);
    route(ViewerButton, &TMain::DoViewer);
    route(SpeedSetOrder, &TMain::DoSortOrder);
    route(HelpSpeed, &TMain::DoHelp);
    route(HelpButton, &TMain::DoHelp);
    route(ButtonExit, &TMain::DoExit);
    // Colour set-up is a window a later step builds.
    connect(ColorSpeed, &QAbstractButton::clicked, this, [this] { showNotBuiltYet(); });
    connect(ViewerGrid, &forms::DbGrid::rowDoubleClicked, this, &TMain::ViewerGridDblClick);
}

} // namespace app
