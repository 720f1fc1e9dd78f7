#pragma once

#include <QString>

#include "Station.h"

class UsbReceiver;

// 0x00BBGGRR reduced to RGB565 (red in the top five bits), as the dashboards take it.
quint16 ColorToRgb565(Colour colour);

// The 12 bytes a message line occupies in a frame: its first 12 characters in
// Windows-1250 ('?' for what the code page lacks), padded with spaces.
QByteArray MessageLineBytes(const QString& line);

// Assembles slot k's message in station.message_out and returns the whole frame
// (0x02 followed by the first 63 bytes of message_out).
Frame BuildMessageFrame(Station& station, int k);

// Sends the message of every slot with message_pending, in slot order, one
// exchange each; the reply is read and discarded and the lines are emptied.
void SendPendingMessages(Station& station, UsbReceiver& receiver);

// Test request: the receiver's network value (-1 without a full reply), passed to
// the transmission test window with the serial number and packet counter in
// receive_buffer. Returns the value.
qint32 RequestNetworkValue(Station& station, UsbReceiver& receiver);
