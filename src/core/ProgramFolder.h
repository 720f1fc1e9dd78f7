#pragma once

#include <QString>

// The folder that holds ustawienia.ini, messages.ini and Sessions/, with a trailing
// '/'. RUVOTIMER_HOME, when set, names it outright (the demo and tests use it so
// they never touch the operator's files). A program installed under a system prefix
// uses the per-user application data folder; any other (a build, an unpacked
// folder) its own folder. The choice depends only on where the executable lies, so
// it is the same on every start and for every user, root included.
QString ResolveProgramFolder();

// The decision of ResolveProgramFolder, without the environment: forced_home when not
// empty, else user_data_folder when executable_folder is a system install folder,
// else executable_folder; each with one trailing '/'.
QString ChooseProgramFolder(const QString& forced_home, const QString& executable_folder,
                            const QString& user_data_folder);

// Whether an executable in `folder` was installed under a system prefix (/, /usr,
// /usr/local): its bin, sbin or games folder, or a folder inside its lib, lib64 or
// libexec. Such folders belong to the system and are shared by every user.
bool IsSystemInstallFolder(const QString& folder);

// folder with exactly one trailing '/'.
QString WithTrailingSeparator(const QString& folder);
