#pragma once

#include <QString>
#include <memory>

class CameraTiming;
class Station;
class Tfekranglowny;

// The camera at the line for a session, when ustawienia.ini enables one (else null):
// its laps go to the camera-timed karts of the screen, its state to the screen's
// bottom bar, its crossings to the camera log beside the journal at journal_path.
std::unique_ptr<CameraTiming> StartSessionCamera(Station& station, Tfekranglowny& screen,
                                                 const QString& journal_path);
