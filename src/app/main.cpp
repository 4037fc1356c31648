#include <QApplication>
#include <QLabel>

// Until the main window exists, the program shows only a window that says so.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pennyhold Inventory");
    QLabel window("Pennyhold Inventory 97: the main window is not built yet.");
    window.setWindowTitle("Pennyhold Inventory 97");
    window.resize(640, 480);
    window.show();
    return app.exec();
}
