#pragma once

#include <functional>

// What the session screen asks of the rest of the program. The launcher fills these
// when it creates a screen, so the screen's library depends on none of the windows
// it opens; tests fill them with recorders.
struct SessionScreenActions {
    // Writes the session file. Returns false when the session must go on (the write
    // failed and the operator chose to keep it), so the screen stays open and the
    // session can be ended again; true when it may end.
    std::function<bool()> write_session_file;
    std::function<void()> show_todays_history;                // modal history of today
    std::function<void(int slot, int row)> show_lap_details;  // modal lap details
    std::function<bool(int slot)> show_kart_settings;         // modal; true on "OK"
    std::function<void()> save_kart_settings;                 // writes ustawienia.ini
};
