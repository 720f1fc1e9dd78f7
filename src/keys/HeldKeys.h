#pragma once

#include <QtGlobal>

// Tells the repeats of a held key from new presses. Qt flags them as auto-repeat on
// most platforms, but on X11 a held key arrives as release/press pairs that Qt does
// not always flag (seen under Xvfb: most pairs unflagged). Such a pair carries one
// timestamp for both events, which a hand releasing and pressing again never does.
class HeldKeys {
  public:
    // Call for every key release.
    void Released(int key, int modifiers, quint64 timestamp);
    // Whether a key press is the repeat of a held key.
    bool IsRepeat(int key, int modifiers, quint64 timestamp, bool flagged_auto_repeat) const;

  private:
    int key_ = 0;
    int modifiers_ = 0;
    quint64 timestamp_ = 0;  // 0: no release seen, or events without a time
};
