#include "benchtest.h"
#include "fakedrivers.h"
#include "qnebinterface.h"

#include <climits>
#include <functional>

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

typedef std::function<void()> WrapperCall;
Q_DECLARE_METATYPE(WrapperCall)

namespace {

// No scripted result: the fake returns the full length of its value.
constexpr int NaturalLength = INT_MIN;

// A text in which every prefix is different, so a truncated or shifted read
// cannot pass for the whole value.
QString patternText(int length)
{
    static const QString alphabet = QStringLiteral("абвгдежзик0123456789xyz");
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text.append(alphabet.at(i % alphabet.size()));
    return text;
}

QString sizedCall(const QString &operation, int size)
{
    return QStringLiteral("%1(%2)").arg(operation).arg(size);
}

} // namespace

class TestQNebInterface : public QObject
{
    Q_OBJECT

private slots:
    void checkResult_nonNegative_returnedWithoutCallingDriver_data();
    void checkResult_nonNegative_returnedWithoutCallingDriver();
    void checkResult_negative_throwsDriverReasonUnlessCodeIsZero_data();
    void checkResult_negative_throwsDriverReasonUnlessCodeIsZero();
    void readString_lengthAgainstBuffer_readsOnceOrTwiceWithFullLength_data();
    void readString_lengthAgainstBuffer_readsOnceOrTwiceWithFullLength();
    void readInt_failingGetter_returnsWhatDriverWroteWithoutThrowing_data();
    void readInt_failingGetter_returnsWhatDriverWroteWithoutThrowing();
    void writeString_text_reachesDriverAsWideString_data();
    void writeString_text_reachesDriverAsWideString();
    void writeString_failingSetter_throwsDriverReason();
    void readParameter_longValue_readsTwiceWithName();
    void readParameterText_lengthAgainstFirstBuffer_returnsWholeValue_data();
    void readParameterText_lengthAgainstFirstBuffer_returnsWholeValue();
    void readParameterValueLabel_currentValue_givesLabelOfFirstMatch_data();
    void readParameterValueLabel_currentValue_givesLabelOfFirstMatch();
    void accessors_withoutDriverObject_throwDeviceNotFound_data();
    void accessors_withoutDriverObject_throwDeviceNotFound();
};

void TestQNebInterface::checkResult_nonNegative_returnedWithoutCallingDriver_data()
{
    QTest::addColumn<int>("result");
    QTest::newRow("zero") << 0;
    QTest::newRow("positive") << 5;
    QTest::newRow("largest") << INT_MAX;
}

void TestQNebInterface::checkResult_nonNegative_returnedWithoutCallingDriver()
{
    QFETCH(int, result);
    FakePaycard driver;
    driver.failWith(7, QStringLiteral("must not be read"));
    QNebPaycard wrapper(&driver);
    QCOMPARE(wrapper.checkResult(result), result);
    QCOMPARE(driver.calls, QStringList());
}

void TestQNebInterface::checkResult_negative_throwsDriverReasonUnlessCodeIsZero_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("badParamFlag");
    QTest::addColumn<QString>("badParamDescription");
    QTest::addColumn<QString>("expectedMessage"); // empty: no exception

    QTest::newRow("code zero returns result") << 0 << "ignored" << 1 << "ignored" << QString();
    QTest::newRow("description only") << -1 << "D" << 0 << QString() << "[-1] D";
    QTest::newRow("bad parameter described") << -1 << "D" << 1 << "P" << "[-1] D (P)";
    QTest::newRow("bad parameter without description") << 5 << "D" << 1 << QString() << "[5] D";
    QTest::newRow("flag clear hides description") << 5 << "D" << 0 << "P" << "[5] D";
    QTest::newRow("empty description") << 12 << QString() << 0 << QString() << "[12] ";
    QTest::newRow("cyrillic") << 17 << "Нет связи" << 1 << "Сумма" << "[17] Нет связи (Сумма)";
}

void TestQNebInterface::checkResult_negative_throwsDriverReasonUnlessCodeIsZero()
{
    QFETCH(int, code);
    QFETCH(QString, description);
    QFETCH(int, badParamFlag);
    QFETCH(QString, badParamDescription);
    QFETCH(QString, expectedMessage);

    FakePaycard driver;
    driver.ints[QStringLiteral("resultCode")] = code;
    driver.strings[QStringLiteral("resultDescription")] = description;
    driver.ints[QStringLiteral("badParam")] = badParamFlag;
    driver.strings[QStringLiteral("badParamDescription")] = badParamDescription;
    QNebPaycard wrapper(&driver);

    if (expectedMessage.isEmpty()) {
        QCOMPARE(wrapper.checkResult(-3), -3);
        return;
    }
    try {
        wrapper.checkResult(-1);
        QFAIL("a described driver failure must throw");
    } catch (const Exception &e) {
        QCOMPARE(e.message(), expectedMessage);
        QCOMPARE(QString::fromUtf8(e.what()), expectedMessage);
    }
}

void TestQNebInterface::readString_lengthAgainstBuffer_readsOnceOrTwiceWithFullLength_data()
{
    QTest::addColumn<bool>("registerWrapper");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("scriptedLength");
    QTest::addColumn<bool>("withoutNul");
    QTest::addColumn<QList<int>>("bufferSizes");
    QTest::addColumn<QString>("expected");

    const QString shortText = patternText(10);
    const QString terminal = patternText(1024);
    const QString terminalLonger = patternText(1025);
    const QString registerLonger = patternText(257);
    const QString huge = patternText(5000);

    QTest::newRow("empty") << false << QString() << NaturalLength << false << QList<int>{1024} << QString();
    QTest::newRow("short") << false << shortText << NaturalLength << false << QList<int>{1024} << shortText;
    // A value of exactly the buffer size that the driver cut short to make
    // room for its NUL is asked for again; one that filled the whole buffer
    // without a NUL is complete after the first call.
    QTest::newRow("terminal exactly buffer size, cut for NUL")
        << false << terminal << NaturalLength << false << QList<int>{1024, 1025} << terminal;
    QTest::newRow("terminal exactly buffer size, filled")
        << false << terminal << NaturalLength << true << QList<int>{1024} << terminal;
    QTest::newRow("terminal one longer")
        << false << terminalLonger << NaturalLength << false << QList<int>{1024, 1026} << terminalLonger;
    QTest::newRow("terminal much longer")
        << false << huge << NaturalLength << false << QList<int>{1024, 5001} << huge;
    QTest::newRow("register exactly buffer size, cut for NUL")
        << true << registerLonger.left(256) << NaturalLength << false << QList<int>{256, 257} << registerLonger.left(256);
    QTest::newRow("register exactly buffer size, filled")
        << true << registerLonger.left(256) << NaturalLength << true << QList<int>{256} << registerLonger.left(256);
    QTest::newRow("register one longer")
        << true << registerLonger << NaturalLength << false << QList<int>{256, 258} << registerLonger;
    QTest::newRow("register longer than terminal buffer")
        << true << terminalLonger << NaturalLength << false << QList<int>{256, 1026} << terminalLonger;
    QTest::newRow("negative length") << false << shortText << -1 << false << QList<int>{1024} << QString();
    QTest::newRow("claims longer than written")
        << false << shortText << 2000 << false << QList<int>{1024, 2001} << shortText;
    // The second buffer is capped, so a lying driver cannot make the bench
    // allocate gigabytes.
    QTest::newRow("claims INT_MAX")
        << false << shortText << INT_MAX << false << QList<int>{1024, DriverText::MaximumLength + 1} << shortText;
    QTest::newRow("no NUL, claims buffer size")
        << false << huge << 1024 << true << QList<int>{1024} << huge.left(1024);
    QTest::newRow("no NUL, claims short")
        << true << huge << 10 << true << QList<int>{256} << huge.left(256);
    QTest::newRow("no NUL on second read")
        << true << terminalLonger << NaturalLength << true << QList<int>{256, 1026} << terminalLonger;
}

void TestQNebInterface::readString_lengthAgainstBuffer_readsOnceOrTwiceWithFullLength()
{
    QFETCH(bool, registerWrapper);
    QFETCH(QString, value);
    QFETCH(int, scriptedLength);
    QFETCH(bool, withoutNul);
    QFETCH(QList<int>, bufferSizes);
    QFETCH(QString, expected);

    const QString op = QStringLiteral("resultDescription");
    FakePaycard paycard;
    FakeFptr fptr;
    FakeDriverScript &driver = registerWrapper ? static_cast<FakeDriverScript &>(fptr) : paycard;
    driver.strings[op] = value;
    if (scriptedLength != NaturalLength)
        driver.results[op] = scriptedLength;
    if (withoutNul)
        driver.noTerminator.insert(op);

    QNebPaycard paycardWrapper(&paycard);
    QNebFptr fptrWrapper(&fptr);
    const QString text = registerWrapper ? fptrWrapper.readString(&IFptr::resultDescription)
                                         : paycardWrapper.readString(&IPayCard::resultDescription);

    QStringList expectedCalls;
    for (int size : bufferSizes)
        expectedCalls.append(sizedCall(op, size));
    QCOMPARE(driver.calls, expectedCalls);
    QCOMPARE(text.size(), expected.size());
    QCOMPARE(text, expected);
}

void TestQNebInterface::readInt_failingGetter_returnsWhatDriverWroteWithoutThrowing_data()
{
    QTest::addColumn<bool>("writes");
    QTest::addColumn<int>("expected");
    QTest::newRow("writes nothing") << false << 0;
    QTest::newRow("writes a value") << true << 42;
}

void TestQNebInterface::readInt_failingGetter_returnsWhatDriverWroteWithoutThrowing()
{
    QFETCH(bool, writes);
    QFETCH(int, expected);
    FakePaycard driver;
    driver.failWith(9, QStringLiteral("no response"));
    driver.results[QStringLiteral("responseCode")] = -1;
    if (writes)
        driver.ints[QStringLiteral("responseCode")] = 42;
    QNebPaycard wrapper(&driver);
    QCOMPARE(wrapper.readInt(&IPayCard::responseCode), expected);
    QCOMPARE(driver.calls, QStringList{QStringLiteral("responseCode()")});
}

void TestQNebInterface::writeString_text_reachesDriverAsWideString_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("latin") << "643";
    QTest::newRow("cyrillic") << "Оплата картой";
    QTest::newRow("outside the basic plane") << QString::fromUtf8("\xF0\x9F\x92\xB3 card");
}

void TestQNebInterface::writeString_text_reachesDriverAsWideString()
{
    QFETCH(QString, text);
    FakePaycard driver;
    QNebPaycard wrapper(&driver);
    wrapper.writeString(&IPayCard::setCurrencyCode, text);
    QCOMPARE(driver.calls, QStringList{QStringLiteral("setCurrencyCode(%1)").arg(text)});
}

void TestQNebInterface::writeString_failingSetter_throwsDriverReason()
{
    FakePaycard driver;
    driver.results[QStringLiteral("setTrack2")] = -1;
    driver.failWith(4, QStringLiteral("Неверные данные"), QStringLiteral("Track2"));
    QNebPaycard wrapper(&driver);
    try {
        wrapper.writeString(&IPayCard::setTrack2, QStringLiteral("1234=5678"));
        QFAIL("a failing setter must throw");
    } catch (const Exception &e) {
        QCOMPARE(e.message(), QStringLiteral("[4] Неверные данные (Track2)"));
    }
}

void TestQNebInterface::readParameter_longValue_readsTwiceWithName()
{
    const QString value = patternText(300);
    FakeFptr driver;
    driver.parameters[QStringLiteral("Протокол")] = value;
    QNebFptr wrapper(&driver);
    QCOMPARE(wrapper.readParameter(QStringLiteral("Протокол")), value);
    QCOMPARE(driver.calls, (QStringList{QStringLiteral("parameter(Протокол, 256)"),
                                        QStringLiteral("parameter(Протокол, 301)")}));
}

void TestQNebInterface::readParameterText_lengthAgainstFirstBuffer_returnsWholeValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("scriptedLength");
    QTest::addColumn<QList<int>>("bufferSizes");
    QTest::addColumn<QString>("expected");

    const QString first = patternText(2048);
    const QString longer = patternText(2049);
    const QString huge = patternText(6000);
    QTest::newRow("empty") << QString() << NaturalLength << QList<int>{2048} << QString();
    QTest::newRow("short") << "Порт" << NaturalLength << QList<int>{2048} << "Порт";
    QTest::newRow("exactly first buffer") << first << NaturalLength << QList<int>{2048, 2049} << first;
    // The second buffer has room for the NUL, so nothing is cut off.
    QTest::newRow("one longer") << longer << NaturalLength << QList<int>{2048, 2050} << longer;
    QTest::newRow("much longer") << huge << NaturalLength << QList<int>{2048, 6001} << huge;
    QTest::newRow("negative length") << "abc" << -1 << QList<int>{2048} << "abc";
    QTest::newRow("zero length") << "abc" << 0 << QList<int>{2048} << QString();
    QTest::newRow("claims shorter") << "abcdef" << 3 << QList<int>{2048} << "abc";
}

void TestQNebInterface::readParameterText_lengthAgainstFirstBuffer_returnsWholeValue()
{
    QFETCH(QString, value);
    QFETCH(int, scriptedLength);
    QFETCH(QList<int>, bufferSizes);
    QFETCH(QString, expected);

    FakePaycard driver;
    driver.parameters[QStringLiteral("Name")] = value;
    if (scriptedLength != NaturalLength)
        driver.results[QStringLiteral("parameter")] = scriptedLength;

    const QString text = readParameterText<IPayCard>(&driver, L"Name");

    QStringList expectedCalls;
    for (int size : bufferSizes)
        expectedCalls.append(QStringLiteral("parameter(Name, %1)").arg(size));
    QCOMPARE(driver.calls, expectedCalls);
    QCOMPARE(text.size(), expected.size());
    QCOMPARE(text, expected);
}

void TestQNebInterface::readParameterValueLabel_currentValue_givesLabelOfFirstMatch_data()
{
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expected");

    QTest::newRow("second entry") << "0:A;1:B;" << "1" << "B";
    QTest::newRow("first entry") << "0:A;1:B;" << "0" << "A";
    QTest::newRow("no match") << "0:A;1:B;" << "2" << QString();
    QTest::newRow("label with colon") << "0:A;1:B:C;" << "1" << "B:C";
    QTest::newRow("case sensitive") << "a:small;" << "A" << QString();
    QTest::newRow("first match wins") << "1:A;1:B;" << "1" << "A";
    QTest::newRow("prefix is no match") << "10:ten;1:one;" << "1" << "one";
    QTest::newRow("cyrillic label") << "2:Сбербанк;" << "2" << "Сбербанк";

    // A list longer than the first buffer, matched at its very end.
    QString longList;
    for (int i = 0; i < 300; ++i)
        longList += QStringLiteral("%1:Протокол %1;").arg(i);
    QTest::newRow("long list") << longList << "299" << "Протокол 299";
}

void TestQNebInterface::readParameterValueLabel_currentValue_givesLabelOfFirstMatch()
{
    QFETCH(QString, values);
    QFETCH(QString, current);
    QFETCH(QString, expected);

    FakePaycard driver;
    driver.parameterValueLists[QStringLiteral("Protocol")] = values;
    driver.parameters[QStringLiteral("Protocol")] = current;
    QCOMPARE(readParameterValueLabel<IPayCard>(&driver, L"Protocol"), expected);
}

void TestQNebInterface::accessors_withoutDriverObject_throwDeviceNotFound_data()
{
    QTest::addColumn<WrapperCall>("call");
    QTest::addColumn<bool>("throws");

    QTest::newRow("checkResult failure") << WrapperCall([] { QNebPaycard(nullptr).checkResult(-1); }) << true;
    QTest::newRow("checkResult success") << WrapperCall([] { QNebPaycard(nullptr).checkResult(0); }) << false;
    QTest::newRow("invoke") << WrapperCall([] { QNebPaycard(nullptr).invoke(&IPayCard::authorize); }) << true;
    QTest::newRow("invoke with argument")
        << WrapperCall([] { QNebFptr(nullptr).invoke(&IFptr::setPinpadPortMode, 1); }) << true;
    QTest::newRow("readString")
        << WrapperCall([] { QNebPaycard(nullptr).readString(&IPayCard::slipText); }) << true;
    QTest::newRow("readString register")
        << WrapperCall([] { QNebFptr(nullptr).readString(&IFptr::modemOperator); }) << true;
    QTest::newRow("readInt") << WrapperCall([] { QNebFptr(nullptr).readInt(&IFptr::modemState); }) << true;
    QTest::newRow("readDouble")
        << WrapperCall([] { QNebPaycard(nullptr).readDouble(&IPayCard::commission); }) << true;
    QTest::newRow("writeString")
        << WrapperCall([] { QNebPaycard(nullptr).writeString(&IPayCard::setTrack2, QStringLiteral("1")); }) << true;
    QTest::newRow("readParameter")
        << WrapperCall([] { QNebFptr(nullptr).readParameter(QStringLiteral("Protocol")); }) << true;
    QTest::newRow("writeParameter")
        << WrapperCall([] { QNebPaycard(nullptr).writeParameter(QStringLiteral("A"), QStringLiteral("B")); })
        << true;
}

void TestQNebInterface::accessors_withoutDriverObject_throwDeviceNotFound()
{
    QFETCH(WrapperCall, call);
    QFETCH(bool, throws);
    try {
        call();
        QVERIFY2(!throws, "expected DeviceNotFoundException");
    } catch (const DeviceNotFoundException &e) {
        QVERIFY2(throws, "no exception expected");
        QCOMPARE(e.message(), QStringLiteral("Несуществующее устройство"));
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Несуществующее устройство"));
    }
}

BENCH_TEST_MAIN(TestQNebInterface)

#include "tst_qnebinterface.moc"
