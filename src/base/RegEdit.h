#pragma once

#include "RegRoot.h"

#include <QString>

// The four settings routines. Each takes the root, a key path made of
// backslash-separated key names ("Software\Tervalinduna\VL70-m\Midi") and a
// value name. None raises an error: a write reports whether the value was
// stored, a read gives its default for a value that is absent or unreadable.
// Nothing is ever deleted. All run on the window thread.
//
// Off Windows the key path becomes a settings group (backslash -> slash).
// An integer reads back only when it is stored as an integer, or as its
// decimal text, that fits in 32 bits (unsigned 32-bit values wrap to the
// signed value, as 4 stored bytes would); anything else gives the default.
// A string reads back whatever text is stored. An empty value name, or one
// holding a slash or backslash, names no value here: writes fail and reads
// give the default.

// Root of every key path of this program (it ends with a backslash).
inline const QString RegSettingsRoot = QStringLiteral("Software\\Tervalinduna\\");

// Whether the store is a settings file that cannot be parsed as a whole (a
// group line without its "]", a line that is no key, no group and no ";"
// comment), or is larger than any settings file of the program. Such a file
// reads as empty at every read and is never written, so nothing in it is
// lost and no read depends on which was first.
bool regFileUnreadable(const RegRoot &root);

bool WriteRegString(const RegRoot &root, const QString &path, const QString &name,
                    const QString &value);
QString ReadRegString(const RegRoot &root, const QString &path, const QString &name,
                      const QString &defaultValue);
bool WriteRegInteger(const RegRoot &root, const QString &path, const QString &name, qint32 value);
qint32 ReadRegInteger(const RegRoot &root, const QString &path, const QString &name,
                      qint32 defaultValue);
