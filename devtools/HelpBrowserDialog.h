#ifndef VORNHELM_HELPBROWSERDIALOG_H
#define VORNHELM_HELPBROWSERDIALOG_H

#include <QDialog>
#include <QString>
#include <QUrl>

#include <memory>

class HelpBrowserDialogPrivate;

// Window on the application's QtHelp collection: contents and index tabs, a
// page view, history with back and forward, reload and print. Made anew for
// every Help request and owned by its parent; modeless. Closing hides it,
// and frees it when the caller asks for that (Qt::WA_DeleteOnClose). The
// collection's own files are never written: where the help engine would, it
// opens a copy in the user's cache. When the collection file is missing,
// cannot be set up, even from a copy, or holds no documentation, it warns,
// closes itself and never shows.
class HelpBrowserDialog : public QDialog
{
    Q_OBJECT
public:
    HelpBrowserDialog(QString helpFolder, QString docName, QString virtualFolder,
                      QString iconPath, QWidget* parent = nullptr);
    ~HelpBrowserDialog() override;

private slots:
    // Shows the first contents entry; run once, shortly after construction.
    void setFirstPage();
    // Shows url, highlights keyword in it when given, and records it in the
    // history (cutting the forward part).
    void setCurrentPage(QUrl url, QString keyword = QString(""));
    void on_reloadButton_clicked();
    void on_backButton_clicked();
    void on_forwardButton_clicked();
    void on_printButton_clicked();

private:
    std::unique_ptr<HelpBrowserDialogPrivate> d;
};

#endif // VORNHELM_HELPBROWSERDIALOG_H
