// The job context every long flow reports through: what reaches the progress callback, how a
// cancel and a user interface that asks to stop end the steps, and the caption of its messages.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "firmware/FirmwareContext.h"
#include "flows/JobContext.h"
#include "link/DeviceLink.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using test::RecordingUi;

// A user interface whose event processing says whether the application keeps running.
class StoppingUi : public RecordingUi {
  public:
    bool ProcessPendingEvents() override
    {
        RecordingUi::ProcessPendingEvents();
        return running;
    }
    bool running = true;
};

using Report = std::pair<std::string, int>;

TEST(JobContextTest, ReportsOnlyWhatChangesWithBothAsTheyStand)
{
    DeviceLink link;
    RecordingUi ui;
    std::vector<Report> reports;
    JobContext job(link, ui, [&](const std::string& status, int progress) {
        reports.emplace_back(status, progress);
    });
    job.SetStatus("消去中");
    job.SetProgress(5);
    job.SetProgress(5);
    job.SetStatus("消去中");
    job.SetStatus("データ転送中");
    job.SetProgress(20);
    EXPECT_EQ(reports,
              (std::vector<Report>{
                  {"消去中", 0}, {"消去中", 5}, {"データ転送中", 5}, {"データ転送中", 20}}));
    EXPECT_EQ(job.Status(), "データ転送中");
    EXPECT_EQ(job.Progress(), 20);
}

TEST(JobContextTest, StepsEndOnACancelOrWhenTheInterfaceAsksToStop)
{
    struct Case {
        bool running;
        bool cancel;
        bool goOn;
        bool cancelRequested;
    };
    const Case cases[] = {
        {true, false, true, false},
        {true, true, false, true},
        // Quitting ends the steps between two of them, but is no cancel request of the user.
        {false, false, false, false},
        {false, true, false, true},
    };
    for (const Case& c : cases) {
        DeviceLink link;
        StoppingUi ui;
        ui.running = c.running;
        std::atomic<bool> cancel{c.cancel};
        JobContext job(link, ui, {}, &cancel);
        EXPECT_EQ(job.GoOn(), c.goOn) << c.running << c.cancel;
        EXPECT_EQ(job.CancelRequested(), c.cancelRequested) << c.running << c.cancel;
        EXPECT_EQ(ui.EventsProcessed(), 2) << "the window paints at every check";
        job.ClearCancelRequest();
        EXPECT_FALSE(cancel.load());
        EXPECT_EQ(job.GoOn(), c.running);
    }
    DeviceLink link;
    RecordingUi ui;
    JobContext withoutFlag(link, ui);
    EXPECT_TRUE(withoutFlag.GoOn());
    EXPECT_FALSE(withoutFlag.CancelRequested());
}

TEST(JobContextTest, MessagesAndQuestionsCarryTheCaptionOfTheirFlow)
{
    DeviceLink link;
    RecordingUi ui;
    JobContext job(link, ui, {}, nullptr, "警告");
    FirmwareContext update(link, ui);
    job.Message("a");
    ui.AnswerWith(MessageAnswer::Cancel);
    EXPECT_FALSE(update.AskOk("b", MessageIcon::Question));
    ui.AnswerWith(MessageAnswer::Ok);
    EXPECT_TRUE(job.AskOk("c", MessageIcon::Information));
    const auto messages = ui.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].caption, "警告");
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(messages[1].caption, "確認");
    EXPECT_EQ(messages[1].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(messages[2].caption, "警告");
}

}  // namespace
}  // namespace krv
