// Instance files (.qtb with worksheet positions, .wq without) and solution
// files (.qts), read into and written from the instance model.
#pragma once

#include <string>

enum class InstanceFormat { Qtb, Wq, Unknown };

// The format mark at the start of a file: "-2" .qtb, "0" .wq; Unknown for any
// other first token (a solution file starts with "-3") or an unreadable file.
// `opened` is false when the file cannot be opened.
InstanceFormat instanceFileFormat(const std::string& path, bool& opened);

// Loads the file into the (empty) instance: cells, sums, counters, origin,
// index for .qtb, `keepLoaded` and for .qtb the base number. Shows the status
// texts and alerts of a load; every malformed or inconsistent content is
// refused with an alert naming the line. 0 loaded, 1 failed (instance released).
int readInstanceFile(const std::string& path, InstanceFormat format);

// Writes the instance in the given format (.qtb layout unless Wq). 0 written,
// 1 when the file cannot be opened for writing (alert shown).
int writeInstanceFile(const std::string& path, InstanceFormat format);

// Writes the rounded instance as a solution file. 0 written, 1 failure (alert).
int writeSolutionFile(const std::string& path);

// " Cannot open file <path> for reading!" and the like, with the path cut so
// that the whole text fits the host's 255 characters.
std::string messageWithPath(const char* before, const std::string& path, const char* after);
