#include "HeldKeys.h"

void HeldKeys::Released(int key, int modifiers, quint64 timestamp) {
    key_ = key;
    modifiers_ = modifiers;
    timestamp_ = timestamp;
}

bool HeldKeys::IsRepeat(int key, int modifiers, quint64 timestamp, bool flagged_auto_repeat) const {
    if (flagged_auto_repeat) {
        return true;
    }
    return timestamp_ != 0 && timestamp == timestamp_ && key == key_ && modifiers == modifiers_;
}
