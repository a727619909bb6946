// Opening a settings file while the panel is connected: the main window, the document and the
// real panel together, against the virtual unit.
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <memory>

#include "AppTestSupport.h"
#include "app/CBremixDoc.h"
#include "app/CMainFrame.h"
#include "files/SettingsFile.h"
#include "panel/CBremixView.h"
#include "panel/PanelWidgets.h"
#include "sim/VirtualUnit.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

class OpenWhileConnectedTest : public test::SimFixture {
  protected:
    void TearDown() override
    {
        frame.reset();
        doc.reset();
        SimFixture::TearDown();
    }

    fs::path Dir() const { return fs::path(temp.path().toStdString()); }

    QTemporaryDir temp;
    AppValues app;
    std::unique_ptr<CBremixDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(OpenWhileConnectedTest, OpeningASettingsFileDisconnectsAndSwitchesTheOutputsOff)
{
    StartUnit();
    doc = std::make_unique<CBremixDoc>(link, app, Dir() / "last" / "krv2.ini");
    frame = std::make_unique<CMainFrame>(*doc);
    PanelOptions options;
    options.startTimer = false;
    options.simulatedPort = server->PortPath();
    auto owned =
        std::make_unique<CBremixView>(doc->Link(), doc->generator, ui, options, frame.get());
    CBremixView* view = owned.get();
    frame->SetView(std::move(owned), [view] { view->OnInitialUpdate(); });
    frame->SetCircuitCountQuestion([] { return 2; });
    ASSERT_TRUE(frame->NewDocument());
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));

    auto* connect = qobject_cast<ColourButton*>(view->Control(kConnectButtonId));
    QTest::mouseClick(connect, Qt::LeftButton);
    ASSERT_TRUE(link.IsOpen());
    for (int ch = 0; ch < 2; ++ch) {
        QTest::mouseClick(qobject_cast<QPushButton*>(view->Control(ChannelControlId(ch, 6))),
                          Qt::LeftButton);
    }
    const auto unitOn = [&](int ch) {
        return (server->WithUnit([&](sim::VirtualUnit& u) { return u.Channel(ch).mainControl; }) &
                0x1000) != 0;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return unitOn(0) && unitOn(1); }, 2000));

    const int rangeBefore =
        server->WithUnit([](sim::VirtualUnit& u) { return u.Channel(0).range; });
    ASSERT_NE(rangeBefore, kRange4_20mA);

    // A file that puts channel 1 in another range.
    AppValues fileApp;
    GeneratorState other{fileApp};
    other.circuitCount = 2;
    other.ResetForCircuitCount(2);
    other.channels[0].range = kRange4_20mA;
    const fs::path file = Dir() / "other.ini";
    test::WriteFile(file, SaveSettings(other, fileApp));

    ASSERT_TRUE(frame->OpenDocument(QString::fromStdString(file.string())));
    EXPECT_TRUE(ui.Messages().empty()) << ui.Texts().front();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(connect->FaceColour(), kIdleColour);
    EXPECT_EQ(doc->generator.channels[0].range, kRange4_20mA);
    EXPECT_FALSE(doc->generator.OutputOn(0));
    EXPECT_FALSE(doc->generator.OutputOn(1));
    view->RefreshPanel();
    EXPECT_EQ(qobject_cast<QPushButton*>(view->Control(ChannelControlId(0, 6)))->text(), "ＯＦＦ");
    // The unit had both outputs switched off before anything of the file reached it: it never
    // saw the file's range, least of all with an output on.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !unitOn(0) && !unitOn(1); }, 2000));
    EXPECT_EQ(server->WithUnit([](sim::VirtualUnit& u) { return u.Channel(0).range; }),
              rangeBefore);
}

}  // namespace
}  // namespace krv
