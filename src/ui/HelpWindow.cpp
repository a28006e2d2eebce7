#include "HelpWindow.h"

#include "LeafAccessible.h"
#include "ports/UserInterface.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBlock>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString DocumentName = QStringLiteral("quorix.html");

// A block of the help (a heading, a paragraph, an item of a list) as a reader meets it: one
// object each, so that the document is read and moved through in parts, heading by heading.
class HelpBlockAccessible : public LeafAccessible<QTextBrowser> {
public:
    using LeafAccessible::LeafAccessible;

    QTextBlock block() const {
        return m_owner ? m_owner->document()->findBlockByNumber(m_position) : QTextBlock();
    }
    bool isValid() const override { return block().isValid(); }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? block().text() : QString();
    }
    QRect rect() const override {
        const QTextBlock b = block();
        if (!b.isValid())
            return {};
        QRectF r = m_owner->document()->documentLayout()->blockBoundingRect(b);
        r.translate(-m_owner->horizontalScrollBar()->value(),
                    -m_owner->verticalScrollBar()->value());
        const QRect shown = r.toAlignedRect();
        return QRect(m_owner->viewport()->mapToGlobal(shown.topLeft()), shown.size());
    }
    QAccessible::Role role() const override {
        const QTextBlock b = block();
        if (b.blockFormat().headingLevel() > 0)
            return QAccessible::Heading;
        return b.textList() ? QAccessible::ListItem : QAccessible::Paragraph;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        s.invalid = !isValid();
        if (m_owner) {
            const QRect local(m_owner->viewport()->mapFromGlobal(rect().topLeft()), rect().size());
            s.invisible = s.offscreen = !m_owner->viewport()->rect().intersects(local);
        }
        return s;
    }
    QStringList actionNames() const override { return {}; }
    void doAction(const QString&) override {}
};

class HelpTextAccessible : public QAccessibleWidget {
public:
    explicit HelpTextAccessible(QTextBrowser* browser)
        : QAccessibleWidget(browser, QAccessible::Document) {}
    QTextBrowser* browser() const { return static_cast<QTextBrowser*>(widget()); }
    int childCount() const override { return browser()->document()->blockCount(); }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < childCount() ? m_blocks.at(browser(), index) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return m_blocks.positionOf(child);
    }

private:
    Leaves<HelpBlockAccessible, QTextBrowser> m_blocks;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QTextBrowser") && object &&
        object->objectName() == QLatin1String("helpText"))
        return new HelpTextAccessible(static_cast<QTextBrowser*>(object));
    return nullptr;
}

} // namespace

QStringList HelpWindow::searchPaths() {
    const QString app = QCoreApplication::applicationDirPath();
    QStringList paths{app + u'/' + DocumentName,
                      QDir::cleanPath(app + QStringLiteral("/../share/quorix/") + DocumentName)};
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        paths << dir + QStringLiteral("/quorix/") + DocumentName;
    return paths;
}

QString HelpWindow::locate() {
    for (const QString& path : searchPaths()) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

HelpWindow::HelpWindow(const QString& document, QWidget* parent)
    : QDialog(parent)
    , m_browser(new QTextBrowser(this)) {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    m_browser->setObjectName(QStringLiteral("helpText"));
    setWindowTitle(QStringLiteral("Quorix Help"));
    setAccessibleName(QStringLiteral("Quorix Help"));
    m_browser->setAccessibleName(QStringLiteral("Help text"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl::fromLocalFile(document));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(560, 620);
}

void HelpWindow::open(QWidget* parent, UserInterface& ui) {
    const QString document = locate();
    if (document.isEmpty()) {
        ui.standardMessageBox(QStringLiteral("The help document quorix.html could not be found.\n"
                                             "Quorix looked for it in:\n%1")
                                  .arg(searchPaths().join(u'\n')),
                              MessageIcon::Exclamation);
        return;
    }
    // One help window: asking again brings it forward.
    auto* window = parent->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new HelpWindow(document, parent);
    window->show();
    window->raise();
    window->activateWindow();
}
