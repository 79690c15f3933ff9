#ifndef UI_JSINJECTORDIALOG_H
#define UI_JSINJECTORDIALOG_H

#include <QtCore/QVariant>
#include <QtGui/QFont>
#include <QtGui/QIcon>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QTreeView>

QT_BEGIN_NAMESPACE

class Ui_JsInjectorDialog
{
public:
    QDialogButtonBox *buttonBox;
    QTextEdit *jsEdit;
    QPushButton *injectButton;
    QLabel *label;
    QTreeView *frameTreeView;
    QLabel *label_2;
    QPushButton *refreshFrameTreeButton;

    void setupUi(QDialog *JsInjectorDialog)
    {
        if (JsInjectorDialog->objectName().isEmpty())
            JsInjectorDialog->setObjectName(QString::fromUtf8("JsInjectorDialog"));
        JsInjectorDialog->resize(550, 550);
        QSizePolicy sizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        sizePolicy.setHorizontalStretch(0);
        sizePolicy.setVerticalStretch(0);
        sizePolicy.setHeightForWidth(JsInjectorDialog->sizePolicy().hasHeightForWidth());
        JsInjectorDialog->setSizePolicy(sizePolicy);
        JsInjectorDialog->setMinimumSize(QSize(550, 550));
        JsInjectorDialog->setMaximumSize(QSize(550, 550));
        QIcon icon;
        icon.addFile(QString::fromUtf8(":/viewerButtons/resources/injection.png"), QSize(), QIcon::Normal, QIcon::Off);
        JsInjectorDialog->setWindowIcon(icon);
        buttonBox = new QDialogButtonBox(JsInjectorDialog);
        buttonBox->setObjectName(QString::fromUtf8("buttonBox"));
        buttonBox->setGeometry(QRect(460, 510, 81, 41));
        buttonBox->setOrientation(Qt::Horizontal);
        buttonBox->setStandardButtons(QDialogButtonBox::Close);
        jsEdit = new QTextEdit(JsInjectorDialog);
        jsEdit->setObjectName(QString::fromUtf8("jsEdit"));
        jsEdit->setGeometry(QRect(10, 230, 531, 281));
        QFont font;
        font.setPointSize(10);
        jsEdit->setFont(font);
        injectButton = new QPushButton(JsInjectorDialog);
        injectButton->setObjectName(QString::fromUtf8("injectButton"));
        injectButton->setGeometry(QRect(380, 519, 81, 23));
        QFont font1;
        font1.setBold(true);
        font1.setItalic(false);
        font1.setWeight(75);
        font1.setKerning(true);
        injectButton->setFont(font1);
        injectButton->setIcon(icon);
        label = new QLabel(JsInjectorDialog);
        label->setObjectName(QString::fromUtf8("label"));
        label->setGeometry(QRect(10, 210, 141, 16));
        frameTreeView = new QTreeView(JsInjectorDialog);
        frameTreeView->setObjectName(QString::fromUtf8("frameTreeView"));
        frameTreeView->setGeometry(QRect(10, 30, 531, 151));
        label_2 = new QLabel(JsInjectorDialog);
        label_2->setObjectName(QString::fromUtf8("label_2"));
        label_2->setGeometry(QRect(10, 10, 131, 16));
        refreshFrameTreeButton = new QPushButton(JsInjectorDialog);
        refreshFrameTreeButton->setObjectName(QString::fromUtf8("refreshFrameTreeButton"));
        refreshFrameTreeButton->setGeometry(QRect(460, 189, 81, 23));
        QFont font2;
        font2.setBold(false);
        font2.setItalic(false);
        font2.setWeight(50);
        font2.setKerning(true);
        refreshFrameTreeButton->setFont(font2);

        retranslateUi(JsInjectorDialog);
        QObject::connect(buttonBox, SIGNAL(accepted()), JsInjectorDialog, SLOT(accept()));
        QObject::connect(buttonBox, SIGNAL(rejected()), JsInjectorDialog, SLOT(reject()));

        QMetaObject::connectSlotsByName(JsInjectorDialog);
    } // setupUi

    void retranslateUi(QDialog *JsInjectorDialog)
    {
        JsInjectorDialog->setWindowTitle(QCoreApplication::translate("JsInjectorDialog", "Injector", nullptr));
        injectButton->setText(QCoreApplication::translate("JsInjectorDialog", "&Inject!", nullptr));
        label->setText(QCoreApplication::translate("JsInjectorDialog", "JavaScript:", nullptr));
        label_2->setText(QCoreApplication::translate("JsInjectorDialog", "Frame:", nullptr));
        refreshFrameTreeButton->setText(QCoreApplication::translate("JsInjectorDialog", "&Refresh", nullptr));
    } // retranslateUi

};

namespace Ui {
    class JsInjectorDialog: public Ui_JsInjectorDialog {};
} // namespace Ui

QT_END_NAMESPACE

#endif // UI_JSINJECTORDIALOG_H
