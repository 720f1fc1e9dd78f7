#pragma once

#include <QString>

// The folder that holds ustawienia.ini, messages.ini and Sessions/, with a trailing
// '/'. It is the folder of the executable; when that folder cannot be written (an
// installed program), the per-user application data folder instead, the same on
// every start. RUVOTIMER_HOME, when set, names the folder outright (the demo and
// tests use it so they never touch the operator's files).
QString ResolveProgramFolder();

// folder with exactly one trailing '/'.
QString WithTrailingSeparator(const QString& folder);
