#include "paycardmainwindow.h"

void PayCardMainWindow::on_pbtnFillAuthorizationFields_clicked()
{
}

void PayCardMainWindow::on_pbtnAuthorization_clicked()
{
}

void PayCardMainWindow::on_pbtnExecute_clicked()
{
}

void PayCardMainWindow::on_pbtnClearAuthResult_clicked()
{
}

void PayCardMainWindow::on_pbtnClearAuthSlip_clicked()
{
}
