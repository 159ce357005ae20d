// The window's building blocks on their own: the squeezing label, the modal
// dialog functions, the settings directory and the code combo helpers.
#include "benchtest.h"
#include "codelists.h"
#include "dialoganswerer.h"
#include "dialogs.h"
#include "paycardmainwindow.h"
#include "squeezedlabel.h"
#include "settingsfolder.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const QChar Ellipsis(0x2026);

QStringList itemTexts(const QComboBox &combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts.append(combo.itemText(i));
    return texts;
}

QStringList itemData(const QComboBox &combo)
{
    QStringList data;
    for (int i = 0; i < combo.count(); ++i)
        data.append(combo.itemData(i).toString());
    return data;
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void squeezedLabel_resized_elidesOrShowsWholeText_data();
    void squeezedLabel_resized_elidesOrShowsWholeText();
    void squeezedLabel_markup_shownAsTyped();
    void squeezedLabel_clearThenResize_showsNothing();
    void squeezedLabel_minimumSizeHint_leavesWidthFree();
    void inputText_closed_returnsTextAndOkFlag_data();
    void inputText_closed_returnsTextAndOkFlag();
    void messageBoxes_closed_returnPressedOrDefaultButton_data();
    void messageBoxes_closed_returnPressedOrDefaultButton();
    void selectOpenFile_closed_returnsChosenFile_data();
    void selectOpenFile_closed_returnsChosenFile();
    void settingsDirectory_deleted_recreatedWithSamePath();
    void fillCodeCombo_codeList_oneItemPerEntry_data();
    void fillCodeCombo_codeList_oneItemPerEntry();
    void currentItemId_selection_givesItemCode_data();
    void currentItemId_selection_givesItemCode();
    void selectComboCode_code_selectsFirstMatchOrNothing_data();
    void selectComboCode_code_selectsFirstMatchOrNothing();
};

void TestWidgets::squeezedLabel_resized_elidesOrShowsWholeText_data()
{
    QTest::addColumn<int>("startWidth");
    QTest::addColumn<int>("endWidth");
    QTest::addColumn<bool>("elided");
    // 0 stands for "exactly the text's width", -1 for "far wider".
    QTest::newRow("wide to narrow") << -1 << 60 << true;
    QTest::newRow("narrow to wide") << 60 << -1 << false;
    QTest::newRow("narrow to exact fit") << 60 << 0 << false;
    QTest::newRow("narrower still") << 120 << 40 << true;
}

void TestWidgets::squeezedLabel_resized_elidesOrShowsWholeText()
{
    QFETCH(int, startWidth);
    QFETCH(int, endWidth);
    QFETCH(bool, elided);

    const QString text = QStringLiteral("Эмулятор терминала, протокол обмена 9, порт COM12");
    SqueezedLabel label;
    const int textWidth = label.fontMetrics().horizontalAdvance(text);
    const auto widthOf = [textWidth](int width) { return width == 0 ? textWidth : width < 0 ? textWidth * 2 : width; };
    label.resize(widthOf(startWidth), 20);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    label.setText(text);
    label.resize(widthOf(endWidth), 20);

    QCOMPARE(label.fullText(), text);
    if (elided) {
        QVERIFY2(label.text() != text && label.text().endsWith(Ellipsis), qPrintable(label.text()));
        QVERIFY(text.startsWith(label.text().chopped(1)));
        QCOMPARE(label.toolTip(), text);
    } else {
        QCOMPARE(label.text(), text);
        QCOMPARE(label.toolTip(), QString());
    }
}

void TestWidgets::squeezedLabel_markup_shownAsTyped()
{
    const QString name = QStringLiteral("Касса <b>2</b> & co");
    SqueezedLabel label;
    label.setText(name);
    QVERIFY(label.sizeHint().width() >= label.fontMetrics().horizontalAdvance(name));
}

void TestWidgets::squeezedLabel_clearThenResize_showsNothing()
{
    SqueezedLabel label;
    label.resize(40, 20);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    label.setText(QStringLiteral("Очень длинное имя устройства"));
    QCOMPARE(label.toolTip(), QStringLiteral("Очень длинное имя устройства"));

    label.clear();
    label.resize(400, 20);
    QCOMPARE(label.text(), QString());
    QCOMPARE(label.fullText(), QString());
    QCOMPARE(label.toolTip(), QString());
}

void TestWidgets::squeezedLabel_minimumSizeHint_leavesWidthFree()
{
    SqueezedLabel label;
    label.setText(QStringLiteral("Текст, который шире любой панели"));
    QLabel plain(QStringLiteral("Текст, который шире любой панели"));
    QCOMPARE(label.minimumSizeHint().width(), -1);
    QCOMPARE(label.minimumSizeHint().height(), plain.minimumSizeHint().height());
}

void TestWidgets::inputText_closed_returnsTextAndOkFlag_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("expectedOk");

    QTest::newRow("cancelled keeps nothing") << "Терминал 1" << false << QString() << false << QString() << false;
    QTest::newRow("accepted unchanged") << "Терминал 1" << false << QString() << true << "Терминал 1" << true;
    QTest::newRow("accepted emptied") << "Терминал 1" << true << QString() << true << QString() << true;
    QTest::newRow("accepted edited") << QString() << true << "Касса 2" << true << "Касса 2" << true;
}

void TestWidgets::inputText_closed_returnsTextAndOkFlag()
{
    QFETCH(QString, initial);
    QFETCH(bool, edit);
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QString, expected);
    QFETCH(bool, expectedOk);

    Scenario::DialogAnswer answer;
    answer.accept = accept;
    answer.hasText = edit;
    answer.text = typed;
    answer.pattern = QStringLiteral("^Переименование\nНовое имя устройства:$");
    DialogAnswerer answerer;
    QString className;
    Qt::WindowFlags flags;
    answerer.inspect = [&](QDialog *shown) {
        className = QString::fromLatin1(shown->metaObject()->className());
        flags = shown->windowFlags();
    };
    answerer.begin({answer});
    bool ok = !expectedOk;
    const QString result = inputText(nullptr, QStringLiteral("Переименование"),
                                     QStringLiteral("Новое имя устройства:"), QLineEdit::Normal, initial, &ok);
    QCOMPARE(answerer.finish(), QStringList());
    QCOMPARE(className, QStringLiteral("QInputDialog"));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QCOMPARE(result, expected);
    QCOMPARE(ok, expectedOk);
}

void TestWidgets::messageBoxes_closed_returnPressedOrDefaultButton_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("expected");

    const int okCancel = int(QMessageBox::Ok | QMessageBox::Cancel);
    QTest::newRow("critical, accepted") << "showCritical" << int(QMessageBox::Ok) << int(QMessageBox::Ok) << true
                                        << int(QMessageBox::Ok);
    QTest::newRow("question, default Ok accepted") << "askQuestion" << okCancel << int(QMessageBox::Ok) << true
                                                   << int(QMessageBox::Ok);
    QTest::newRow("question, default Cancel rejected") << "askQuestion" << okCancel << int(QMessageBox::Cancel)
                                                       << false << int(QMessageBox::Cancel);
    QTest::newRow("question, default Ok rejected") << "askQuestion" << okCancel << int(QMessageBox::Ok) << false
                                                   << int(QMessageBox::Cancel);
    QTest::newRow("warning, accepted") << "showWarning" << int(QMessageBox::Ok) << int(QMessageBox::Ok) << true
                                       << int(QMessageBox::Ok);
    QTest::newRow("warning, Yes of Yes/No") << "showWarning" << int(QMessageBox::Yes | QMessageBox::No)
                                            << int(QMessageBox::No) << true << int(QMessageBox::Yes);
}

void TestWidgets::messageBoxes_closed_returnPressedOrDefaultButton()
{
    QFETCH(QString, function);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(bool, accept);
    QFETCH(int, expected);

    const QString title = QStringLiteral("Ошибка");
    const QString text = QStringLiteral("Сохранить настройки не удалось");
    const auto standardButtons = QMessageBox::StandardButtons(buttons);
    const auto standardDefault = QMessageBox::StandardButton(defaultButton);
    Scenario::DialogAnswer answer;
    answer.accept = accept;
    answer.pattern = QStringLiteral("^Ошибка\nСохранить настройки не удалось$");
    DialogAnswerer answerer;
    QString className;
    int shownDefault = -1;
    answerer.inspect = [&](QDialog *shown) {
        className = QString::fromLatin1(shown->metaObject()->className());
        if (auto *box = qobject_cast<QMessageBox *>(shown))
            shownDefault = box->standardButton(box->defaultButton());
    };
    answerer.begin({answer});
    int result = -1;
    if (function == QLatin1String("showCritical"))
        result = showCritical(nullptr, title, text);
    else if (function == QLatin1String("askQuestion"))
        result = askQuestion(nullptr, title, text, standardButtons, standardDefault);
    else
        result = showWarning(nullptr, title, text, standardButtons, standardDefault);

    QCOMPARE(answerer.finish(), QStringList());
    QCOMPARE(className, QStringLiteral("QMessageBox"));
    QCOMPARE(shownDefault, defaultButton);
    QCOMPARE(result, expected);
}

void TestWidgets::selectOpenFile_closed_returnsChosenFile_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void TestWidgets::selectOpenFile_closed_returnsChosenFile()
{
    QFETCH(bool, accept);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString file = directory.filePath(QStringLiteral("libdriver.so"));
    QFile created(file);
    QVERIFY(created.open(QIODevice::WriteOnly));
    created.close();

    Scenario::DialogAnswer answer;
    answer.accept = accept;
    answer.fields = {{QStringLiteral("fileNameEdit"), file}};
    answer.pattern = QStringLiteral("^Укажите расположение библиотеки дПС\n$");
    DialogAnswerer answerer;
    Qt::WindowFlags flags;
    answerer.inspect = [&](QDialog *shown) { flags = shown->windowFlags(); };
    answerer.begin({answer});
    const QString result = selectOpenFile(nullptr, QStringLiteral("Укажите расположение библиотеки дПС"),
                                          directory.path(),
                                          QStringLiteral("Динамические библиотеки (*.so);;Все файлы (*)"));
    QCOMPARE(answerer.finish(), QStringList());
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QCOMPARE(result, accept ? file : QString());
}

void TestWidgets::settingsDirectory_deleted_recreatedWithSamePath()
{
    const QString expected = QDir::toNativeSeparators(QDir::cleanPath(QFile::decodeName(qgetenv("XDG_CONFIG_HOME")))
                                                      + QStringLiteral("/ORVA/vanter9/"));
    const QString first = settingsDirectory();
    QCOMPARE(first, expected);
    QVERIFY(first.endsWith(QDir::separator()));
    QVERIFY(QFileInfo(first).isDir());

    QVERIFY(QDir(first).removeRecursively());
    QVERIFY(!QFileInfo::exists(first));
    QCOMPARE(settingsDirectory(), first);
    QVERIFY(QFileInfo(first).isDir());

    // With no folder named in the environment, the per-user one, which the
    // test's configuration folder holds on Linux.
    const QString chosen = useSettingsDirectory(QString());
#ifdef Q_OS_UNIX
    QCOMPARE(settingsDirectory(), expected);
#endif
    QCOMPARE(useSettingsDirectory(chosen), QString());
    QCOMPARE(settingsDirectory(), first);
}

void TestWidgets::fillCodeCombo_codeList_oneItemPerEntry_data()
{
    QTest::addColumn<QString>("codeList");
    QTest::addColumn<bool>("showCode");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("data");

    QTest::newRow("with codes") << "0:Оплата;1:Возврат;" << true << QStringList{"0 - Оплата", "1 - Возврат"}
                                << QStringList{"0", "1"};
    QTest::newRow("without codes") << "0:Пинпад;1:Модем;" << false << QStringList{"Пинпад", "Модем"}
                                   << QStringList{"0", "1"};
    QTest::newRow("same code twice") << "9:A;9:B;" << true << QStringList{"9 - A", "9 - B"}
                                     << QStringList{"9", "9"};
    QTest::newRow("colon in label") << "3:a:b;" << true << QStringList{"3 - a:b"} << QStringList{"3"};
    QTest::newRow("no trailing semicolon") << "7:X" << false << QStringList{"X"} << QStringList{"7"};
    QTest::newRow("empty list") << QString() << true << QStringList() << QStringList();
}

void TestWidgets::fillCodeCombo_codeList_oneItemPerEntry()
{
    QFETCH(QString, codeList);
    QFETCH(bool, showCode);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, data);

    QComboBox combo;
    combo.addItems({QStringLiteral("stale"), QStringLiteral("items")});
    PayCardMainWindow::fillCodeCombo(&combo, codeList, showCode);
    QCOMPARE(itemTexts(combo), texts);
    QCOMPARE(itemData(combo), data);
    QCOMPARE(combo.currentIndex(), texts.isEmpty() ? -1 : 0);
    PayCardMainWindow::fillCodeCombo(nullptr, codeList, showCode);
}

void TestWidgets::currentItemId_selection_givesItemCode_data()
{
    QTest::addColumn<QString>("codeList");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("expected");

    QTest::newRow("no selection") << "0:A;5:B;" << -1 << -1;
    QTest::newRow("empty box") << QString() << -1 << -1;
    QTest::newRow("first") << "0:A;5:B;" << 0 << 0;
    QTest::newRow("second") << "0:A;5:B;" << 1 << 5;
    QTest::newRow("code that is no number") << "x:A;" << 0 << 0;
}

void TestWidgets::currentItemId_selection_givesItemCode()
{
    QFETCH(QString, codeList);
    QFETCH(int, index);
    QFETCH(int, expected);

    QComboBox combo;
    PayCardMainWindow::fillCodeCombo(&combo, codeList, true);
    combo.setCurrentIndex(index);
    QCOMPARE(PayCardMainWindow::currentItemId(&combo), expected);
    QCOMPARE(PayCardMainWindow::currentItemId(nullptr), -1);
}

void TestWidgets::selectComboCode_code_selectsFirstMatchOrNothing_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expectedIndex");

    QTest::newRow("first item") << 0 << 0;
    QTest::newRow("code twice, first wins") << 9 << 1;
    QTest::newRow("absent code") << 5 << -1;
    QTest::newRow("negative code") << -1 << -1;
}

void TestWidgets::selectComboCode_code_selectsFirstMatchOrNothing()
{
    QFETCH(int, code);
    QFETCH(int, expectedIndex);

    QComboBox combo;
    PayCardMainWindow::fillCodeCombo(&combo, QStringLiteral("0:A;9:B;9:C;"), true);
    combo.setCurrentIndex(2);
    selectComboCode(&combo, code);
    QCOMPARE(combo.currentIndex(), expectedIndex);
    QCOMPARE(PayCardMainWindow::currentItemId(&combo), expectedIndex < 0 ? -1 : code);
}

BENCH_TEST_MAIN(TestWidgets)

#include "tst_widgets.moc"
