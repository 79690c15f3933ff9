#ifndef VORNHELM_JSINJECTORDIALOG_H
#define VORNHELM_JSINJECTORDIALOG_H

#include <QDialog>
#include <QList>
#include <QModelIndex>
#include <QString>

#include <memory>

class QGraphicsWebView;
class QWebFrame;
class Ui_JsInjectorDialog;

// Developer tool window: lists the frames of the page shown by webView as a
// tree and evaluates a typed script in the frame picked there. Modeless;
// closing only hides it.
class JsInjectorDialog : public QDialog
{
    Q_OBJECT
public:
    explicit JsInjectorDialog(QWidget* parent = nullptr);
    ~JsInjectorDialog() override;

    // The page view whose frames are listed; set by the owner before every
    // show, never owned here. May be null: the tree is then empty.
    QGraphicsWebView* webView = nullptr;

    void refreshFrameTreeView();
    void injectJsIntoSelectedFrame();

    QWebFrame* topLevelFrame() const;
    QString frameTreeAsString() const;
    QString frameLevelAsString(int level, const QWebFrame* frame) const;
    QWebFrame* toFrame(QModelIndex index) const;
    QList<int> rowList(QModelIndex index) const;
    QWebFrame* findFrame(QList<int> rows, int level, const QWebFrame* frame) const;

    // Rebuilds the frame tree from the live page, then shows the window.
    // Shadows QWidget::show(): call it on this type.
    void show();

private slots:
    void on_injectButton_clicked();
    void on_refreshFrameTreeButton_clicked();

private:
    std::unique_ptr<Ui_JsInjectorDialog> ui;
};

#endif // VORNHELM_JSINJECTORDIALOG_H
