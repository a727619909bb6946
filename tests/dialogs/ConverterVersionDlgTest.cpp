// "発生器　情報" against the virtual unit: on screen before the unit is read, then the whole text;
// a unit that stops answering gives the message and no text; closing during the read stops it.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "dialogs/ConverterVersionDlg.h"
#include "flows/LinkFrameSink.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

class ConverterVersionDlgTest : public test::SimFixture {
  protected:
    void Start(std::optional<std::uint64_t> silentAfter = std::nullopt)
    {
        sim::UnitConfig unit;
        unit.circuits = 2;
        unit.faults.silentAfter = silentAfter;
        StartUnit("", true, unit);
        server->WithUnit([](sim::VirtualUnit& u) {
            u.Calibration().Set(1, kRange4_20mA, {0x0002, 0x0000, 0x7FF6, 0x0003, 0x8004});
        });
        ASSERT_TRUE(link.OpenPort());
        state.circuitCount = 2;
        state.firmwareVersion = "020000";
        dialog = std::make_unique<ConverterVersionDlg>(link, state, ui);
        dialog->circuits = 2;
        dialog->installEventFilter(&firstPaint);
        dialog->show();
        // The read may well run to its end (or be closed) before this returns.
        (void)QTest::qWaitForWindowExposed(dialog.get());
    }

    // Notes how far the read was when the dialog was first painted.
    struct FirstPaint : QObject {
        bool painted = false;
        bool readDoneThen = false;
        ConverterVersionDlgTest* test = nullptr;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && !painted) {
                painted = true;
                readDoneThen = test->dialog->ReadDone();
            }
            return false;
        }
    } firstPaint;
    ConverterVersionDlgTest() { firstPaint.test = this; }
    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    std::unique_ptr<ConverterVersionDlg> dialog;
};

TEST_F(ConverterVersionDlgTest, IsOnScreenAtOnceAndThenShowsTheWholeText)
{
    Start();
    EXPECT_EQ(dialog->windowTitle().toStdString(), "発生器\u3000情報");
    QTRY_VERIFY_WITH_TIMEOUT(dialog->ReadDone(), 10000);
    // It was painted before the unit had been read.
    EXPECT_TRUE(firstPaint.painted);
    EXPECT_FALSE(firstPaint.readDoneThen);

    const std::string& text = dialog->Text();
    EXPECT_EQ(text.rfind("Version\t2.000\r\n回路数\t2\r\n\r\nアナログ出力調整値\r\n", 0), 0u)
        << text;
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 3u + 3u + 2u * 11u);
    EXPECT_EQ(lines[6], "チャネル 1");
    EXPECT_EQ(lines[17], "チャネル 2");
    EXPECT_EQ(lines[18 + 4], "  内 4～20 mA\t0\t-10\t3\t4\tユーザー");
    EXPECT_EQ(lines[27], "  外 0～24 mA\t0\t0\t0\t0\tメーカー");
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(dialog->TextField().toPlainText(), shown);
    EXPECT_TRUE(dialog->TextField().isReadOnly());
    EXPECT_EQ(server->ReceivedCount(), 40u);
    // The reads refreshed the document's tables.
    EXPECT_EQ(state.channels[1].makerCalibration[kRange4_20mA].gain, 0x7FF6);
    EXPECT_TRUE(ui.Texts().empty());
    QTest::mouseClick(&dialog->OkButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ConverterVersionDlgTest, AUnitThatStopsAnsweringGivesTheMessageAndNoText)
{
    Start(25);  // the 20 reads of channel 1, then five more
    QTRY_VERIFY_WITH_TIMEOUT(dialog->ReadDone(), 10000);
    ASSERT_EQ(ui.Texts(), std::vector<std::string>{"通信エラーが発生しました"});
    EXPECT_EQ(ui.Messages()[0].caption, "確認");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(dialog->Text().empty());
    EXPECT_TRUE(dialog->TextField().toPlainText().isEmpty());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ConverterVersionDlgTest, ClosingDuringTheReadStopsIt)
{
    // The read runs while the window's thread handles its events: close it from one of them.
    bool visibleAfterClose = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!dialog || !dialog->Reading() || server->ReceivedCount() < 4) return;
        closer.stop();
        dialog->reject();
        visibleAfterClose = dialog->isVisible();  // until the read has stopped
    });
    closer.start(2);
    Start();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 10000);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_LT(server->ReceivedCount(), 40u);
    EXPECT_TRUE(ui.Texts().empty());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace krv
