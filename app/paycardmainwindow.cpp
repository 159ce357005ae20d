#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "busyinput.h"
#include "devicelists.h"
#include "dialogs.h"
#include "stylesheet.h"

#include <QLabel>
#include <QListView>
#include <QProxyStyle>
#include <QPushButton>

// The resource bundle lives in the static library; register it before main
// runs so that the icon and the style sheet resolve like in any Qt program.
// Q_INIT_RESOURCE has to be used outside any namespace.
static int registerResources()
{
    Q_INIT_RESOURCE(resources);
    return 0;
}
Q_CONSTRUCTOR_FUNCTION(registerResources)

namespace {

// Four decimal numbers joined by points, shown in the title.
const wchar_t programVersion[] = L"" PAYCARD_BENCH_VERSION;

class DropDownListStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

PayCardMainWindow::PayCardMainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::PayCardMainWindow)
{
    ui->setupUi(this);
    installBusyInput();
    setWindowTitle(windowTitle() + tr(" (%1)").arg(QString::fromWCharArray(programVersion)));

    // After the by-name connections of setupUi, so a click runs the section
    // slot first and the button bookkeeping second.
    connect(ui->pbtnSectionDevices, &QPushButton::clicked, this, &PayCardMainWindow::updateSectionButtons);
    connect(ui->pbtnSectionAuthorization, &QPushButton::clicked, this, &PayCardMainWindow::updateSectionButtons);
    connect(ui->pbtnSectionReports, &QPushButton::clicked, this, &PayCardMainWindow::updateSectionButtons);

    errorLabel = new QLabel;
    errorLabel->setObjectName(QStringLiteral("errorLabel"));
    // Driver texts may hold "<" or "&"; they are shown as they are, never as markup.
    errorLabel->setTextFormat(Qt::PlainText);
    ui->statusbar->addWidget(errorLabel);

    applyStyleSheet();
    setupCodeCombos();
    // Every row of the device list is one line of text: the list then takes
    // its size from one row instead of measuring thousands of names, and it
    // drops down below the box on every platform, since a style that opens it
    // over the box measures every name to size it.
    if (auto *list = qobject_cast<QListView *>(ui->cmbDevices->view()))
        list->setUniformItemSizes(true);
    auto *listStyle = new DropDownListStyle;
    listStyle->setParent(ui->cmbDevices);
    ui->cmbDevices->setStyle(listStyle);

    ui->stackedWidgetMain->setCurrentIndex(1);
    ui->pbtnSectionAuthorization->setChecked(true);
    ui->twAuthorization->setCurrentIndex(0);
    ui->twReports->setCurrentIndex(0);

    setDefaultFieldValues();

    ui->centralwidget->setFocusPolicy(Qt::TabFocus);
    ui->scrollArea->setFocusPolicy(Qt::NoFocus);
    ui->scrollAreaWidgetContents->setFocusPolicy(Qt::NoFocus);

    startDevices();
    adjustSize();
}

PayCardMainWindow::~PayCardMainWindow()
{
    shutDownDevices();
}

void PayCardMainWindow::applyStyleSheet()
{
    applyBenchStyleSheet(this);
}

void PayCardMainWindow::showError(const char *text)
{
    if (errorLabel)
        errorLabel->setText(readableText(QString::fromUtf8(text)));
}

void PayCardMainWindow::updateSectionButtons()
{
    auto *clicked = qobject_cast<QPushButton *>(sender());
    if (!clicked)
        return;
    const auto buttons = ui->scrollAreaWidgetContents->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->isChecked() && button->objectName() != clicked->objectName())
            button->setChecked(false);
    }
    clicked->setChecked(true);
}

void PayCardMainWindow::on_pbtnSectionDevices_clicked()
{
    ui->stackedWidgetMain->setCurrentIndex(0);
}

void PayCardMainWindow::on_pbtnSectionAuthorization_clicked()
{
    ui->stackedWidgetMain->setCurrentIndex(1);
}

void PayCardMainWindow::on_pbtnSectionReports_clicked()
{
    ui->stackedWidgetMain->setCurrentIndex(2);
}
