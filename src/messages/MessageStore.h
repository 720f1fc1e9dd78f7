#pragma once

#include <QString>
#include <vector>

#include "Colour.h"
#include "Station.h"
#include "Text.h"

class IniFile;

// One stored driver message (a row of the message list).
struct StoredMessage {
    BoundedText<20> linia1;
    BoundedText<20> linia2;
    Colour kolortla = Colours::kWhite;   // background
    Colour kolorfont = Colours::kBlack;  // text
    qint32 nr = 0;  // > 0 for every row; 1-based file position, 1 for rows added later
};

// messages.ini in the program folder.
QString MessagesPath(const Station& station);

// The messages of messages.ini, section Parametry: mCount, then m<n>L1, m<n>L2,
// m<n>ColorB (default white) and m<n>ColorF (default black) for n = 1..mCount.
// A missing file reads as an empty list; mCount of 0 or less loads nothing.
//
// mCount is trusted only as far as the file backs it: it is capped at
// kMaxStoredMessages and at the highest message number that has at least one of
// its four keys in the file, so a damaged count (say 2000000000) neither hangs the
// window nor invents a list of blank messages.
inline constexpr int kMaxStoredMessages = 10000;
std::vector<StoredMessage> LoadMessages(const Station& station);
// The rows LoadMessages makes of a messages.ini holding these keys.
std::vector<StoredMessage> ReadMessages(const IniFile& ini);

// Writes every row, numbered 1, 2, ... in list order, as L1, L2, ColorB, ColorF
// (colours as signed decimals), then mCount. Other lines of the file, including
// the keys of messages above the new mCount, are kept. The file is replaced only
// when completely written; on failure returns false with a message naming it.
bool SaveMessages(const Station& station, const std::vector<StoredMessage>& rows,
                  QString* error_message);
// The keys SaveMessages writes, into the file as read.
void WriteMessages(const std::vector<StoredMessage>& rows, IniFile* ini);

// True when the text holds nothing but spaces and control characters.
bool IsBlankLine(const QString& text);
