#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include <QDate>
#include <QTime>

using NEB::PayCard::IPayCard;

void PayCardMainWindow::on_pbtnReportBegin_clicked()
{
    runPaycardSequence(ui->teReportSlip, [this] {
        setPaycardInt(&IPayCard::setReportType, currentItemId(ui->cmbReportType));
        setPaycardInt(&IPayCard::setCharLineLength, ui->spinReportLineLength->value());
        currentPaycard()->writeString(&IPayCard::setReportTerminalId, ui->leReportTerminalId->text());
        setPaycardInt(&IPayCard::setSlipNumber, ui->spinReportSlipNumber->value());
        currentPaycard()->invoke(&IPayCard::beginReport);
    });
}

void PayCardMainWindow::on_pbtnReportAdd_clicked()
{
    runPaycardSequence(ui->teReportSlip, [this] {
        currentPaycard()->invoke(&IPayCard::setReportSum, ui->spinReportSumm->value());
        setPaycardInt(&IPayCard::setReportOperationType, currentItemId(ui->cmbReportOperationType));
        currentPaycard()->invoke(&IPayCard::addReportItem);
    });
}

void PayCardMainWindow::on_pbtnReportEnd_clicked()
{
    runPaycardSequence(ui->teReportSlip, [this] {
        currentPaycard()->invoke(&IPayCard::endReport);
        ui->spinReportResponseCode->setValue(paycardInt(&IPayCard::responseCode));
        ui->twReports->setCurrentWidget(ui->tabReportSlip);
    });
}

void PayCardMainWindow::on_pbtnReportReset_clicked()
{
    runPaycardSequence(ui->teReportSlip, [this] { currentPaycard()->invoke(&IPayCard::resetReport); });
}

void PayCardMainWindow::on_pbtnReportFillFields_clicked()
{
    ui->dateReportTransactionDate->setDate(QDate(2008, 1, 1));
    ui->timeReportTransactionTime->setTime(QTime(0, 0));
    ui->spinReportSumm->setValue(34.56);
    ui->leReportCardNumber->setText(QStringLiteral("9999999999999995"));
    ui->dateReportCardExpDate->setDate(QDate(2009, 12, 31));
}

void PayCardMainWindow::on_pbtnClearReportSlip_clicked()
{
    ui->teReportSlip->clear();
}
