#include "paycardmainwindow.h"

void PayCardMainWindow::on_pbtnReportBegin_clicked()
{
}

void PayCardMainWindow::on_pbtnReportAdd_clicked()
{
}

void PayCardMainWindow::on_pbtnReportEnd_clicked()
{
}

void PayCardMainWindow::on_pbtnReportReset_clicked()
{
}

void PayCardMainWindow::on_pbtnReportFillFields_clicked()
{
}

void PayCardMainWindow::on_pbtnClearReportSlip_clicked()
{
}
