#include "codelists.h"
#include "paycardmainwindow.h"
#include "ui_paycardmainwindow.h"

#include <QComboBox>
#include <QDate>

namespace CodeLists {

const QString authorizationTypes = QString::fromUtf8(
    "0:Ридером по подписи;1:Вручную по подписи;2:Ридером по PIN;3:Вручную по PIN;4:Чиповая карта;");

const QString operationTypes = QString::fromUtf8(
    "0:Оплата;1:Возврат;2:Отмена оплаты;3:Отмена возврата;4:Активация БЕЗ суммы;"
    "5:Активация С суммой;6:Бонусы и скидка;7:Внесение предоплаты;8:Просмотр баланса;"
    "9:Оплата услуг;9:Оплата услуг картой;");

const QString reportOperationTypes = QString::fromUtf8(
    "0:Оплата;1:Возврат;2:Отмена оплаты;3:Отмена возврата;4:Активация БЕЗ суммы;"
    "5:Активация С суммой;6:Бонусы и скидка;7:Внесение предоплаты;8:Просмотр баланса;"
    "9:Оплата услуг;");

const QString serviceOperationTypes = QString::fromUtf8(
    "0:Обновление ключей авторизации;1:Загрузка настроек;2:Загрузка ПО;3:Загрузка настроек и ПО;"
    "4:Меню кассира;5:Меню администратора;");

const QString reportTypes = QString::fromUtf8(
    "0:Закрытие смены;1:Журнал операций;2:Итоги операций;3:Краткий отчет;4:Полный отчет;5:Запрос чека;");

const QString ecrPortTypes = QString::fromUtf8("%1:Пинпад;%2:Модем;").arg(0).arg(1);

} // namespace CodeLists

void selectComboCode(QComboBox *combo, int code)
{
    combo->setCurrentIndex(combo->findData(QString::number(code), Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void PayCardMainWindow::fillCodeCombo(QComboBox *combo, const QString &codeList, bool showCode)
{
    if (!combo)
        return;
    combo->clear();
    const QStringList entries = codeList.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const int colon = entry.indexOf(QLatin1Char(':'));
        const QString code = entry.left(colon);
        const QString label = colon < 0 ? QString() : entry.mid(colon + 1);
        combo->addItem(showCode ? tr("%1 - %2").arg(code, label) : label, code);
    }
}

int PayCardMainWindow::currentItemId(const QComboBox *combo)
{
    if (!combo || combo->currentIndex() < 0)
        return -1;
    return combo->currentData(Qt::UserRole).toInt();
}

void PayCardMainWindow::setupCodeCombos()
{
    fillCodeCombo(ui->cmbAuthType, CodeLists::authorizationTypes, true);
    fillCodeCombo(ui->cmbOperationType, CodeLists::operationTypes, true);
    fillCodeCombo(ui->cmbServiceOperationType, CodeLists::serviceOperationTypes, true);
    fillCodeCombo(ui->cmbReportType, CodeLists::reportTypes, true);
    fillCodeCombo(ui->cmbReportOperationType, CodeLists::reportOperationTypes, true);
    fillCodeCombo(ui->cmbEcrPortType, CodeLists::ecrPortTypes, false);
}

void PayCardMainWindow::setDefaultFieldValues()
{
    const QDate today = QDate::currentDate();
    ui->spinCharLineLength->setValue(35);
    ui->spinTermNumber->setValue(1);
    ui->leAdditionParam->setText(QStringLiteral("0"));
    ui->leCurrencyNumber->setText(QStringLiteral("643"));
    ui->dateCardExpDate->setDate(today);
    ui->spinReportLineLength->setValue(35);
    ui->spinReportChequeNumber->setValue(1);
    ui->dateReportCardExpDate->setDate(today);
    ui->dateReportTransactionDate->setDate(today);
}
