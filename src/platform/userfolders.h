#pragma once

#include <QString>

// Where the program keeps what it writes by default. A program whose own folder the user may
// write (a build, an unpacked copy) keeps it beside itself and in the working folder, as ever;
// an installed one uses the user's usual places. Files the user names are used as named.
enum class UserFolder {
    Pictures,   // root folder of the pictures until the user chooses one
    Documents,  // where file dialogs start: configurations, layouts, command lists, scripts
    Logs,       // logs the program writes on its own
    NamedFiles, // files the command line names without a folder (command lists, catalogues, scripts)
};

// The folder with a trailing '/', made when missing. `programFolder` defaults to the
// program's own folder.
QString userFolder(UserFolder kind, const QString &programFolder = {});
