// The help browser on the collection the build generates, with the real help
// engine and a real page view on the offscreen platform.

#include "devtools/HelpBrowserDialog.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtHelp/QHelpContentModel>
#include <QtHelp/QHelpContentWidget>
#include <QtHelp/QHelpEngine>
#include <QtHelp/QHelpIndexModel>
#include <QtHelp/QHelpIndexWidget>
#include <QtHelp/QHelpLink>
#include <QtTest>
#include <QtWebKitWidgets/QWebFrame>
#include <QtWebKitWidgets/QWebPage>
#include <QtWebKitWidgets/QWebView>

#include <memory>

namespace {

const QString BUILD_HELP_DIR = QStringLiteral(VH_BUILD_DIR "/Resources/help");
const QString DOC_NAME = QStringLiteral("vornhelm.qhc");
const QString QCH_NAME = QStringLiteral("vornhelm.qch");
const QString NAMESPACE = QStringLiteral("org.vornhelm.help");
const QString VIRTUAL_FOLDER = QStringLiteral("doc");
const QString PAGE_PREFIX = QStringLiteral("qthelp://org.vornhelm.help/doc/");

// Page file and its title, in the order of the table of contents.
const QList<QPair<QString, QString>> PAGES = {
    {QStringLiteral("index.html"), QStringLiteral("Vornhelm Help")},
    {QStringLiteral("scripting.html"), QStringLiteral("Scripting with QtObj")},
    {QStringLiteral("filetypes.html"), QStringLiteral("File Types")},
    {QStringLiteral("mail.html"), QStringLiteral("Sending Mail")},
    {QStringLiteral("pdf.html"), QStringLiteral("PDF Documents")},
};

QString titleOf(const QString& file)
{
    for (const auto& page : PAGES) {
        if (page.first == file)
            return page.second;
    }
    return QString();
}

// Copies a file and gives the copy the original's modification time: the
// collection records the documentation file's time and drops it on a mismatch.
bool copyKeepingTime(const QString& from, const QString& to)
{
    if (!QFile::copy(from, to))
        return false;
    QFile copy(to);
    if (!copy.open(QIODevice::ReadWrite))
        return false;
    return copy.setFileTime(QFileInfo(from).lastModified(), QFileDevice::FileModificationTime);
}

QWebView* pageView(QDialog* dialog) { return dialog->findChild<QWebView*>(QStringLiteral("webView")); }

QToolButton* button(QDialog* dialog, const char* name)
{
    return dialog->findChild<QToolButton*>(QString::fromLatin1(name));
}

// Counts pixels of the yellow and orange tones the page view paints text
// search matches in; help pages themselves are black on white.
int highlightPixels(QWebView* view)
{
    QImage image(view->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    view->render(&image);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 120 && c.blue() < 100)
                ++count;
        }
    }
    return count;
}

// Clicks OK on the first visible message box and remembers what it showed.
struct MessageBoxCloser
{
    QTimer timer;
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

    MessageBoxCloser()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box == nullptr || !box->isVisible())
                    continue;
                seen = true;
                title = box->windowTitle();
                text = box->text();
                buttons = box->standardButtons();
                icon = box->icon();
                timer.stop();
                box->button(QMessageBox::Ok)->click();
                return;
            }
        });
        timer.start();
    }
};

} // namespace

class TestHelpBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buildCollectionHoldsEveryPage();
    void formAndWindow();
    void firstPageAfterDelay();
    void contentsAndIndexListPages();
    void choosingEntryShowsPage_data();
    void choosingEntryShowsPage();
    void indexKeywordIsHighlighted();
    void addressesMapIntoCollection_data();
    void addressesMapIntoCollection();
    void linkInPageOpensCollectionPage();
    void history_data();
    void history();
    void reloadKeepsPage();
    void collectionPath_data();
    void collectionPath();

private:
    std::unique_ptr<HelpBrowserDialog> openDialog();
    bool waitForFirstPage(HelpBrowserDialog* dialog);
    bool runAndWait(HelpBrowserDialog* dialog, const std::function<void()>& action,
                    bool expectLoad);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_helpFolder;
};

void TestHelpBrowser::init()
{
    // The help engine may write to the collection: every test works on its
    // own copy.
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_helpFolder = m_dir->path() + QStringLiteral("/help");
    QVERIFY(QDir().mkpath(m_helpFolder));
    QVERIFY2(QFileInfo::exists(BUILD_HELP_DIR + "/" + DOC_NAME), "help collection not built");
    QVERIFY(copyKeepingTime(BUILD_HELP_DIR + "/" + QCH_NAME, m_helpFolder + "/" + QCH_NAME));
    QVERIFY(copyKeepingTime(BUILD_HELP_DIR + "/" + DOC_NAME, m_helpFolder + "/" + DOC_NAME));
}

void TestHelpBrowser::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<HelpBrowserDialog> TestHelpBrowser::openDialog()
{
    return std::make_unique<HelpBrowserDialog>(m_helpFolder, DOC_NAME, VIRTUAL_FOLDER,
                                               QString(VH_SOURCE_DIR "/resources/icons/icon.png"),
                                               nullptr);
}

bool TestHelpBrowser::waitForFirstPage(HelpBrowserDialog* dialog)
{
    QWebView* view = pageView(dialog);
    return QTest::qWaitFor([&]() {
        return view->title() == titleOf("index.html") && button(dialog, "reloadButton")->isEnabled();
    }, 10000);
}

// Runs an action and, when it should load a page, waits until the load ends;
// otherwise checks that no load starts.
bool TestHelpBrowser::runAndWait(HelpBrowserDialog* dialog, const std::function<void()>& action,
                                 bool expectLoad)
{
    QSignalSpy finished(pageView(dialog), &QWebView::loadFinished);
    action();
    if (expectLoad)
        return QTest::qWaitFor([&]() { return finished.count() > 0; }, 10000);
    QTest::qWait(100);
    return finished.isEmpty();
}

void TestHelpBrowser::buildCollectionHoldsEveryPage()
{
    QHelpEngineCore engine(m_helpFolder + "/" + DOC_NAME);
    QVERIFY(engine.setupData());
    QCOMPARE(engine.registeredDocumentations(), QStringList{NAMESPACE});
    QCOMPARE(QHelpEngineCore::namespaceName(engine.collectionFile()), NAMESPACE);
    QCOMPARE(QFileInfo(engine.documentationFileName(NAMESPACE)).fileName(), QCH_NAME);
    for (const auto& page : PAGES) {
        const QByteArray data = engine.fileData(QUrl(PAGE_PREFIX + page.first));
        QVERIFY2(data.contains(("<title>" + page.second + "</title>").toUtf8()),
                 qPrintable(page.first));
    }
}

void TestHelpBrowser::formAndWindow()
{
    auto dialog = openDialog();
    // Qt itself adds the system-menu hint to a window that has a title hint.
    QCOMPARE(dialog->windowFlags() & ~Qt::WindowSystemMenuHint,
             Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                 | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->objectName(), QStringLiteral("HelpBrowserDialog"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Help"));
    QCOMPARE(dialog->size(), QSize(800, 600));

    auto* tabs = dialog->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Table Of Contents"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Index"));
    auto* engine = dialog->findChild<QHelpEngine*>();
    QVERIFY(engine);
    QCOMPARE(engine->contentWidget()->parentWidget()->objectName(), QStringLiteral("tab_1"));
    QCOMPARE(engine->indexWidget()->parentWidget()->objectName(), QStringLiteral("tab_2"));

    // Right after construction: nothing shown, every button disabled.
    QWebView* view = pageView(dialog.get());
    QCOMPARE(view->url(), QUrl(QStringLiteral("about:blank")));
    QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(view->page()->linkDelegationPolicy(), QWebPage::DelegateAllLinks);
    const QList<std::tuple<const char*, QString, QString>> buttons = {
        {"printButton", "Print", "Ctrl+P"},
        {"reloadButton", "Reload", "F5"},
        {"backButton", "Back", ""},
        {"forwardButton", "Forward", ""},
    };
    for (const auto& [name, toolTip, shortcut] : buttons) {
        QToolButton* b = button(dialog.get(), name);
        QVERIFY2(b, name);
        QVERIFY2(!b->isEnabled(), name);
        QCOMPARE(b->toolTip(), toolTip);
        QCOMPARE(b->shortcut(), QKeySequence(shortcut));
    }

    // Closing hides the window and keeps the object.
    QPointer<HelpBrowserDialog> guard(dialog.get());
    dialog->close();
    QCoreApplication::processEvents();
    QVERIFY(guard);
    QVERIFY(!dialog->isVisible());
}

void TestHelpBrowser::firstPageAfterDelay()
{
    auto dialog = openDialog();
    QVERIFY(waitForFirstPage(dialog.get()));
    auto* engine = dialog->findChild<QHelpEngine*>();
    const QModelIndex first = engine->contentModel()->index(0, 0);
    QCOMPARE(engine->contentWidget()->currentIndex(), first);
    QVERIFY(engine->contentWidget()->isExpanded(first));
    QVERIFY(button(dialog.get(), "printButton")->isEnabled());
    QVERIFY(!button(dialog.get(), "backButton")->isEnabled());
    QVERIFY(!button(dialog.get(), "forwardButton")->isEnabled());
    QVERIFY(pageView(dialog.get())->page()->mainFrame()->toPlainText().contains("QtObj"));
}

void TestHelpBrowser::contentsAndIndexListPages()
{
    auto dialog = openDialog();
    auto* engine = dialog->findChild<QHelpEngine*>();
    QHelpContentModel* contents = engine->contentModel();
    QTRY_VERIFY(!contents->isCreatingContents() && contents->rowCount() == 1);

    // One top entry, the other pages beneath it.
    QList<QPair<QString, QString>> listed;
    const QModelIndex top = contents->index(0, 0);
    const QHelpContentItem* topItem = contents->contentItemAt(top);
    listed.append({topItem->url().toString(), topItem->title()});
    for (int row = 0; row < contents->rowCount(top); ++row) {
        const QHelpContentItem* item = contents->contentItemAt(contents->index(row, 0, top));
        listed.append({item->url().toString(), item->title()});
    }
    QList<QPair<QString, QString>> expected;
    for (const auto& page : PAGES)
        expected.append({PAGE_PREFIX + page.first, page.second});
    QCOMPARE(listed, expected);

    // Every page is reached from the index, each keyword leading to one page.
    QHelpIndexModel* index = engine->indexModel();
    QTRY_VERIFY(!index->isCreatingIndex() && index->rowCount() > 0);
    QSet<QString> reached;
    for (const QString& keyword : index->stringList()) {
        const QList<QHelpLink> documents = engine->documentsForKeyword(keyword);
        QCOMPARE(documents.size(), 1);
        reached.insert(documents.first().url.toString());
    }
    QCOMPARE(reached.size(), PAGES.size());
    for (const auto& page : PAGES)
        QVERIFY2(reached.contains(PAGE_PREFIX + page.first), qPrintable(page.first));
}

void TestHelpBrowser::choosingEntryShowsPage_data()
{
    QTest::addColumn<bool>("fromIndex");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("file");

    QTest::newRow("contents: sub-entry") << false << "Sending Mail" << "mail.html";
    QTest::newRow("contents: last entry") << false << "PDF Documents" << "pdf.html";
    QTest::newRow("index: QtObj") << true << "QtObj" << "scripting.html";
    QTest::newRow("index: registerMimeType") << true << "registerMimeType" << "filetypes.html";
    QTest::newRow("index: tavrinDocToPdf") << true << "tavrinDocToPdf" << "pdf.html";
}

void TestHelpBrowser::choosingEntryShowsPage()
{
    QFETCH(bool, fromIndex);
    QFETCH(QString, entry);
    QFETCH(QString, file);

    auto dialog = openDialog();
    QVERIFY(waitForFirstPage(dialog.get()));
    auto* engine = dialog->findChild<QHelpEngine*>();

    QAbstractItemView* widget = fromIndex ? static_cast<QAbstractItemView*>(engine->indexWidget())
                                          : engine->contentWidget();
    if (fromIndex)
        QTRY_VERIFY(!engine->indexModel()->isCreatingIndex());
    QAbstractItemModel* model = widget->model();
    QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, entry, 1,
                                         Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);

    // The user picks the entry and presses Return.
    widget->setCurrentIndex(found.first());
    QVERIFY(runAndWait(dialog.get(), [&]() { QTest::keyClick(widget, Qt::Key_Return); }, true));
    QCOMPARE(pageView(dialog.get())->title(), titleOf(file));
    QVERIFY(button(dialog.get(), "backButton")->isEnabled());
    QVERIFY(!button(dialog.get(), "forwardButton")->isEnabled());
}

void TestHelpBrowser::indexKeywordIsHighlighted()
{
    auto dialog = openDialog();
    QVERIFY(waitForFirstPage(dialog.get()));
    QWebView* view = pageView(dialog.get());
    QCOMPARE(highlightPixels(view), 0);

    // An index keyword is highlighted in the page it opens.
    QVERIFY(runAndWait(dialog.get(), [&]() {
        QMetaObject::invokeMethod(dialog.get(), "setCurrentPage",
                                  Q_ARG(QUrl, QUrl(PAGE_PREFIX + "mail.html")),
                                  Q_ARG(QString, QStringLiteral("qtCallbackParameters")));
    }, true));
    QCOMPARE(view->title(), titleOf("mail.html"));
    QVERIFY(highlightPixels(view) > 0);

    // Contents entries and back highlight nothing.
    QVERIFY(runAndWait(dialog.get(), [&]() { button(dialog.get(), "backButton")->click(); }, true));
    QCOMPARE(view->title(), titleOf("index.html"));
    QCOMPARE(highlightPixels(view), 0);
}

void TestHelpBrowser::addressesMapIntoCollection_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");

    QTest::newRow("help address") << PAGE_PREFIX + "pdf.html" << titleOf("pdf.html");
    QTest::newRow("help address, other letter case")
        << "QTHELP://ORG.VORNHELM.HELP/doc/pdf.html" << titleOf("pdf.html");
    QTest::newRow("file address holding the virtual folder")
        << "file:///opt/somewhere/doc/mail.html" << titleOf("mail.html");
    QTest::newRow("other scheme holding the virtual folder")
        << "http://example.org/doc/filetypes.html" << titleOf("filetypes.html");
    QTest::newRow("outside the collection")
        << "data:text/html,<title>Elsewhere</title>x" << "Elsewhere";
}

void TestHelpBrowser::addressesMapIntoCollection()
{
    QFETCH(QString, address);
    QFETCH(QString, title);

    auto dialog = openDialog();
    QVERIFY(waitForFirstPage(dialog.get()));
    QVERIFY(runAndWait(dialog.get(), [&]() {
        QMetaObject::invokeMethod(dialog.get(), "setCurrentPage", Q_ARG(QUrl, QUrl(address)));
    }, true));
    QCOMPARE(pageView(dialog.get())->title(), title);
}

void TestHelpBrowser::linkInPageOpensCollectionPage()
{
    auto dialog = openDialog();
    QVERIFY(waitForFirstPage(dialog.get()));
    QWebFrame* frame = pageView(dialog.get())->page()->mainFrame();
    QVERIFY(runAndWait(dialog.get(), [&]() {
        frame->evaluateJavaScript("document.getElementById('scriptingLink').click();");
    }, true));
    QCOMPARE(pageView(dialog.get())->title(), titleOf("scripting.html"));
    QVERIFY(button(dialog.get(), "backButton")->isEnabled());

    // A link of that page, and back again to it.
    QVERIFY(runAndWait(dialog.get(), [&]() {
        frame->evaluateJavaScript("document.getElementById('mailLink').click();");
    }, true));
    QCOMPARE(pageView(dialog.get())->title(), titleOf("mail.html"));
    QVERIFY(runAndWait(dialog.get(), [&]() { button(dialog.get(), "backButton")->click(); }, true));
    QCOMPARE(pageView(dialog.get())->title(), titleOf("scripting.html"));
}

void TestHelpBrowser::history_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("forward");

    // A is the first page, shown by itself; B to D are requested after it.
    QTest::newRow("A") << "A" << "A" << "A" << false << false;
    QTest::newRow("A,B,C") << "A,B,C" << "A,B,C" << "C" << true << false;
    QTest::newRow("A,B,C,back") << "A,B,C,back" << "A,B,C" << "B" << true << true;
    QTest::newRow("A,B,C,back,back") << "A,B,C,back,back" << "A,B,C" << "A" << false << true;
    QTest::newRow("A,B,C,back,back,forward")
        << "A,B,C,back,back,forward" << "A,B,C" << "B" << true << true;
    QTest::newRow("A,B,C,back,D") << "A,B,C,back,D" << "A,B,D" << "D" << true << false;
    QTest::newRow("A,B,C,back,back,D") << "A,B,C,back,back,D" << "A,D" << "D" << true << false;
    QTest::newRow("A,A") << "A,A" << "A,A" << "A" << true << false;
    // The ends of the history hold.
    QTest::newRow("A,back") << "A,back" << "A" << "A" << false << false;
    QTest::newRow("A,forward") << "A,forward" << "A" << "A" << false << false;
    QTest::newRow("A,B,back,back,back") << "A,B,back,back,back" << "A,B" << "A" << false << true;
    QTest::newRow("A,B,back,forward,forward")
        << "A,B,back,forward,forward" << "A,B" << "B" << true << false;
}

void TestHelpBrowser::history()
{
    QFETCH(QString, sequence);
    QFETCH(QString, history);
    QFETCH(QString, shown);
    QFETCH(bool, back);
    QFETCH(bool, forward);

    // B and D are asked for by help address, C by a file address that the
    // browser maps into the collection.
    const QHash<QString, QString> files = {
        {"A", "index.html"}, {"B", "scripting.html"}, {"C", "filetypes.html"}, {"D", "mail.html"}};
    const QHash<QString, QUrl> addresses = {
        {"A", QUrl(PAGE_PREFIX + "index.html")},
        {"B", QUrl(PAGE_PREFIX + "scripting.html")},
        {"C", QUrl::fromLocalFile(m_helpFolder + "/doc/filetypes.html")},
        {"D", QUrl(PAGE_PREFIX + "mail.html")},
    };
    QHash<QString, QString> pageOfTitle;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        pageOfTitle.insert(titleOf(it.value()), it.key());

    auto dialog = openDialog();
    QVERIFY(waitForFirstPage(dialog.get()));
    QToolButton* backButton = button(dialog.get(), "backButton");
    QToolButton* forwardButton = button(dialog.get(), "forwardButton");
    QWebView* view = pageView(dialog.get());

    // The slots are invoked directly, so that back and forward are tried
    // also where their buttons would not let the user.
    const QStringList steps = sequence.split(',');
    QCOMPARE(steps.first(), QStringLiteral("A"));
    for (const QString& step : steps.mid(1)) {
        if (step == "back") {
            QVERIFY(runAndWait(dialog.get(), [&]() {
                QMetaObject::invokeMethod(dialog.get(), "on_backButton_clicked");
            }, backButton->isEnabled()));
        } else if (step == "forward") {
            QVERIFY(runAndWait(dialog.get(), [&]() {
                QMetaObject::invokeMethod(dialog.get(), "on_forwardButton_clicked");
            }, forwardButton->isEnabled()));
        } else {
            QVERIFY(runAndWait(dialog.get(), [&]() {
                QMetaObject::invokeMethod(dialog.get(), "setCurrentPage",
                                          Q_ARG(QUrl, addresses.value(step)));
            }, true));
        }
    }
    QCOMPARE(pageOfTitle.value(view->title()), shown);
    QCOMPARE(backButton->isEnabled(), back);
    QCOMPARE(forwardButton->isEnabled(), forward);
    QVERIFY(button(dialog.get(), "reloadButton")->isEnabled());
    QVERIFY(button(dialog.get(), "printButton")->isEnabled());

    // Read the whole history back: back to its start, then forward to its end.
    for (int guard = 0; backButton->isEnabled() && guard < 10; ++guard)
        QVERIFY(runAndWait(dialog.get(), [&]() { backButton->click(); }, true));
    QStringList walked{pageOfTitle.value(view->title())};
    for (int guard = 0; forwardButton->isEnabled() && guard < 10; ++guard) {
        QVERIFY(runAndWait(dialog.get(), [&]() { forwardButton->click(); }, true));
        walked.append(pageOfTitle.value(view->title()));
    }
    QCOMPARE(walked.join(','), history);
}

void TestHelpBrowser::reloadKeepsPage()
{
    auto dialog = openDialog();
    QVERIFY(waitForFirstPage(dialog.get()));
    QWebView* view = pageView(dialog.get());
    QToolButton* backButton = button(dialog.get(), "backButton");
    QToolButton* forwardButton = button(dialog.get(), "forwardButton");

    QVERIFY(runAndWait(dialog.get(), [&]() {
        QMetaObject::invokeMethod(dialog.get(), "setCurrentPage",
                                  Q_ARG(QUrl, QUrl(PAGE_PREFIX + "pdf.html")));
    }, true));
    QVERIFY(runAndWait(dialog.get(), [&]() { backButton->click(); }, true));
    QCOMPARE(view->title(), titleOf("index.html"));

    // Change the page so that a reload is visible, then reload.
    view->page()->mainFrame()->evaluateJavaScript("document.title = 'changed';");
    QCOMPARE(view->title(), QStringLiteral("changed"));
    QVERIFY(runAndWait(dialog.get(), [&]() { button(dialog.get(), "reloadButton")->click(); },
                       true));
    QCOMPARE(view->title(), titleOf("index.html"));
    QVERIFY(view->page()->mainFrame()->toPlainText().contains("Tools"));
    QVERIFY(!backButton->isEnabled());
    QVERIFY(forwardButton->isEnabled());
    QVERIFY(button(dialog.get(), "reloadButton")->isEnabled());
    QVERIFY(button(dialog.get(), "printButton")->isEnabled());

    // The history is untouched: forward still reaches the later page.
    QVERIFY(runAndWait(dialog.get(), [&]() { forwardButton->click(); }, true));
    QCOMPARE(view->title(), titleOf("pdf.html"));
}

void TestHelpBrowser::collectionPath_data()
{
    QTest::addColumn<QString>("folderSuffix");
    QTest::addColumn<QString>("docName");
    QTest::addColumn<bool>("opens");

    QTest::newRow("collection file") << "" << DOC_NAME << true;
    QTest::newRow("folder ending in a slash") << "/" << DOC_NAME << true;
    QTest::newRow("missing file") << "" << "absent.qhc" << false;
    QTest::newRow("missing folder") << "/nowhere" << DOC_NAME << false;
    QTest::newRow("a folder at the path") << "" << "sub" << true;
}

void TestHelpBrowser::collectionPath()
{
    QFETCH(QString, folderSuffix);
    QFETCH(QString, docName);
    QFETCH(bool, opens);

    QVERIFY(QDir().mkpath(m_helpFolder + "/sub"));
    MessageBoxCloser closer;
    HelpBrowserDialog dialog(m_helpFolder + folderSuffix, docName, VIRTUAL_FOLDER, QString(),
                             nullptr);
    closer.timer.stop();
    QCoreApplication::processEvents(); // the queued close, on failure

    QCOMPARE(dialog.isVisible(), opens);
    QCOMPARE(closer.seen, !opens);
    QCOMPARE(dialog.findChild<QHelpEngine*>() != nullptr, opens);
    QCOMPARE(pageView(&dialog) != nullptr, opens);
    if (!opens) {
        QCOMPARE(closer.title, QStringLiteral("Missing Resource"));
        QCOMPARE(closer.text, QStringLiteral("The Help Documentation Could Not Ne Found."));
        QCOMPARE(closer.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(closer.icon, QMessageBox::Warning);
            QTest::qWait(300); // no first page follows
        QVERIFY(!dialog.isVisible());
    }
}

QTEST_MAIN(TestHelpBrowser)
#include "tst_helpbrowser.moc"
