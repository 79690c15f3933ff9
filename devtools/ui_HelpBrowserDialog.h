#ifndef VORNHELM_UI_HELPBROWSERDIALOG_H
#define VORNHELM_UI_HELPBROWSERDIALOG_H

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QMetaObject>
#include <QSpacerItem>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <QtWebKitWidgets/QWebView>

// Form of the help browser: contents and index tabs on the left, a row of
// tool buttons above the page view on the right. Written in the shape uic
// gives forms, so the dialog's on_<object>_<signal> slots connect by name.
class Ui_HelpBrowserDialog
{
public:
    QVBoxLayout* verticalLayout_2 = nullptr;
    QSplitter* splitter = nullptr;
    QTabWidget* tabWidget = nullptr;
    QWidget* tab_1 = nullptr;
    QVBoxLayout* verticalLayout_3 = nullptr;
    QVBoxLayout* tocLayout = nullptr;
    QWidget* tab_2 = nullptr;
    QVBoxLayout* verticalLayout_4 = nullptr;
    QVBoxLayout* indexLayout = nullptr;
    QWidget* verticalLayoutWidget_3 = nullptr;
    QVBoxLayout* verticalLayout = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QToolButton* printButton = nullptr;
    QToolButton* reloadButton = nullptr;
    QToolButton* backButton = nullptr;
    QToolButton* forwardButton = nullptr;
    QSpacerItem* horizontalSpacer = nullptr;
    QWebView* webView = nullptr;

    void setupUi(QDialog* HelpBrowserDialog)
    {
        if (HelpBrowserDialog->objectName().isEmpty())
            HelpBrowserDialog->setObjectName(QString::fromUtf8("HelpBrowserDialog"));
        HelpBrowserDialog->resize(800, 600);

        verticalLayout_2 = new QVBoxLayout(HelpBrowserDialog);
        verticalLayout_2->setObjectName(QString::fromUtf8("verticalLayout_2"));

        splitter = new QSplitter(HelpBrowserDialog);
        splitter->setObjectName(QString::fromUtf8("splitter"));
        splitter->setOrientation(Qt::Horizontal);

        tabWidget = new QTabWidget(splitter);
        tabWidget->setObjectName(QString::fromUtf8("tabWidget"));
        tabWidget->setMinimumSize(QSize(127, 0));
        tabWidget->setTabShape(QTabWidget::Triangular);

        tab_1 = new QWidget();
        tab_1->setObjectName(QString::fromUtf8("tab_1"));
        verticalLayout_3 = new QVBoxLayout(tab_1);
        verticalLayout_3->setObjectName(QString::fromUtf8("verticalLayout_3"));
        tocLayout = new QVBoxLayout();
        tocLayout->setObjectName(QString::fromUtf8("tocLayout"));
        verticalLayout_3->addLayout(tocLayout);
        tabWidget->addTab(tab_1, QString());

        tab_2 = new QWidget();
        tab_2->setObjectName(QString::fromUtf8("tab_2"));
        verticalLayout_4 = new QVBoxLayout(tab_2);
        verticalLayout_4->setObjectName(QString::fromUtf8("verticalLayout_4"));
        indexLayout = new QVBoxLayout();
        indexLayout->setObjectName(QString::fromUtf8("indexLayout"));
        verticalLayout_4->addLayout(indexLayout);
        tabWidget->addTab(tab_2, QString());

        splitter->addWidget(tabWidget);

        verticalLayoutWidget_3 = new QWidget(splitter);
        verticalLayoutWidget_3->setObjectName(QString::fromUtf8("verticalLayoutWidget_3"));
        verticalLayout = new QVBoxLayout(verticalLayoutWidget_3);
        verticalLayout->setObjectName(QString::fromUtf8("verticalLayout"));
        verticalLayout->setContentsMargins(0, 0, 0, 0);

        horizontalLayout = new QHBoxLayout();
        horizontalLayout->setObjectName(QString::fromUtf8("horizontalLayout"));

        printButton = new QToolButton(verticalLayoutWidget_3);
        printButton->setObjectName(QString::fromUtf8("printButton"));
        QIcon printIcon;
        printIcon.addFile(QString::fromUtf8(":/viewerButtons/resources/print.png"), QSize(),
                          QIcon::Normal, QIcon::Off);
        printButton->setIcon(printIcon);
        horizontalLayout->addWidget(printButton);

        reloadButton = new QToolButton(verticalLayoutWidget_3);
        reloadButton->setObjectName(QString::fromUtf8("reloadButton"));
        QIcon reloadIcon;
        reloadIcon.addFile(QString::fromUtf8(":/viewerButtons/resources/view-refresh.png"),
                           QSize(), QIcon::Normal, QIcon::Off);
        reloadButton->setIcon(reloadIcon);
        horizontalLayout->addWidget(reloadButton);

        backButton = new QToolButton(verticalLayoutWidget_3);
        backButton->setObjectName(QString::fromUtf8("backButton"));
        QIcon backIcon;
        backIcon.addFile(QString::fromUtf8(":/viewerButtons/resources/go-previous.png"), QSize(),
                         QIcon::Normal, QIcon::Off);
        backButton->setIcon(backIcon);
        backButton->setArrowType(Qt::NoArrow);
        horizontalLayout->addWidget(backButton, 0, Qt::AlignLeft);

        forwardButton = new QToolButton(verticalLayoutWidget_3);
        forwardButton->setObjectName(QString::fromUtf8("forwardButton"));
        QIcon forwardIcon;
        forwardIcon.addFile(QString::fromUtf8(":/viewerButtons/resources/go-next.png"), QSize(),
                            QIcon::Normal, QIcon::Off);
        forwardButton->setIcon(forwardIcon);
        forwardButton->setArrowType(Qt::NoArrow);
        horizontalLayout->addWidget(forwardButton);

        horizontalSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        horizontalLayout->addItem(horizontalSpacer);

        verticalLayout->addLayout(horizontalLayout);

        webView = new QWebView(verticalLayoutWidget_3);
        webView->setObjectName(QString::fromUtf8("webView"));
        webView->setUrl(QUrl(QString::fromUtf8("about:blank"), QUrl::TolerantMode));
        verticalLayout->addWidget(webView);

        splitter->addWidget(verticalLayoutWidget_3);
        verticalLayout_2->addWidget(splitter);

        retranslateUi(HelpBrowserDialog);

        tabWidget->setCurrentIndex(0);

        QMetaObject::connectSlotsByName(HelpBrowserDialog);
    }

    void retranslateUi(QDialog* HelpBrowserDialog)
    {
        HelpBrowserDialog->setWindowTitle(
            QCoreApplication::translate("HelpBrowserDialog", "Help", nullptr));
        tabWidget->setTabText(tabWidget->indexOf(tab_1),
            QCoreApplication::translate("HelpBrowserDialog", "Table Of Contents", nullptr));
        tabWidget->setTabText(tabWidget->indexOf(tab_2),
            QCoreApplication::translate("HelpBrowserDialog", "Index", nullptr));
        printButton->setToolTip(QCoreApplication::translate("HelpBrowserDialog", "Print", nullptr));
        printButton->setText(QString());
        printButton->setShortcut(QKeySequence(
            QCoreApplication::translate("HelpBrowserDialog", "Ctrl+P", nullptr)));
        reloadButton->setToolTip(
            QCoreApplication::translate("HelpBrowserDialog", "Reload", nullptr));
        reloadButton->setText(QCoreApplication::translate("HelpBrowserDialog", "...", nullptr));
        reloadButton->setShortcut(QKeySequence(
            QCoreApplication::translate("HelpBrowserDialog", "F5", nullptr)));
        backButton->setToolTip(QCoreApplication::translate("HelpBrowserDialog", "Back", nullptr));
        backButton->setText(QCoreApplication::translate("HelpBrowserDialog", "...", nullptr));
        forwardButton->setToolTip(
            QCoreApplication::translate("HelpBrowserDialog", "Forward", nullptr));
        forwardButton->setText(QCoreApplication::translate("HelpBrowserDialog", "...", nullptr));
    }
};

namespace Ui {
class HelpBrowserDialog : public Ui_HelpBrowserDialog {};
} // namespace Ui

#endif // VORNHELM_UI_HELPBROWSERDIALOG_H
