#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include "codelists.h"
#include "devicelists.h"
#include "operationtexts.h"

#include <QRandomGenerator>

using NEB::PayCard::IPayCard;
using OperationText::ResponseField;

namespace {

// Slip lines the slip views lay out as one paragraph.
const int SlipLinesPerParagraph = 64;

} // namespace

bool PayCardMainWindow::paycardObjectPresent() const
{
    if (!paycardDevices)
        return false;
    const int id = paycardDevices->current();
    return paycardDevices->ids().contains(id) && paycardDevices->device(id)->driverObject();
}

void PayCardMainWindow::clearError()
{
    // Clearing an empty label still relays the status bar out and repaints
    // it, on every successful operation.
    if (errorLabel && !errorLabel->text().isEmpty())
        errorLabel->clear();
}

void PayCardMainWindow::runPaycardSequence(QTextEdit *slipView, const std::function<void()> &sequence,
                                           const std::function<void()> &afterFailure)
{
    try {
        sequence();
        clearError();
    } catch (const std::exception &e) {
        showError(e.what());
        // Without a driver object the failure path and the slip would only
        // fail again with the same message.
        if (!paycardObjectPresent())
            return;
        if (afterFailure) {
            try {
                afterFailure();
            } catch (const std::exception &) {
                // The first failure says what went wrong with the operation;
                // it stays in the status bar.
            }
        }
    }
    // Gathered into paragraphs, a slip of megabytes shows in time
    // proportional to its length.
    showSlip(slipView, OperationText::gatheredParagraphs(slipViewText(), SlipLinesPerParagraph));
}

// A slip of megabytes spends most of its layout in the shaper, which for the
// characters of an ordinary slip in a fixed-pitch font puts every glyph
// where it would stand anyway. A slip with anything the shaper would change
// (marks, joiners, scripts that join) is shaped as before.
void PayCardMainWindow::showSlip(QTextEdit *slipView, const QString &text)
{
    const bool unshaped = OperationText::laysOutUnshaped(text);
    QFont font = slipView->font();
    if (bool(font.styleStrategy() & QFont::PreferNoShaping) != unshaped) {
        // Emptied first: the old slip is not laid out again in the new font.
        slipView->clear();
        font.setStyleStrategy(QFont::StyleStrategy(unshaped ? font.styleStrategy() | QFont::PreferNoShaping
                                                            : font.styleStrategy() & ~QFont::PreferNoShaping));
        slipView->setFont(font);
    }
    slipView->setPlainText(text);
}

QString PayCardMainWindow::slipViewText()
{
    const QString slip = paycardString(&IPayCard::slipText);
    return OperationText::slipViewText(slip, paycardInt(&IPayCard::charLineLength));
}

void PayCardMainWindow::formatAuthorizationResult()
{
    const int responseCode = paycardInt(&IPayCard::responseCode);
    const QString text = OperationText::authorizationResultText(
        responseCode, paycardProtocol(), [this](ResponseField field) -> QVariant {
            switch (field) {
            case ResponseField::AuthorizationCode:
                return paycardString(&IPayCard::authorizationCode);
            case ResponseField::TransactionId:
                return paycardString(&IPayCard::transactionId);
            case ResponseField::TransactionDate:
                return paycardString(&IPayCard::transactionDate);
            case ResponseField::TransactionTime:
                return paycardString(&IPayCard::transactionTime);
            case ResponseField::TerminalId:
                return paycardString(&IPayCard::terminalId);
            case ResponseField::ReferenceNumber:
                return paycardString(&IPayCard::referenceNumber);
            case ResponseField::CardNumber:
                return paycardString(&IPayCard::cardNumber);
            case ResponseField::CardType:
                return paycardString(&IPayCard::cardType);
            case ResponseField::CardExpiryDate:
                return paycardString(&IPayCard::cardExpiryDate);
            case ResponseField::PointCode:
                return paycardParameter(QStringLiteral("PointCode"));
            case ResponseField::Commission:
                return currentPaycard()->readDouble(&IPayCard::commission);
            case ResponseField::OperatorName:
                return paycardString(&IPayCard::operatorName);
            case ResponseField::SlipNumber:
                return paycardInt(&IPayCard::slipNumber);
            case ResponseField::AmountId:
                return paycardString(&IPayCard::amountId);
            case ResponseField::CommissionId:
                return paycardString(&IPayCard::commissionId);
            }
            return QVariant();
        });
    // Plain text: driver values such as a holder name with "<" or "&" must
    // show as they are, not be taken for markup.
    ui->teAuthResult->setPlainText(text);
    ui->twAuthorization->setCurrentWidget(ui->tabAuthResult);
}

void PayCardMainWindow::formatResponseCode()
{
    ui->teAuthResult->setPlainText(OperationText::responseCodeText(paycardInt(&IPayCard::responseCode)));
    ui->twAuthorization->setCurrentWidget(ui->tabAuthResult);
}

void PayCardMainWindow::on_pbtnFillAuthorizationFields_clicked()
{
    int protocol = 0;
    try {
        protocol = paycardProtocol();
    } catch (const std::exception &e) {
        showError(e.what());
        return;
    }
    if (protocol == 2) {
        selectComboCode(ui->cmbAuthType, 1);
        selectComboCode(ui->cmbOperationType, 9);
    } else {
        selectComboCode(ui->cmbAuthType, 2);
        selectComboCode(ui->cmbOperationType, 0);
    }
    ui->leAdditionParam->setText(QStringLiteral("0"));
    ui->spinTermNumber->setValue(1);
    ui->spinSum->setValue(1.0);
    ui->leCardNumber->setText(QStringLiteral("9999999999999995"));
    ui->spinSession->setValue(1);
    ui->spinChequeNumber->setValue(1);
    ui->leReferenceNumber->clear();
    ui->leCurrencyNumber->setText(QStringLiteral("643"));
    ui->lePhoneNumber->clear();
    ui->leCashierName->clear();
    ui->leBarcode->setText(QStringLiteral("0012345678"));
    ui->spinECRReceiptNumber->setValue(int(QRandomGenerator::global()->bounded(10000)));
}

void PayCardMainWindow::on_pbtnAuthorization_clicked()
{
    ui->teAuthResult->clear();
    ui->teAuthSlip->clear();
    runPaycardSequence(
        ui->teAuthSlip,
        [this] {
            setPaycardInt(&IPayCard::setAuthorizationType, currentItemId(ui->cmbAuthType));
            setPaycardInt(&IPayCard::setOperationType, currentItemId(ui->cmbOperationType));
            currentPaycard()->invoke(&IPayCard::setSum, ui->spinSum->value());
            currentPaycard()->writeString(&IPayCard::setCurrencyCode, ui->leCurrencyNumber->text());
            currentPaycard()->writeString(&IPayCard::setReferenceNumber, ui->leReferenceNumber->text());
            setPaycardInt(&IPayCard::setCharLineLength, ui->spinCharLineLength->value());
            currentPaycard()->writeString(&IPayCard::setAccountNumber, ui->leAccountNumber->text());
            currentPaycard()->writeString(&IPayCard::setPhoneNumber, ui->lePhoneNumber->text());
            currentPaycard()->writeString(&IPayCard::setTrack2, ui->leTrack2->text());
            setPaycardInt(&IPayCard::setEcrReceiptNumber, ui->spinECRReceiptNumber->value());
            currentPaycard()->invoke(&IPayCard::authorize);
            currentPaycard()->invoke(&IPayCard::completeAuthorization);
            formatAuthorizationResult();
        },
        [this] {
            // Read before anything else asks the driver, which may reset it.
            const int resultCode = paycardInt(&IPayCard::resultCode);
            if (OperationText::hasResponseFields(resultCode))
                formatAuthorizationResult();
        });
}

void PayCardMainWindow::on_pbtnExecute_clicked()
{
    ui->teAuthResult->clear();
    ui->teAuthSlip->clear();
    runPaycardSequence(
        ui->teAuthSlip,
        [this] {
            setPaycardInt(&IPayCard::setServiceOperationType, currentItemId(ui->cmbServiceOperationType));
            currentPaycard()->invoke(&IPayCard::executeServiceOperation);
            formatResponseCode();
        },
        [this] { formatResponseCode(); });
}

void PayCardMainWindow::on_pbtnClearAuthResult_clicked()
{
    ui->teAuthResult->clear();
}

void PayCardMainWindow::on_pbtnClearAuthSlip_clicked()
{
    ui->teAuthSlip->clear();
}
