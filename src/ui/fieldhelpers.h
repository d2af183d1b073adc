#pragma once

#include <QString>

class QLineEdit;

// What the settings windows' fields share.

// Folder and file fields: white when the path is there, red when not.
void markPathField(QLineEdit *edit, bool valid);

QString withTrailingSeparator(const QString &folder);

// A font colour (0xRRGGBB) as the settings and command lines write it: "RGB(r,g,b)".
QString colourText(quint32 colour);

// Asks the question (buttons Yes, No, Cancel) and creates the folder with all missing parents
// on Yes. True when the folder was created; a folder that cannot be created is reported.
bool offerFolderCreation(const QString &question, const QString &folder);
// "<start><folder>\r\n\r\nSoll es angelegt werden?"
QString folderCreationQuestion(const QString &start, const QString &folder);

// Tells the user that a field meant to hold a whole number does not.
void reportNotANumber(const QString &what, const QString &text);
