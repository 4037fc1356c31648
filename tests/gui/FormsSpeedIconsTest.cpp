#include "GuiTestMain.h"
#include "app/SpeedIcons.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

using app::SpeedButton;

namespace {

QImage picture(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

int paintedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return count;
}

// An icon theme of the given names, each a plain 16 x 16 square of one colour.
void makeTheme(const QString& root, const QStringList& names) {
    const QString folder = root + "/testtheme";
    QVERIFY(QDir().mkpath(folder + "/16x16"));
    QFile index(folder + "/index.theme");
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write(
        "[Icon Theme]\nName=testtheme\nDirectories=16x16\n\n[16x16]\nSize=16\nType=Fixed\n");
    index.close();
    for (const QString& name : names) {
        QImage square(16, 16, QImage::Format_ARGB32);
        square.fill(QColor(255, 0, 255));
        QVERIFY(square.save(folder + "/16x16/" + name + ".png"));
    }
    QIcon::setThemeSearchPaths({root});
    QIcon::setFallbackThemeName("testtheme");
    QIcon::setThemeName("testtheme");
}

const QStringList AllThemeNames = {
    "document-new",
    "document-open",
    "list-add",
    "document-properties",
    "edit-copy",
    "edit-delete",
    "document-import",
    "document-export",
    "edit-find",
    "process-stop",
    "go-jump",
    "go-next",
    "document-print",
    "preferences-system",
    "preferences-desktop-theme",
    "view-sort-ascending",
    "help-contents",
};

bool isMagentaSquare(const QImage& image) {
    return image.pixel(0, 0) == QColor(255, 0, 255).rgba() &&
           image.pixel(15, 15) == QColor(255, 0, 255).rgba();
}

} // namespace

class FormsSpeedIconsTest : public QObject {
    Q_OBJECT

private slots:
    void builtInPicturesAreDrawnAndDistinct();
    void anIncompleteThemeIsNotMixedIn();
    void aCompleteThemeIsUsed();
};

void FormsSpeedIconsTest::builtInPicturesAreDrawnAndDistinct() {
    QList<QImage> seen;
    for (int i = 0; i < app::SpeedButtonCount; ++i) {
        const QIcon icon = app::builtInSpeedIcon(static_cast<SpeedButton>(i));
        QVERIFY(!icon.isNull());
        const QImage image = picture(icon);
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY2(paintedPixels(image) > 20, qPrintable(QString::number(i)));
        QVERIFY2(!seen.contains(image), qPrintable(QString::number(i)));
        seen << image;
        // Sharp on a screen of twice the density too.
        QCOMPARE(icon.pixmap(32, 32).size(), QSize(32, 32));
    }
}

void FormsSpeedIconsTest::anIncompleteThemeIsNotMixedIn() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    makeTheme(root.path(), {"document-new", "document-open"});
    QVERIFY(QIcon::hasThemeIcon("document-new"));
    for (int i = 0; i < app::SpeedButtonCount; ++i) {
        const auto button = static_cast<SpeedButton>(i);
        QCOMPARE(picture(app::speedIcon(button)), picture(app::builtInSpeedIcon(button)));
    }
}

void FormsSpeedIconsTest::aCompleteThemeIsUsed() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    makeTheme(root.path(), AllThemeNames);
    for (int i = 0; i < app::SpeedButtonCount; ++i)
        QVERIFY2(isMagentaSquare(picture(app::speedIcon(static_cast<SpeedButton>(i)))),
                 qPrintable(QString::number(i)));
}

PNHOLD_GUI_TEST_MAIN(FormsSpeedIconsTest)

#include "FormsSpeedIconsTest.moc"
