// The quick wide-text conversions give exactly what Qt's own give, for plain
// text and for everything that has to take Qt's way; only values that are no
// code point at all read as U+FFFD, where Qt would make other characters.
#include "benchtest.h"
#include "widetext.h"

#include <string>
#include <vector>

Q_DECLARE_METATYPE(std::wstring)

class WideTextTest : public QObject
{
    Q_OBJECT

private slots:
    void toQString_sameAsQt_data()
    {
        QTest::addColumn<std::wstring>("wide");
        QTest::addColumn<std::wstring>("asQtReads"); // what Qt converts to the same text
        QTest::newRow("empty") << std::wstring() << std::wstring();
        QTest::newRow("latin") << std::wstring(L"SIMPAYCARD/1;Port=COM1") << std::wstring(L"SIMPAYCARD/1;Port=COM1");
        QTest::newRow("cyrillic") << std::wstring(L"Стандартный через порт ККТ")
                                  << std::wstring(L"Стандартный через порт ККТ");
        QTest::newRow("embedded NUL") << std::wstring(L"a\0b", 3) << std::wstring(L"a\0b", 3);
        QTest::newRow("last of the plane") << std::wstring(1, wchar_t(0xFFFF)) << std::wstring(1, wchar_t(0xFFFF));
        if (sizeof(wchar_t) == 4) {
            const std::wstring replaced = std::wstring(L"x") + wchar_t(0xFFFD);
            QTest::newRow("beyond the plane") << std::wstring(L"x") + wchar_t(0x1F4B3) + L"y"
                                              << std::wstring(L"x") + wchar_t(0x1F4B3) + L"y";
            QTest::newRow("lone surrogate") << std::wstring(L"x") + wchar_t(0xD800) + L"y"
                                            << std::wstring(L"x") + wchar_t(0xD800) + L"y";
            QTest::newRow("beyond Unicode") << std::wstring(L"x") + wchar_t(0x110000) << replaced;
            QTest::newRow("negative") << std::wstring(L"x") + wchar_t(-1) << replaced;
        }
    }
    void toQString_sameAsQt()
    {
        QFETCH(std::wstring, wide);
        QFETCH(std::wstring, asQtReads);
        QCOMPARE(WideText::toQString(wide.data(), int(wide.size())),
                 QString::fromWCharArray(asQtReads.data(), int(asQtReads.size())));
    }

    void copyTo_sameAsQt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("cyrillic") << QStringLiteral("Код ответа: 0");
        QTest::newRow("surrogate pair") << QStringLiteral("x") + QString::fromUcs4(U"\U0001F4B3") + "y";
        QTest::newRow("lone surrogate") << QStringLiteral("x") + QChar(0xDC00) + "y";
    }
    void copyTo_sameAsQt()
    {
        QFETCH(QString, text);
        std::vector<wchar_t> quick(std::size_t(text.size()) + 1, L'#');
        std::vector<wchar_t> qt(quick);
        const int written = WideText::copyTo(text, quick.data());
        QCOMPARE(written, text.toWCharArray(qt.data()));
        QVERIFY(quick == qt);
    }

    // Characters outside the basic plane and the units that look like
    // byte-order marks, read from a driver and handed to one, whatever the
    // width of wchar_t. The wide literals are encoded by the compiler: one
    // unit per character where wchar_t has 32 bits, surrogate pairs where it
    // has 16.
    void boundary_keepsEveryCharacter_data()
    {
        const QString card = QString(QChar(0xD83D)) + QChar(0xDCB3); // U+1F4B3
        QTest::addColumn<std::wstring>("wide");
        QTest::addColumn<QString>("text");
        QTest::newRow("beyond the plane") << std::wstring(L"x\U0001F4B3y") << "x" + card + "y";
        QTest::newRow("mark first") << std::wstring(L"\uFEFF\U0001F4B3") << QChar(0xFEFF) + card;
        QTest::newRow("swapped mark first") << std::wstring(L"\uFFFEКК") << QChar(0xFFFE) + QStringLiteral("КК");
        QTest::newRow("pair at the end") << std::wstring(L"Слип \U0001F4B3") << QStringLiteral("Слип ") + card;
    }
    void boundary_keepsEveryCharacter()
    {
        QFETCH(std::wstring, wide);
        QFETCH(QString, text);
        QCOMPARE(WideText::toQString(wide.data(), int(wide.size())), text);

        std::vector<wchar_t> buffer(std::size_t(text.size()) + 1, L'#');
        const int written = WideText::copyTo(text, buffer.data());
        QCOMPARE(std::wstring(buffer.data(), std::size_t(written)), wide);
        QCOMPARE(buffer[std::size_t(written)], L'#');
    }

    // A lone surrogate a 16-bit driver sends is one code unit like any other.
    void toQString_loneSurrogates_keptAsUnits()
    {
        const std::wstring wide = std::wstring(L"x") + wchar_t(0xDCB3) + wchar_t(0xD83D);
        QCOMPARE(WideText::toQString(wide.data(), int(wide.size())), QStringLiteral("x") + QChar(0xDCB3) + QChar(0xD83D));
    }
};

BENCH_TEST_MAIN(WideTextTest)
#include "tst_widetext.moc"
