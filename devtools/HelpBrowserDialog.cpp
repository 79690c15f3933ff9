#include "devtools/HelpBrowserDialog.h"

#include "devtools/HelpCollectionChoice.h"
#include "devtools/ui_HelpBrowserDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QList>
#include <QMessageBox>
#include <QMutableListIterator>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtHelp/QHelpContentModel>
#include <QtHelp/QHelpContentWidget>
#include <QtHelp/QHelpEngine>
#include <QtHelp/QHelpIndexWidget>
#include <QtWebKitWidgets/QWebFrame>
#include <QtWebKitWidgets/QWebPage>

namespace {
const QString HELP_PROTOCOL = QStringLiteral("qthelp://");
const QString HTML_MIME_TYPE = QStringLiteral("text/html");
const QString MISSING_HELP_TITLE = QStringLiteral("Missing Resource");
const QString MISSING_HELP_TEXT = QStringLiteral("The Help Documentation Could Not Ne Found.");
const int FIRST_PAGE_DELAY_MS = 250;
// Name of each dialog's own copy of the help folder, in the user's cache.
const QString HELP_COPY_TEMPLATE = QStringLiteral("/help-XXXXXX");
} // namespace

class HelpBrowserDialogPrivate
{
public:
    HelpBrowserDialogPrivate(const QString& helpFolder, const QString& docName,
                             const QString& virtualFolder)
        : ui(new Ui_HelpBrowserDialog)
        , helpFolder(helpFolder)
        , docName(docName)
        , virtualFolder(virtualFolder)
        , historyIterator(history)
    {
    }

    QString collectionToOpen();
    QString helpPrefix() const;
    void setPage(const QUrl& url);
    void setFirstPage();
    void setCurrentPage(const QUrl& url, const QString& keyword);
    void back();
    void forward();
    void reload();
    void print();

    std::unique_ptr<Ui_HelpBrowserDialog> ui;
    QHelpEngine* helpEngine = nullptr; // Qt child of the dialog
    QString helpFolder;
    QString docName;
    QString virtualFolder;
    // Copy of the help folder the engine may write; removed with the dialog.
    std::unique_ptr<QTemporaryDir> helpCopy;
    // Pages requested, oldest first; the entry just before the cursor is the
    // page shown.
    QList<QUrl> history;
    QMutableListIterator<QUrl> historyIterator;
};

// The help folder's own collection where the engine leaves it as it is,
// otherwise a copy in the user's cache, kept while the dialog lives, whose
// folder then becomes the pages' base. Null where there is no collection.
// Where no copy can be made (no cache to write into), a non-empty collection
// is opened as it stands, the only way left to show its pages; an empty one
// the engine would fill, and it has no pages to show anyway.
QString HelpBrowserDialogPrivate::collectionToOpen()
{
    const QFileInfo collection(helpFolder + QStringLiteral("/") + docName);
    if (!collection.exists())
        return QString();
    const QString ownCollection = collection.size() > 0 ? collection.absoluteFilePath() : QString();
    const QString cacheFolder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cacheFolder.isEmpty() || !QDir().mkpath(cacheFolder))
        return ownCollection;
    helpCopy.reset(new QTemporaryDir(cacheFolder + HELP_COPY_TEMPLATE));
    if (!helpCopy->isValid())
        return ownCollection;
    const QString path = HelpCollectionChoice::collectionToOpen(helpFolder, docName, helpCopy->path());
    if (path.isNull()) {
        helpCopy.reset();
        return ownCollection;
    }
    if (path.startsWith(helpCopy->path() + QStringLiteral("/")))
        helpFolder = helpCopy->path();
    else
        helpCopy.reset();
    return path;
}

QString HelpBrowserDialogPrivate::helpPrefix() const
{
    return HELP_PROTOCOL + QHelpEngineCore::namespaceName(helpEngine->collectionFile());
}

void HelpBrowserDialogPrivate::setPage(const QUrl& url)
{
    const QString prefix = helpPrefix();
    QString text = url.toString();
    if (!text.startsWith(prefix, Qt::CaseInsensitive)) {
        const QString folder = QStringLiteral("/") + virtualFolder + QStringLiteral("/");
        const int at = text.indexOf(folder, 0, Qt::CaseSensitive);
        if (at > 0)
            text.replace(0, at, prefix);
    }
    if (text.startsWith(prefix, Qt::CaseInsensitive)) {
        const QByteArray data = helpEngine->fileData(QUrl(text, QUrl::TolerantMode));
        ui->webView->setContent(data, HTML_MIME_TYPE,
                                QUrl::fromLocalFile(helpFolder + QStringLiteral("/")));
    } else {
        ui->webView->setUrl(url);
    }
    ui->reloadButton->setEnabled(true);
    ui->printButton->setEnabled(true);
}

void HelpBrowserDialogPrivate::setFirstPage()
{
    QHelpContentModel* model = helpEngine->contentModel();
    if (!model->hasIndex(0, 0, QModelIndex()))
        return;
    const QModelIndex first = model->index(0, 0, QModelIndex());
    helpEngine->contentWidget()->setCurrentIndex(first);
    helpEngine->contentWidget()->expand(first);
    const QHelpContentItem* item = model->contentItemAt(first);
    if (item == nullptr)
        return;
    setCurrentPage(item->url(), QString(""));
}

void HelpBrowserDialogPrivate::setCurrentPage(const QUrl& url, const QString& keyword)
{
    setPage(url);
    if (!keyword.isEmpty())
        ui->webView->page()->findText(keyword, QWebPage::HighlightAllOccurrences);

    historyIterator.insert(url);
    while (historyIterator.hasNext()) {
        historyIterator.next();
        historyIterator.remove();
    }
    ui->backButton->setEnabled(history.size() >= 2);
    ui->forwardButton->setEnabled(false);
}

void HelpBrowserDialogPrivate::back()
{
    // The cursor stands after the shown entry; back needs one more before it.
    if (!historyIterator.hasPrevious())
        return;
    historyIterator.previous();
    if (!historyIterator.hasPrevious()) {
        historyIterator.next();
        return;
    }
    const QUrl url = historyIterator.previous();
    setPage(url);
    if (!historyIterator.hasPrevious())
        ui->backButton->setEnabled(false);
    historyIterator.next();
    ui->forwardButton->setEnabled(true);
}

void HelpBrowserDialogPrivate::forward()
{
    if (!historyIterator.hasNext())
        return;
    const QUrl url = historyIterator.next();
    setPage(url);
    if (!historyIterator.hasNext())
        ui->forwardButton->setEnabled(false);
    ui->backButton->setEnabled(true);
}

void HelpBrowserDialogPrivate::reload()
{
    // Collection pages are shown from their data with the help folder as base
    // address, so the view's own reload would load that folder: load the
    // shown entry again instead.
    if (!historyIterator.hasPrevious())
        return;
    setPage(historyIterator.peekPrevious());
}

void HelpBrowserDialogPrivate::print()
{
    QPrinter printer(QPrinter::ScreenResolution);
    QPrintDialog dialog(&printer, nullptr);
    if (dialog.exec() == QDialog::Accepted)
        ui->webView->page()->mainFrame()->print(&printer);
}

HelpBrowserDialog::HelpBrowserDialog(QString helpFolder, QString docName, QString virtualFolder,
                                     QString iconPath, QWidget* parent)
    : QDialog(parent)
    , d(new HelpBrowserDialogPrivate(helpFolder, docName, virtualFolder))
{
    const QString collectionPath = d->collectionToOpen();
    std::unique_ptr<QHelpEngine> engine(collectionPath.isEmpty() ? nullptr
                                                                 : new QHelpEngine(collectionPath));
    if (!engine || !engine->setupData() || engine->registeredDocumentations().isEmpty()) {
        QMessageBox::warning(this, MISSING_HELP_TITLE, MISSING_HELP_TEXT, QMessageBox::Ok,
                             QMessageBox::NoButton);
        QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
        return;
    }

    d->ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(iconPath));

    engine->setParent(this);
    d->helpEngine = engine.release();

    QHelpContentWidget* contents = d->helpEngine->contentWidget();
    connect(contents, SIGNAL(linkActivated(QUrl)), this, SLOT(setCurrentPage(QUrl)));
    d->ui->tocLayout->addWidget(contents);

    QHelpIndexWidget* index = d->helpEngine->indexWidget();
    connect(index, SIGNAL(linkActivated(QUrl,QString)), this,
            SLOT(setCurrentPage(QUrl,QString)));
    d->ui->indexLayout->addWidget(index);

    QTimer::singleShot(FIRST_PAGE_DELAY_MS, this, SLOT(setFirstPage()));

    d->ui->webView->page()->setLinkDelegationPolicy(QWebPage::DelegateAllLinks);
    connect(d->ui->webView, SIGNAL(linkClicked(QUrl)), this, SLOT(setCurrentPage(QUrl)));
    d->ui->webView->setContextMenuPolicy(Qt::NoContextMenu);

    d->ui->reloadButton->setEnabled(false);
    d->ui->backButton->setEnabled(false);
    d->ui->forwardButton->setEnabled(false);
    d->ui->printButton->setEnabled(false);

    show();
}

HelpBrowserDialog::~HelpBrowserDialog() = default;

void HelpBrowserDialog::setFirstPage() { d->setFirstPage(); }

void HelpBrowserDialog::setCurrentPage(QUrl url, QString keyword) { d->setCurrentPage(url, keyword); }

void HelpBrowserDialog::on_reloadButton_clicked() { d->reload(); }

void HelpBrowserDialog::on_backButton_clicked() { d->back(); }

void HelpBrowserDialog::on_forwardButton_clicked() { d->forward(); }

void HelpBrowserDialog::on_printButton_clicked() { d->print(); }
