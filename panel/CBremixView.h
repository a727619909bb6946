#pragma once

#include <QComboBox>
#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "flows/StatusPolling.h"
#include "link/PortEnumeration.h"
#include "model/ChannelDisplay.h"
#include "model/GeneratorState.h"
#include "panel/ChannelColumn.h"
#include "panel/PanelBitmaps.h"
#include "panel/PanelWidgets.h"
#include "platform/Clock.h"
#include "platform/SerialDeviceMonitor.h"
#include "platform/UserInterface.h"

class QSocketNotifier;

namespace krv {

class TickSource;

struct PanelOptions {
    std::vector<ExtraPort> extraPorts;  // ports named with --port PATH on the command line
    std::string simulatedPort;  // the in-process virtual unit's port: listed first, selected
    bool startTimer = true;     // tests may drive the 50 ms tick themselves
    // The clock the tick keeps time by (the status polling, the automatic outputs); the monotonic
    // clock unless a test hands in its own.
    std::function<TimePoint()> clock;
    // What tells the panel that ports came or went; the list follows while it is set, and is
    // filled only at start-up and on new settings when it is not.
    std::shared_ptr<PortChangeSource> portChanges;
    // The system's ports plus the extra ones, sorted; EnumeratePorts unless a test hands in its
    // own list.
    std::function<PortList(const std::vector<ExtraPort>&)> listPorts;
    // Where the firmware update keeps the calibration backup files; empty: the application folder.
    std::filesystem::path firmwareBackupFolder;
};

// Control ids of the top row; those of the channel columns are ChannelControlId.
inline constexpr int kConnectButtonId = 905;
inline constexpr int kPortListId = 908;

// The main panel: the connect button and port list, and one column of controls per channel.
class CBremixView : public QWidget {
    Q_OBJECT
  public:
    // `link` is what the state's frame sink sends over; the panel connects it to the unit.
    CBremixView(DeviceLink& link, GeneratorState& state, UserInterface& ui, PanelOptions options,
                QWidget* parent = nullptr);
    // Switches the outputs the PC drives off and closes the port if connected.
    ~CBremixView() override;

    // Every new settings set and every opened file: disconnect, fill the port list, lay out.
    void OnInitialUpdate();
    // Positions and visibility of the columns for the circuit count, and the window's width.
    void LayoutChannels();
    // One 50 ms tick that was due at `due` (the timer posts them; tests may call it directly).
    void OnTick(TimePoint due);
    // One tick due now.
    void OnTick() { OnTick(Clock()); }
    // Status display, value fields and enable states.
    void RefreshPanel();

    // Menu command: switches the linked operation of channels 1 and 2 on or off.
    void ToggleLinkedCommand();
    // Menu commands of the unit's maintenance: "アナログ出力調整" reads the user calibration of
    // every channel's range, runs the calibration dialog and stores or restores the values;
    // "発生器　情報" shows the unit information; "PCレス設定" runs the standalone setup dialog and
    // then asks the unit which standalone modes it runs; "発生器　ファームウェア更新" switches
    // every output off, disconnects and runs the firmware update dialog, leaving the panel
    // disconnected. The periodic work of the tick rests while they talk to the unit.
    void CalibrationCommand();
    void UpdateFirmwareCommand();
    void UnitInfoCommand();
    // "診断...": the report of what keeps the unit from connecting, for the port in use or
    // selected.
    void DiagnosisCommand();
    void StandaloneSetupCommand();
    // Whether the calibration command may run (the menu greys it otherwise).
    bool CalibrationAvailable() const;

    // The control with the given id (tests and the frame look controls up by id).
    QWidget* Control(int id) const;
    const StatusPolling& Polling() const { return polling_; }
    bool TickProcessing() const { return tickProcessing_; }
    void SetTickProcessing(bool on) { tickProcessing_ = on; }

  signals:
    // The panel has begun to show the unit as connected (true) or not connected (false).
    void ConnectionShown(bool connected);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void CreateControls();
    void ConnectColumn(int ch);
    bool FillPortList();
    // The list as the panel shows it: the in-process virtual unit first, then the system's ports
    // and those named on the command line.
    PortList CurrentPorts() const;
    // The entry FillPortList selects: the virtual unit, else the port used last; -1 when neither
    // is listed.
    int PreferredPort(const PortList& list) const;
    // Ports came or went: the list shows what is there now, the selected port stays selected
    // while it is there. A port chosen in the list that goes away for a while (as the unit's does
    // while its bridge is driven directly) is selected again when it comes back.
    void OnPortsChanged();
    int ColumnOrigin(int ch) const;
    int VisibleColumns() const;

    void OnConnectButton();
    void Connect();
    void Disconnect();

    // Channel operations of the column's controls (ChannelCommands.cpp).
    void OnToggleOutput(int ch);
    void OnStepButton(int ch, int offset);
    void OnPreset(int ch, int n);
    void OnDisplayMode(int ch, bool scaled);
    void OnValueCommitted(int ch, const QString& text);
    void OnRangeButton(int ch);
    void OnFormulaButton(int ch);
    void OnPresetSettings(int ch);
    void OnAutoOutputSettings(int ch);
    void OnRunButton(int ch, RunCommand command);
    // Runs a change of the outputs with the status polling held off, as every operation that
    // changes outputs does; afterwards polling is as it was found (so an operation while
    // disconnected never switches it on).
    template <typename F>
    void WithPollingHeld(F&& change);
    TimePoint Clock() const { return options_.clock ? options_.clock() : Now(); }

    // What channel `ch`'s column shows, and the column.
    ChannelDisplay Display(int ch) const;
    ChannelColumn& Column(int ch) const;
    void UpdateValueFields();
    void UpdateAutoOutputPanel(int ch);
    void RepeatHeldStep();
    void ShowTickMessage(const std::string& text);
    // Output on in any channel of the unit (maintenance is refused then).
    bool AnyOutputOn() const;
    void ShowConnection();

    DeviceLink& link_;
    GeneratorState& state_;
    UserInterface& ui_;
    PanelOptions options_;

    QFont fontA_;
    QFont fontB_;
    QFont fontC_;
    std::map<PanelBitmap, QPixmap> bitmaps_;

    ColourButton* connectButton_ = nullptr;
    QComboBox* portList_ = nullptr;
    std::array<std::unique_ptr<ChannelColumn>, kChannelCount> columns_;
    std::map<int, QWidget*> byId_;

    StatusPolling polling_;
    bool tickProcessing_ = true;
    bool firstUpdate_ = true;
    bool controlsCreated_ = false;
    bool connecting_ = false;
    bool tickMessageOpen_ = false;
    bool connectionShown_ = false;
    int refreshTicks_ = 0;
    int repeatTicks_ = 0;
    bool repeatHeld_ = false;
    std::unique_ptr<TickSource> ticks_;
    QSocketNotifier* portNotifier_ = nullptr;
    // The port last chosen in the list, by the user rather than by the list's refilling.
    std::string chosenPort_;
    bool fillingPorts_ = false;
};

}  // namespace krv
