#include <gtest/gtest.h>

#include "OutgoingFrames.h"
#include "SimFixture.h"
#include "UsbReceiver.h"

namespace {

TEST(ColorToRgb565, ReducesEachChannelByTruncation) {
    EXPECT_EQ(ColorToRgb565(Colours::kWhite), 0xFFFF);
    EXPECT_EQ(ColorToRgb565(Colours::kBlack), 0x0000);
    EXPECT_EQ(ColorToRgb565(Colours::kRed), 0xF800);
    EXPECT_EQ(ColorToRgb565(Colours::kLime), 0x07E0);
    EXPECT_EQ(ColorToRgb565(Colours::kBlue), 0x001F);
    EXPECT_EQ(ColorToRgb565(Colours::kGrey), 0x7BEF);  // 15, 31, 15
    EXPECT_EQ(ColorToRgb565(Colours::kNavy), 0x000F);
    EXPECT_EQ(ColorToRgb565(0x000080), 15 << 11);
    EXPECT_EQ(ColorToRgb565(0xFF000000u | Colours::kLime), 0x07E0);  // top byte ignored
}

class OutgoingFramesTest : public SimFixture {
  protected:
    OutgoingFramesTest() {
        Sim().AttachReceiver();
        InitUsb();
        EXPECT_EQ(receiver.Open(FindReceiver().device), OpenResult::kOpened);
        Sim().ClearCalls();
    }

    void Queue(int k, int node, const QString& line1, const QString& line2) {
        KartSlot& slot = station.slot(k);
        slot.node_address = node;
        slot.message_line1 = line1;
        slot.message_line2 = line2;
        slot.message_background = Colours::kNavy;
        slot.message_font_colour = Colours::kWhite;
        slot.message_immediate = 1;
        slot.message_pending = true;
    }

    UsbReceiver receiver;
};

TEST_F(OutgoingFramesTest, MessageFrameCarriesTheFirstTwelveCharactersOfEachLine) {
    // Low 16 bits of the node address only; ą and € are in Windows-1250, → is not.
    Queue(3, 0x51234, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX"), QString::fromUtf8("Ząb€→"));
    SendPendingMessages(station, receiver);

    const QByteArray expected = QByteArray::fromHex(
        "02"
        "3412"
        "000005"
        "01"
        "0000"
        "0f00"
        "ffff"
        "4142434445464748494a4b4c"  // ABCDEFGHIJKL
        "5ab962803f20202020202020"  // Z ą b € ? and padding
        "000000000000000000000000000000000000000000000000000000");
    ASSERT_EQ(expected.size(), 64);
    const auto sent = Sim().LastMessageFrame(0x1234);
    ASSERT_TRUE(sent.has_value());
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sent->data()), 64).toHex(),
              expected.toHex());

    EXPECT_EQ(Sim().CallTexts(), (std::vector<std::string>{
                                     "usb_bulk_write(0x05, 64, 1000) = 64",
                                     "usb_bulk_read(0x82, 64, 100) = 64",
                                 }));
    const KartSlot& slot = station.slot(3);
    EXPECT_FALSE(slot.message_pending);
    EXPECT_TRUE(slot.message_line1.isEmpty());
    EXPECT_TRUE(slot.message_line2.isEmpty());
    EXPECT_EQ(slot.message_background, Colours::kNavy);
    EXPECT_EQ(slot.message_immediate, 1);
}

TEST_F(OutgoingFramesTest, EmptyLinesAreSentAsSpaces) {
    Queue(1, 0x0007, QString(), QString());
    station.slot(1).message_immediate = 0;
    station.slot(1).message_background = Colours::kBlack;
    SendPendingMessages(station, receiver);

    const auto sent = Sim().LastMessageFrame(7);
    ASSERT_TRUE(sent.has_value());
    EXPECT_EQ((*sent)[6], 0);
    EXPECT_EQ((*sent)[9], 0);
    EXPECT_EQ((*sent)[10], 0);
    for (size_t i = 13; i <= 36; ++i) {
        EXPECT_EQ((*sent)[i], ' ') << "byte " << i;
    }
    for (size_t i = 37; i < 64; ++i) {
        EXPECT_EQ((*sent)[i], 0) << "byte " << i;
    }
}

TEST_F(OutgoingFramesTest, MessagesGoOutInSlotOrderAndAFailedWriteLosesOnlyItsMessage) {
    Queue(4, 0, QStringLiteral("FOUR"), QString());  // never heard: node address 0
    Queue(2, 0x0202, QStringLiteral("TWO"), QString());
    Sim().FailWrite(1);  // slot 2's message is lost
    SendPendingMessages(station, receiver);

    std::vector<int> nodes;
    for (const sim::Call& call : Sim().calls()) {
        if (call.function == "usb_bulk_write") {
            nodes.push_back(call.data.at(1) | (call.data.at(2) << 8));
        }
    }
    EXPECT_EQ(nodes, (std::vector<int>{0x0202, 0}));
    EXPECT_EQ(Sim().CallTexts(), (std::vector<std::string>{
                                     "usb_bulk_write(0x05, 64, 1000) = -5",
                                     "usb_bulk_read(0x82, 64, 100) = -110",
                                     "usb_bulk_write(0x05, 64, 1000) = 64",
                                     "usb_bulk_read(0x82, 64, 100) = 64",
                                 }));
    EXPECT_FALSE(Sim().LastMessageFrame(0x0202).has_value());
    ASSERT_TRUE(Sim().LastMessageFrame(0).has_value());
    EXPECT_EQ((*Sim().LastMessageFrame(0))[13], 'F');
    for (int k : {2, 4}) {
        EXPECT_FALSE(station.slot(k).message_pending);
        EXPECT_TRUE(station.slot(k).message_line1.isEmpty());
    }
    // Nothing pending: no traffic at all.
    Sim().ClearCalls();
    SendPendingMessages(station, receiver);
    EXPECT_TRUE(Sim().calls().empty());
}

TEST_F(OutgoingFramesTest, NetworkValueComesFromAFullReplyOrIsMinusOne) {
    RecordingTransmissionView view;
    station.transmission_test = &view;
    station.receive_buffer.fill(0xAA);
    station.receive_buffer[0] = 0x78;
    station.receive_buffer[1] = 0x56;
    station.receive_buffer[2] = 0x34;
    station.receive_buffer[3] = 0x00;
    station.receive_buffer[8] = 17;

    Sim().SetNetworkValue(0x1234);
    EXPECT_EQ(RequestNetworkValue(station, receiver), 4660);
    Sim().SetNetworkValue(std::nullopt);
    EXPECT_EQ(RequestNetworkValue(station, receiver), -1);

    // A reply cut short is no reply, even when it holds the two bytes of the value.
    Sim().SetNetworkValue(0x1234);
    for (const int bytes : {1, 2, 63}) {
        Sim().SetNetworkReplyBytes(bytes);
        EXPECT_EQ(RequestNetworkValue(station, receiver), -1) << bytes;
    }
    Sim().SetNetworkReplyBytes(64);
    EXPECT_EQ(RequestNetworkValue(station, receiver), 4660);

    EXPECT_EQ(view.updates, (std::vector<TransmissionUpdate>{{0x345678, 17, 4660},
                                                             {0x345678, 17, -1},
                                                             {0x345678, 17, -1},
                                                             {0x345678, 17, -1},
                                                             {0x345678, 17, -1},
                                                             {0x345678, 17, 4660}}));
    const sim::Call& request = Sim().calls().front();
    ASSERT_EQ(request.function, "usb_bulk_write");
    std::vector<std::uint8_t> expected(64, 0);
    expected[0] = 0x01;
    EXPECT_EQ(request.data, expected);
}

}  // namespace
