#include "platform/forms/HelpViewer.h"

#include "platform/forms/MessageBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace forms {
namespace {

// A help file is a few hundred kilobytes at most; anything far larger is not one.
constexpr qint64 MaxHelpFileBytes = 8 * 1024 * 1024;

HelpHandler& installedHandler() {
    static HelpHandler handler;
    return handler;
}

// Only a to z are folded, as every case-blind comparison of the program does.
QString asciiUpper(const QString& text) {
    QString result = text;
    for (QChar& ch : result) {
        if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
            ch = QChar(ch.unicode() - 'a' + 'A');
    }
    return result;
}

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* owner) : QDialog(owner) {
        setWindowTitle("Pennyhold Inventory 97 Help");
        setModal(false);
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName("HelpWindow");
        browser_ = new QTextBrowser(this);
        browser_->setObjectName("HelpText");
        browser_->setOpenExternalLinks(false);
        browser_->setOpenLinks(false);
        connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
            if (link.hasFragment() && link.path().isEmpty())
                showAnchor(link.fragment(QUrl::FullyDecoded));
        });
        auto* buttons = new QDialogButtonBox(this);
        QPushButton* contents = buttons->addButton("&Contents", QDialogButtonBox::ActionRole);
        buttons->addButton(QDialogButtonBox::Close);
        connect(contents, &QPushButton::clicked, this, [this] { showAnchor(QString()); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(browser_);
        layout->addWidget(buttons);
        resize(560, 480);
    }

    const QString& path() const { return path_; }

    void load(const QString& path, const QString& html) {
        path_ = path;
        html_ = html;
        browser_->setHtml(html);
    }

    // Places the cursor at the keyword's section (the top for the contents) and scrolls it
    // into view once the window has been laid out.
    void showAnchor(const QString& keyword) {
        const QString anchor = keyword.isEmpty() ? QString() : findHelpAnchor(html_, keyword);
        QTextCursor cursor(browser_->document());
        cursor.setPosition(anchor.isEmpty() ? 0 : anchorPosition(anchor));
        browser_->setTextCursor(cursor);
        QTimer::singleShot(0, this, [this, anchor] {
            if (anchor.isEmpty())
                browser_->verticalScrollBar()->setValue(0);
            else
                browser_->scrollToAnchor(anchor);
        });
    }

private:
    int anchorPosition(const QString& anchor) const {
        for (QTextBlock block = browser_->document()->begin(); block.isValid();
             block = block.next()) {
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                if (fragment.fragment().charFormat().anchorNames().contains(anchor))
                    return fragment.fragment().position();
            }
        }
        return 0;
    }

    QTextBrowser* browser_ = nullptr;
    QString path_;
    QString html_;
};

QPointer<HelpWindow>& openWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

bool readHelpFile(const QString& path, QString& html, QString& reason) {
    QFile file(path);
    if (!file.exists()) {
        reason = "The help file " + QDir::toNativeSeparators(path) + " was not found.";
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        reason = "The help file " + QDir::toNativeSeparators(path) +
                 " cannot be read: " + file.errorString();
        return false;
    }
    if (file.size() > MaxHelpFileBytes) {
        reason = "The file " + QDir::toNativeSeparators(path) + " is not a help file.";
        return false;
    }
    const QByteArray bytes = file.read(MaxHelpFileBytes + 1);
    if (bytes.size() > MaxHelpFileBytes) {
        reason = "The file " + QDir::toNativeSeparators(path) + " is not a help file.";
        return false;
    }
    html = QString::fromUtf8(bytes);
    return true;
}

void openHelp(QWidget* owner, const QString& path, const QString& keyword) {
    if (const HelpHandler& handler = installedHandler()) {
        handler(path, keyword);
        return;
    }
    QString html;
    QString reason;
    if (!readHelpFile(path, html, reason)) {
        showError(owner, reason);
        return;
    }
    QWidget* parent = owner != nullptr ? owner->window() : nullptr;
    QPointer<HelpWindow>& window = openWindow();
    if (window != nullptr && window->parentWidget() != parent) {
        window->close();
        window = nullptr;
    }
    if (window == nullptr)
        window = new HelpWindow(parent);
    window->load(path, html);
    window->show();
    window->raise();
    window->activateWindow();
    window->showAnchor(keyword.trimmed());
}

} // namespace

void showHelpContents(QWidget* owner, const QString& helpFilePath) {
    openHelp(owner, helpFilePath, QString());
}

void showHelpKeyword(QWidget* owner, const QString& helpFilePath, const QString& keyword) {
    openHelp(owner, helpFilePath, keyword);
}

void setHelpHandler(HelpHandler handler) {
    installedHandler() = std::move(handler);
}

QString findHelpAnchor(const QString& html, const QString& keyword) {
    static const QRegularExpression anchors(
        R"re(<a\s[^>]*?\b(?:name|id)\s*=\s*(?:"([^"]*)"|'([^']*)'))re",
        QRegularExpression::CaseInsensitiveOption);
    const QString wanted = asciiUpper(keyword.trimmed());
    if (wanted.isEmpty())
        return {};
    auto matches = anchors.globalMatch(html);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QString name = match.captured(1).isNull() ? match.captured(2) : match.captured(1);
        if (asciiUpper(name.trimmed()) == wanted)
            return name;
    }
    return {};
}

bool installHelpFile(const QString& programFolder, QString* error) {
    const QString target = QDir(programFolder).filePath(HelpFileName);
    if (QFileInfo::exists(target))
        return true;
    const auto fail = [&](const QString& reason) {
        if (error != nullptr)
            *error =
                "Cannot write the help file " + QDir::toNativeSeparators(target) + ": " + reason;
        return false;
    };
    QFile bundled(QStringLiteral(":/help/") + HelpFileName);
    if (!bundled.open(QIODevice::ReadOnly))
        return fail("the program's copy is missing.");
    const QByteArray bytes = bundled.readAll();
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(out.errorString());
    if (out.write(bytes) != bytes.size()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        return fail(reason);
    }
    if (!out.commit())
        return fail(out.errorString());
    return true;
}

} // namespace forms
