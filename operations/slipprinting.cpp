#include "paycardmainwindow.h"

void PayCardMainWindow::on_pbtnAuthPrintSlip_clicked()
{
}

void PayCardMainWindow::on_pbtnReportPrintSlip_clicked()
{
}
