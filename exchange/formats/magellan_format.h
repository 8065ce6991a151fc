#pragma once
// Magellan eXplorist geocache file (".gs"): one $PMGNGEO sentence per cache
// with its XOR checksum, then the END sentence.
#include "exchange/export_formats.h"

namespace tv {

int WriteMagellan(const ExportList& list, LineSink& sink);

// Degrees and minutes of |v| in single precision, "4930.000,N"; minutes
// that round to 60 carry into the degrees.
std::string DegMinText(double v, char letter);
// "$" + body + "*" + the XOR of the body's bytes as two upper-case hex digits.
std::string NmeaSentence(std::string_view body);

}  // namespace tv
