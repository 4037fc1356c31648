#pragma once

#include <QString>

namespace app {

// Where the program keeps MASTER.DBF, PNHOLD.URP, the default lists and the help file:
// $PNHOLD_HOME, else $XDG_DATA_HOME/pennyhold, else ~/.local/share/pennyhold. The folder is
// created when it is missing; the text has no trailing "/" (the root itself becomes "").
QString programFolder();

// The current folder at start, without a trailing "/" (the root becomes "").
QString startupFolder();

// The global settings file is addressed by its bare name; the profile routines place it.
inline constexpr const char* GlobalSettingsName = "PNHOLD.INI";
inline constexpr const char* DefaultDatabaseName = "MASTER.DBF";

// The path made absolute and clean, with "/" separators.
QString expandPath(const QString& path);
// The folder of the expanded path, without a trailing "/" except for the root itself.
QString folderOf(const QString& path);
// folder + "/" + name, without doubling the "/" after the root.
QString joinPath(const QString& folder, const QString& name);
// The file name without its extension ("MASTER" for ".../MASTER.DBF"; "HOME.OLD" for
// ".../HOME.OLD.DBF", so that such a name keeps companion files of its own).
QString tableNameOf(const QString& path);
// True when the last four characters are ".DBF" with only a to z compared without case.
bool hasDbfExtension(const QString& path);
// Only the letters a to z become A to Z.
QString upperAscii(const QString& text);

} // namespace app
