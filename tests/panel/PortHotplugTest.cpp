// The port list following ports as they come and go, driven by a change source the test triggers.
#include <fcntl.h>
#include <unistd.h>

#include <QComboBox>

#include "panel/PanelFixture.h"
#include "platform/SerialDeviceMonitor.h"

namespace krv {
namespace {

// Stands in for udev: a pipe the test writes a byte into for every "event".
class PipeChanges : public PortChangeSource {
  public:
    PipeChanges() { EXPECT_EQ(::pipe2(fds_, O_NONBLOCK | O_CLOEXEC), 0); }
    ~PipeChanges() override
    {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    int Fd() const override { return fds_[0]; }
    bool TakeChanges() override
    {
        char buffer[64];
        bool any = false;
        while (::read(fds_[0], buffer, sizeof buffer) > 0) any = true;
        ++taken;
        return any;
    }
    void Trigger() { EXPECT_EQ(::write(fds_[1], "x", 1), 1); }

    int taken = 0;

  private:
    int fds_[2] = {-1, -1};
};

class PortHotplugTest : public test::PanelFixture {
  protected:
    void MakeHotplugPanel()
    {
        state.circuitCount = 2;
        app.mainWindowWidth = 482;
        PanelOptions options;
        options.startTimer = false;
        options.portChanges = changes;
        options.listPorts = [this](const std::vector<ExtraPort>&) {
            PortList list = plugged;
            SortPortList(list);
            return list;
        };
        window = std::make_unique<QMainWindow>();
        view = new CBremixView(link, state, ui, options, window.get());
        window->setCentralWidget(view);
        view->OnInitialUpdate();
        window->show();
        ui.Clear();
    }

    // Announces a change and waits until the panel has taken it.
    void Announce()
    {
        const int before = changes->taken;
        changes->Trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return changes->taken > before; }, 5000));
    }

    QStringList Shown()
    {
        QStringList texts;
        auto* box = Widget<QComboBox>(kPortListId);
        for (int i = 0; i < box->count(); ++i) texts.append(box->itemText(i));
        return texts;
    }
    QString Selected() { return Widget<QComboBox>(kPortListId)->currentText(); }

    static PortEntry Entry(const std::string& name, const std::string& description)
    {
        return {description, PortNameFromPath(name), PortNumber(PortNameFromPath(name))};
    }

    std::shared_ptr<PipeChanges> changes = std::make_shared<PipeChanges>();
    PortList plugged;
};

TEST_F(PortHotplugTest, PluggedUnitAppearsAndTheSelectionFollowsItsPortNotItsRow)
{
    StartUnit();
    MakeHotplugPanel();
    EXPECT_TRUE(Shown().isEmpty());

    // The unit is plugged in while the panel runs: listed and selected, and it connects.
    const PortEntry unit = Entry(server->PortPath(), "Holvik KRV FT230X");
    const QString unitText = QString::fromStdString(PortEntryText(unit));
    plugged.push_back(unit);
    Announce();
    EXPECT_EQ(Shown(), QStringList{unitText});
    EXPECT_EQ(Selected(), unitText);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());

    // Other ports come and go around it, one sorting before it: the selection stays on the unit.
    plugged.push_back(Entry("/dev/ttyUSB0", "A bridge"));
    plugged.push_back(Entry("/dev/ttyACM99999", "Modem"));
    Announce();
    ASSERT_EQ(Shown().size(), 3);
    EXPECT_EQ(Shown().front(), "(ttyUSB0)  A bridge");
    EXPECT_EQ(Selected(), unitText);
    plugged.erase(plugged.begin() + 1);
    Announce();
    EXPECT_EQ(Shown().size(), 2);
    EXPECT_EQ(Selected(), unitText);

    // An event that changes nothing listed leaves the box as it is.
    Announce();
    EXPECT_EQ(Shown().size(), 2);
    EXPECT_EQ(Selected(), unitText);

    // The unit is unplugged: its entry goes, the link is left to the loss detection.
    plugged.erase(plugged.begin());
    Announce();
    EXPECT_EQ(Shown(), QStringList{"(ttyACM99999)  Modem"});
    EXPECT_EQ(Selected(), "(ttyACM99999)  Modem");
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(PortHotplugTest, LostSelectionFallsBackToThePortUsedLast)
{
    app.lastPortName = "ttyUSB7";
    plugged = {Entry("/dev/ttyUSB1", "A"), Entry("/dev/ttyUSB4", "B")};
    MakeHotplugPanel();
    EXPECT_EQ(Selected(), "(ttyUSB1)  A");
    Widget<QComboBox>(kPortListId)->setCurrentIndex(1);

    plugged = {Entry("/dev/ttyUSB1", "A"), Entry("/dev/ttyUSB7", "Holvik KRV FT230X")};
    Announce();
    EXPECT_EQ(Selected(), "(ttyUSB7)  Holvik KRV FT230X");

    plugged.clear();
    Announce();
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_EQ(Widget<QComboBox>(kPortListId)->currentIndex(), -1);
}

TEST_F(PortHotplugTest, PortAwayForAWhileIsSelectedAgainWhenItComesBack)
{
    // The unit's port goes while its bridge is driven directly (a firmware update) and comes back
    // afterwards; meanwhile another port is the only one listed.
    const PortEntry other = Entry("/dev/ttyS0", "Built-in");
    for (const bool chosenByUser : {true, false}) {
        SCOPED_TRACE(chosenByUser ? "chosen in the list" : "used last");
        const PortEntry unit = Entry("/dev/ttyUSB3", "Holvik KRV FT230X");
        app.lastPortName = chosenByUser ? "" : unit.name;
        plugged = {other, unit};
        MakeHotplugPanel();
        if (chosenByUser) Widget<QComboBox>(kPortListId)->setCurrentIndex(1);
        ASSERT_EQ(Selected(), "(ttyUSB3)  Holvik KRV FT230X");

        plugged = {other};
        Announce();
        EXPECT_EQ(Selected(), "(ttyS0)  Built-in");
        plugged = {other, unit};
        Announce();
        EXPECT_EQ(Selected(), "(ttyUSB3)  Holvik KRV FT230X");
    }
    // A port picked while the unit was away stays picked when the unit comes back.
    plugged = {other};
    Announce();
    plugged = {other, Entry("/dev/ttyUSB5", "Modem")};
    Announce();
    Widget<QComboBox>(kPortListId)->setCurrentIndex(1);
    plugged.push_back(Entry("/dev/ttyUSB3", "Holvik KRV FT230X"));
    Announce();
    EXPECT_EQ(Selected(), "(ttyUSB5)  Modem");
}

}  // namespace
}  // namespace krv
