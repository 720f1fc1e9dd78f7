#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "FakeClock.h"
#include "LimitedLineEdit.h"
#include "ModalHelpers.h"
#include "ReceiverLink.h"
#include "SimReceiver.h"
#include "TempFolder.h"
#include "Tfsettings.h"

namespace {

sim::SimReceiver& Sim() {
    return sim::SimReceiver::Instance();
}

void QueueTyped(Station& station, const char* line1, const char* button) {
    AnswerNextModal<Tfsettings>([=](Tfsettings* dialog) {
        QTest::keyClicks(Child<LimitedLineEdit>(dialog, "Edit1"), line1);
        QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
    });
    EXPECT_FALSE(ShowKartSettings(station, 2));
}

}  // namespace

TEST(MessageDispatch, SecondMessageQueuedBeforeThePollReplacesTheFirst) {
    Sim().Reset();
    Sim().SetTimeScale(0);
    Sim().SetEmptyReadSleep(std::chrono::microseconds(100));
    const int receiver = Sim().AttachReceiver();
    ASSERT_GT(receiver, 0);

    TempFolder folder;
    FakeClock clock;
    Station station(clock, folder.path());
    station.slot(2).radio = true;
    station.slot(2).node_address = 0x0203;
    QueueTyped(station, "first one", "SpeedButton1");
    QueueTyped(station, "Second", "SpeedButton6");

    ReceiverLink link(station);
    link.set_idle_pause(std::chrono::milliseconds(0));
    link.PollReceiver();

    int message_writes = 0;
    for (const sim::Call& call : Sim().calls()) {
        if (call.function == "usb_bulk_write" && !call.data.empty() && call.data[0] == 0x02) {
            ++message_writes;
        }
    }
    EXPECT_EQ(message_writes, 1);
    const std::optional<sim::Bytes64> frame = Sim().LastMessageFrame(0x0203);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(std::string(frame->begin() + 13, frame->begin() + 25), "Second      ");
    EXPECT_EQ((*frame)[6], 0);  // after the lap, as the second button asked
    EXPECT_FALSE(station.slot(2).message_pending);
    EXPECT_TRUE(station.slot(2).message_line1.isEmpty());
    Sim().Reset();
}
