#pragma once

#include <QStringList>
#include <functional>

// ruvotimer --camera-replay CLIP [--line X]: one line per crossing on standard
// output; 2 with a one-line reason on standard error when the clip or the options
// are wrong. args starts after the program's name. ini_path is asked once, for the
// camera's settings.
int RunCameraReplayCommand(const QStringList& args, const char* name,
                           const std::function<QString()>& ini_path);

inline constexpr const char* kCameraReplayUsage = "--camera-replay CLIP [--line X]";
