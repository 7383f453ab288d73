// `morvane colour --runs FILE`: a diagnostic for colouring questions. Reads
// FILE as the editor would (NUL bytes alone do not stop it: the scanners'
// handling of them is part of what it shows), refusing anything but a
// regular file, files over the editor's size limit and files recognised as
// images, fonts, archives and the like; runs one HTML scanner pass over the whole text
// (all of it visible) under the editor's file-type rule, and prints one line
// per run of positions sharing role and marker, skipping unattributed runs:
// "START LENGTH ROLE MARK" (UTF-16 positions; MARK is "marked" or "-").
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <string>
#include <string_view>

namespace morvane {

// `args` are the words after "colour". Returns the process exit code: 0 on
// success, 1 when the file cannot be read as text, 2 on bad usage.
int runColourCommand(const QStringList& args, QTextStream& out, QTextStream& err);
// The same, writing the runs straight to a C stream (the fast path for main).
int runColourCommand(const QStringList& args, std::FILE* out, QTextStream& err);

// The run lines for a text, as the command prints them when the file type is
// coloured.
std::string colourRunLines(std::u16string_view text);

} // namespace morvane
