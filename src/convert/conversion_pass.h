#pragma once
// The conversion pass: rebuilds the whole output list from the source list,
// one output line per source line.
#include "convert/entity_encoder.h"
#include "convert/line_list.h"

namespace quorlin {

// Clears `output`, then adds the encoding of every source line to it.
// Returns whether the output's whole text is not empty, that is whether the
// commands that work on the output (save, select all) are to be enabled.
bool ConvertLines(const LineList& source, LineList& output, EntityMode mode);

}  // namespace quorlin
