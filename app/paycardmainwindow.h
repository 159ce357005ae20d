#ifndef PAYCARDMAINWINDOW_H
#define PAYCARDMAINWINDOW_H

#include "qnebinterface.h"
#include "settingsfile.h"

#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QTextEdit;
class PaycardDeviceList;
class FptrDeviceList;

namespace Ui {
class PayCardMainWindow;
}

// The bench's only window: navigation between the device, authorization and
// report sections, the status-bar error display, and the paired device lists
// that it loads at construction and saves at destruction.
class PayCardMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit PayCardMainWindow(QWidget *parent = nullptr);
    ~PayCardMainWindow() override;

    // For tests and benchmarks: the device lists the window owns.
    PaycardDeviceList *paycardDeviceList() const { return paycardDevices.get(); }
    FptrDeviceList *fptrDeviceList() const { return fptrDevices.get(); }

    static void fillCodeCombo(QComboBox *combo, const QString &codeList, bool showCode);
    static int currentItemId(const QComboBox *combo);

    // Prepares a new driver object for use: owner window, "SearchDir",
    // applied settings. Returns the result of the last step.
    int setUpDevice(QNebPaycard *wrapper);
    int setUpDevice(QNebFptr *wrapper);
    // Readies a driver object just made by the list's library (registers:
    // kind 0) for use: `settings` when there are any, then set-up. An object
    // that fails on the way goes back to its library and the failure is
    // thrown on; `driverReason`, when given, first gets the driver's own code
    // and description of it. With no object made, `noObject` is thrown, or
    // with no text nothing is readied and no failure thrown.
    std::unique_ptr<QNebPaycard> prepareDevice(PaycardDeviceList *devices, std::unique_ptr<QNebPaycard> wrapper,
                                               const QString &noObject, const QString *settings = nullptr,
                                               QString *driverReason = nullptr);
    std::unique_ptr<QNebFptr> prepareDevice(FptrDeviceList *devices, std::unique_ptr<QNebFptr> wrapper,
                                            const QString &noObject, const QString *settings = nullptr,
                                            QString *driverReason = nullptr);
    // Default display name of a terminal: the label of its protocol.
    static QString deviceCaption(QNebPaycard *wrapper);

    // Shortcuts on the current device; DeviceNotFoundException when there is
    // none. Code that holds a device calls its wrapper directly.
    QString paycardString(QNebPaycard::StringGetter getter);
    int paycardInt(QNebPaycard::IntGetter getter);
    QString paycardParameter(const QString &name);
    int setEcrInt(int (NEBAPI NEB::Fptr::IFptr::*setter)(int), int value);
    int setPaycardInt(int (NEBAPI NEB::PayCard::IPayCard::*setter)(int), int value);

private slots:
    void updateSectionButtons();
    void on_pbtnSectionDevices_clicked();
    void on_pbtnSectionAuthorization_clicked();
    void on_pbtnSectionReports_clicked();
    void on_cmbDevices_currentIndexChanged(int index);
    void on_pbtnAdd_clicked();
    void on_pbtnRemove_clicked();
    void on_pbtnRename_clicked();
    void on_pbtnShowPaycardProperties_clicked();
    void on_pbtnShowEcrProperties_clicked();
    void on_cbPaycardEnable_toggled(bool checked);
    void on_pbtnFillAuthorizationFields_clicked();
    void on_pbtnAuthorization_clicked();
    void on_pbtnExecute_clicked();
    void on_pbtnReportBegin_clicked();
    void on_pbtnReportAdd_clicked();
    void on_pbtnReportEnd_clicked();
    void on_pbtnReportReset_clicked();
    void on_pbtnReportFillFields_clicked();
    void on_pbtnClearReportSlip_clicked();
    void on_pbtnClearAuthResult_clicked();
    void on_pbtnClearAuthSlip_clicked();
    void on_pbtnEcrPortModeSync_clicked();
    void on_pbtnEcrPortModeAsync_clicked();
    void on_pbtnEcrPortOn_clicked();
    void on_pbtnEcrPortOff_clicked();
    void on_pbtnEcrPortGetStatus_clicked();
    void on_pbtnAuthPrintSlip_clicked();
    void on_pbtnReportPrintSlip_clicked();

private:
    void showError(const char *text);
    void applyStyleSheet();
    void setupCodeCombos();
    void setDefaultFieldValues();

    // Device start-up and shut-down, run by the constructor and destructor.
    void startDevices();
    void createDefaultDevice();
    void restoreLatePaycardDevices();
    void rebuildFptrDevices();
    void shutDownDevices();
    void pairFptrDevices(bool fptrFileRead);
    void loadPaycardSettings(const QString &fileName);
    // Returns whether the file was there and read whole.
    bool loadFptrSettings(const QString &fileName);
    QVector<SettingsFile::Device> savedPaycardDevices(QStringList *leftOut, QSet<int> *unsavedIds);
    QVector<SettingsFile::Device> savedFptrDevices(const QSet<int> &unsavedIds, QStringList *leftOut);
    bool loadSettingsFile(const QString &fileName, const SettingsFile::DeviceHandler &restore,
                          const QString &partnerFileName = QString());
    QString keepAside(const QString &fileName, const QDateTime &time);

    // The current devices; DeviceNotFoundException when there is none.
    QNebPaycard *currentPaycard() const;
    QNebFptr *currentFptr() const;
    // Whether the fiscal-register library of kind 0 is there to talk to.
    bool fptrReady() const;
    // The terminal's "Protocol" as a number; text that is no number is 0.
    int paycardProtocol();
    // Protocols 8 to 10 talk to their host through the register's ports.
    bool usesEcrPort();
    void updateEcrPortState();
    void passEcrPortsToPaycard();
    // The port buttons: on the port chosen in the port-type box.
    void runOnChosenEcrPort(const std::function<void(QNebFptr *)> &pinpad,
                            const std::function<void(QNebFptr *)> &modem);
    void setEcrPortMode(int mode);
    // The device page's add, once the terminal library is there.
    void addDevice();

    // Terminal operations of the authorization and report pages.
    bool paycardObjectPresent() const;
    void clearError();
    // Runs `sequence` on the current terminal up to its first failure, then
    // shows the terminal's slip in `slipView`. A failure goes to the status
    // bar and is followed by `afterFailure`, whose own failure is swallowed;
    // success clears the status bar. Without a driver object to ask, the
    // failure is all that is shown.
    void runPaycardSequence(QTextEdit *slipView, const std::function<void()> &sequence,
                            const std::function<void()> &afterFailure = nullptr);
    QString slipViewText();
    void showSlip(QTextEdit *slipView, const QString &text);
    void formatAuthorizationResult();
    void formatResponseCode();
    // Prints what a slip view shows on the current register, line by line.
    void printSlipText(const QTextEdit *slipView);

    std::unique_ptr<Ui::PayCardMainWindow> ui;
    QLabel *errorLabel = nullptr;
    std::unique_ptr<PaycardDeviceList> paycardDevices;
    std::unique_ptr<FptrDeviceList> fptrDevices;
    int modemMode = 0;
    int pinpadMode = 0;
    // Settings files shut-down must not write: their library was missing, or
    // an unreadable one could not be copied aside.
    QStringList filesLeftAlone;
    // Settings files copied aside (or found uncopyable) during start-up.
    QStringList filesKeptAside;
    // The devices as the settings files held them, kept while the lists
    // still start from them: shut-down compares, and writes neither file when
    // it would write the same again. Forgotten once start-up itself changed
    // the lists (a default device, registers made afresh, a file kept aside).
    struct LoadedDevices
    {
        bool known = false;
        QVector<SettingsFile::Device> terminals;
        QStringList registers; // settings strings, in file order
    } loaded;
    bool terminalsAsLoaded();
    bool registersAsLoaded();
};

#endif // PAYCARDMAINWINDOW_H
