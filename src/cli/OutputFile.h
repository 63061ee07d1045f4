#pragma once

#include <QString>

// The file a command writes what it received to.
class OutputFile
{
public:
    // Raises VentaroError ("Cannot create file ...") when `fileName` cannot
    // be written, so a command fails before it asks or waits for anything.
    // Leaves no file behind.
    static void CheckWritable(const QString &fileName);
};
