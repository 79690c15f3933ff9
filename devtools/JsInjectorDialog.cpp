#include "devtools/JsInjectorDialog.h"

#include "devtools/FrameTreeModel.h"
#include "devtools/ui_JsInjectorDialog.h"

#include <QGraphicsWebView>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QWebFrame>
#include <QWebPage>

#include <algorithm>

namespace {

const QString UNABLE_TO_INJECT_TITLE = QStringLiteral("Unable To Inject");
const QString SELECT_FRAME_TEXT = QStringLiteral("Please Select A Frame First.");
const QString INPUT_SCRIPT_TEXT = QStringLiteral("Please Input Some JavaScript First.");

} // namespace

JsInjectorDialog::JsInjectorDialog(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui_JsInjectorDialog)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    ui->frameTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
}

JsInjectorDialog::~JsInjectorDialog() = default;

void JsInjectorDialog::show()
{
    refreshFrameTreeView();
    QWidget::show();
}

void JsInjectorDialog::refreshFrameTreeView()
{
    QTreeView* view = ui->frameTreeView;
    view->reset();

    QAbstractItemModel* oldModel = view->model();
    QItemSelectionModel* oldSelection = view->selectionModel();

    view->setModel(new FrameTreeModel(frameTreeAsString(), this));
    view->collapseAll();

    // The view neither owns its models nor deletes a replaced selection
    // model; without this every showing would leave both behind.
    if (oldSelection && oldSelection != view->selectionModel())
        oldSelection->deleteLater();
    if (oldModel && oldModel->parent() == this)
        oldModel->deleteLater();
}

void JsInjectorDialog::injectJsIntoSelectedFrame()
{
    const QItemSelectionModel* selection = ui->frameTreeView->selectionModel();
    const QModelIndexList selected =
        selection ? selection->selectedIndexes() : QModelIndexList();
    const QString script = ui->jsEdit->toPlainText();

    if (selected.isEmpty()) {
        QMessageBox::warning(this, UNABLE_TO_INJECT_TITLE, SELECT_FRAME_TEXT,
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    if (script.trimmed().isEmpty()) {
        QMessageBox::warning(this, UNABLE_TO_INJECT_TITLE, INPUT_SCRIPT_TEXT,
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }

    QWebFrame* target = toFrame(selected.first());
    if (!target)
        return;
    target->evaluateJavaScript(script);
}

QWebFrame* JsInjectorDialog::topLevelFrame() const
{
    if (!webView || !webView->page())
        return nullptr;
    return webView->page()->mainFrame();
}

QString JsInjectorDialog::frameTreeAsString() const
{
    return frameLevelAsString(0, topLevelFrame());
}

QString JsInjectorDialog::frameLevelAsString(int level, const QWebFrame* frame) const
{
    QString text;
    if (!frame)
        return text;
    const QList<QWebFrame*> children = frame->childFrames();
    for (const QWebFrame* child : children) {
        text += FrameTreeModel::toRawDataItem(level, child->frameName(),
                                              child->requestedUrl().toString());
        text += frameLevelAsString(level + 1, child);
    }
    return text;
}

QWebFrame* JsInjectorDialog::toFrame(QModelIndex index) const
{
    return findFrame(rowList(index), 0, topLevelFrame());
}

QList<int> JsInjectorDialog::rowList(QModelIndex index) const
{
    QList<int> rows;
    while (index.parent() != QModelIndex()) {
        rows.append(index.row());
        index = index.parent();
    }
    rows.append(index.row());
    std::reverse(rows.begin(), rows.end());
    return rows;
}

QWebFrame* JsInjectorDialog::findFrame(QList<int> rows, int level, const QWebFrame* frame) const
{
    if (!frame || level < 0 || level >= rows.size())
        return nullptr;
    const int r = rows.at(level);
    const QList<QWebFrame*> children = frame->childFrames();
    if (r < 0 || r >= children.size())
        return nullptr;
    QWebFrame* child = children.at(r);
    if (level == rows.size() - 1)
        return child;
    return findFrame(rows, level + 1, child);
}

void JsInjectorDialog::on_injectButton_clicked()
{
    injectJsIntoSelectedFrame();
}

void JsInjectorDialog::on_refreshFrameTreeButton_clicked()
{
    refreshFrameTreeView();
}
