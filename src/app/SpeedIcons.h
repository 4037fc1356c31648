#pragma once

#include <QIcon>

namespace app {

// The seventeen buttons of the speed-button bar, left to right.
enum class SpeedButton {
    NewDatabase,
    OpenDatabase,
    AddRecord,
    EditRecord,
    CopyRecord,
    DeleteRecord,
    ImportRecords,
    ExportRecords,
    SearchRecords,
    EndSearch,
    LocateRecord,
    LocateNextRecord,
    Reports,
    ViewerConfiguration,
    ColorSetup,
    SetSortingOrder,
    Help,
};
inline constexpr int SpeedButtonCount = 17;

// The button's picture: the desktop theme's icon when the theme has one, else the program's own
// 16 x 16 picture, so every button has a picture on any desktop.
QIcon speedIcon(SpeedButton button);
// The program's own picture, whatever the theme.
QIcon builtInSpeedIcon(SpeedButton button);

} // namespace app
