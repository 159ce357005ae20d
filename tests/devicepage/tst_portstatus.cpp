#include "benchtest.h"
#include "portstatus.h"

// The register's port texts, from the values a driver reports.
class PortStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void modemStateName_everyState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << "выключен";
        QTest::newRow("1") << 1 << "инициализируется";
        QTest::newRow("2") << 2 << "инициализирован";
        QTest::newRow("3") << 3 << "соединяется";
        QTest::newRow("4") << 4 << "подключен";
        QTest::newRow("5") << 5 << "отключается";
        QTest::newRow("6 has no name") << 6 << "";
        QTest::newRow("7") << 7 << "инициализирован (GPRS-соединение)";
        QTest::newRow("8") << 8 << "отключается от хоста";
        QTest::newRow("9") << 9 << "";
        QTest::newRow("negative") << -1 << "";
        QTest::newRow("lowest") << std::numeric_limits<int>::min() << "";
        QTest::newRow("highest") << std::numeric_limits<int>::max() << "";
    }
    void modemStateName_everyState()
    {
        QFETCH(int, state);
        QFETCH(QString, name);
        QCOMPARE(modemStateName(state), name);
    }

    void portModeName_onlyOneAndTwoAreOn_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("name");
        QTest::newRow("off at start") << 0 << "выключено";
        QTest::newRow("synchronous") << 1 << "синхронно";
        QTest::newRow("asynchronous") << 2 << "асинхронно";
        QTest::newRow("unknown") << 3 << "выключено";
        QTest::newRow("negative") << -2 << "выключено";
    }
    void portModeName_onlyOneAndTwoAreOn()
    {
        QFETCH(int, mode);
        QFETCH(QString, name);
        QCOMPARE(portModeName(mode), name);
    }

    void modemStatusText_missingValuesShowQuestionMark_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("operatorName");
        QTest::addColumn<QString>("lastError");
        QTest::addColumn<QString>("text");
        QTest::newRow("connected") << 4 << -71 << "СимСеть" << "нет"
                                   << "Модем подключен\nМощность сигнала -71 dBm\nОператор - СимСеть\n"
                                      "Последняя ошибка - \nнет\nВходной буффер - 4096 б\nВыходной буффер - 2048 б";
        QTest::newRow("nothing reported") << 0 << 0 << "" << ""
                                          << "Модем выключен\nМощность сигнала ? dBm\nОператор - ?\n"
                                             "Последняя ошибка - \n?\nВходной буффер - 4096 б\nВыходной буффер - 2048 б";
        QTest::newRow("state without name") << 6 << 5 << "%1" << "%2"
                                            << "Модем \nМощность сигнала 5 dBm\nОператор - %1\n"
                                               "Последняя ошибка - \n%2\nВходной буффер - 4096 б\nВыходной буффер - 2048 б";
    }
    void modemStatusText_missingValuesShowQuestionMark()
    {
        QFETCH(int, state);
        QFETCH(int, signal);
        QFETCH(QString, operatorName);
        QFETCH(QString, lastError);
        QFETCH(QString, text);
        ModemStatus status;
        status.state = state;
        status.signalLevel = signal;
        status.operatorName = operatorName;
        status.lastError = lastError;
        status.inputBufferSize = 4096;
        status.outputBufferSize = 2048;
        QCOMPARE(modemStatusText(status), text);
    }

    void pinpadStatusText_buffersOnly()
    {
        QCOMPARE(pinpadStatusText(1024, 0), QStringLiteral("Входной буффер - 1024 б\nВыходной буффер - 0 б"));
    }
};

BENCH_TEST_MAIN(PortStatusTest)
#include "tst_portstatus.moc"
