#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

using NEB::Fptr::IFptr;

// The view already holds the slip cut to the terminal's width, so each of its
// lines becomes one printed line as it is. The register is looked up for
// every call, like every other driver call of the window.
void PayCardMainWindow::printSlipText(const QTextEdit *slipView)
{
    try {
        const QStringList lines = slipView->toPlainText().split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            setEcrInt(&IFptr::setLineParamA, 0);
            setEcrInt(&IFptr::setLineParamB, 1);
            currentFptr()->writeString(&IFptr::setLineText, line);
            currentFptr()->invoke(&IFptr::printLine);
        }
        setEcrInt(&IFptr::setFinishParam, 2);
        currentFptr()->invoke(&IFptr::finishStepA);
        currentFptr()->invoke(&IFptr::finishStepB);
        currentFptr()->invoke(&IFptr::finishStepC);
    } catch (const std::exception &e) {
        // Lines already printed cannot be taken back; the closing calls are
        // not made, so a half slip is not finished as if it were whole.
        showError(e.what());
    }
}

void PayCardMainWindow::on_pbtnAuthPrintSlip_clicked()
{
    printSlipText(ui->teAuthSlip);
}

void PayCardMainWindow::on_pbtnReportPrintSlip_clicked()
{
    printSlipText(ui->teReportSlip);
}
