#include "app/AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

QString withoutTrailingSlash(QString path) {
    while (path.endsWith('/'))
        path.chop(1);
    return path;
}

QString environmentPath(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

} // namespace

QString programFolder() {
    QString folder = environmentPath("PNHOLD_HOME");
    if (folder.isEmpty()) {
        QString data = environmentPath("XDG_DATA_HOME");
        if (data.isEmpty())
            data = QDir::homePath() + "/.local/share";
        folder = data + "/pennyhold";
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    // A folder that cannot be created shows up at once: MASTER.DBF cannot be made there.
    QDir().mkpath(folder);
    return withoutTrailingSlash(folder);
}

QString startupFolder() {
    return withoutTrailingSlash(QDir::currentPath());
}

QString expandPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString folderOf(const QString& path) {
    return QFileInfo(expandPath(path)).path();
}

QString joinPath(const QString& folder, const QString& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString tableNameOf(const QString& path) {
    return QFileInfo(path).completeBaseName();
}

QString upperAscii(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= 'a' && c <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return result;
}

bool hasDbfExtension(const QString& path) {
    return upperAscii(path.right(4)) == ".DBF";
}

} // namespace app
