// A bench result as versioned JSON: written by --json, read back by --compare.
#pragma once

#include "result.h"

struct Verdict;

inline constexpr char kResultSchema[] = "plovex-bench-result";
// Raise when a field changes meaning or goes away; readers refuse versions they do not know.
// Fields added later are optional, so that older files still load.
constexpr int kResultSchemaVersion = 1;

// The result with the verdict on it as its "summary", for readers of the file.
QByteArray toJson(const BenchResult &result, const Verdict &verdict);

// Throws std::runtime_error with a one-line reason on anything that is not a result of a
// schema version this program knows, or whose figures no run could give.
BenchResult resultFromJson(const QByteArray &json);
BenchResult readResultFile(const QString &path);

// Through a temporary file renamed at the end, so that an interruption leaves no half a
// file. Throws std::runtime_error when it cannot write.
void saveFile(const QString &path, const QByteArray &bytes);
