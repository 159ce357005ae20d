// Beside the test, "paycard" and "rcpprn" are complete test drivers, "fptr"
// lacks its release function.
#include "benchtest.h"
#include "driverfactories.h"
#include "messagecapture.h"
#include "testdriver.h"

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

// The control of one test driver file beside the test, reset.
TestDriverControl *freshRecord(const QString &file)
{
    TestDriverControl *control = testDriver(applicationDirectory() + file);
    if (!control)
        qFatal("test driver %s not found", qPrintable(file));
    *control = TestDriverControl();
    return control;
}

template <class Wrapper, class I>
void verifyCreatedAndReleased(std::unique_ptr<Wrapper> created, const std::function<void(std::unique_ptr<Wrapper> &)> &release,
                              const TestDriverControl *record, int version)
{
    QVERIFY(created);
    I *object = created->driverObject();
    QVERIFY(object);
    QCOMPARE(record->createCalls, 1);
    QCOMPARE(record->lastVersion, version);
    QCOMPARE(record->lastCreated, static_cast<const void *>(object));
    QCOMPARE(created->readString(&I::deviceSettings), QStringLiteral("version %1").arg(version));

    release(created);
    QVERIFY(!created);
    QCOMPARE(record->releaseCalls, 1);
    // The address of a pointer that held the object, not the object itself.
    QVERIFY(record->releaseArgument);
    QVERIFY(record->releaseArgument != static_cast<const void *>(object));
    QCOMPARE(record->releasedObject, static_cast<const void *>(object));
    QCOMPARE(record->pointerAfterRelease, static_cast<const void *>(nullptr));
}

} // namespace

class TestDriverFactories : public QObject
{
    Q_OBJECT

private slots:
    void paycardFactory_completeLibrary_createsWithVersion3AndReleasesThroughAddress();
    void fptrFactory_completeLibrary_createsWithVersion15AndReleasesThroughAddress();
    void fptrFactory_kind_readyAndCreatesOnlyForCompleteLibrary_data();
    void fptrFactory_kind_readyAndCreatesOnlyForCompleteLibrary();
    void loadDriverLibrary_missingReleaseSymbol_notReadyAndSilent();
    void loadDriverLibrary_createReturnsNull_readyButNoObject();
    void release_wrapperWithoutObject_throwsAndLeavesWrapper_data();
    void release_wrapperWithoutObject_throwsAndLeavesWrapper();
    void fptrRelease_unknownKind_deletesWrapperWithoutCallingLibrary();
};

void TestDriverFactories::paycardFactory_completeLibrary_createsWithVersion3AndReleasesThroughAddress()
{
    const TestDriverControl *record = freshRecord(QStringLiteral("/paycard"));
    MessageCapture log;
    PaycardFactory factory;
    QCOMPARE(log.debugLines, QStringList());
    QVERIFY(factory.isReady());
    verifyCreatedAndReleased<QNebPaycard, IPayCard>(
        factory.create(), [&](std::unique_ptr<QNebPaycard> &w) { factory.release(w); }, record, 3);
}

void TestDriverFactories::fptrFactory_completeLibrary_createsWithVersion15AndReleasesThroughAddress()
{
    const TestDriverControl *record = freshRecord(QStringLiteral("/rcpprn"));
    FptrFactory factory;
    verifyCreatedAndReleased<QNebFptr, IFptr>(
        factory.create(1), [&](std::unique_ptr<QNebFptr> &w) { factory.release(1, w); }, record, 15);
}

void TestDriverFactories::fptrFactory_kind_readyAndCreatesOnlyForCompleteLibrary_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("ready");
    QTest::newRow("fptr without release") << 0 << false;
    QTest::newRow("rcpprn complete") << 1 << true;
    QTest::newRow("unknown kind 2") << 2 << false;
    QTest::newRow("unknown kind -1") << -1 << false;
}

void TestDriverFactories::fptrFactory_kind_readyAndCreatesOnlyForCompleteLibrary()
{
    QFETCH(int, kind);
    QFETCH(bool, ready);
    const TestDriverControl *fptr = freshRecord(QStringLiteral("/fptr"));
    const TestDriverControl *rcpprn = freshRecord(QStringLiteral("/rcpprn"));

    FptrFactory factory;
    QCOMPARE(factory.isReady(kind), ready);
    std::unique_ptr<QNebFptr> wrapper = factory.create(kind);
    QCOMPARE(bool(wrapper), ready);
    // A library that is not ready is not asked for an object either.
    QCOMPARE(fptr->createCalls, 0);
    QCOMPARE(rcpprn->createCalls, ready ? 1 : 0);
    if (wrapper)
        factory.release(kind, wrapper);
}

void TestDriverFactories::loadDriverLibrary_missingReleaseSymbol_notReadyAndSilent()
{
    BRXLibrary<IFptr> library(applicationDirectory() + QStringLiteral("/fptr"), QStringLiteral("Fptr"));
    QCOMPARE(library.createSymbol, QStringLiteral("CreateFptrInterface"));
    QCOMPARE(library.releaseSymbol, QStringLiteral("ReleaseFptrInterface"));
    MessageCapture log;
    QVERIFY(!loadDriverLibrary(&library));
    QCOMPARE(log.debugLines, QStringList());
    QVERIFY(library.isLoaded());
    QVERIFY(library.createFunction);
    QVERIFY(!library.releaseFunction);
    QVERIFY(!library.isReady());
}

void TestDriverFactories::loadDriverLibrary_createReturnsNull_readyButNoObject()
{
    freshRecord(QStringLiteral("/paycard"))->absurd.flags = AbsurdDriver::NullCreate;
    BRXLibrary<IPayCard> library(applicationDirectory() + QStringLiteral("/paycard"), QStringLiteral("PayCard"));
    QVERIFY2(loadDriverLibrary(&library), qPrintable(library.errorString()));
    QVERIFY(library.isReady());
    QNebPaycard wrapper(library.createFunction(NEB::PayCard::InterfaceVersion));
    QVERIFY(!wrapper.driverObject());
    QVERIFY_EXCEPTION_THROWN(wrapper.readInt(&IPayCard::responseCode), DeviceNotFoundException);
}

void TestDriverFactories::release_wrapperWithoutObject_throwsAndLeavesWrapper_data()
{
    QTest::addColumn<int>("kind"); // -1: the payment-terminal factory
    QTest::newRow("paycard") << -1;
    QTest::newRow("fptr kind 0") << 0;
    QTest::newRow("fptr kind 1") << 1;
    QTest::newRow("fptr kind 2") << 2;
}

void TestDriverFactories::release_wrapperWithoutObject_throwsAndLeavesWrapper()
{
    QFETCH(int, kind);
    const TestDriverControl *paycard = freshRecord(QStringLiteral("/paycard"));
    const TestDriverControl *rcpprn = freshRecord(QStringLiteral("/rcpprn"));
    if (kind < 0) {
        PaycardFactory factory;
        auto wrapper = std::make_unique<QNebPaycard>(nullptr);
        QNebPaycard *before = wrapper.get();
        QVERIFY_EXCEPTION_THROWN(factory.release(wrapper), DeviceNotFoundException);
        QCOMPARE(wrapper.get(), before);
    } else {
        FptrFactory factory;
        auto wrapper = std::make_unique<QNebFptr>(nullptr);
        QNebFptr *before = wrapper.get();
        QVERIFY_EXCEPTION_THROWN(factory.release(kind, wrapper), DeviceNotFoundException);
        QCOMPARE(wrapper.get(), before);
    }
    QCOMPARE(paycard->releaseCalls, 0);
    QCOMPARE(rcpprn->releaseCalls, 0);
}

void TestDriverFactories::fptrRelease_unknownKind_deletesWrapperWithoutCallingLibrary()
{
    const TestDriverControl *rcpprn = freshRecord(QStringLiteral("/rcpprn"));
    FptrFactory factory;
    std::unique_ptr<QNebFptr> wrapper = factory.create(1);
    QVERIFY(wrapper && wrapper->driverObject());
    IFptr *object = wrapper->driverObject();

    factory.release(2, wrapper);
    QVERIFY(!wrapper);
    QCOMPARE(rcpprn->releaseCalls, 0);

    // The object is still the library's; give it back before it unloads.
    QLibrary library(applicationDirectory() + QStringLiteral("/rcpprn"));
    auto release = reinterpret_cast<NEB::Fptr::ReleaseFptrInterfaceFunction>(library.resolve("ReleaseFptrInterface"));
    QVERIFY(release);
    release(&object);
    QCOMPARE(rcpprn->releaseCalls, 1);
}

BENCH_TEST_MAIN(TestDriverFactories)

#include "tst_driverfactories.moc"
